#include "signatures/sigstore/trusted_root.h"

#include "signatures/sigstore/json_fields.h"
#include "signatures/sigstore/production_root.h"

namespace vms {
namespace {

using nlohmann::json;

std::optional<ValidityPeriod> ReadPeriod(const json& owner) {
    const json* period = Member(owner, "validFor");
    if (!period || !period->is_object()) return std::nullopt;
    const std::optional<std::string> start = StringMember(*period, "start");
    const std::optional<std::int64_t> from = start ? ParseRfc3339(*start) : std::nullopt;
    if (!from) return std::nullopt;
    ValidityPeriod validity{*from, std::nullopt};
    if (Member(*period, "end")) {
        const std::optional<std::string> end = StringMember(*period, "end");
        validity.end = end ? ParseRfc3339(*end) : std::nullopt;
        if (!validity.end) return std::nullopt;
    }
    return validity;
}

// A log, or nothing for one whose key this program can't use; false when it is damaged.
bool ReadLog(const json& entry, std::vector<TransparencyLog>& logs) {
    const json* publicKey = Member(entry, "publicKey");
    const json* logId = Member(entry, "logId");
    if (!publicKey || !logId) return false;
    const std::optional<Bytes> keyBytes = BytesMember(*publicKey, "rawBytes");
    const std::optional<Bytes> keyId = BytesMember(*logId, "keyId");
    const std::optional<ValidityPeriod> period = ReadPeriod(*publicKey);
    if (!keyBytes || !keyId || !period) return false;
    std::optional<PkixKey> key = ParsePublicKeyDer(*keyBytes);
    if (!key) return true;
    logs.push_back({StringMember(entry, "baseUrl").value_or(""), *keyId, std::move(*key), *period});
    return true;
}

bool ReadAuthority(const json& entry, std::vector<CertificateAuthority>& authorities) {
    const json* chain = Member(entry, "certChain");
    const json* certificates = chain ? Member(*chain, "certificates") : nullptr;
    const std::optional<ValidityPeriod> period = ReadPeriod(entry);
    if (!certificates || !certificates->is_array() || certificates->empty() || !period) return false;
    CertificateAuthority authority{StringMember(entry, "uri").value_or(""), {}, *period};
    for (const json& certificate : *certificates) {
        std::optional<Bytes> der = BytesMember(certificate, "rawBytes");
        if (!der) return false;
        authority.chain.push_back(std::move(*der));
    }
    authorities.push_back(std::move(authority));
    return true;
}

template <typename Reader, typename List>
bool ReadList(const json& root, std::string_view name, Reader reader, List& list) {
    const json* entries = Member(root, name);
    if (!entries) return true;
    if (!entries->is_array()) return false;
    for (const json& entry : *entries) {
        if (!reader(entry, list)) return false;
    }
    return true;
}

}  // namespace

Result<TrustedRoot> ParseTrustedRoot(std::string_view text) {
    const std::optional<json> root = ParseJsonObject(text, kMaxTrustedRootSize);
    const std::optional<std::string> mediaType = root ? StringMember(*root, "mediaType") : std::nullopt;
    if (!mediaType || !mediaType->starts_with("application/vnd.dev.sigstore.trustedroot")) {
        return MalformedError("it isn't a Sigstore trusted_root.json");
    }
    TrustedRoot trusted;
    if (!ReadList(*root, "tlogs", ReadLog, trusted.transparencyLogs) ||
        !ReadList(*root, "ctlogs", ReadLog, trusted.certificateLogs) ||
        !ReadList(*root, "certificateAuthorities", ReadAuthority, trusted.certificateAuthorities) ||
        !ReadList(*root, "timestampAuthorities", ReadAuthority, trusted.timestampAuthorities)) {
        return MalformedError("it is damaged");
    }
    return trusted;
}

const TrustedRoot& ProductionTrustedRoot() {
    static const TrustedRoot root = ParseTrustedRoot(kProductionTrustedRoot).ValueOr(TrustedRoot{});
    return root;
}

}  // namespace vms
