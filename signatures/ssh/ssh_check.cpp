#include "signatures/ssh/ssh_check.h"

#include "signatures/ssh/ssh_pattern.h"
#include "signatures/ssh/ssh_verify.h"

#include <algorithm>
#include <stdexcept>

namespace vms {
namespace {

constexpr std::size_t kMinRsaBits = 2048;

struct Verdict {
    SignatureState state = SignatureState::Good;
    std::string detail;
};

// What one allowed_signers line whose key made the signature says of it.
Verdict JudgeLine(const AllowedSigner& signer, const SshSignature& signature, std::int64_t now) {
    if (signer.certAuthority) return {SignatureState::Unsupported, "certificate authorities"};
    // A signature made for another namespace, say "git", was never meant to
    // vouch for a file here: the signer didn't make this kind of statement,
    // so it is Bad rather than merely limited.
    if (signer.namespaces &&
        MatchSshPatternList(*signer.namespaces, signature.signatureNamespace) != PatternListMatch::Match) {
        return {SignatureState::Bad, "namespace"};
    }
    const Verdict unknownTime{SignatureState::Uncheckable, "the local time of a valid-after or valid-before"};
    if (signer.validAfter) {
        const std::optional<std::int64_t> after = SignerTimeToUnix(*signer.validAfter);
        if (!after) return unknownTime;
        if (now < *after) return {SignatureState::Expired, "valid-after"};
    }
    if (signer.validBefore) {
        const std::optional<std::int64_t> before = SignerTimeToUnix(*signer.validBefore);
        if (!before) return unknownTime;
        if (now > *before) return {SignatureState::Expired, "valid-before"};
    }
    return {};
}

// Good when any trusted entry for the key allows the signature, with the
// principals of the lines that do; otherwise the verdict and principals of
// the first line that names the key.
Verdict JudgeTrust(const SshTrust& trust, const SshSignature& signature, std::int64_t now,
                   std::vector<std::string>& principals) {
    const auto sameKey = [&](const SshPublicKey& key) { return key.blob == signature.key.blob; };
    bool good = std::ranges::any_of(trust.keys, sameKey);
    std::vector<std::string> goodPrincipals, refusalPrincipals;
    std::optional<Verdict> refusal;
    for (const AllowedSigner& signer : trust.allowedSigners) {
        if (signer.key.blob != signature.key.blob) continue;
        Verdict verdict = JudgeLine(signer, signature, now);
        if (verdict.state == SignatureState::Good) {
            good = true;
            goodPrincipals.insert(goodPrincipals.end(), signer.principals.begin(), signer.principals.end());
        } else if (!refusal) {
            refusal = std::move(verdict);
            refusalPrincipals = signer.principals;
        }
    }
    principals = good ? std::move(goodPrincipals) : std::move(refusalPrincipals);
    if (good) return {};
    return refusal.value_or(Verdict{SignatureState::UnknownKey, {}});
}

bool IsTrustedKey(const SshTrust& trust, const SshPublicKey& key) {
    return std::ranges::any_of(trust.keys, [&](const SshPublicKey& k) { return k.blob == key.blob; }) ||
           std::ranges::any_of(trust.allowedSigners, [&](const AllowedSigner& s) { return s.key.blob == key.blob; });
}

bool IsSecurityKey(const SshSignature& signature) {
    return signature.algorithm == SshSignatureAlgorithm::SkEd25519 ||
           signature.algorithm == SshSignatureAlgorithm::SkEcdsaSha256;
}

SshResult ResultWith(SignatureState state, std::string detail) {
    SshResult result;
    result.state = state;
    result.detail = std::move(detail);
    return result;
}

// The weakness of a signature that is otherwise Good, if any.
std::optional<std::string> Weakness(const SshSignature& signature) {
    if (signature.algorithm == SshSignatureAlgorithm::RsaSha1) return "SHA-1";
    if (signature.key.type == SshKeyType::Rsa && signature.key.bits < kMinRsaBits) {
        return "RSA " + std::to_string(signature.key.bits);
    }
    return std::nullopt;
}

}  // namespace

SshResult CheckSshSignature(ByteSpan signatureText, const DocumentReader& document, const SshTrust& trust,
                            std::int64_t now, std::string_view requiredNamespace) {
    if (!CryptoAvailable()) return ResultWith(SignatureState::Uncheckable, "libgcrypt is missing");
    const Result<SshSignature> parsed = ParseSshSignature(signatureText);
    if (!parsed) return ResultWith(SignatureStateOf(parsed.GetError()), parsed.GetError().detail);
    const SshSignature& signature = *parsed;

    SshResult result;
    result.keyType = SshKeyTypeName(signature.key.type);
    result.signatureNamespace = signature.signatureNamespace;
    try {
        result.fingerprint = SshFingerprint(signature.key);
        if (!IsTrustedKey(trust, signature.key)) {
            result.state = SignatureState::UnknownKey;
            return result;
        }
        DigestContext digest(signature.hash);
        if (!document([&](ByteSpan bytes) { digest.Update(bytes); })) {
            result.state = SignatureState::Uncheckable;
            result.detail = "the signed file couldn't be read";
            return result;
        }
        switch (VerifySshSignature(signature, digest.Finish())) {
        case VerifyOutcome::Good:
            break;
        case VerifyOutcome::Bad:
            result.state = SignatureState::Bad;
            return result;
        case VerifyOutcome::InvalidValues:
            result.state = SignatureState::Malformed;
            result.detail = "its numbers or its key's are invalid for the algorithm";
            return result;
        }
    } catch (const std::runtime_error&) {
        result.state = SignatureState::Uncheckable;
        result.detail = "libgcrypt can't compute its digest";
        return result;
    }
    if (IsSecurityKey(signature)) {
        result.userPresent = (signature.flags & kSkUserPresent) != 0;
        result.counter = signature.counter;
    }
    if (!requiredNamespace.empty() && signature.signatureNamespace != requiredNamespace) {
        result.state = SignatureState::Bad;
        result.detail = "namespace";
        return result;
    }
    Verdict verdict = JudgeTrust(trust, signature, now, result.principals);
    if (verdict.state == SignatureState::Good) {
        if (std::optional<std::string> weakness = Weakness(signature)) {
            verdict = {SignatureState::Weak, std::move(*weakness)};
        }
    }
    result.state = verdict.state;
    result.detail = std::move(verdict.detail);
    return result;
}

SshResult CheckSshSignature(ByteSpan signatureText, ByteSpan document, const SshTrust& trust, std::int64_t now,
                            std::string_view requiredNamespace) {
    const DocumentReader reader = [document](const std::function<void(ByteSpan)>& sink) {
        sink(document);
        return true;
    };
    return CheckSshSignature(signatureText, reader, trust, now, requiredNamespace);
}

}  // namespace vms
