#include "engine/gcrypt_library.h"

#include "engine/program_library.h"

#include <gcrypt.h>

namespace vms {
namespace {

// Loads the two DLLs by full path, so no other folder is searched, then
// initialises the library as its manual asks before any other call; null when
// a step fails. A library that loaded is never freed: freeing it from a static
// destructor would run inside vmshell.dll's unload, under the loader lock.
HMODULE LoadGcrypt() {
    UniqueModule errorLibrary = LoadProgramLibrary(L"libgpg-error-0.dll");
    if (!errorLibrary) return nullptr;
    UniqueModule library = LoadProgramLibrary(L"libgcrypt-20.dll");
    if (!library) return nullptr;
    decltype(&gcry_check_version) checkVersion = nullptr;
    decltype(&gcry_control) control = nullptr;
    // 1.8 is the oldest release with every curve and form the signatures use.
    if (!Resolve(library.get(), "gcry_check_version", checkVersion) || !Resolve(library.get(), "gcry_control", control) ||
        !checkVersion("1.8.0")) {
        return nullptr;
    }
    control(GCRYCTL_DISABLE_SECMEM, 0);
    control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    errorLibrary.release();
    return library.release();
}

}  // namespace

HMODULE GcryptModule() {
    static const HMODULE module = LoadGcrypt();
    return module;
}

}  // namespace vms
