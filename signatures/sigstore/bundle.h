// A Sigstore bundle in its JSON form, versions 0.1 to 0.3: the signing
// certificate or a key hint, the transparency log entries, time stamps, and
// either a signature over a message's digest or a DSSE envelope. Reading
// checks only shape; sigstore_check.h decides what it proves.
#pragma once

#include "engine/result.h"
#include "signatures/common/byte_reader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vms {

// Bundles are a few kilobytes; an attestation's payload can make one larger, never this large.
inline constexpr std::size_t kMaxBundleSize = 1024 * 1024;

enum class BundleVersion { V01, V02, V03 };

struct InclusionProof {
    std::int64_t logIndex = 0;
    Bytes rootHash;
    std::int64_t treeSize = 0;
    std::vector<Bytes> hashes;
    std::optional<std::string> checkpoint;  // the signed note, as written
};

struct LogEntry {
    std::int64_t logIndex = 0;
    Bytes logId;
    std::string kind;
    std::string version;
    std::optional<std::int64_t> integratedTime;
    std::optional<Bytes> signedEntryTimestamp;
    std::optional<InclusionProof> proof;
    Bytes body;  // canonicalizedBody, decoded
};

struct MessageSignature {
    std::string digestAlgorithm;  // "SHA2_256", ...; empty when the bundle gives no digest
    Bytes digest;
    Bytes signature;
};

struct DsseEnvelope {
    Bytes payload;
    std::string payloadType;
    Bytes signature;
};

struct Bundle {
    BundleVersion version = BundleVersion::V03;
    std::vector<Bytes> certificates;  // DER, the signer's first; empty when signed by a plain key
    std::string publicKeyHint;        // a plain key's hint, when given
    std::vector<LogEntry> entries;
    std::vector<Bytes> timestamps;  // RFC 3161 tokens, DER
    std::optional<MessageSignature> message;
    std::optional<DsseEnvelope> envelope;

    const Bytes& Signature() const { return message ? message->signature : envelope->signature; }
};

// The bundle, or what is wrong with it: Unsupported for a media type of
// another version, else Malformed.
Result<Bundle> ParseBundle(ByteSpan text);

// A cheap test of the content, never of a name: a JSON object naming a Sigstore bundle media type.
bool LooksLikeSigstoreBundle(ByteSpan text);

}  // namespace vms
