// Signature packets, versions 4 and 6: the fields and subpackets that
// checking a signature needs, and the bytes it hashes.
#pragma once

#include "signatures/openpgp/key_packet.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vms {

enum class SignatureType : std::uint8_t {
    Binary = 0x00,
    Text = 0x01,
    GenericCertification = 0x10,
    PositiveCertification = 0x13,
    SubkeyBinding = 0x18,
    PrimaryKeyBinding = 0x19,
    DirectKey = 0x1F,
    KeyRevocation = 0x20,
    SubkeyRevocation = 0x28,
    CertificationRevocation = 0x30,
};

// Key flags (subpacket 27).
inline constexpr std::uint8_t kKeyFlagSign = 0x02;

struct Signature {
    std::uint8_t version = 0;  // 4 or 6
    std::uint8_t type = 0;     // a SignatureType value, or one this program doesn't use
    PublicKeyAlgorithm algorithm{};
    HashAlgorithm hash{};
    Bytes hashedPart;          // version through the hashed subpackets, as hashed
    Bytes salt;                // version 6 only
    std::uint8_t left16[2]{};  // the digest's first two bytes, a quick check
    std::vector<Bytes> values; // RSA: s; ECDSA and EdDSA: r, s; Ed25519: its 64 bytes

    std::optional<std::uint32_t> created;           // seconds since 1970, UTC
    std::optional<std::uint32_t> expiresAfter;      // seconds after created; 0 never
    std::optional<std::uint32_t> keyExpiresAfter;   // seconds after the key's creation; 0 never
    std::optional<std::uint8_t> keyFlags;
    bool primaryUserId = false;
    Bytes issuerFingerprint;   // without its version octet
    Bytes issuerKeyId;
    Bytes embeddedSignature;   // the body of an embedded signature packet
    int unknownCritical = -1;  // the type of a critical subpacket this program doesn't handle
};

// True when the signature's form fits the key that is to verify it: the same
// version, a version 6 salt of its digest's size, and for EdDSA a digest of
// at least 256 bits.
bool SignatureFitsKey(const Signature& signature, const PublicKey& key);

// The signature of a signature packet's body; Malformed for a damaged packet,
// Unsupported for a version other than 4 and 6. Values of algorithms this
// program doesn't check are skipped.
Result<Signature> ParseSignature(ByteSpan body);

}  // namespace vms
