#include "gui/system/shell_registration.h"

#include <array>
#include <utility>

namespace app {
namespace {

constexpr const wchar_t* kClasses = L"Software\\Classes\\";
constexpr std::array kVerbOwners = {L"*", L"Directory"};
constexpr const wchar_t* kPageHandlerKey = L"*\\shellex\\PropertySheetHandlers\\Verimond";

struct ShellClass {
    const wchar_t* id;
    const wchar_t* name;
};
constexpr std::array kClassesOfExtension = {ShellClass{kPageClassId, L"Verimond Checksums page"},
                                            ShellClass{kCommandClassId, L"Verimond Explorer command"}};

std::wstring VerbKey(const wchar_t* owner) { return std::wstring(kClasses) + owner + L"\\shell\\" + kVerbName; }

std::wstring ClassKey(const wchar_t* id) { return std::wstring(kClasses) + L"CLSID\\" + id; }

// The keys only the extension has.
std::vector<std::wstring> ExtensionKeys() {
    std::vector<std::wstring> keys;
    for (const ShellClass& shellClass : kClassesOfExtension) keys.push_back(ClassKey(shellClass.id));
    keys.push_back(std::wstring(kClasses) + kPageHandlerKey);
    return keys;
}

bool DeleteTree(HKEY root, const std::wstring& key) {
    const LSTATUS status = RegDeleteTreeW(root, key.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace

std::vector<RegistryValue> ExplorerEntries(const std::wstring& programPath, const std::wstring& extensionPath) {
    std::vector<RegistryValue> values;
    for (const wchar_t* owner : kVerbOwners) {
        const std::wstring verb = VerbKey(owner);
        values.push_back({verb, L"", kVerbText});
        values.push_back({verb, L"Icon", L"\"" + programPath + L"\",0"});
        values.push_back({verb + L"\\command", L"", L"\"" + programPath + L"\" \"%1\""});
        if (!extensionPath.empty()) values.push_back({verb, L"ExplorerCommandHandler", kCommandClassId});
    }
    if (extensionPath.empty()) return values;
    for (const ShellClass& shellClass : kClassesOfExtension) {
        const std::wstring key = ClassKey(shellClass.id);
        values.push_back({key, L"", shellClass.name});
        values.push_back({key + L"\\InprocServer32", L"", extensionPath});
        values.push_back({key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"});
    }
    values.push_back({std::wstring(kClasses) + kPageHandlerKey, L"", kPageClassId});
    return values;
}

std::vector<std::wstring> ExplorerKeys() {
    std::vector<std::wstring> keys;
    for (const wchar_t* owner : kVerbOwners) keys.push_back(VerbKey(owner));
    for (std::wstring& key : ExtensionKeys()) keys.push_back(std::move(key));
    return keys;
}

std::wstring VerbCommandKey() { return VerbKey(kVerbOwners.front()) + L"\\command"; }

bool WriteExplorerEntries(HKEY root, const std::wstring& programPath, const std::wstring& extensionPath) {
    bool written = true;
    for (const RegistryValue& value : ExplorerEntries(programPath, extensionPath)) {
        const LSTATUS status = RegSetKeyValueW(root, value.key.c_str(), value.name.empty() ? nullptr : value.name.c_str(),
                                               REG_SZ, value.data.c_str(),
                                               static_cast<DWORD>((value.data.size() + 1) * sizeof(wchar_t)));
        written = written && status == ERROR_SUCCESS;
    }
    // What an earlier registration with the extension left would outlive a
    // verb written without it, and name a DLL that isn't there.
    if (extensionPath.empty()) {
        for (const wchar_t* owner : kVerbOwners) {
            const LSTATUS status = RegDeleteKeyValueW(root, VerbKey(owner).c_str(), L"ExplorerCommandHandler");
            written = written && (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND);
        }
        for (const std::wstring& key : ExtensionKeys()) written = DeleteTree(root, key) && written;
    }
    return written;
}

bool RemoveExplorerEntries(HKEY root) {
    bool removed = true;
    for (const std::wstring& key : ExplorerKeys()) removed = DeleteTree(root, key) && removed;
    return removed;
}

}  // namespace app
