// Checks a Sigstore bundle over a file, offline: a time the log or a
// time-stamp authority signed, the certificate chain to a Fulcio CA of the
// trust root at that time, its certificate-transparency timestamp, the log
// entry, its inclusion in the log's signed tree, the signature over the file,
// and last whether the user trusts the signer.
#pragma once

#include "signatures/common/document_reader.h"
#include "signatures/common/signature_state.h"
#include "signatures/sigstore/bundle.h"
#include "signatures/sigstore/signer_identity.h"
#include "signatures/sigstore/trusted_root.h"

#include <optional>
#include <string>
#include <vector>

namespace vms {

// What one check trusts: the signers and plain keys, and the trust root
// when it isn't the built-in production one.
struct SigstoreTrust {
    std::optional<TrustedRoot> root;
    std::vector<TrustedSigner> signers;
    std::vector<PkixKey> keys;

    const TrustedRoot& Root() const { return root ? *root : ProductionTrustedRoot(); }
};

struct SigstoreResult {
    SignatureState state = SignatureState::Malformed;
    std::string detail;                     // what failed, or why it can't be checked
    std::optional<SigstoreSigner> signer;   // a certificate's signer, once its certificate was read
    std::optional<PkixKey> key;           // a plain key's bundle: the trusted key that verified
    std::optional<std::int64_t> loggedAt;   // the trusted time: the log's, else the time stamp's
    bool attestation = false;               // a DSSE envelope whose statement names the file
};

// The file as its bytes, read once, or as a SHA-256 the user has instead of the file.
struct SigstoreArtifact {
    const DocumentReader* document = nullptr;
    std::optional<Bytes> sha256;
};

SigstoreResult CheckSigstoreBundle(ByteSpan bundleText, const SigstoreArtifact& artifact, const SigstoreTrust& trust);

}  // namespace vms
