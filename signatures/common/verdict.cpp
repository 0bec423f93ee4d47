#include "signatures/common/verdict.h"

#include "engine/text.h"
#include "signatures/common/key_text.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace vms {
namespace {

Signer OpenPgpSigner(const SignatureResult& result) {
    Signer signer;
    signer.kind = SignerKind::OpenPgp;
    signer.name = UserIdText(result.userId);
    const Bytes& key = result.state == SignatureState::UnknownKey ? result.issuer : result.primaryFingerprint;
    if (!key.empty()) signer.identifier = FormatFingerprint(key);
    if (result.created) signer.signedAt = *result.created;
    return signer;
}

// minisign writes "timestamp:<seconds>" first in the comments it makes.
std::optional<std::int64_t> CommentTimestamp(std::string_view comment) {
    constexpr std::string_view kPrefix = "timestamp:";
    if (!comment.starts_with(kPrefix)) return std::nullopt;
    std::int64_t seconds = 0;
    const auto [end, error] = std::from_chars(comment.data() + kPrefix.size(), comment.data() + comment.size(), seconds);
    if (error != std::errc() || end == comment.data() + kPrefix.size() || seconds < 0) return std::nullopt;
    return seconds;
}

bool HasState(const SignatureCheck& check, SignatureState state) {
    return std::ranges::any_of(check.signatures, [&](const SignatureVerdict& verdict) { return verdict.state == state; });
}

}  // namespace

bool SignatureCheck::Good() const { return HasState(*this, SignatureState::Good) && !AnyBad(); }

bool SignatureCheck::AnyBad() const { return HasState(*this, SignatureState::Bad); }

SignatureVerdict FromMinisign(MinisignResult result) {
    Signer signer;
    signer.kind = result.kind == MinisignKind::Signify ? SignerKind::Signify : SignerKind::Minisign;
    signer.name = UserIdText(result.trustedComment);
    signer.identifier = FromUtf8(FormatMinisignKeyId(result.keyId));
    signer.signedAt = CommentTimestamp(result.trustedComment);
    const SignatureState state = result.state;
    return SignatureVerdict{state, std::move(signer), std::move(result)};
}

SignatureVerdict FromSsh(SshResult result) {
    Signer signer;
    signer.kind = SignerKind::Ssh;
    signer.name = JoinedNames(result.principals);
    signer.identifier = FromUtf8(result.fingerprint);
    const SignatureState state = result.state;
    return SignatureVerdict{state, std::move(signer), std::move(result)};
}

SignatureCheck FromOpenPgp(const DocumentCheck& check) {
    SignatureCheck converted;
    for (const SignatureResult& result : check.signatures) {
        converted.signatures.push_back(SignatureVerdict{result.state, OpenPgpSigner(result), result});
    }
    return converted;
}

SignatureVerdict FromSigstore(SigstoreResult result) {
    Signer signer;
    signer.kind = SignerKind::Sigstore;
    if (result.signer) {
        signer.name = FromUtf8(result.signer->identity);
        signer.identifier = FromUtf8(result.signer->issuer);
    }
    signer.signedAt = result.loggedAt;
    const SignatureState state = result.state;
    return SignatureVerdict{state, std::move(signer), std::move(result)};
}

}  // namespace vms
