// The DLLs that ship beside the programs (libgcrypt, libksba) are loaded by
// their full path when first needed, so no other folder is searched and the
// programs run without them.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace vms {

struct ModuleDeleter {
    void operator()(HMODULE module) const noexcept { FreeLibrary(module); }
};
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleDeleter>;

// The DLL of that name in the folder of the program or shell extension this
// code runs in; empty when it can't be loaded.
UniqueModule LoadProgramLibrary(const wchar_t* name);

// Looks up an entry point by name into a pointer of its declared type.
template <typename Function>
bool Resolve(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

}  // namespace vms
