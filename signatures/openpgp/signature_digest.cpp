#include "signatures/openpgp/signature_digest.h"

#include <optional>
#include <stdexcept>

namespace vms {

namespace {

DigestAlgorithm DigestOf(HashAlgorithm algorithm) {
    const std::optional<DigestAlgorithm> digest = ToDigestAlgorithm(algorithm);
    if (!digest) throw std::runtime_error("digest unavailable");
    return *digest;
}

}  // namespace

SignatureDigest::SignatureDigest(const Signature& signature)
    : signature_(signature), context_(DigestOf(signature.hash)) {
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

namespace {

std::optional<EcdsaCurve> EcdsaCurveOf(Curve curve) {
    switch (curve) {
    case Curve::NistP256: return EcdsaCurve::NistP256;
    case Curve::NistP384: return EcdsaCurve::NistP384;
    case Curve::NistP521: return EcdsaCurve::NistP521;
    default: return std::nullopt;
    }
}

// A value of an EdDSA signature, written as an MPI without its leading zero bytes.
Bytes PadLeft(const Bytes& value, std::size_t size) {
    if (value.size() >= size) return value;
    Bytes padded(size - value.size(), 0);
    padded.insert(padded.end(), value.begin(), value.end());
    return padded;
}

// The 32 bytes of an Ed25519 key: version 4 keys write the point with a 0x40 prefix.
std::optional<ByteSpan> Ed25519Key(const PublicKey& key) {
    const Bytes& point = key.fields[0];
    if (point.size() == 33 && point[0] == 0x40) return ByteSpan(point).subspan(1);
    if (point.size() == 32) return ByteSpan(point);
    return std::nullopt;
}

// The signature's algorithm must be the key's, with the value count parsed for it.
bool Compatible(const PublicKey& key, const Signature& signature) {
    const auto family = [](PublicKeyAlgorithm algorithm) {
        return algorithm == PublicKeyAlgorithm::RsaSignOnly ? PublicKeyAlgorithm::Rsa : algorithm;
    };
    return key.canVerify && family(key.algorithm) == family(signature.algorithm) && !signature.values.empty() &&
           !key.fields.empty();
}

}  // namespace

VerifyOutcome VerifyDigest(const PublicKey& key, const Signature& signature, ByteSpan digest) {
    if (!Compatible(key, signature)) return VerifyOutcome::InvalidValues;
    const std::vector<Bytes>& values = signature.values;
    switch (key.algorithm) {
    case PublicKeyAlgorithm::Rsa:
    case PublicKeyAlgorithm::RsaSignOnly:
    {
        const std::optional<DigestAlgorithm> algorithm = ToDigestAlgorithm(signature.hash);
        if (key.fields.size() < 2 || !algorithm) return VerifyOutcome::InvalidValues;
        return VerifyRsaPkcs1(key.fields[0], key.fields[1], values[0], *algorithm, digest);
    }
    case PublicKeyAlgorithm::Ecdsa: {
        const std::optional<EcdsaCurve> curve = EcdsaCurveOf(key.curve);
        if (!curve || values.size() < 2) return VerifyOutcome::InvalidValues;
        return VerifyEcdsa(*curve, key.fields[0], values[0], values[1], digest);
    }
    case PublicKeyAlgorithm::EdDsaLegacy:
    case PublicKeyAlgorithm::Ed25519: {
        const std::optional<ByteSpan> point = Ed25519Key(key);
        if (!point) return VerifyOutcome::InvalidValues;
        if (key.algorithm == PublicKeyAlgorithm::Ed25519) return VerifyEd25519(*point, values[0], digest);
        // A value written with more than 32 bytes is not by this key.
        if (values.size() < 2 || values[0].size() > 32 || values[1].size() > 32) return VerifyOutcome::Bad;
        Bytes rs = PadLeft(values[0], 32);
        const Bytes s = PadLeft(values[1], 32);
        rs.insert(rs.end(), s.begin(), s.end());
        return VerifyEd25519(*point, rs, digest);
    }
    default:
        return VerifyOutcome::InvalidValues;
    }
}

VerifyOutcome CheckDigest(const PublicKey& key, const Signature& signature, const Bytes& digest) {
    if (digest.size() < 2 || digest[0] != signature.left16[0] || digest[1] != signature.left16[1]) {
        return VerifyOutcome::Bad;
    }
    return VerifyDigest(key, signature, digest);
}

}  // namespace vms
