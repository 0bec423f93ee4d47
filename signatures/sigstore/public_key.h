// The public keys Sigstore writes as X.509 SubjectPublicKeyInfo (DER, or PEM
// "PUBLIC KEY"): the logs' and cosign's ECDSA P-256, P-384 and P-521 keys and
// Ed25519 keys, with the signatures they make checked by libgcrypt.
#pragma once

#include "signatures/common/crypto.h"

#include <optional>
#include <string>
#include <string_view>

namespace vms {

enum class PkixKeyKind { EcdsaP256, EcdsaP384, EcdsaP521, Ed25519 };

struct PkixKey {
    PkixKeyKind kind = PkixKeyKind::EcdsaP256;
    Bytes point;  // ECDSA: 04 || X || Y; Ed25519: the 32-byte key
    Bytes der;    // the SubjectPublicKeyInfo as read
};

std::optional<PkixKey> ParsePublicKeyDer(ByteSpan der);

// The DER of the first PEM block with this label ("CERTIFICATE", "PUBLIC KEY").
std::optional<Bytes> PemBlock(std::string_view text, std::string_view label);

// The digest ECDSA pairs with a curve: SHA-256 for P-256, SHA-384 for P-384,
// SHA-512 for P-521.
DigestAlgorithm DefaultDigest(PkixKeyKind kind);

// An ECDSA signature (DER SEQUENCE of r and s) over a digest.
VerifyOutcome VerifyDigestSignature(const PkixKey& key, ByteSpan digest, ByteSpan derSignature);

// An ECDSA signature over a digest, as a canonical S-expression.
VerifyOutcome VerifyDigestSexpSignature(const PkixKey& key, ByteSpan digest, ByteSpan signatureSexp);

// A signature over a message: ECDSA over its digest by DefaultDigest, or
// Ed25519 over the message itself.
VerifyOutcome VerifyMessageSignature(const PkixKey& key, ByteSpan message, ByteSpan signature);

// SHA-256 of the key's DER, as the logs name their keys and as keys are stored.
Bytes KeyId(const PkixKey& key);

Bytes Sha256Of(ByteSpan bytes);

}  // namespace vms
