// Transferable public keys, read and judged by their own signatures: which
// user IDs and subkeys the key's owner certified, when the key expires,
// whether it was revoked.
#pragma once

#include "engine/result.h"
#include "signatures/openpgp/signature_packet.h"

#include <optional>
#include <string>
#include <vector>

namespace vms {

struct CertifiedSubkey {
    PublicKey key;
    bool canSign = false;                 // flagged for signing and cross-certified by its back-signature
    std::optional<std::uint32_t> expires; // seconds since 1970; nothing: never
    bool revoked = false;
};

struct CertifiedKey {
    PublicKey primary;
    std::string primaryUserId;            // UTF-8, as written; empty for a key without user IDs
    std::vector<std::string> userIds;     // the valid ones, in key order
    bool canSign = false;
    std::optional<std::uint32_t> expires;
    bool revoked = false;
    std::vector<CertifiedSubkey> subkeys; // the ones bound by a valid signature
    Bytes packets;                        // the key's packets as read, for storing it
};

// Keys that could not be used, and why, keep their fingerprint where it could be read.
struct RejectedKey {
    Bytes fingerprint;
    std::string reason;
};

struct KeyLoadResult {
    std::vector<CertifiedKey> keys;
    std::vector<RejectedKey> rejected;
};

// Largest key file read: keyrings of a few thousand keys fit.
inline constexpr std::uint64_t kMaxKeyFileSize = 16 * 1024 * 1024;

// Reads binary or armoured key data and checks each key's self-signatures as
// of now (seconds since 1970): the keys and those refused, or Malformed when
// the data is no OpenPGP key data at all. Needs libgcrypt; without it, the
// error is ERROR_MOD_NOT_FOUND and says so.
Result<KeyLoadResult> LoadKeys(ByteSpan data, std::uint32_t now);

}  // namespace vms
