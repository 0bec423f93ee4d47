#include "signatures/openpgp/key_packet.h"

#include "engine/hasher.h"
#include "signatures/openpgp/mpi.h"

#include <bit>
#include <optional>

namespace vms {
namespace {

constexpr std::size_t kEd25519KeySize = 32;
constexpr unsigned kMaxRsaBits = 16384;       // GnuPG's largest
constexpr unsigned kMaxRsaExponentBits = 32;

unsigned BitLength(const Bytes& value) {
    return value.empty() ? 0 : static_cast<unsigned>(std::bit_width(value[0]) + 8 * (value.size() - 1));
}

// OID, then the point as an MPI.
bool ReadCurvePoint(ByteReader& reader, PublicKey& key) {
    const std::uint8_t oidSize = reader.Byte();
    if (oidSize == 0 || oidSize == 0xFF) return false;
    key.curve = CurveFromOid(reader.Take(oidSize));
    Bytes point;
    if (!ReadMpi(reader, point)) return false;
    key.fields.push_back(std::move(point));
    key.bits = CurveBits(key.curve);
    return true;
}

// Reads the algorithm-specific part; false when it is damaged.
bool ReadKeyMaterial(ByteReader& reader, PublicKey& key) {
    switch (key.algorithm) {
    case PublicKeyAlgorithm::Rsa:
    case PublicKeyAlgorithm::RsaEncryptOnly:
    case PublicKeyAlgorithm::RsaSignOnly:
        key.fields.resize(2);
        if (!ReadMpi(reader, key.fields[0]) || !ReadMpi(reader, key.fields[1])) return false;
        key.bits = BitLength(key.fields[0]);
        // Larger numbers would only make each check slow enough to stall the program.
        key.canVerify = key.algorithm != PublicKeyAlgorithm::RsaEncryptOnly && key.bits <= kMaxRsaBits &&
                        BitLength(key.fields[1]) <= kMaxRsaExponentBits;
        return true;
    case PublicKeyAlgorithm::Ecdsa:
        if (!ReadCurvePoint(reader, key)) return false;
        key.canVerify = key.curve == Curve::NistP256 || key.curve == Curve::NistP384 || key.curve == Curve::NistP521;
        return true;
    case PublicKeyAlgorithm::EdDsaLegacy:
        if (!ReadCurvePoint(reader, key)) return false;
        key.canVerify = key.curve == Curve::Ed25519 && key.version == 4;
        return true;
    case PublicKeyAlgorithm::Ed25519:
    {
        const ByteSpan point = reader.Take(kEd25519KeySize);
        key.fields.emplace_back(point.begin(), point.end());
        key.curve = Curve::Ed25519;
        key.bits = CurveBits(Curve::Ed25519);
        key.canVerify = !reader.Failed();
        return !reader.Failed();
    }
    case PublicKeyAlgorithm::Dsa:
    case PublicKeyAlgorithm::Elgamal: {
        Bytes prime;
        if (!ReadMpi(reader, prime)) return false;
        key.bits = BitLength(prime);
        reader.Rest();
        return true;
    }
    default:
        reader.Rest();  // fingerprints still cover it
        return true;
    }
}

}  // namespace

Result<PublicKey> ParsePublicKey(ByteSpan body) {
    ByteReader reader(body);
    PublicKey key;
    key.version = reader.Byte();
    if (key.version != 4 && key.version != 6) {
        return UnsupportedError("version " + std::to_string(key.version) + " keys");
    }
    key.created = reader.Number32();
    key.algorithm = static_cast<PublicKeyAlgorithm>(reader.Byte());
    bool intact = true;
    if (key.version == 6) {
        const std::uint32_t materialSize = reader.Number32();
        ByteReader material(reader.Take(materialSize));
        intact = !reader.Failed() && ReadKeyMaterial(material, key) && material.AtEnd() && !material.Failed();
    } else {
        intact = ReadKeyMaterial(reader, key);
    }
    if (!intact || reader.Failed() || !reader.AtEnd()) return MalformedError("a public key packet is damaged");

    const std::size_t size = body.size();
    if (key.version == 4) {
        if (size > 0xFFFF) return MalformedError("a public key packet is too long");
        key.hashedForm = {0x99, static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)};
    } else {
        key.hashedForm = {0x9B, static_cast<std::uint8_t>(size >> 24), static_cast<std::uint8_t>(size >> 16),
                          static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)};
    }
    key.hashedForm.insert(key.hashedForm.end(), body.begin(), body.end());
    const Digest digest = HashBytes(key.version == 4 ? kSha1 : kSha256, key.hashedForm);
    key.fingerprint.assign(digest.bytes.begin(), digest.bytes.begin() + digest.size);
    if (key.version == 4) key.keyId.assign(key.fingerprint.end() - 8, key.fingerprint.end());
    else key.keyId.assign(key.fingerprint.begin(), key.fingerprint.begin() + 8);
    return key;
}

std::string DescribeKeyAlgorithm(const PublicKey& key) {
    switch (key.algorithm) {
    case PublicKeyAlgorithm::Rsa:
    case PublicKeyAlgorithm::RsaEncryptOnly:
    case PublicKeyAlgorithm::RsaSignOnly:
    case PublicKeyAlgorithm::Dsa:
    case PublicKeyAlgorithm::Elgamal:
        return PublicKeyAlgorithmName(key.algorithm) + " " + std::to_string(key.bits);
    case PublicKeyAlgorithm::Ecdsa:
    case PublicKeyAlgorithm::Ecdh:
    case PublicKeyAlgorithm::EdDsaLegacy:
        return CurveName(key.curve);
    default:
        return PublicKeyAlgorithmName(key.algorithm);
    }
}

}  // namespace vms
