#include "signatures/sigstore/certificate.h"

#include "signatures/sigstore/der.h"
#include "signatures/ssh/signer_time.h"

#include <algorithm>

namespace vms {
namespace {

constexpr char kKeyUsage[] = "2.5.29.15";
constexpr char kSubjectAlternativeName[] = "2.5.29.17";
constexpr char kBasicConstraints[] = "2.5.29.19";
constexpr char kExtendedKeyUsage[] = "2.5.29.37";
// The critical extensions a certificate may carry and still be used: those
// checked here, and the name constraints and policies the authorities
// write, which only narrow what a certificate may do.
constexpr std::string_view kKnownCritical[] = {kKeyUsage, kSubjectAlternativeName, kBasicConstraints,
                                               kExtendedKeyUsage, "2.5.29.30", "2.5.29.32", "2.5.29.36"};

constexpr std::uint8_t kRfc822Name = 0x81;  // [1] IMPLICIT IA5String
constexpr std::uint8_t kUri = 0x86;         // [6] IMPLICIT IA5String
constexpr std::uint8_t kUtcTime = 0x17;

// UTCTime "YYMMDDHHMMSSZ" (years 1950 to 2049) or GeneralizedTime "YYYYMMDDHHMMSSZ".
std::optional<std::int64_t> CertificateTime(const DerNode& node) {
    std::string text(node.content.begin(), node.content.end());
    if (node.tag == kUtcTime && text.size() == 13) {
        text = (text[0] < '5' ? "20" : "19") + text;
    } else if (node.tag != der::kGeneralizedTime || text.size() != 15) {
        return std::nullopt;
    }
    return GeneralizedTimeToUnix(text);
}

struct SignatureAlgorithm {
    std::string_view oid;
    DigestAlgorithm digest;
};
constexpr SignatureAlgorithm kSignatureAlgorithms[] = {
    {"1.2.840.10045.4.3.2", DigestAlgorithm::Sha256},
    {"1.2.840.10045.4.3.3", DigestAlgorithm::Sha384},
    {"1.2.840.10045.4.3.4", DigestAlgorithm::Sha512},
};

}  // namespace

std::string OidText(ByteSpan oid) {
    std::string text;
    std::uint64_t value = 0;
    bool first = true;
    for (std::size_t i = 0; i < oid.size(); ++i) {
        if (value > (UINT64_MAX >> 7)) return {};
        value = (value << 7) | (oid[i] & 0x7F);
        if (oid[i] & 0x80) {
            if (value == 0) return {};  // a leading 0x80 is not the shortest form
            continue;
        }
        if (first) {
            const std::uint64_t arc = std::min<std::uint64_t>(value / 40, 2);
            text = std::to_string(arc) + "." + std::to_string(value - arc * 40);
            first = false;
        } else {
            text += "." + std::to_string(value);
        }
        value = 0;
    }
    if (oid.empty() || (oid.back() & 0x80)) return {};
    return text;
}

std::optional<std::int64_t> GeneralizedTimeToUnix(std::string_view text) {
    if (text.size() < 15 || text.back() != 'Z') return std::nullopt;
    const std::string_view fraction = text.substr(14, text.size() - 15);
    if (!fraction.empty() && (fraction.size() < 2 || fraction[0] != '.' ||
                              fraction.substr(1).find_first_not_of("0123456789") != std::string_view::npos)) {
        return std::nullopt;
    }
    // allowed_signers' times are written the same way.
    const std::optional<SignerTime> time = ParseSignerTime(std::string(text.substr(0, 14)) + "Z");
    if (!time) return std::nullopt;
    return time->civilSeconds;
}

std::optional<Certificate> Certificate::Parse(ByteSpan der) {
    if (der.empty() || der.size() > kMaxCertificateSize) return std::nullopt;
    Certificate c;
    c.der_ = std::make_shared<const Bytes>(der.begin(), der.end());
    const std::optional<DerNode> certificate = ReadSingleDer(*c.der_, der::kSequence);
    if (!certificate) return std::nullopt;
    DerReader parts(certificate->content);
    const std::optional<DerNode> body = parts.Expect(der::kSequence);
    const std::optional<DerNode> algorithm = parts.Expect(der::kSequence);
    const std::optional<DerNode> signature = parts.Expect(der::kBitString);
    if (!body || !algorithm || !signature || !parts.AtEnd() || signature->content.empty() ||
        signature->content[0] != 0) {
        return std::nullopt;
    }
    c.body_ = body->whole;
    c.signature_ = signature->content.subspan(1);
    const std::optional<DerNode> algorithmOid = DerReader(algorithm->content).Expect(der::kOid);
    if (!algorithmOid) return std::nullopt;
    c.signatureAlgorithm_ = algorithmOid->content;

    DerReader fields(body->content);
    const std::optional<DerNode> version = fields.Expect(der::Context(0));
    const std::optional<DerNode> versionNumber = version ? ReadSingleDer(version->content, der::kInteger) : std::nullopt;
    if (!versionNumber || versionNumber->content.size() != 1 || versionNumber->content[0] != 2) return std::nullopt;
    fields.Expect(der::kInteger);  // the serial number
    const std::optional<DerNode> innerAlgorithm = fields.Expect(der::kSequence);
    const std::optional<DerNode> issuer = fields.Expect(der::kSequence);
    const std::optional<DerNode> validity = fields.Expect(der::kSequence);
    const std::optional<DerNode> subject = fields.Expect(der::kSequence);
    const std::optional<DerNode> keyInfo = fields.Expect(der::kSequence);
    // The algorithm inside the signed body must be the one outside it.
    if (!keyInfo || !std::ranges::equal(innerAlgorithm->whole, algorithm->whole)) return std::nullopt;
    c.issuer_ = issuer->whole;
    c.subject_ = subject->whole;
    c.keyInfo_ = keyInfo->whole;
    std::optional<PkixKey> key = ParsePublicKeyDer(keyInfo->whole);
    if (!key) return std::nullopt;
    c.key_ = std::move(*key);

    DerReader times(validity->content);
    const std::optional<DerNode> notBefore = times.Next(), notAfter = times.Next();
    const std::optional<std::int64_t> from = notBefore ? CertificateTime(*notBefore) : std::nullopt;
    const std::optional<std::int64_t> until = notAfter ? CertificateTime(*notAfter) : std::nullopt;
    if (!from || !until || !times.AtEnd()) return std::nullopt;
    c.notBefore_ = *from;
    c.notAfter_ = *until;

    fields.Optional(0x81);  // issuerUniqueID
    fields.Optional(0x82);  // subjectUniqueID
    const std::optional<DerNode> extensionsTag = fields.Optional(der::Context(3));
    if (!fields.AtEnd() || fields.Failed()) return std::nullopt;
    if (extensionsTag) {
        const std::optional<DerNode> list = ReadSingleDer(extensionsTag->content, der::kSequence);
        if (!list) return std::nullopt;
        DerReader extensions(list->content);
        while (!extensions.AtEnd()) {
            const std::optional<DerNode> extension = extensions.Expect(der::kSequence);
            if (!extension) return std::nullopt;
            DerReader parts(extension->content);
            const std::optional<DerNode> oid = parts.Expect(der::kOid);
            const std::optional<DerNode> critical = parts.Optional(der::kBoolean);
            const std::optional<DerNode> value = parts.Expect(der::kOctetString);
            if (!value || !parts.AtEnd()) return std::nullopt;
            const std::string oidText = OidText(oid->content);
            if (oidText.empty()) return std::nullopt;
            const bool isCritical = critical && critical->content.size() == 1 && critical->content[0] != 0;
            if (isCritical && std::ranges::find(kKnownCritical, oidText) == std::end(kKnownCritical)) return std::nullopt;
            c.extensions_.push_back({oidText, value->content});
        }
    }
    if (const std::optional<ByteSpan> constraints = c.Extension(kBasicConstraints)) {
        const std::optional<DerNode> sequence = ReadSingleDer(*constraints, der::kSequence);
        if (!sequence) return std::nullopt;
        const std::optional<DerNode> ca = DerReader(sequence->content).Optional(der::kBoolean);
        c.ca_ = ca && ca->content.size() == 1 && ca->content[0] != 0;
    }
    if (const std::optional<ByteSpan> usage = c.Extension(kKeyUsage)) {
        const std::optional<DerNode> bits = ReadSingleDer(*usage, der::kBitString);
        if (!bits || bits->content.size() < 2 || bits->content.size() > 3) return std::nullopt;
        // Bit 0 is the first byte's most significant bit.
        std::uint16_t flags = 0;
        for (std::size_t i = 1; i < bits->content.size(); ++i) {
            for (int bit = 0; bit < 8; ++bit) {
                if (bits->content[i] & (0x80 >> bit)) flags |= static_cast<std::uint16_t>(1u << ((i - 1) * 8 + bit));
            }
        }
        c.keyUsage_ = flags;
    }
    return c;
}

bool Certificate::MaySignCertificates() const { return !keyUsage_ || (*keyUsage_ & (1u << 5)); }

bool Certificate::MaySignData() const { return !keyUsage_ || (*keyUsage_ & 1u); }

bool Certificate::HasExtendedUsage(std::string_view oid) const {
    const std::optional<ByteSpan> value = Extension(kExtendedKeyUsage);
    const std::optional<DerNode> list = value ? ReadSingleDer(*value, der::kSequence) : std::nullopt;
    if (!list) return false;
    DerReader usages(list->content);
    while (const std::optional<DerNode> usage = usages.Expect(der::kOid)) {
        if (OidText(usage->content) == oid) return true;
    }
    return false;
}

bool Certificate::SelfIssued() const { return std::ranges::equal(issuer_, subject_); }

std::vector<std::string> Certificate::EmailsAndUris() const {
    std::vector<std::string> names;
    const std::optional<ByteSpan> value = Extension(kSubjectAlternativeName);
    const std::optional<DerNode> list = value ? ReadSingleDer(*value, der::kSequence) : std::nullopt;
    if (!list) return names;
    DerReader entries(list->content);
    while (const std::optional<DerNode> name = entries.Next()) {
        if (name->tag == kRfc822Name || name->tag == kUri) names.emplace_back(name->content.begin(), name->content.end());
    }
    return names;
}

std::optional<ByteSpan> Certificate::Extension(std::string_view oid) const {
    std::optional<ByteSpan> found;
    for (const Extension_& extension : extensions_) {
        if (extension.oid != oid) continue;
        if (found) return std::nullopt;  // twice is once too many
        found = extension.value;
    }
    return found;
}

bool Certificate::SignedBy(const Certificate& issuer) const {
    if (!std::ranges::equal(issuer_, issuer.subject_)) return false;
    const std::string algorithm = OidText(signatureAlgorithm_);
    const auto known = std::ranges::find(kSignatureAlgorithms, algorithm, &SignatureAlgorithm::oid);
    if (known == std::end(kSignatureAlgorithms) || !CryptoAvailable()) return false;
    DigestContext digest(known->digest);
    digest.Update(body_);
    return VerifyDigestSignature(issuer.key_, digest.Finish(), signature_) == VerifyOutcome::Good;
}

std::optional<std::vector<Certificate>> VerifiedChain(std::span<const Bytes> chain,
                                                      std::span<const std::int64_t> times) {
    std::vector<Certificate> certificates;
    for (const Bytes& der : chain) {
        std::optional<Certificate> certificate = Certificate::Parse(der);
        if (!certificate ||
            !std::ranges::all_of(times, [&](std::int64_t time) { return certificate->ValidAt(time); })) {
            return std::nullopt;
        }
        certificates.push_back(std::move(*certificate));
    }
    for (std::size_t i = 0; i + 1 < certificates.size(); ++i) {
        const Certificate& issuer = certificates[i + 1];
        if (!certificates[i].SignedBy(issuer) || !issuer.IsCa() || !issuer.MaySignCertificates()) return std::nullopt;
    }
    if (certificates.empty()) return std::nullopt;
    return certificates;
}

}  // namespace vms
