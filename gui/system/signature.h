// Whether a file carries a valid Authenticode signature, embedded or through
// a Windows security catalog, and who signed it.
#pragma once

#include "gui/logic/row_id.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace app {

inline constexpr UINT WM_APP_SIGNATURE_DONE = WM_APP + 12;

enum class SignatureState { NotApplicable = 0, NotSigned = 1, Valid = 2, Invalid = 3, Untrusted = 4, CannotCheck = 5 };

struct SignatureInfo {
    SignatureState state = SignatureState::CannotCheck;
    std::wstring signer;  // the certificate's simple display name; empty when unknown
    bool viaCatalog = false;
    std::uint32_t error = 0;  // the trust result, or the system error of opening the file
};

// The block a signature thread posts; the window that receives it owns it.
struct SignatureResult {
    RowId row = 0;
    SignatureInfo info;
};

// The state for a trust result that says the file has no signature it could
// check (true when the result is one of those), given the thread's last
// error right after the call.
bool MeansNoSignature(LONG trustResult);
SignatureState StateWithoutSignature(LONG trustResult, DWORD lastError);

// The state for any other trust result, success included. A system error
// code (bare, or as an HRESULT) is no verdict on a signature: the check
// itself failed, and the state is CannotCheck.
SignatureState StateOfTrustResult(LONG trustResult);

// Verifies the file's embedded signature and, when it has none, looks it up
// in the system's catalogs (files up to 256 MiB). Can read the whole file.
SignatureInfo CheckSignature(const std::wstring& path);

// Runs CheckSignature on a detached thread that posts WM_APP_SIGNATURE_DONE
// to the window; false when the thread could not be started.
bool StartSignatureCheck(HWND window, RowId row, const std::wstring& path);

}  // namespace app
