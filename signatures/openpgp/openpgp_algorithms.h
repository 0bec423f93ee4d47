// The public-key, curve and digest algorithms of OpenPGP, by their registry
// numbers, and their names as people read them.
#pragma once

#include "signatures/common/crypto.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vms {

enum class PublicKeyAlgorithm : std::uint8_t {
    Rsa = 1,
    RsaEncryptOnly = 2,
    RsaSignOnly = 3,
    Elgamal = 16,
    Dsa = 17,
    Ecdh = 18,
    Ecdsa = 19,
    EdDsaLegacy = 22,
    X25519 = 25,
    X448 = 26,
    Ed25519 = 27,
    Ed448 = 28,
};

enum class Curve : std::uint8_t { None, NistP256, NistP384, NistP521, Ed25519, Curve25519, Other };

enum class HashAlgorithm : std::uint8_t {
    Md5 = 1,
    Sha1 = 2,
    Ripemd160 = 3,
    Sha256 = 8,
    Sha384 = 9,
    Sha512 = 10,
    Sha224 = 11,
    Sha3_256 = 12,
    Sha3_512 = 14,
};

// The curve an OID names; Other for OIDs this program does not know.
Curve CurveFromOid(std::span<const std::uint8_t> oid);

// The size in bits of a curve's field, as key strength is stated: 256 for P-256, 255 for Ed25519.
unsigned CurveBits(Curve curve);

// "RSA", "ECDSA", "EdDSA"...; "algorithm N" for numbers without a name.
std::string PublicKeyAlgorithmName(PublicKeyAlgorithm algorithm);

// "NIST P-256", "Ed25519"...
std::string CurveName(Curve curve);

// "SHA-256", "SHA-1", "MD5"...; "digest N" for numbers without a name.
std::string HashAlgorithmName(HashAlgorithm algorithm);

// The digest as libgcrypt is asked for it; nothing for numbers without a name.
std::optional<DigestAlgorithm> ToDigestAlgorithm(HashAlgorithm algorithm);

// Digests whose collisions can be made: never trusted for a signature.
bool IsBrokenHash(HashAlgorithm algorithm);

// SHA-224, SHA-256, SHA-384 and SHA-512: the digests signatures are checked with.
bool IsAcceptedHash(HashAlgorithm algorithm);

// The salt size a version 6 signature uses with this digest; 0 for digests it can't use.
std::size_t V6SaltSize(HashAlgorithm algorithm);

}  // namespace vms
