#include "signatures/sigstore/timestamp_token.h"

#include "signatures/sigstore/certificate.h"
#include "signatures/sigstore/der.h"
#include "signatures/sigstore/ksba_library.h"

#include <algorithm>
#include <string_view>

namespace vms {
namespace {

constexpr std::size_t kMaxTokenSize = 64 * 1024;
constexpr char kTstInfoOid[] = "1.2.840.113549.1.9.16.1.4";
// DER of the OIDs of SHA-256, SHA-384 and SHA-512.
constexpr std::uint8_t kSha256Oid[] = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01};
constexpr std::uint8_t kSha384Oid[] = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x02};
constexpr std::uint8_t kSha512Oid[] = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x03};

std::optional<DigestAlgorithm> DigestFromDer(ByteSpan oid) {
    if (std::ranges::equal(oid, kSha256Oid)) return DigestAlgorithm::Sha256;
    if (std::ranges::equal(oid, kSha384Oid)) return DigestAlgorithm::Sha384;
    if (std::ranges::equal(oid, kSha512Oid)) return DigestAlgorithm::Sha512;
    return std::nullopt;
}

std::optional<DigestAlgorithm> DigestFromText(std::string_view oid) {
    if (oid == "2.16.840.1.101.3.4.2.1") return DigestAlgorithm::Sha256;
    if (oid == "2.16.840.1.101.3.4.2.2") return DigestAlgorithm::Sha384;
    if (oid == "2.16.840.1.101.3.4.2.3") return DigestAlgorithm::Sha512;
    return std::nullopt;
}

// The token itself: bundles hold either the token (a CMS ContentInfo) or the
// whole response, a status followed by the token, which then must be granted.
std::optional<ByteSpan> TokenOf(ByteSpan stored) {
    const std::optional<DerNode> outer = ReadSingleDer(stored, der::kSequence);
    if (!outer) return std::nullopt;
    DerReader fields(outer->content);
    const std::optional<DerNode> status = fields.Optional(der::kSequence);
    if (!status) return stored;
    DerReader statusFields(status->content);
    const std::optional<DerNode> value = statusFields.Expect(der::kInteger);
    const std::optional<DerNode> token = fields.Expect(der::kSequence);
    // 0 granted, 1 granted with modifications.
    if (!value || value->content.size() != 1 || value->content[0] > 1 || !token || !fields.AtEnd()) return std::nullopt;
    return token->whole;
}

// The encapsulated content of the token's SignedData: ContentInfo, [0], SignedData, encapContentInfo, [0], OCTET STRING.
std::optional<ByteSpan> EncapsulatedContent(ByteSpan token) {
    const std::optional<DerNode> contentInfo = ReadSingleDer(token, der::kSequence);
    if (!contentInfo) return std::nullopt;
    DerReader info(contentInfo->content);
    const std::optional<DerNode> type = info.Expect(der::kOid);
    const std::optional<DerNode> wrapped = info.Expect(der::Context(0));
    if (!type || !wrapped) return std::nullopt;
    const std::optional<DerNode> signedData = ReadSingleDer(wrapped->content, der::kSequence);
    if (!signedData) return std::nullopt;
    DerReader fields(signedData->content);
    if (!fields.Expect(der::kInteger) || !fields.Expect(der::kSet)) return std::nullopt;
    const std::optional<DerNode> encapsulated = fields.Expect(der::kSequence);
    if (!encapsulated) return std::nullopt;
    DerReader inner(encapsulated->content);
    const std::optional<DerNode> innerType = inner.Expect(der::kOid);
    const std::optional<DerNode> explicitContent = inner.Expect(der::Context(0));
    if (!innerType || !explicitContent || !inner.AtEnd()) return std::nullopt;
    const std::optional<DerNode> octets = ReadSingleDer(explicitContent->content, der::kOctetString);
    if (!octets) return std::nullopt;
    return octets->content;
}

// Frees what libksba allocated, on every path.
template <typename Release, typename Handle>
struct Owned {
    Release release;
    Handle handle = nullptr;
    ~Owned() {
        if (handle) release(handle);
    }
};

void HashInto(void* context, const void* bytes, std::size_t length) {
    auto* digest = static_cast<std::optional<DigestContext>*>(context);
    if (*digest) (*digest)->Update(ByteSpan(static_cast<const std::uint8_t*>(bytes), length));
}

// What the token's single signer signed, as libksba reads it.
struct SignerInfo {
    DigestAlgorithm digestAlgorithm = DigestAlgorithm::Sha256;
    Bytes messageDigest;     // the signed attribute
    Bytes signedAttributes;  // their digest
    Bytes signature;         // canonical S-expression
};

