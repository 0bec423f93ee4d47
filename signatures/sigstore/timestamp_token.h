// RFC 3161 time-stamp tokens: a CMS SignedData, checked with libksba, whose
// content (TSTInfo) says when a time-stamp authority saw a digest of the
// bundle's signature.
#pragma once

#include "signatures/sigstore/trusted_root.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vms {

struct TimestampInfo {
    DigestAlgorithm imprintAlgorithm = DigestAlgorithm::Sha256;
    Bytes imprint;         // the digest the authority stamped
    std::int64_t time = 0; // genTime, seconds since 1970, any fraction dropped
};

// The TSTInfo inside a token, or inside a granted response holding one, read
// without checking its signature.
std::optional<TimestampInfo> ReadTimestampInfo(ByteSpan stored);

// The time the token proves for these signature bytes: its signature verifies
// with the signing certificate of a time-stamp authority of the root, that
// authority and its chain valid at the stamped time, and its imprint is the
// digest of signature. Malformed otherwise, saying why.
Result<std::int64_t> VerifyTimestampToken(ByteSpan stored, ByteSpan signature, const TrustedRoot& root);

}  // namespace vms
