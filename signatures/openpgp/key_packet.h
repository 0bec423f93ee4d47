// Public key and subkey packets, versions 4 and 6, and their fingerprints.
#pragma once

#include "engine/result.h"
#include "signatures/common/byte_reader.h"
#include "signatures/openpgp/openpgp_algorithms.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vms {


struct PublicKey {
    std::uint8_t version = 0;  // 4 or 6
    std::uint32_t created = 0;  // seconds since 1970, UTC
    PublicKeyAlgorithm algorithm{};
    Curve curve = Curve::None;
    std::vector<Bytes> fields;  // RSA: n, e; ECDSA and EdDSA: the point as written; Ed25519: its 32 bytes
    unsigned bits = 0;          // RSA: the modulus's; curves: the field's
    Bytes fingerprint;          // 20 bytes for version 4, 32 for version 6
    Bytes keyId;                // 8 bytes
    Bytes hashedForm;           // the packet as signatures over keys hash it
    bool canVerify = false;     // an algorithm and curve this program checks signatures of
};

// The key of a public key or subkey packet's body; Malformed for a damaged
// packet, Unsupported for a version other than 4 and 6. Keys of algorithms
// this program can't check still get their fingerprint.
Result<PublicKey> ParsePublicKey(ByteSpan body);

// "RSA 4096", "Ed25519", "NIST P-256": what a person calls the key.
std::string DescribeKeyAlgorithm(const PublicKey& key);

}  // namespace vms
