#include "engine/program_library.h"

#include "engine/text.h"

#include <string>

namespace vms {
namespace {

// The folder of the module this code is linked into: the program's, or the
// shell extension's when Explorer runs it.
std::wstring ModuleFolder() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&ModuleFolder), &module)) {
        return {};
    }
    const std::wstring path = ModuleFileName(module);
    if (path.empty()) return {};
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

}  // namespace

UniqueModule LoadProgramLibrary(const wchar_t* name) {
    const std::wstring folder = ModuleFolder();
    if (folder.empty()) return nullptr;
    // The library's own dependencies are looked for beside it first, not
    // beside the host process.
    return UniqueModule(LoadLibraryExW((folder + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

}  // namespace vms
