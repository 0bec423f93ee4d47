// Signed certificate timestamps (RFC 6962) embedded in a certificate: the
// list in its extension, and the precertificate each was signed over, which
// is the certificate's body without that extension.
#pragma once

#include "signatures/common/byte_reader.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace vms {

inline constexpr char kTimestampListExtension[] = "1.3.6.1.4.1.11129.2.4.2";

struct CertificateTimestamp {
    std::array<std::uint8_t, 32> logId{};
    std::uint64_t timestampMs = 0;
    Bytes extensions;
    std::uint8_t hashAlgorithm = 0;       // TLS HashAlgorithm: 4 is SHA-256
    std::uint8_t signatureAlgorithm = 0;  // TLS SignatureAlgorithm: 3 is ECDSA
    Bytes signature;
};

// The version 1 timestamps of the extension's value (an OCTET STRING holding
// the TLS-encoded list); nothing when it is damaged.
std::optional<std::vector<CertificateTimestamp>> ParseTimestampList(ByteSpan extensionValue);

// The certificate's TBSCertificate with the timestamp list extension taken
// out and its lengths written again: what the logs signed.
std::optional<Bytes> PrecertificateBody(ByteSpan certificateDer);

// The bytes a log signs for a precertificate entry.
Bytes TimestampSignedData(const CertificateTimestamp& timestamp, ByteSpan issuerKeyHash, ByteSpan precertificateBody);

}  // namespace vms
