// The states of a signature, the same for every format.
#pragma once

#include "engine/result.h"

namespace vms {

enum class SignatureState {
    Good,         // verifies, by a trusted key that was valid and allowed to sign
    Bad,          // the data was changed, the signature isn't by that key, or it carries a critical
                  // part this program can't honour
    UnknownKey,   // no trusted key is the one that signed
    Expired,      // the key, the subkey or the signature itself expired
    Revoked,      // the key or the subkey that signed was revoked
    Weak,         // a broken digest or a short key
    Unsupported,  // an algorithm, version or form this program doesn't check
    Malformed,    // damaged or hostile data
    Uncheckable,  // libgcrypt is missing or unusable
};

// The state of a signature whose data failed to read for this error.
inline SignatureState SignatureStateOf(const Error& error) {
    return error.kind == ErrorKind::Unsupported ? SignatureState::Unsupported : SignatureState::Malformed;
}

}  // namespace vms
