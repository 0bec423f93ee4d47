#include "signatures/sigstore/public_key.h"

#include "signatures/common/strict_base64.h"
#include "signatures/sigstore/der.h"

#include <algorithm>
#include <array>

namespace vms {
namespace {

constexpr std::uint8_t kEcPublicKey[] = {0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x02, 0x01};
constexpr std::uint8_t kEd25519[] = {0x2B, 0x65, 0x70};

struct CurveOid {
    PkixKeyKind kind;
    std::array<std::uint8_t, 8> oid;
    std::size_t oidSize;
    std::size_t pointSize;
};
constexpr CurveOid kCurves[] = {
    {PkixKeyKind::EcdsaP256, {0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07}, 8, 65},
    {PkixKeyKind::EcdsaP384, {0x2B, 0x81, 0x04, 0x00, 0x22}, 5, 97},
    {PkixKeyKind::EcdsaP521, {0x2B, 0x81, 0x04, 0x00, 0x23}, 5, 133},
};

bool Equal(ByteSpan a, ByteSpan b) { return std::ranges::equal(a, b); }

EcdsaCurve CurveOf(PkixKeyKind kind) {
    switch (kind) {
    case PkixKeyKind::EcdsaP384: return EcdsaCurve::NistP384;
    case PkixKeyKind::EcdsaP521: return EcdsaCurve::NistP521;
    case PkixKeyKind::EcdsaP256:
    case PkixKeyKind::Ed25519: break;
    }
    return EcdsaCurve::NistP256;
}

}  // namespace

std::optional<PkixKey> ParsePublicKeyDer(ByteSpan der) {
    const std::optional<DerNode> info = ReadSingleDer(der, der::kSequence);
    if (!info) return std::nullopt;
    DerReader fields(info->content);
    const std::optional<DerNode> algorithm = fields.Expect(der::kSequence);
    const std::optional<DerNode> bits = fields.Expect(der::kBitString);
    if (!algorithm || !bits || !fields.AtEnd() || bits->content.empty() || bits->content[0] != 0) return std::nullopt;
    DerReader identifiers(algorithm->content);
    const std::optional<DerNode> oid = identifiers.Expect(der::kOid);
    if (!oid) return std::nullopt;
    PkixKey key;
    key.der.assign(der.begin(), der.end());
    key.point.assign(bits->content.begin() + 1, bits->content.end());
    if (Equal(oid->content, kEd25519)) {
        if (!identifiers.AtEnd() || key.point.size() != 32) return std::nullopt;
        key.kind = PkixKeyKind::Ed25519;
        return key;
    }
    if (!Equal(oid->content, kEcPublicKey)) return std::nullopt;
    const std::optional<DerNode> curve = identifiers.Expect(der::kOid);
    if (!curve || !identifiers.AtEnd()) return std::nullopt;
    for (const CurveOid& known : kCurves) {
        if (Equal(curve->content, ByteSpan(known.oid.data(), known.oidSize))) {
            if (key.point.size() != known.pointSize || key.point[0] != 0x04) return std::nullopt;
            key.kind = known.kind;
            return key;
        }
    }
    return std::nullopt;
}

std::optional<Bytes> PemBlock(std::string_view text, std::string_view label) {
    const std::string begin = "-----BEGIN " + std::string(label) + "-----";
    const std::string end = "-----END " + std::string(label) + "-----";
    const std::size_t start = text.find(begin);
    if (start == std::string_view::npos) return std::nullopt;
    const std::size_t bodyStart = start + begin.size();
    const std::size_t stop = text.find(end, bodyStart);
    if (stop == std::string_view::npos) return std::nullopt;
    std::string body;
    for (char c : text.substr(bodyStart, stop - bodyStart)) {
        if (c != '\r' && c != '\n' && c != ' ' && c != '\t') body += c;
    }
    return DecodeStrictBase64(body);
}

DigestAlgorithm DefaultDigest(PkixKeyKind kind) {
    switch (kind) {
    case PkixKeyKind::EcdsaP384: return DigestAlgorithm::Sha384;
    case PkixKeyKind::EcdsaP521: return DigestAlgorithm::Sha512;
    case PkixKeyKind::EcdsaP256:
    case PkixKeyKind::Ed25519: break;
    }
    return DigestAlgorithm::Sha256;
}

VerifyOutcome VerifyDigestSignature(const PkixKey& key, ByteSpan digest, ByteSpan derSignature) {
    if (key.kind == PkixKeyKind::Ed25519) return VerifyOutcome::InvalidValues;
    const std::optional<DerNode> sequence = ReadSingleDer(derSignature, der::kSequence);
    if (!sequence) return VerifyOutcome::Bad;
    DerReader values(sequence->content);
    const std::optional<DerNode> r = values.Expect(der::kInteger);
    const std::optional<DerNode> s = values.Expect(der::kInteger);
    if (!r || !s || !values.AtEnd()) return VerifyOutcome::Bad;
    const std::optional<ByteSpan> rValue = UnsignedInteger(*r), sValue = UnsignedInteger(*s);
    if (!rValue || !sValue) return VerifyOutcome::Bad;
    return VerifyEcdsa(CurveOf(key.kind), key.point, *rValue, *sValue, digest);
}

VerifyOutcome VerifyDigestSexpSignature(const PkixKey& key, ByteSpan digest, ByteSpan signatureSexp) {
    if (key.kind == PkixKeyKind::Ed25519) return VerifyOutcome::InvalidValues;
    return VerifyEcdsaSexp(CurveOf(key.kind), key.point, signatureSexp, digest);
}

VerifyOutcome VerifyMessageSignature(const PkixKey& key, ByteSpan message, ByteSpan signature) {
    if (key.kind == PkixKeyKind::Ed25519) return VerifyEd25519(key.point, signature, message);
    return VerifyDigestSignature(key, DigestOf(DefaultDigest(key.kind), message), signature);
}

Bytes Sha256Of(ByteSpan bytes) { return DigestOf(DigestAlgorithm::Sha256, bytes); }

Bytes KeyId(const PkixKey& key) { return Sha256Of(key.der); }

}  // namespace vms
