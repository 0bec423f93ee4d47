// One signature's verdict in the terms every format shares: its state and its
// signer described for people, with the format's own findings for the words
// only that format has. A document is good only with at least one Good
// signature and no Bad one, whatever its format.
#pragma once

#include "signatures/common/signature_state.h"
#include "signatures/minisign/minisign_check.h"
#include "signatures/sigstore/sigstore_check.h"
#include "signatures/openpgp/document_check.h"
#include "signatures/ssh/ssh_check.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vms {

enum class SignerKind { OpenPgp, Minisign, Signify, Ssh, Sigstore };

// Who made a signature, as people are told.
struct Signer {
    SignerKind kind = SignerKind::OpenPgp;
    std::wstring name;                     // user ID, trusted comment, principals or identity; empty when none is known
    std::wstring identifier;               // the key as its format writes it: fingerprint, key ID, SHA256:...; an OIDC issuer
    std::optional<std::int64_t> signedAt;  // where the format says
};

struct SignatureVerdict {
    SignatureState state = SignatureState::Malformed;
    Signer signer;
    std::variant<SignatureResult, MinisignResult, SshResult, SigstoreResult> findings;
};

struct SignatureCheck {
    std::vector<SignatureVerdict> signatures;  // in the order they are written

    bool Good() const;
    bool AnyBad() const;
};

// Each format's verdicts in these terms.
SignatureCheck FromOpenPgp(const DocumentCheck& check);
SignatureVerdict FromMinisign(MinisignResult result);
SignatureVerdict FromSsh(SshResult result);
SignatureVerdict FromSigstore(SigstoreResult result);

}  // namespace vms
