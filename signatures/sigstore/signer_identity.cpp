#include "signatures/sigstore/signer_identity.h"

#include "signatures/sigstore/der.h"

#include <algorithm>
#include <vector>

namespace vms {
namespace {

// Fulcio's extensions: the later ones hold a DER UTF8String, the first ones the bare text.
constexpr char kIssuerV1[] = "1.3.6.1.4.1.57264.1.1";
constexpr char kIssuer[] = "1.3.6.1.4.1.57264.1.8";
constexpr char kSourceRepository[] = "1.3.6.1.4.1.57264.1.12";
constexpr char kSourceReference[] = "1.3.6.1.4.1.57264.1.14";
constexpr char kBuildConfig[] = "1.3.6.1.4.1.57264.1.18";

// Extension text that people read and trust compares: printable, no control characters.
bool Printable(std::string_view text) {
    return std::ranges::none_of(text, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::string Utf8Extension(const Certificate& certificate, const char* oid) {
    const std::optional<ByteSpan> value = certificate.Extension(oid);
    const std::optional<DerNode> text = value ? ReadSingleDer(*value, der::kUtf8String) : std::nullopt;
    if (!text) return {};
    std::string result(text->content.begin(), text->content.end());
    return Printable(result) ? result : std::string();
}

std::string RawExtension(const Certificate& certificate, const char* oid) {
    const std::optional<ByteSpan> value = certificate.Extension(oid);
    if (!value) return {};
    std::string result(value->begin(), value->end());
    return Printable(result) ? result : std::string();
}

}  // namespace

std::optional<SigstoreSigner> SignerOf(const Certificate& certificate) {
    const std::vector<std::string> names = certificate.EmailsAndUris();
    if (names.size() != 1 || names[0].empty() || !Printable(names[0])) return std::nullopt;
    SigstoreSigner signer;
    signer.identity = names[0];
    signer.issuer = certificate.Extension(kIssuer) ? Utf8Extension(certificate, kIssuer)
                                                   : RawExtension(certificate, kIssuerV1);
    if (signer.issuer.empty()) return std::nullopt;
    signer.repository = Utf8Extension(certificate, kSourceRepository);
    signer.reference = Utf8Extension(certificate, kSourceReference);
    signer.workflow = Utf8Extension(certificate, kBuildConfig);
    return signer;
}

bool TrustedSigner::Trusts(const SigstoreSigner& signer) const {
    if (issuer.empty() || issuer != signer.issuer) return false;
    if (!identity.empty()) return identity == signer.identity;
    return !repository.empty() && repository == signer.repository;
}

}  // namespace vms
