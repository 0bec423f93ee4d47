// Who a Fulcio certificate says signed: the identity in its subject
// alternative name, the OpenID Connect issuer that vouched for it, and for CI
// workflows the repository, ref and workflow. Trust is an issuer with an
// exact identity, or an issuer with a repository, compared whole.
#pragma once

#include "signatures/sigstore/certificate.h"

#include <optional>
#include <string>

namespace vms {

struct SigstoreSigner {
    std::string identity;    // an e-mail address or a URI
    std::string issuer;      // the OIDC issuer's URL
    std::string repository;  // the source repository's URI, when a workflow signed
    std::string reference;   // the source repository ref, "refs/tags/v1.2.3"
    std::string workflow;    // the build configuration's URI
};

// Nothing when the certificate names no single identity or no issuer.
std::optional<SigstoreSigner> SignerOf(const Certificate& certificate);

struct TrustedSigner {
    std::string issuer;
    std::string identity;    // exact; empty when the repository is trusted instead
    std::string repository;  // exact; empty when an identity is trusted

    bool Trusts(const SigstoreSigner& signer) const;
};

}  // namespace vms
