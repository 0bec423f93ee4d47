// Checks that read files on behalf of checksum lists, each on a detached
// thread that reports by a posted message: a list's OpenPGP signature, and the
// search for the list beside a download.
#pragma once

#include "gui/logic/authenticode.h"
#include "gui/logic/list_signature.h"
#include "gui/logic/row_id.h"
#include "gui/logic/sibling_checksums.h"

#include <windows.h>

#include <string>

namespace app {

inline constexpr UINT WM_APP_AUTHENTICODE_DONE = WM_APP + 12;
inline constexpr UINT WM_APP_LIST_SIGNATURE_DONE = WM_APP + 13;
inline constexpr UINT WM_APP_SIBLING_FOUND = WM_APP + 14;
// Asks the window to offer the key files it was given, once the hand-off that brought them has returned.
inline constexpr UINT WM_APP_OFFER_KEYS = WM_APP + 15;
inline constexpr UINT WM_APP_OWN_SIGNATURE_FOUND = WM_APP + 16;

// Posted with WM_APP_AUTHENTICODE_DONE; the window owns and frees it.
struct AuthenticodeResult {
    RowId row = 0;
    AuthenticodeInfo info;
};

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

// Posted with WM_APP_OWN_SIGNATURE_FOUND; the window owns and frees it.
struct OwnSignatureFound {
    RowId row = 0;
    std::wstring signaturePath;
    ListSignature signature;
};

// The list's signature, against the keys the user trusts, as of now: in place
// when clear-signed, else the given detached signature, else one beside it.
ListSignature CheckListSignature(const std::wstring& listPath, const std::optional<std::wstring>& signaturePath);

// True for a key file: an .asc, .gpg, .key or .pub file or an allowed_signers
// file that holds a usable public key of any format.
bool HoldsPublicKey(const std::wstring& path);

// False when no thread could be started.
bool StartListSignatureCheck(HWND window, const std::wstring& listPath,
                             const std::optional<std::wstring>& signaturePath);

// Posts WM_APP_SIBLING_FOUND when a listing is found, with its list's
// signature checked too; else WM_APP_OWN_SIGNATURE_FOUND when a detached
// signature of the file lies beside it, checked; else nothing.
bool StartSiblingSearch(HWND window, RowId row, const std::wstring& path);

// Runs CheckAuthenticode on a detached thread that posts WM_APP_AUTHENTICODE_DONE
// to the window; false when the thread could not be started.
bool StartAuthenticodeCheck(HWND window, RowId row, const std::wstring& path);

// Checks the file's own signature again, as after a key was trusted; posts
// WM_APP_OWN_SIGNATURE_FOUND. False when no thread could be started.
bool StartOwnSignatureCheck(HWND window, RowId row, const std::wstring& path);

}  // namespace app
