#include "signatures/sigstore/log_entry.h"

#include "engine/digest.h"
#include "signatures/common/strict_base64.h"
#include "signatures/sigstore/json_fields.h"

#include <algorithm>
#include <string_view>

namespace vms {
namespace {

using nlohmann::json;

// A checkpoint is a few short lines and a signature or two.
constexpr std::size_t kMaxCheckpointSize = 64 * 1024;
constexpr std::size_t kKeyHintSize = 4;

bool Equal(ByteSpan a, ByteSpan b) { return std::ranges::equal(a, b); }

const json* Path(const json& root, std::initializer_list<std::string_view> names) {
    const json* value = &root;
    for (std::string_view name : names) {
        value = Member(*value, name);
        if (!value) return nullptr;
    }
    return value;
}

std::optional<std::string> StringAt(const json& root, std::initializer_list<std::string_view> names) {
    const json* value = Path(root, names);
    if (!value || !value->is_string()) return std::nullopt;
    return value->get<std::string>();
}

std::optional<Bytes> BytesAt(const json& root, std::initializer_list<std::string_view> names) {
    const std::optional<std::string> text = StringAt(root, names);
    return text ? DecodeStrictBase64(*text) : std::nullopt;
}

// Version 0.0.1 writes the verifier as base64 of a PEM certificate or key.
bool PemVerifierMatches(const std::optional<Bytes>& pem, const ExpectedEntry& expected) {
    if (!pem) return false;
    const std::string_view text(reinterpret_cast<const char*>(pem->data()), pem->size());
    const std::optional<Bytes> der = PemBlock(text, expected.verifierIsKey ? "PUBLIC KEY" : "CERTIFICATE");
    return der && *der == expected.verifier;
}

// Version 0.0.2 writes it as DER in x509Certificate or publicKey.
bool DerVerifierMatches(const json* verifier, const ExpectedEntry& expected) {
    if (!verifier) return false;
    const std::optional<Bytes> der = expected.verifierIsKey ? BytesAt(*verifier, {"publicKey", "rawBytes"})
                                                            : BytesAt(*verifier, {"x509Certificate", "rawBytes"});
    return der && *der == expected.verifier;
}

Result<void> CheckHashedRekord(const json& spec, const std::string& version, const ExpectedEntry& expected) {
    if (expected.digest.empty()) return MalformedError("it logs a signed digest, but the bundle holds a DSSE envelope");
    if (version == "0.0.1") {
        if (StringAt(spec, {"data", "hash", "algorithm"}) != "sha256" ||
            StringAt(spec, {"data", "hash", "value"}) != BytesToHex(expected.digest, false)) {
            return MalformedError("it logs another digest");
        }
        if (BytesAt(spec, {"signature", "content"}) != expected.signature) {
            return MalformedError("it logs another signature");
        }
        if (!PemVerifierMatches(BytesAt(spec, {"signature", "publicKey", "content"}), expected)) {
            return MalformedError("it logs another certificate or key");
        }
        return {};
    }
    const json* v2 = Member(spec, "hashedRekordV002");
    if (!v2) return MalformedError("its body is damaged");
    if (StringAt(*v2, {"data", "algorithm"}) != "SHA2_256" || BytesAt(*v2, {"data", "digest"}) != expected.digest) {
        return MalformedError("it logs another digest");
    }
    if (BytesAt(*v2, {"signature", "content"}) != expected.signature) {
        return MalformedError("it logs another signature");
    }
    if (!DerVerifierMatches(Path(*v2, {"signature", "verifier"}), expected)) {
        return MalformedError("it logs another certificate or key");
    }
    return {};
}

Result<void> CheckDsse(const json& spec, const std::string& version, const ExpectedEntry& expected) {
    if (expected.payloadHash.empty()) {
        return MalformedError("it logs a DSSE envelope, but the bundle holds a signed digest");
    }
    const bool v1 = version == "0.0.1";
    const json* body = v1 ? &spec : Member(spec, "dsseV002");
    if (!body) return MalformedError("its body is damaged");
    const bool payloadMatches =
        v1 ? StringAt(*body, {"payloadHash", "algorithm"}) == "sha256" &&
                 StringAt(*body, {"payloadHash", "value"}) == BytesToHex(expected.payloadHash, false)
           : StringAt(*body, {"payloadHash", "algorithm"}) == "SHA2_256" &&
                 BytesAt(*body, {"payloadHash", "digest"}) == expected.payloadHash;
    if (!payloadMatches) return MalformedError("it logs another envelope payload");
    const json* signatures = Member(*body, "signatures");
    if (!signatures || !signatures->is_array() || signatures->size() != 1) {
        return MalformedError("it logs other signatures");
    }
    const json& signature = (*signatures)[0];
    if (BytesAt(signature, {v1 ? "signature" : "content"}) != expected.signature) {
        return MalformedError("it logs another signature");
    }
    const bool verifierMatches = v1 ? PemVerifierMatches(BytesAt(signature, {"verifier"}), expected)
                                    : DerVerifierMatches(Member(signature, "verifier"), expected);
    if (!verifierMatches) return MalformedError("it logs another certificate or key");
    return {};
}

Bytes NodeHash(ByteSpan left, ByteSpan right) {
    Bytes joined{0x01};
    joined.insert(joined.end(), left.begin(), left.end());
    joined.insert(joined.end(), right.begin(), right.end());
    return Sha256Of(joined);
}

std::optional<std::uint64_t> Decimal(std::string_view text) {
    if (text.empty() || text.size() > 19 || (text.size() > 1 && text[0] == '0')) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

bool NoteSignatureVerifies(std::string_view line, std::string_view body, const TransparencyLog& log) {
    constexpr std::string_view kDash = "\xE2\x80\x94 ";  // an em dash and a space start every signature line
    if (!line.starts_with(kDash)) return false;
    line.remove_prefix(kDash.size());
    const std::size_t space = line.rfind(' ');
    if (space == std::string_view::npos || space == 0) return false;
    const std::optional<Bytes> value = DecodeStrictBase64(line.substr(space + 1));
    if (!value || value->size() <= kKeyHintSize || log.logId.size() < kKeyHintSize ||
        !std::equal(value->begin(), value->begin() + kKeyHintSize, log.logId.begin())) {
        return false;
    }
    const ByteSpan signature = ByteSpan(*value).subspan(kKeyHintSize);
    const ByteSpan message(reinterpret_cast<const std::uint8_t*>(body.data()), body.size());
    return VerifyMessageSignature(log.key, message, signature) == VerifyOutcome::Good;
}

}  // namespace

Result<void> CheckEntryBody(const LogEntry& entry, const ExpectedEntry& expected) {
    const std::string_view text(reinterpret_cast<const char*>(entry.body.data()), entry.body.size());
    const std::optional<json> body = ParseJsonObject(text, kMaxBundleSize);
    if (!body) return MalformedError("its body is damaged");
    if (StringAt(*body, {"kind"}) != entry.kind || StringAt(*body, {"apiVersion"}) != entry.version) {
        return MalformedError("its body is of another kind than the bundle says");
    }
    const json* spec = Member(*body, "spec");
    if (!spec || !spec->is_object()) return MalformedError("its body is damaged");
    if (entry.version != "0.0.1" && entry.version != "0.0.2") {
        return MalformedError("its version " + entry.version + " is unknown");
    }
    if (entry.kind == "hashedrekord") return CheckHashedRekord(*spec, entry.version, expected);
    if (entry.kind == "dsse") return CheckDsse(*spec, entry.version, expected);
    return MalformedError("its kind " + entry.kind + " is unknown");
}

Bytes LeafHash(ByteSpan body) {
    Bytes prefixed{0x00};
    prefixed.insert(prefixed.end(), body.begin(), body.end());
    return Sha256Of(prefixed);
}

bool VerifyInclusion(ByteSpan leafHash, std::uint64_t index, std::uint64_t treeSize, const std::vector<Bytes>& path,
                     ByteSpan rootHash) {
    if (index >= treeSize || leafHash.size() != 32) return false;
    std::uint64_t node = index, last = treeSize - 1;
    Bytes hash(leafHash.begin(), leafHash.end());
    for (const Bytes& sibling : path) {
        if (last == 0 || sibling.size() != 32) return false;
        if ((node & 1) || node == last) {
            hash = NodeHash(sibling, hash);
            while (!(node & 1) && node != 0) {
                node >>= 1;
                last >>= 1;
            }
        } else {
            hash = NodeHash(hash, sibling);
        }
        node >>= 1;
        last >>= 1;
    }
    return last == 0 && Equal(hash, rootHash);
}

bool VerifySignedEntryTimestamp(const LogEntry& entry, const TransparencyLog& log) {
    if (!entry.signedEntryTimestamp || !entry.integratedTime) return false;
    // The promise is signed over this JSON in canonical form: keys sorted, no blanks.
    const std::string payload = "{\"body\":\"" + EncodeBase64(entry.body) +
                                "\",\"integratedTime\":" + std::to_string(*entry.integratedTime) + ",\"logID\":\"" +
                                BytesToHex(entry.logId, false) + "\",\"logIndex\":" + std::to_string(entry.logIndex) +
                                "}";
    const ByteSpan message(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size());
    return VerifyMessageSignature(log.key, message, *entry.signedEntryTimestamp) == VerifyOutcome::Good;
}

bool VerifyCheckpoint(const std::string& note, const TransparencyLog& log, const InclusionProof& proof) {
    if (note.size() > kMaxCheckpointSize) return false;
    const std::size_t split = note.find("\n\n");
    if (split == std::string::npos) return false;
    const std::string_view body = std::string_view(note).substr(0, split + 1);
    std::string_view signatures = std::string_view(note).substr(split + 2);
    bool signedByLog = false;
    while (!signatures.empty()) {
        const std::size_t end = signatures.find('\n');
        if (end == std::string_view::npos) return false;  // every line ends with a line feed
        signedByLog = signedByLog || NoteSignatureVerifies(signatures.substr(0, end), body, log);
        signatures.remove_prefix(end + 1);
    }
    if (!signedByLog) return false;
    // origin, tree size, root hash, then optional lines.
    const std::size_t first = body.find('\n');
    const std::size_t second = body.find('\n', first + 1);
    const std::size_t third = second == std::string_view::npos ? second : body.find('\n', second + 1);
    if (first == 0 || third == std::string_view::npos) return false;
    const std::optional<std::uint64_t> size = Decimal(body.substr(first + 1, second - first - 1));
    const std::optional<Bytes> root = DecodeStrictBase64(body.substr(second + 1, third - second - 1));
    return size && root && *size == static_cast<std::uint64_t>(proof.treeSize) && *root == proof.rootHash;
}

}  // namespace vms
