// ssh-keygen's trust files: allowed_signers, whose lines name a key's
// principals and limits, and plain public key lines as .pub files hold them.
// A damaged line is reported and passed over; the other lines still count.
#pragma once

#include "engine/result.h"
#include "signatures/common/signature_state.h"
#include "signatures/ssh/signer_time.h"
#include "signatures/ssh/ssh_key.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vms {

struct AllowedSigner {
    std::size_t line = 0;                   // from 1
    std::vector<std::string> principals;    // the patterns as written
    bool certAuthority = false;             // the key is trusted only to certify other keys
    std::optional<std::string> namespaces;  // the pattern-list of namespaces="..."
    std::optional<SignerTime> validAfter;
    std::optional<SignerTime> validBefore;
    SshPublicKey key;
};

struct SshLineError {
    std::size_t line = 0;
    SignatureState state = SignatureState::Malformed;  // Unsupported: an option, key type or certificate
    std::string error;
};

struct AllowedSigners {
    std::vector<AllowedSigner> signers;
    std::vector<SshLineError> errors;
};

struct SshKeyList {
    std::vector<SshPublicKey> keys;
    std::vector<SshLineError> errors;
};

// Bounds of either file; a longer line is an error of its own.
inline constexpr std::size_t kMaxSshTrustFileSize = 1024 * 1024;
inline constexpr std::size_t kMaxSshTrustFileLines = 10000;
inline constexpr std::size_t kMaxSshTrustLineLength = 16384;

// "principals [options] TYPE BASE64 [comment]" lines, LF or CR LF; blank
// lines and lines starting with "#" are skipped. Options: cert-authority,
// namespaces="list", valid-after="time", valid-before="time", their names
// in any case and their values quoted, as ssh-keygen requires. A file past
// the bounds is refused whole, as Malformed.
Result<AllowedSigners> ParseAllowedSigners(std::string_view text);

// "TYPE BASE64 [comment]" lines, with the same skipping and bounds.
Result<SshKeyList> ParseSshPublicKeys(std::string_view text);

}  // namespace vms
