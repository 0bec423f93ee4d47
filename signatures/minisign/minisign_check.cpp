#include "signatures/minisign/minisign_check.h"

#include "signatures/common/crypto.h"
#include "signatures/minisign/minisign_lines.h"

#include <stdexcept>
#include <vector>

namespace vms {
namespace {

// Thrown from the document's sink to stop reading a document too large to verify.
struct DocumentTooLarge {};

// The trusted comment's signature is over a message VerifyEd25519 can take.
static_assert(kEd25519SignatureSize + kMaxCommentLength <= kMaxWholeDocumentSize);
static_assert(kMaxWholeDocumentSize <= kMaxEd25519Message);

MinisignResult Verdict(MinisignResult result, SignatureState state, std::string detail = {}) {
    result.state = state;
    result.detail = std::move(detail);
    return result;
}

// What Ed25519 signs: the document itself, or for prehashed signatures its BLAKE2b-512.
std::optional<Bytes> ReadSignedMessage(MinisignKind kind, const DocumentReader& document) {
    if (kind == MinisignKind::MinisignPrehashed) {
        DigestContext digest(DigestAlgorithm::Blake2b512);
        if (!document([&](ByteSpan bytes) { digest.Update(bytes); })) return std::nullopt;
        return digest.Finish();
    }
    Bytes whole;
    const bool read = document([&](ByteSpan bytes) {
        if (bytes.size() > kMaxWholeDocumentSize - whole.size()) throw DocumentTooLarge{};
        whole.insert(whole.end(), bytes.begin(), bytes.end());
    });
    if (!read) return std::nullopt;
    return whole;
}

// minisign's second signature binds the trusted comment to the first.
VerifyOutcome VerifyTrustedComment(const MinisignSignature& signature, const MinisignKey& key) {
    Bytes signedComment(signature.signature.begin(), signature.signature.end());
    signedComment.insert(signedComment.end(), signature.trustedComment.begin(), signature.trustedComment.end());
    return VerifyEd25519(key.publicKey, signature.commentSignature, signedComment);
}

// The verdict of one key, the signed message in hand.
MinisignResult CheckWithKey(const MinisignSignature& signature, const MinisignKey& key, ByteSpan message,
                            MinisignResult result) {
    result.key = key;
    switch (VerifyEd25519(key.publicKey, signature.signature, message)) {
    case VerifyOutcome::Good: break;
    case VerifyOutcome::Bad: return Verdict(std::move(result), SignatureState::Bad, "the signature doesn't verify");
    case VerifyOutcome::InvalidValues:
        return Verdict(std::move(result), SignatureState::Malformed, "the key isn't a usable Ed25519 public key");
    }
    if (signature.kind != MinisignKind::Signify) {
        // minisign says "Comment signature verification failed".
        if (VerifyTrustedComment(signature, key) != VerifyOutcome::Good) {
            result.commentChanged = true;
            return Verdict(std::move(result), SignatureState::Bad, "the trusted comment's signature doesn't verify");
        }
        result.trustedComment = signature.trustedComment;
    }
    return Verdict(std::move(result), SignatureState::Good);
}

}  // namespace

MinisignResult CheckMinisign(const MinisignSignature& signature, std::span<const MinisignKey> keys,
                             const DocumentReader& document) {
    MinisignResult result;
    result.keyId = signature.keyId;
    result.untrustedComment = signature.untrustedComment;
    result.kind = signature.kind;

    std::vector<const MinisignKey*> matching;
    for (const MinisignKey& key : keys) {
        if (key.keyId == signature.keyId) matching.push_back(&key);
    }
    if (matching.empty()) return Verdict(std::move(result), SignatureState::UnknownKey);
    if (!CryptoAvailable()) return Verdict(std::move(result), SignatureState::Uncheckable, "libgcrypt isn't available");

    std::optional<Bytes> message;
    try {
        message = ReadSignedMessage(signature.kind, document);
    } catch (const DocumentTooLarge&) {
        return Verdict(std::move(result), SignatureState::Unsupported,
                       "the signed file is over 60 KiB, more than a whole-file Ed25519 signature can be checked over");
    } catch (const std::runtime_error&) {
        return Verdict(std::move(result), SignatureState::Uncheckable, "libgcrypt can't compute its digest");
    }
    if (!message) return Verdict(std::move(result), SignatureState::Uncheckable, "the signed file couldn't be read");

    // Two trusted keys may share a key ID; any one that verifies makes it Good.
    std::optional<MinisignResult> first;
    for (const MinisignKey* key : matching) {
        MinisignResult checked = CheckWithKey(signature, *key, *message, result);
        if (checked.state == SignatureState::Good) return checked;
        if (!first) first = std::move(checked);
    }
    return std::move(*first);
}

}  // namespace vms
