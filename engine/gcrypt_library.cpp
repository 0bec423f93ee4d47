#include "engine/gcrypt_library.h"

#include "engine/program_library.h"

#include <gcrypt.h>

#include <memory>

namespace vms {
namespace {

struct Gcrypt {
    UniqueModule errorLibrary;
    UniqueModule library;
};

// Loads the two DLLs by full path, so no other folder is searched, then
// initialises the library as its manual asks before any other call; nothing
// when a step fails.
std::unique_ptr<Gcrypt> LoadGcrypt() {
    auto gcrypt = std::make_unique<Gcrypt>();
    gcrypt->errorLibrary = LoadProgramLibrary(L"libgpg-error-0.dll");
    if (!gcrypt->errorLibrary) return nullptr;
    gcrypt->library = LoadProgramLibrary(L"libgcrypt-20.dll");
    if (!gcrypt->library) return nullptr;
    decltype(&gcry_check_version) checkVersion = nullptr;
    decltype(&gcry_control) control = nullptr;
    const HMODULE module = gcrypt->library.get();
    // 1.8 is the oldest release with every curve and form the signatures use.
    if (!Resolve(module, "gcry_check_version", checkVersion) || !Resolve(module, "gcry_control", control) ||
        !checkVersion("1.8.0")) {
        return nullptr;
    }
    control(GCRYCTL_DISABLE_SECMEM, 0);
    control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return gcrypt;
}

}  // namespace

HMODULE GcryptModule() {
    static const std::unique_ptr<Gcrypt> gcrypt = LoadGcrypt();
    return gcrypt ? gcrypt->library.get() : nullptr;
}

}  // namespace vms
