// Sigstore's trust root (trusted_root.json): the certificate authorities,
// transparency logs, certificate-transparency logs and time-stamp
// authorities a bundle may lead to, each with the period it is trusted for.
#pragma once

#include "engine/result.h"
#include "signatures/sigstore/public_key.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vms {

// The production root is about 7 KB; a file far larger is no trust root.
inline constexpr std::size_t kMaxTrustedRootSize = 1024 * 1024;

struct ValidityPeriod {
    std::int64_t start = 0;
    std::optional<std::int64_t> end;  // open when absent
    bool Contains(std::int64_t time) const { return time >= start && (!end || time <= *end); }
};

struct TransparencyLog {
    std::string baseUrl;
    Bytes logId;  // the key ID entries name the log by
    PkixKey key;
    ValidityPeriod validFor;
};

struct CertificateAuthority {
    std::string uri;
    std::vector<Bytes> chain;  // DER, from the issuing certificate up to the root
    ValidityPeriod validFor;
};

struct TrustedRoot {
    std::vector<TransparencyLog> transparencyLogs;
    std::vector<TransparencyLog> certificateLogs;
    std::vector<CertificateAuthority> certificateAuthorities;
    std::vector<CertificateAuthority> timestampAuthorities;
};

// Entries with a key of a kind this program doesn't check are left out, so
// bundles that need them fail; a damaged root is refused whole, as Malformed
// with what is wrong.
Result<TrustedRoot> ParseTrustedRoot(std::string_view json);

// The root built into the programs: Sigstore's production instance.
const TrustedRoot& ProductionTrustedRoot();

}  // namespace vms
