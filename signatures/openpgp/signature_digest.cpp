#include "signatures/openpgp/signature_digest.h"

namespace vms {

SignatureDigest::SignatureDigest(const Signature& signature) : signature_(signature), context_(signature.hash) {
    context_.Update(signature.salt);
}

void SignatureDigest::UpdateUserId(ByteSpan userId) {
    const std::size_t size = userId.size();
    const std::uint8_t prefix[] = {0xB4, static_cast<std::uint8_t>(size >> 24), static_cast<std::uint8_t>(size >> 16),
                                   static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)};
    context_.Update(prefix);
    context_.Update(userId);
}

Bytes SignatureDigest::Finish() {
    context_.Update(signature_.hashedPart);
    const std::size_t size = signature_.hashedPart.size();
    const std::uint8_t trailer[] = {signature_.version, 0xFF, static_cast<std::uint8_t>(size >> 24),
                                    static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 8),
                                    static_cast<std::uint8_t>(size)};
    context_.Update(trailer);
    return context_.Finish();
}

VerifyOutcome CheckDigest(const PublicKey& key, const Signature& signature, const Bytes& digest) {
    if (digest.size() < 2 || digest[0] != signature.left16[0] || digest[1] != signature.left16[1]) {
        return VerifyOutcome::Bad;
    }
    return VerifyDigest(key, signature, digest);
}

}  // namespace vms
