// Checks that read files on behalf of checksum lists, each on a detached
// thread that reports by a posted message: a list's OpenPGP signature, and the
// search for the list beside a download.
#pragma once

#include "gui/logic/list_signature.h"
#include "gui/logic/row_id.h"
#include "gui/logic/sibling_checksums.h"

#include <windows.h>

#include <string>

namespace app {

inline constexpr UINT WM_APP_LIST_SIGNATURE_DONE = WM_APP + 13;
inline constexpr UINT WM_APP_SIBLING_FOUND = WM_APP + 14;
// Asks the window to offer the key files it was given, once the hand-off that brought them has returned.
inline constexpr UINT WM_APP_OFFER_KEYS = WM_APP + 15;

// Posted with WM_APP_LIST_SIGNATURE_DONE; the window owns and frees it.
struct ListSignatureDone {
    std::wstring listPath;
    ListSignature signature;
};

// Posted with WM_APP_SIBLING_FOUND; the window owns and frees it.
struct SiblingFound {
    RowId row = 0;
    SiblingListing listing;
    ListSignature signature;
};

// The list's signature, against the keys the user trusts, as of now: in place
// when clear-signed, else the given detached signature, else one beside it.
ListSignature CheckListSignature(const std::wstring& listPath, const std::optional<std::wstring>& signaturePath);

// True for a key file: an .asc, .gpg, .key or .pub file that holds a usable OpenPGP public key.
bool HoldsPublicKey(const std::wstring& path);

// False when no thread could be started.
bool StartListSignatureCheck(HWND window, const std::wstring& listPath,
                             const std::optional<std::wstring>& signaturePath);

// Posts only when a listing is found, with its list's signature checked too.
bool StartSiblingSearch(HWND window, RowId row, const std::wstring& path);

}  // namespace app
