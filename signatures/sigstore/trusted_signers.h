// The Sigstore signers the user trusts, kept in the trust store beside keys,
// one file each ("sigstore-<digest>.signer", JSON naming the issuer and the
// identity or repository), and the trust root the user put there
// ("trusted_root.json"), which replaces the built-in one.
#pragma once

#include "signatures/common/trust_store.h"
#include "signatures/sigstore/sigstore_check.h"

#include <optional>
#include <vector>

namespace vms {

struct StoredSigner {
    TrustedSigner signer;
    std::int64_t added = 0;
};

std::vector<StoredSigner> ReadTrustedSigners();

Result<TrustOutcome> TrustSigner(const TrustedSigner& signer);
Result<ForgetOutcome> ForgetSigner(const TrustedSigner& signer);

// The trust root in the store folder, when there is one that reads.
std::optional<TrustedRoot> StoredTrustedRoot();

// The signers and root the store holds, for one check.
SigstoreTrust TrustedSigstore();

}  // namespace vms
