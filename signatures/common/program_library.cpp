#include "signatures/common/program_library.h"

#include <string>

namespace vms {
namespace {

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

}  // namespace

UniqueModule LoadProgramLibrary(const wchar_t* name) {
    const std::wstring folder = ProgramFolder();
    if (folder.empty()) return nullptr;
    return UniqueModule(LoadLibraryExW((folder + name).c_str(), nullptr, 0));
}

}  // namespace vms
