// Checks a minisign or signify signature over a document against the keys the
// user trusts.
#pragma once

#include "signatures/common/document_reader.h"
#include "signatures/common/signature_state.h"
#include "signatures/minisign/minisign_key.h"
#include "signatures/minisign/minisign_signature.h"

#include <optional>
#include <span>
#include <string>

namespace vms {

// Legacy minisign and signify signatures are over the document itself, which
// VerifyEd25519 takes whole and hands to libgcrypt inside an S-expression,
// whose lengths libgcrypt 1.10 keeps in 16 bits: from about 65,470 bytes it
// refuses the message, a little more aborts the process. Larger documents are
// Unsupported; 60 KiB keeps clear of that edge.
inline constexpr std::uint64_t kMaxWholeDocumentSize = 60 * 1024;

struct MinisignResult {
    SignatureState state = SignatureState::Malformed;
    std::string detail;                    // Malformed, Unsupported, Uncheckable: the fault; Bad: which part failed
    std::array<std::uint8_t, 8> keyId{};   // the key the signature names; UnknownKey: the one wanted
    std::optional<MinisignKey> key;        // the trusted key that matched
    std::string trustedComment;            // minisign, when Good: the comment signed with the file
    std::string untrustedComment;          // signed by nobody
    bool commentChanged = false;           // Bad: the file verified, the trusted comment didn't
    MinisignKind kind = MinisignKind::Signify;
};

// Good only when a trusted key with the signature's key ID verifies it and, for
// minisign, also the signature over the trusted comment. The document is read
// once, in chunks; for signify's embedded form the caller passes the message
// that follows the signature lines. A document past kMaxWholeDocumentSize is
// abandoned by an exception from the sink, so readers must be exception-safe.
MinisignResult CheckMinisign(const MinisignSignature& signature, std::span<const MinisignKey> keys,
                             const DocumentReader& document);

}  // namespace vms
