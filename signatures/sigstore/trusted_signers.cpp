#include "signatures/sigstore/trusted_signers.h"

#include "engine/digest.h"
#include "engine/file_bytes.h"
#include "signatures/sigstore/json_fields.h"

namespace vms {
namespace {

constexpr wchar_t kPrefix[] = L"sigstore-";
constexpr wchar_t kEnding[] = L".signer";

std::string SignerText(const TrustedSigner& signer) {
    nlohmann::json document = {{"issuer", signer.issuer}};
    if (!signer.identity.empty()) document["identity"] = signer.identity;
    else document["repository"] = signer.repository;
    return document.dump(2) + "\n";
}

// Named by the digest of what it trusts, so one signer has one file.
std::wstring FileNameOf(const TrustedSigner& signer) {
    const std::string key = signer.issuer + "\n" + signer.identity + "\n" + signer.repository;
    const Bytes digest = Sha256Of(ByteSpan(reinterpret_cast<const std::uint8_t*>(key.data()), key.size()));
    const std::string hex = BytesToHex(ByteSpan(digest).first(16), false);
    return kPrefix + std::wstring(hex.begin(), hex.end()) + kEnding;
}

std::optional<TrustedSigner> ParseSigner(ByteSpan text) {
    const std::optional<nlohmann::json> document =
        ParseJsonObject(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), 64 * 1024);
    if (!document) return std::nullopt;
    TrustedSigner signer{StringMember(*document, "issuer").value_or(""), StringMember(*document, "identity").value_or(""),
                         StringMember(*document, "repository").value_or("")};
    if (signer.issuer.empty() || signer.identity.empty() == signer.repository.empty()) return std::nullopt;
    return signer;
}

}  // namespace

std::vector<StoredSigner> ReadTrustedSigners() {
    std::vector<StoredSigner> signers;
    for (const StoredKeyText& stored : ReadStoredKeyTexts(kPrefix)) {
        if (!stored.fileName.ends_with(kEnding)) continue;
        const std::optional<TrustedSigner> signer = ParseSigner(stored.text);
        // A file whose signer isn't the one its name says is passed over.
        if (signer && FileNameOf(*signer) == stored.fileName) signers.push_back({*signer, stored.added});
    }
    return signers;
}

Result<TrustOutcome> TrustSigner(const TrustedSigner& signer) {
    return StoreKeyText(FileNameOf(signer), SignerText(signer));
}

Result<ForgetOutcome> ForgetSigner(const TrustedSigner& signer) { return ForgetKeyFile(FileNameOf(signer)); }

std::optional<TrustedRoot> StoredTrustedRoot() {
    const std::wstring folder = TrustStoreFolder();
    if (folder.empty()) return std::nullopt;
    const Result<Bytes> text = ReadFileBytes(folder + L"\\trusted_root.json", kMaxTrustedRootSize);
    if (!text) return std::nullopt;
    Result<TrustedRoot> root =
        ParseTrustedRoot(std::string_view(reinterpret_cast<const char*>(text->data()), text->size()));
    if (!root) return std::nullopt;
    return std::move(*root);
}

SigstoreTrust TrustedSigstore() {
    SigstoreTrust trust;
    trust.root = StoredTrustedRoot();
    for (StoredSigner& stored : ReadTrustedSigners()) trust.signers.push_back(std::move(stored.signer));
    return trust;
}

}  // namespace vms
