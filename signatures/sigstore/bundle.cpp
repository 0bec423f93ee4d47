#include "signatures/sigstore/bundle.h"

#include "signatures/common/strict_base64.h"
#include "signatures/sigstore/json_fields.h"

#include <algorithm>
#include <string_view>

namespace vms {
namespace {

using nlohmann::json;

constexpr std::string_view kMediaTypeStart = "application/vnd.dev.sigstore.bundle";

struct KnownMediaType {
    std::string_view name;
    BundleVersion version;
};
constexpr KnownMediaType kMediaTypes[] = {
    {"application/vnd.dev.sigstore.bundle+json;version=0.1", BundleVersion::V01},
    {"application/vnd.dev.sigstore.bundle+json;version=0.2", BundleVersion::V02},
    {"application/vnd.dev.sigstore.bundle+json;version=0.3", BundleVersion::V03},
    {"application/vnd.dev.sigstore.bundle.v0.3+json", BundleVersion::V03},
};

// The certificate chain of versions 0.1 and 0.2, or the single certificate of 0.3.
bool ReadCertificates(const json& material, Bundle& bundle) {
    if (const json* chain = Member(material, "x509CertificateChain")) {
        const json* certificates = Member(*chain, "certificates");
        if (!certificates || !certificates->is_array() || certificates->empty()) return false;
        for (const json& certificate : *certificates) {
            std::optional<Bytes> der = BytesMember(certificate, "rawBytes");
            if (!der) return false;
            bundle.certificates.push_back(std::move(*der));
        }
        return true;
    }
    if (const json* certificate = Member(material, "certificate")) {
        std::optional<Bytes> der = BytesMember(*certificate, "rawBytes");
        if (!der) return false;
        bundle.certificates.push_back(std::move(*der));
        return true;
    }
    if (const json* key = Member(material, "publicKey")) {
        if (!key->is_object()) return false;
        bundle.publicKeyHint = StringMember(*key, "hint").value_or("");
        return true;
    }
    return false;
}

std::optional<InclusionProof> ReadProof(const json& value) {
    InclusionProof proof;
    const std::optional<std::int64_t> logIndex = IntegerMemberOrZero(value, "logIndex");
    const std::optional<std::int64_t> treeSize = IntegerMember(value, "treeSize");
    std::optional<Bytes> rootHash = BytesMember(value, "rootHash");
    const json* hashes = Member(value, "hashes");
    if (!logIndex || !treeSize || !rootHash || (hashes && !hashes->is_array())) return std::nullopt;
    proof.logIndex = *logIndex;
    proof.treeSize = *treeSize;
    proof.rootHash = std::move(*rootHash);
    if (hashes) {
        for (const json& hash : *hashes) {
            if (!hash.is_string()) return std::nullopt;
            std::optional<Bytes> bytes = DecodeStrictBase64(hash.get<std::string>());
            if (!bytes) return std::nullopt;
            proof.hashes.push_back(std::move(*bytes));
        }
    }
    if (const json* checkpoint = Member(value, "checkpoint")) {
        proof.checkpoint = StringMember(*checkpoint, "envelope");
        if (!proof.checkpoint) return std::nullopt;
    }
    return proof;
}

std::optional<LogEntry> ReadEntry(const json& value) {
    LogEntry entry;
    const std::optional<std::int64_t> logIndex = IntegerMemberOrZero(value, "logIndex");
    const json* logId = Member(value, "logId");
    const json* kindVersion = Member(value, "kindVersion");
    std::optional<Bytes> keyId = logId ? BytesMember(*logId, "keyId") : std::nullopt;
    std::optional<std::string> kind = kindVersion ? StringMember(*kindVersion, "kind") : std::nullopt;
    std::optional<std::string> version = kindVersion ? StringMember(*kindVersion, "version") : std::nullopt;
    std::optional<Bytes> body = BytesMember(value, "canonicalizedBody");
    if (!logIndex || !keyId || !kind || !version || !body) return std::nullopt;
    entry.logIndex = *logIndex;
    entry.logId = std::move(*keyId);
    entry.kind = std::move(*kind);
    entry.version = std::move(*version);
    entry.body = std::move(*body);
    if (Member(value, "integratedTime")) {
        entry.integratedTime = IntegerMember(value, "integratedTime");
        if (!entry.integratedTime) return std::nullopt;
    }
    if (const json* promise = Member(value, "inclusionPromise")) {
        entry.signedEntryTimestamp = BytesMember(*promise, "signedEntryTimestamp");
        if (!entry.signedEntryTimestamp) return std::nullopt;
    }
    if (const json* proof = Member(value, "inclusionProof")) {
        entry.proof = ReadProof(*proof);
        if (!entry.proof) return std::nullopt;
    }
    return entry;
}

bool ReadTimestamps(const json& material, Bundle& bundle) {
    const json* data = Member(material, "timestampVerificationData");
    if (!data) return true;
    if (!data->is_object()) return false;
    const json* timestamps = Member(*data, "rfc3161Timestamps");
    if (!timestamps) return true;
    if (!timestamps->is_array()) return false;
    for (const json& timestamp : *timestamps) {
        std::optional<Bytes> token = BytesMember(timestamp, "signedTimestamp");
        if (!token) return false;
        bundle.timestamps.push_back(std::move(*token));
    }
    return true;
}

std::optional<MessageSignature> ReadMessage(const json& value) {
    MessageSignature message;
    std::optional<Bytes> signature = BytesMember(value, "signature");
    if (!signature) return std::nullopt;
    message.signature = std::move(*signature);
    if (const json* digest = Member(value, "messageDigest")) {
        std::optional<std::string> algorithm = StringMember(*digest, "algorithm");
        std::optional<Bytes> bytes = BytesMember(*digest, "digest");
        if (!algorithm || algorithm->empty() || !bytes) return std::nullopt;
        message.digestAlgorithm = std::move(*algorithm);
        message.digest = std::move(*bytes);
    }
    return message;
}

std::optional<DsseEnvelope> ReadEnvelope(const json& value) {
    std::optional<Bytes> payload = BytesMember(value, "payload");
    std::optional<std::string> payloadType = StringMember(value, "payloadType");
    const json* signatures = Member(value, "signatures");
    // Sigstore's envelopes carry exactly one signature.
    if (!payload || !payloadType || !signatures || !signatures->is_array() || signatures->size() != 1) {
        return std::nullopt;
    }
    std::optional<Bytes> signature = BytesMember((*signatures)[0], "sig");
    if (!signature) return std::nullopt;
    return DsseEnvelope{std::move(*payload), std::move(*payloadType), std::move(*signature)};
}

}  // namespace

Result<Bundle> ParseBundle(ByteSpan text) {
    const std::string_view json(reinterpret_cast<const char*>(text.data()), text.size());
    const std::optional<nlohmann::json> document = ParseJsonObject(json, kMaxBundleSize);
    if (!document) return MalformedError("it isn't valid JSON");
    const std::optional<std::string> mediaType = StringMember(*document, "mediaType");
    if (!mediaType || !mediaType->starts_with(kMediaTypeStart)) {
        return MalformedError("it names no Sigstore bundle media type");
    }
    const auto known = std::ranges::find(kMediaTypes, *mediaType, &KnownMediaType::name);
    if (known == std::end(kMediaTypes)) return UnsupportedError("bundle media type " + *mediaType);
    Bundle bundle;
    bundle.version = known->version;
    const nlohmann::json* material = Member(*document, "verificationMaterial");
    if (!material || !ReadCertificates(*material, bundle) || !ReadTimestamps(*material, bundle)) {
        return MalformedError("its verification material is damaged");
    }
    if (const nlohmann::json* entries = Member(*material, "tlogEntries")) {
        if (!entries->is_array()) return MalformedError("its log entries are damaged");
        for (const nlohmann::json& value : *entries) {
            std::optional<LogEntry> entry = ReadEntry(value);
            if (!entry) return MalformedError("its log entries are damaged");
            bundle.entries.push_back(std::move(*entry));
        }
    }
    const nlohmann::json* message = Member(*document, "messageSignature");
    const nlohmann::json* envelope = Member(*document, "dsseEnvelope");
    if ((message != nullptr) == (envelope != nullptr)) {
        return MalformedError("it holds neither one message signature nor one DSSE envelope");
    }
    if (message) {
        bundle.message = ReadMessage(*message);
        if (!bundle.message) return MalformedError("its message signature is damaged");
    } else {
        bundle.envelope = ReadEnvelope(*envelope);
        if (!bundle.envelope) return MalformedError("its DSSE envelope is damaged");
    }
    return bundle;
}

bool LooksLikeSigstoreBundle(ByteSpan text) {
    const std::string_view json(reinterpret_cast<const char*>(text.data()), text.size());
    const std::size_t start = json.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos || json[start] != '{') return false;
    return json.find("\"application/vnd.dev.sigstore.bundle") != std::string_view::npos;
}

}  // namespace vms
