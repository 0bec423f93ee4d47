// The digest a signature covers: a version 6 signature's salt, the signed
// bytes, then the signature's own hashed part and its trailer.
#pragma once

#include "signatures/common/crypto.h"
#include "signatures/openpgp/signature_packet.h"

namespace vms {

class SignatureDigest {
public:
    // Requires CryptoAvailable(); throws std::runtime_error for a digest libgcrypt lacks.
    explicit SignatureDigest(const Signature& signature);

    void Update(ByteSpan bytes) { context_.Update(bytes); }
    void UpdateKey(const PublicKey& key) { context_.Update(key.hashedForm); }
    void UpdateUserId(ByteSpan userId);

    Bytes Finish();  // once

private:
    const Signature& signature_;
    DigestContext context_;
};

// Checks signature values over a digest with a key that canVerify, of the
// signature's algorithm. Requires CryptoAvailable().
VerifyOutcome VerifyDigest(const PublicKey& key, const Signature& signature, ByteSpan digest);

// True when the digest's first two bytes match the signature's quick check and its values verify.
VerifyOutcome CheckDigest(const PublicKey& key, const Signature& signature, const Bytes& digest);

}  // namespace vms
