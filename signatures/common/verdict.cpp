#include "signatures/common/verdict.h"

#include "signatures/common/key_text.h"

#include <algorithm>

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

bool HasState(const SignatureCheck& check, SignatureState state) {
    return std::ranges::any_of(check.signatures, [&](const SignatureVerdict& verdict) { return verdict.state == state; });
}

}  // namespace

bool SignatureCheck::Good() const { return HasState(*this, SignatureState::Good) && !AnyBad(); }

bool SignatureCheck::AnyBad() const { return HasState(*this, SignatureState::Bad); }

SignatureCheck FromOpenPgp(const DocumentCheck& check) {
    SignatureCheck converted;
    for (const SignatureResult& result : check.signatures) {
        converted.signatures.push_back(SignatureVerdict{result.state, OpenPgpSigner(result), result});
    }
    return converted;
}

}  // namespace vms
