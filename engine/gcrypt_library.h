// libgcrypt, which ships beside the programs as libgcrypt-20.dll with
// libgpg-error-0.dll. The SHA hashers and signature checking share one copy:
// it is loaded and initialised once per process, by whichever asks first, and
// stays loaded for the life of the process.
#pragma once

#include <windows.h>

namespace vms {

// The initialised library, to look its entry points up in; null when either
// DLL is missing or the library is older than 1.8. Thread-safe.
HMODULE GcryptModule();

}  // namespace vms
