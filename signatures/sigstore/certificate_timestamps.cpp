#include "signatures/sigstore/certificate_timestamps.h"

#include "signatures/sigstore/der.h"

#include <algorithm>
#include <string_view>

namespace vms {
namespace {

// DER of the timestamp list extension's OID.
constexpr std::uint8_t kListOid[] = {0x2B, 0x06, 0x01, 0x04, 0x01, 0xD6, 0x79, 0x02, 0x04, 0x02};

struct TbsParts {
    DerNode body;                          // the TBSCertificate
    std::optional<DerNode> extensionsTag;  // [3]
    ByteSpan beforeExtensions;             // the body's content up to [3]
};

std::optional<TbsParts> ReadTbs(ByteSpan certificateDer) {
    const std::optional<DerNode> certificate = ReadSingleDer(certificateDer, der::kSequence);
    if (!certificate) return std::nullopt;
    DerReader parts(certificate->content);
    const std::optional<DerNode> body = parts.Expect(der::kSequence);
    if (!body) return std::nullopt;
    TbsParts tbs{*body, std::nullopt, {}};
    DerReader fields(body->content);
    std::size_t consumed = 0;
    while (!fields.AtEnd()) {
        const std::optional<DerNode> field = fields.Next();
        if (!field) return std::nullopt;
        if (field->tag == der::Context(3)) {
            if (!fields.AtEnd()) return std::nullopt;
            tbs.extensionsTag = field;
            break;
        }
        consumed += field->whole.size();
    }
    tbs.beforeExtensions = body->content.first(consumed);
    return tbs;
}

Bytes Wrapped(std::uint8_t tag, ByteSpan content) {
    Bytes out{tag};
    const Bytes length = DerLength(content.size());
    out.insert(out.end(), length.begin(), length.end());
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

void Append(Bytes& out, ByteSpan bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

void AppendNumber(Bytes& out, std::uint64_t value, int size) {
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

}  // namespace

std::optional<std::vector<CertificateTimestamp>> ParseTimestampList(ByteSpan extensionValue) {
    const std::optional<DerNode> octets = ReadSingleDer(extensionValue, der::kOctetString);
    if (!octets) return std::nullopt;
    ByteReader list(octets->content);
    const std::size_t listLength = list.Number16();
    if (list.Failed() || listLength != list.Left() || listLength == 0) return std::nullopt;
    std::vector<CertificateTimestamp> timestamps;
    while (!list.AtEnd()) {
        const std::size_t length = list.Number16();
        ByteReader entry(list.Take(length));
        if (list.Failed() || length == 0) return std::nullopt;
        CertificateTimestamp timestamp;
        const std::uint8_t version = entry.Byte();
        const ByteSpan logId = entry.Take(32);
        const std::uint64_t high = entry.Number32();
        timestamp.timestampMs = (high << 32) | entry.Number32();
        const ByteSpan extensions = entry.Take(entry.Number16());
        timestamp.hashAlgorithm = entry.Byte();
        timestamp.signatureAlgorithm = entry.Byte();
        const ByteSpan signature = entry.Take(entry.Number16());
        if (entry.Failed() || !entry.AtEnd()) return std::nullopt;
        if (version != 0) continue;  // a later version is not one this check knows
        std::ranges::copy(logId, timestamp.logId.begin());
        timestamp.extensions.assign(extensions.begin(), extensions.end());
        timestamp.signature.assign(signature.begin(), signature.end());
        timestamps.push_back(std::move(timestamp));
    }
    return timestamps;
}

std::optional<Bytes> PrecertificateBody(ByteSpan certificateDer) {
    const std::optional<TbsParts> tbs = ReadTbs(certificateDer);
    if (!tbs || !tbs->extensionsTag) return std::nullopt;
    const std::optional<DerNode> extensions = ReadSingleDer(tbs->extensionsTag->content, der::kSequence);
    if (!extensions) return std::nullopt;
    Bytes kept;
    int removed = 0;
    DerReader list(extensions->content);
    while (!list.AtEnd()) {
        const std::optional<DerNode> extension = list.Expect(der::kSequence);
        if (!extension) return std::nullopt;
        DerReader fields(extension->content);
        const std::optional<DerNode> oid = fields.Expect(der::kOid);
        if (!oid) return std::nullopt;
        if (std::ranges::equal(oid->content, kListOid)) {
            ++removed;
            continue;
        }
        Append(kept, extension->whole);
    }
    if (removed != 1) return std::nullopt;
    Bytes content(tbs->beforeExtensions.begin(), tbs->beforeExtensions.end());
    // A certificate whose only extension was the list has no extensions left.
    if (!kept.empty()) Append(content, Wrapped(der::Context(3), Wrapped(der::kSequence, kept)));
    return Wrapped(der::kSequence, content);
}

Bytes TimestampSignedData(const CertificateTimestamp& timestamp, ByteSpan issuerKeyHash, ByteSpan precertificateBody) {
    Bytes data{0, 0};  // version 1, certificate_timestamp
    AppendNumber(data, timestamp.timestampMs, 8);
    AppendNumber(data, 1, 2);  // precert_entry
    Append(data, issuerKeyHash);
    AppendNumber(data, precertificateBody.size(), 3);
    Append(data, precertificateBody);
    AppendNumber(data, timestamp.extensions.size(), 2);
    Append(data, timestamp.extensions);
    return data;
}

}  // namespace vms
