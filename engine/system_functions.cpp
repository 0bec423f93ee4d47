#include "engine/system_functions.h"

#include <optional>

namespace vms::system {
namespace {

// The module is never freed: the functions taken from it are kept for the
// life of the process.
HMODULE LoadSystemLibrary(const wchar_t* name) {
    return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

template <typename Function>
bool Take(HMODULE module, const char* name, Function& function) {
    function = module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
    return function != nullptr;
}

template <typename Table>
const Table* Present(const std::optional<Table>& table) {
    return table ? &*table : nullptr;
}

}  // namespace

const BcryptFunctions* Bcrypt() {
    static const std::optional<BcryptFunctions> functions = []() -> std::optional<BcryptFunctions> {
        const HMODULE module = LoadSystemLibrary(L"bcrypt.dll");
        BcryptFunctions f{};
        if (!Take(module, "BCryptOpenAlgorithmProvider", f.openAlgorithmProvider) ||
            !Take(module, "BCryptGetProperty", f.getProperty) ||
            !Take(module, "BCryptCloseAlgorithmProvider", f.closeAlgorithmProvider) ||
            !Take(module, "BCryptCreateHash", f.createHash) || !Take(module, "BCryptHashData", f.hashData) ||
            !Take(module, "BCryptFinishHash", f.finishHash) || !Take(module, "BCryptDestroyHash", f.destroyHash)) {
            return std::nullopt;
        }
        return f;
    }();
    return Present(functions);
}

const ShlwapiFunctions* Shlwapi() {
    static const std::optional<ShlwapiFunctions> functions = []() -> std::optional<ShlwapiFunctions> {
        const HMODULE module = LoadSystemLibrary(L"shlwapi.dll");
        ShlwapiFunctions f{};
        if (!Take(module, "StrCmpLogicalW", f.strCmpLogical) || !Take(module, "PathMatchSpecW", f.pathMatchSpec)) {
            return std::nullopt;
        }
        return f;
    }();
    return Present(functions);
}

const ShellFunctions* Shell() {
    static const std::optional<ShellFunctions> functions = []() -> std::optional<ShellFunctions> {
        ShellFunctions f{};
        if (!Take(LoadSystemLibrary(L"shell32.dll"), "SHGetKnownFolderPath", f.getKnownFolderPath) ||
            !Take(LoadSystemLibrary(L"ole32.dll"), "CoTaskMemFree", f.coTaskMemFree)) {
            return std::nullopt;
        }
        return f;
    }();
    return Present(functions);
}

}  // namespace vms::system
