#include "gui/logic/authenticode.h"

#include <wintrust.h>
#include <softpub.h>

namespace app {

bool MeansNoSignature(LONG trustResult) {
    return trustResult == TRUST_E_NOSIGNATURE || trustResult == TRUST_E_PROVIDER_UNKNOWN ||
           trustResult == TRUST_E_SUBJECT_FORM_UNKNOWN;
}

AuthenticodeState StateWithoutSignature(LONG trustResult, DWORD lastError) {
    const auto error = static_cast<LONG>(lastError);
    const bool signable = trustResult == TRUST_E_NOSIGNATURE && error != TRUST_E_PROVIDER_UNKNOWN &&
                          error != TRUST_E_SUBJECT_FORM_UNKNOWN;
    return signable ? AuthenticodeState::NotSigned : AuthenticodeState::NotApplicable;
}

AuthenticodeState StateOfTrustResult(LONG trustResult) {
    switch (trustResult) {
    case ERROR_SUCCESS:
        return AuthenticodeState::Valid;
    case CERT_E_EXPIRED:
    case CERT_E_UNTRUSTEDROOT:
    case CERT_E_CHAINING:
    case CERT_E_REVOKED:
    case CERT_E_UNTRUSTEDTESTROOT:
    case CERT_E_WRONG_USAGE:
    case TRUST_E_EXPLICIT_DISTRUST:
    case CRYPT_E_SECURITY_SETTINGS:
        return AuthenticodeState::Untrusted;
    default:
        break;
    }
    const bool systemError = (trustResult > 0 && trustResult <= 0xFFFF) || HRESULT_FACILITY(trustResult) == FACILITY_WIN32;
    return systemError ? AuthenticodeState::CannotCheck : AuthenticodeState::Invalid;
}

}  // namespace app