std::optional<SignerInfo> ReadSigner(const Ksba& ksba, ByteSpan token) {
    Owned<decltype(ksba.readerRelease), ksba_reader_t> reader{ksba.readerRelease};
    Owned<decltype(ksba.cmsRelease), ksba_cms_t> cms{ksba.cmsRelease};
    if (ksba.readerNew(&reader.handle) != 0 || ksba.readerSetMem(reader.handle, token.data(), token.size()) != 0 ||
        ksba.cmsNew(&cms.handle) != 0 || ksba.cmsSetReaderWriter(cms.handle, reader.handle, nullptr) != 0) {
        return std::nullopt;
    }
    std::optional<DigestContext> digest;
    ksba.cmsSetHashFunction(cms.handle, HashInto, &digest);
    ksba_stop_reason_t reason = KSBA_SR_NONE;
    for (int steps = 0; reason != KSBA_SR_READY; ++steps) {
        if (steps > 16 || ksba.cmsParse(cms.handle, &reason) != 0) return std::nullopt;
    }
    if (ksba.cmsContentType(cms.handle, 0) != KSBA_CT_SIGNED_DATA) return std::nullopt;
    const char* inner = ksba.cmsContentOid(cms.handle, 1);
    const char* algorithm = ksba.cmsDigestAlgo(cms.handle, 0);
    if (!inner || std::string_view(inner) != kTstInfoOid || !algorithm || ksba.cmsDigestAlgo(cms.handle, 1)) {
        return std::nullopt;
    }
    SignerInfo signer;
    const std::optional<DigestAlgorithm> digestAlgorithm = DigestFromText(algorithm);
    if (!digestAlgorithm) return std::nullopt;
    signer.digestAlgorithm = *digestAlgorithm;
    Owned<decltype(ksba.free), char*> messageDigest{ksba.free};
    std::size_t messageDigestLength = 0;
    if (ksba.cmsMessageDigest(cms.handle, 0, &messageDigest.handle, &messageDigestLength) != 0 ||
        !messageDigest.handle) {
        return std::nullopt;
    }
    signer.messageDigest.assign(messageDigest.handle, messageDigest.handle + messageDigestLength);
    digest.emplace(signer.digestAlgorithm);
    if (ksba.cmsHashSignedAttrs(cms.handle, 0) != 0) return std::nullopt;
    signer.signedAttributes = digest->Finish();
    const Owned<decltype(ksba.free), ksba_sexp_t> signature{ksba.free, ksba.cmsSigVal(cms.handle, 0)};
    if (!signature.handle) return std::nullopt;
    signer.signature.assign(signature.handle, signature.handle + CanonicalSexpLength(signature.handle));
    if (signer.signature.empty()) return std::nullopt;
    return signer;
}

// True when the authority's chain was valid at the time and its signing certificate made the signature.
bool SignedByAuthority(const CertificateAuthority& authority, const SignerInfo& signer, std::int64_t time) {
    if (!authority.validFor.Contains(time)) return false;
    const std::optional<std::vector<Certificate>> chain = VerifiedChain(authority.chain, std::span(&time, 1));
    if (!chain || !chain->front().HasExtendedUsage(kTimeStampingUsage)) return false;
    return VerifyDigestSexpSignature(chain->front().Key(), signer.signedAttributes, signer.signature) ==
           VerifyOutcome::Good;
}

// A stored token's parts: the token itself, its content, and that content read.
struct TokenParts {
    ByteSpan token;
    ByteSpan content;
    TimestampInfo info;
};

std::optional<TokenParts> ReadToken(ByteSpan stored) {
    const std::optional<ByteSpan> token = stored.size() <= kMaxTokenSize ? TokenOf(stored) : std::nullopt;
    const std::optional<ByteSpan> content = token ? EncapsulatedContent(*token) : std::nullopt;
    if (!content) return std::nullopt;
    const std::optional<DerNode> info = ReadSingleDer(*content, der::kSequence);
    if (!info) return std::nullopt;
    DerReader fields(info->content);
    const std::optional<DerNode> version = fields.Expect(der::kInteger);
    const std::optional<DerNode> policy = fields.Expect(der::kOid);
    const std::optional<DerNode> imprint = fields.Expect(der::kSequence);
    const std::optional<DerNode> serial = fields.Expect(der::kInteger);
    const std::optional<DerNode> genTime = fields.Expect(der::kGeneralizedTime);
    if (!version || !policy || !imprint || !serial || !genTime || version->content.size() != 1 ||
        version->content[0] != 1) {
        return std::nullopt;
    }
    DerReader imprintFields(imprint->content);
    const std::optional<DerNode> algorithm = imprintFields.Expect(der::kSequence);
    const std::optional<DerNode> hashed = imprintFields.Expect(der::kOctetString);
    if (!algorithm || !hashed || !imprintFields.AtEnd()) return std::nullopt;
    DerReader algorithmFields(algorithm->content);
    const std::optional<DerNode> oid = algorithmFields.Expect(der::kOid);
    const std::optional<DigestAlgorithm> digest = oid ? DigestFromDer(oid->content) : std::nullopt;
    const std::optional<std::int64_t> time = GeneralizedTimeToUnix(
        std::string_view(reinterpret_cast<const char*>(genTime->content.data()), genTime->content.size()));
    if (!digest || !time) return std::nullopt;
    return TokenParts{*token, *content, {*digest, Bytes(hashed->content.begin(), hashed->content.end()), *time}};
}

}  // namespace

std::optional<TimestampInfo> ReadTimestampInfo(ByteSpan stored) {
    std::optional<TokenParts> parts = ReadToken(stored);
    if (!parts) return std::nullopt;
    return std::move(parts->info);
}

Result<std::int64_t> VerifyTimestampToken(ByteSpan stored, ByteSpan signature, const TrustedRoot& root) {
    const std::optional<TokenParts> parts = ReadToken(stored);
    const std::optional<SignerInfo> signer = parts ? ReadSigner(*KsbaLibrary(), parts->token) : std::nullopt;
    if (!signer) return MalformedError("its time stamp is damaged");
    const TimestampInfo& info = parts->info;
    if (DigestOf(info.imprintAlgorithm, signature) != info.imprint) {
        return MalformedError("its time stamp is of another signature");
    }
    if (DigestOf(signer->digestAlgorithm, parts->content) != signer->messageDigest ||
        std::ranges::none_of(root.timestampAuthorities, [&](const CertificateAuthority& authority) {
            return SignedByAuthority(authority, *signer, info.time);
        })) {
        return MalformedError("its time stamp isn't signed by a time-stamp authority of the trust root");
    }
    return info.time;
}

}  // namespace vms
