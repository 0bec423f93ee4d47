// Trusting signing keys from the window: the keys a file or a pasted text
// holds, of any format, each shown to the user, who decides which to trust.
#pragma once

#include "signatures/sigstore/signer_identity.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace app {

struct KeyOffer {
    bool found = false;    // the bytes hold a usable key
    bool trusted = false;  // the store changed
};

// Asks about each key in turn, with a task dialog owned by owner; stores those
// the user trusts, and tells of a failure to store one.
KeyOffer OfferToTrustKeys(HWND owner, const std::vector<std::uint8_t>& bytes);

// Offers the keys of a key file; nothing found when it can't be read.
KeyOffer OfferToTrustKeyFile(HWND owner, const std::wstring& path);

// Lets the user choose key files and offers the keys of each; says so of a
// file that holds none. True when the store changed.
bool ChooseKeyFilesToTrust(HWND owner);

// Shows who a Sigstore certificate names (identity, issuer, repository,
// workflow) and stores the signer, or its whole repository, when the user
// says so. True when the store changed.
bool OfferToTrustSigner(HWND owner, const vms::SigstoreSigner& signer);

}  // namespace app
