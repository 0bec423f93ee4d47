// What Windows says of a file's Authenticode signature, embedded or through a
// security catalog, and how a trust result becomes one of these states.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace app {

enum class AuthenticodeState { NotApplicable = 0, NotSigned = 1, Valid = 2, Invalid = 3, Untrusted = 4, CannotCheck = 5 };

struct AuthenticodeInfo {
    AuthenticodeState state = AuthenticodeState::CannotCheck;
    std::wstring signer;  // the certificate's simple display name; empty when unknown
    bool viaCatalog = false;
    std::uint32_t error = 0;  // the trust result, or the system error of opening the file
};

// The state for a trust result that says the file has no signature it could
// check (true when the result is one of those), given the thread's last
// error right after the call.
bool MeansNoSignature(LONG trustResult);
AuthenticodeState StateWithoutSignature(LONG trustResult, DWORD lastError);

// The state for any other trust result, success included. A system error
// code (bare, or as an HRESULT) is no verdict on a signature: the check
// itself failed, and the state is CannotCheck.
AuthenticodeState StateOfTrustResult(LONG trustResult);

}  // namespace app
