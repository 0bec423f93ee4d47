#include "signatures/openpgp/openpgp_algorithms.h"

#include <algorithm>
#include <array>
#include <span>

namespace vms {
namespace {

// Constant tables only: the shell extension runs no code when it is loaded.
constexpr std::uint8_t kNistP256Oid[] = {0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07};
constexpr std::uint8_t kNistP384Oid[] = {0x2B, 0x81, 0x04, 0x00, 0x22};
constexpr std::uint8_t kNistP521Oid[] = {0x2B, 0x81, 0x04, 0x00, 0x23};
constexpr std::uint8_t kEd25519Oid[] = {0x2B, 0x06, 0x01, 0x04, 0x01, 0xDA, 0x47, 0x0F, 0x01};
constexpr std::uint8_t kCurve25519Oid[] = {0x2B, 0x06, 0x01, 0x04, 0x01, 0x97, 0x55, 0x01, 0x05, 0x01};

struct CurveRow {
    Curve curve;
    std::span<const std::uint8_t> oid;
    unsigned bits;
    const char* name;
};

constexpr std::array<CurveRow, 6> kCurves = {{
    {Curve::NistP256, kNistP256Oid, 256, "NIST P-256"},
    {Curve::NistP384, kNistP384Oid, 384, "NIST P-384"},
    {Curve::NistP521, kNistP521Oid, 521, "NIST P-521"},
    {Curve::Ed25519, kEd25519Oid, 255, "Ed25519"},
    {Curve::Curve25519, kCurve25519Oid, 255, "Curve25519"},
    {Curve::Other, {}, 0, "an unknown curve"},
}};

const CurveRow& RowOf(Curve curve) {
    for (const CurveRow& row : kCurves) {
        if (row.curve == curve) return row;
    }
    return kCurves.back();
}

struct HashRow {
    HashAlgorithm algorithm;
    DigestAlgorithm digest;
    const char* name;
    std::size_t v6Salt;
    bool broken;
    bool accepted;
};

constexpr HashRow kHashes[] = {
    {HashAlgorithm::Md5, DigestAlgorithm::Md5, "MD5", 0, true, false},
    {HashAlgorithm::Sha1, DigestAlgorithm::Sha1, "SHA-1", 0, true, false},
    {HashAlgorithm::Ripemd160, DigestAlgorithm::Ripemd160, "RIPEMD-160", 0, true, false},
    {HashAlgorithm::Sha256, DigestAlgorithm::Sha256, "SHA-256", 16, false, true},
    {HashAlgorithm::Sha384, DigestAlgorithm::Sha384, "SHA-384", 24, false, true},
    {HashAlgorithm::Sha512, DigestAlgorithm::Sha512, "SHA-512", 32, false, true},
    {HashAlgorithm::Sha224, DigestAlgorithm::Sha224, "SHA-224", 16, false, true},
    {HashAlgorithm::Sha3_256, DigestAlgorithm::Sha3_256, "SHA3-256", 16, false, false},
    {HashAlgorithm::Sha3_512, DigestAlgorithm::Sha3_512, "SHA3-512", 32, false, false},
};

const HashRow* FindHash(HashAlgorithm algorithm) {
    for (const HashRow& row : kHashes) {
        if (row.algorithm == algorithm) return &row;
    }
    return nullptr;
}

}  // namespace

Curve CurveFromOid(std::span<const std::uint8_t> oid) {
    for (const CurveRow& row : kCurves) {
        if (!row.oid.empty() && std::ranges::equal(row.oid, oid)) return row.curve;
    }
    return Curve::Other;
}

unsigned CurveBits(Curve curve) { return RowOf(curve).bits; }

std::string CurveName(Curve curve) { return RowOf(curve).name; }

std::string PublicKeyAlgorithmName(PublicKeyAlgorithm algorithm) {
    switch (algorithm) {
    case PublicKeyAlgorithm::Rsa:
    case PublicKeyAlgorithm::RsaEncryptOnly:
    case PublicKeyAlgorithm::RsaSignOnly: return "RSA";
    case PublicKeyAlgorithm::Elgamal: return "ElGamal";
    case PublicKeyAlgorithm::Dsa: return "DSA";
    case PublicKeyAlgorithm::Ecdh: return "ECDH";
    case PublicKeyAlgorithm::Ecdsa: return "ECDSA";
    case PublicKeyAlgorithm::EdDsaLegacy: return "EdDSA";
    case PublicKeyAlgorithm::X25519: return "X25519";
    case PublicKeyAlgorithm::X448: return "X448";
    case PublicKeyAlgorithm::Ed25519: return "Ed25519";
    case PublicKeyAlgorithm::Ed448: return "Ed448";
    }
    return "public-key algorithm " + std::to_string(static_cast<int>(algorithm));
}

std::optional<DigestAlgorithm> ToDigestAlgorithm(HashAlgorithm algorithm) {
    const HashRow* row = FindHash(algorithm);
    return row ? std::optional(row->digest) : std::nullopt;
}

std::string HashAlgorithmName(HashAlgorithm algorithm) {
    const HashRow* row = FindHash(algorithm);
    return row ? row->name : "digest " + std::to_string(static_cast<int>(algorithm));
}

bool IsBrokenHash(HashAlgorithm algorithm) {
    const HashRow* row = FindHash(algorithm);
    return row && row->broken;
}

bool IsAcceptedHash(HashAlgorithm algorithm) {
    const HashRow* row = FindHash(algorithm);
    return row && row->accepted;
}

std::size_t V6SaltSize(HashAlgorithm algorithm) {
    const HashRow* row = FindHash(algorithm);
    return row ? row->v6Salt : 0;
}

}  // namespace vms
