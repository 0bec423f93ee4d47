#include "signatures/openpgp/signature_packet.h"

#include "signatures/openpgp/mpi.h"

#include <algorithm>

namespace vms {
namespace {

enum Subpacket : std::uint8_t {
    kCreationTime = 2,
    kSignatureExpiration = 3,
    kExportable = 4,
    kTrust = 5,
    kRevocable = 7,
    kKeyExpiration = 9,
    kPreferredSymmetric = 11,
    kRevocationKey = 12,
    kIssuerKeyId = 16,
    kPreferredHash = 21,
    kPreferredCompression = 22,
    kKeyServerPreferences = 23,
    kPreferredKeyServer = 24,
    kPrimaryUserId = 25,
    kPolicyUri = 26,
    kKeyFlags = 27,
    kSignersUserId = 28,
    kRevocationReason = 29,
    kFeatures = 30,
    kEmbeddedSignature = 32,
    kIssuerFingerprint = 33,
    kPreferredAead = 34,
    kPreferredAeadCiphersuites = 39,
};

// The subpacket types whose meaning this program knows well enough to honour
// a critical mark; any other critical subpacket makes the signature invalid.
constexpr std::uint8_t kHandledWhenCritical[] = {
    kCreationTime, kSignatureExpiration, kExportable, kTrust, kRevocable, kKeyExpiration, kPreferredSymmetric,
    kRevocationKey, kIssuerKeyId, kPreferredHash, kPreferredCompression, kKeyServerPreferences,
    kPreferredKeyServer, kPrimaryUserId, kPolicyUri, kKeyFlags, kSignersUserId, kRevocationReason, kFeatures,
    kEmbeddedSignature, kIssuerFingerprint, kPreferredAead, kPreferredAeadCiphersuites,
};

constexpr std::size_t kEd25519SignatureSize = 64;

std::uint32_t Number32(ByteSpan bytes) {
    ByteReader reader(bytes);
    return reader.Number32();
}

// Reads one subpacket area; false when it is damaged. Only the hashed area
// may set the fields a signature's meaning depends on.
bool ReadSubpackets(ByteSpan area, bool hashed, Signature& signature) {
    ByteReader reader(area);
    while (!reader.AtEnd()) {
        std::size_t length = reader.Byte();
        if (length >= 255) length = reader.Number32();
        else if (length >= 192) length = ((length - 192) << 8) + reader.Byte() + 192;
        if (length == 0) return false;
        ByteReader subpacket(reader.Take(length));
        if (reader.Failed()) return false;
        const std::uint8_t header = subpacket.Byte();
        const std::uint8_t type = header & 0x7F;
        const ByteSpan data = subpacket.Rest();
        const bool handled = std::ranges::find(kHandledWhenCritical, type) != std::end(kHandledWhenCritical);
        if ((header & 0x80) && !handled && signature.unknownCritical < 0) {
            signature.unknownCritical = type;
        }
        switch (type) {
        case kCreationTime:
            if (data.size() != 4) return false;
            if (hashed) signature.created = Number32(data);
            break;
        case kSignatureExpiration:
            if (data.size() != 4) return false;
            if (hashed) signature.expiresAfter = Number32(data);
            break;
        case kKeyExpiration:
            if (data.size() != 4) return false;
            if (hashed) signature.keyExpiresAfter = Number32(data);
            break;
        case kKeyFlags:
            if (hashed) signature.keyFlags = data.empty() ? std::uint8_t{0} : data[0];
            break;
        case kPrimaryUserId:
            if (hashed && !data.empty()) signature.primaryUserId = data[0] != 0;
            break;
        case kIssuerKeyId:
            if (data.size() != 8) return false;
            signature.issuerKeyId.assign(data.begin(), data.end());
            break;
        case kIssuerFingerprint:
            if (data.size() < 2) return false;
            signature.issuerFingerprint.assign(data.begin() + 1, data.end());
            break;
        case kEmbeddedSignature:
            signature.embeddedSignature.assign(data.begin(), data.end());
            break;
        default:
            break;
        }
    }
    return !reader.Failed();
}

bool ReadValues(ByteReader& reader, Signature& signature) {
    std::size_t count = 0;
    switch (signature.algorithm) {
    case PublicKeyAlgorithm::Rsa:
    case PublicKeyAlgorithm::RsaSignOnly: count = 1; break;
    case PublicKeyAlgorithm::Ecdsa:
    case PublicKeyAlgorithm::EdDsaLegacy: count = 2; break;
    case PublicKeyAlgorithm::Ed25519: {
        const ByteSpan value = reader.Take(kEd25519SignatureSize);
        signature.values.emplace_back(value.begin(), value.end());
        return !reader.Failed();
    }
    default:
        reader.Rest();
        return true;
    }
    signature.values.resize(count);
    for (Bytes& value : signature.values) {
        if (!ReadMpi(reader, value)) return false;
    }
    return true;
}

}  // namespace

bool SignatureFitsKey(const Signature& signature, const PublicKey& key) {
    if (signature.version != key.version) return false;
    if (signature.version == 6 && signature.salt.size() != V6SaltSize(signature.hash)) return false;
    const bool eddsa = key.algorithm == PublicKeyAlgorithm::Ed25519 || key.algorithm == PublicKeyAlgorithm::EdDsaLegacy;
    return !eddsa || signature.hash != HashAlgorithm::Sha224;
}

Result<Signature> ParseSignature(ByteSpan body) {
    ByteReader reader(body);
    Signature signature;
    signature.version = reader.Byte();
    if (reader.Failed()) return MalformedError("a signature packet is empty");
    if (signature.version != 4 && signature.version != 6) {
        return UnsupportedError("version " + std::to_string(signature.version) + " signatures");
    }
    signature.type = reader.Byte();
    signature.algorithm = static_cast<PublicKeyAlgorithm>(reader.Byte());
    signature.hash = static_cast<HashAlgorithm>(reader.Byte());
    const bool v6 = signature.version == 6;
    const std::size_t hashedSize = v6 ? reader.Number32() : reader.Number16();
    const ByteSpan hashedArea = reader.Take(hashedSize);
    signature.hashedPart.assign(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(reader.Offset()));
    const std::size_t unhashedSize = v6 ? reader.Number32() : reader.Number16();
    const ByteSpan unhashedArea = reader.Take(unhashedSize);
    const ByteSpan left16 = reader.Take(2);
    if (v6) {
        const ByteSpan salt = reader.Take(reader.Byte());
        signature.salt.assign(salt.begin(), salt.end());
    }
    if (reader.Failed() || !ReadSubpackets(hashedArea, true, signature) ||
        !ReadSubpackets(unhashedArea, false, signature) || !ReadValues(reader, signature) || !reader.AtEnd()) {
        return MalformedError("a signature packet is damaged");
    }
    signature.left16[0] = left16[0];
    signature.left16[1] = left16[1];
    return signature;
}

}  // namespace vms
