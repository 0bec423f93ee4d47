#include "gui/system/explorer_integration.h"

#include "gui/system/com_ptr.h"
#include "gui/system/shell_registration.h"

#include "engine/text.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <array>
#include <memory>
#include <optional>
#include <type_traits>

namespace app {
namespace {

constexpr const wchar_t* kShortcutName = L"Verimond.lnk";
constexpr const wchar_t* kShortcutDescription = L"Calculate checksums with Verimond";
constexpr const wchar_t* kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{6B1D2A40-93C7-4E15-A8F2-5C0E7D3B9A14}_is1";
constexpr DWORD kMaxValueBytes = 4096;

std::wstring FolderOf(std::wstring_view path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    return std::wstring(separator == std::wstring_view::npos ? std::wstring_view{} : path.substr(0, separator));
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A string value of at most kMaxValueBytes; nothing when absent or unreadable.
std::optional<std::wstring> ReadString(HKEY root, const wchar_t* subkey, const wchar_t* name) {
    std::array<wchar_t, kMaxValueBytes / sizeof(wchar_t)> buffer{};
    DWORD size = kMaxValueBytes;
    if (RegGetValueW(root, subkey, name, RRF_RT_REG_SZ, nullptr, buffer.data(), &size) != ERROR_SUCCESS) return std::nullopt;
    return std::wstring(buffer.data());
}

struct KeyCloser {
    void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

std::optional<std::wstring> ShortcutPath() {
    PWSTR folder = nullptr;
    const HRESULT found = SHGetKnownFolderPath(FOLDERID_SendTo, 0, nullptr, &folder);
    const std::unique_ptr<wchar_t, CoTaskMemDeleter> owner(folder);
    if (FAILED(found) || !folder) return std::nullopt;
    return std::wstring(folder) + L"\\" + kShortcutName;
}

ComPtr<IShellLinkW> CreateShellLink() {
    IShellLinkW* raw = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&raw)))) return nullptr;
    return ComPtr<IShellLinkW>(raw);
}

ComPtr<IPersistFile> PersistFileOf(IShellLinkW& link) {
    IPersistFile* raw = nullptr;
    if (FAILED(link.QueryInterface(IID_PPV_ARGS(&raw)))) return nullptr;
    return ComPtr<IPersistFile>(raw);
}

// The shortcut's raw target; nothing when the link can't be made, loaded or read.
std::optional<std::wstring> ShortcutTarget(const std::wstring& shortcut) {
    const ComPtr<IShellLinkW> link = CreateShellLink();
    if (!link) return std::nullopt;
    const ComPtr<IPersistFile> file = PersistFileOf(*link);
    if (!file || FAILED(file->Load(shortcut.c_str(), STGM_READ))) return std::nullopt;
    std::array<wchar_t, 1040> target{};
    if (FAILED(link->GetPath(target.data(), static_cast<int>(target.size()), nullptr, SLGP_RAWPATH))) return std::nullopt;
    return std::wstring(target.data());
}

// The shell extension beside the program; empty when this copy has none.
std::wstring ExtensionBeside(const std::wstring& program) {
    const std::wstring extension = FolderOf(program) + L"\\" + kShellExtensionName;
    return Exists(extension) ? extension : std::wstring();
}

}  // namespace

std::wstring ProgramPath() { return vms::ModuleFileName(nullptr); }

std::wstring ProgramFolder() { return FolderOf(ProgramPath()); }

bool IsThisCopy(std::wstring_view path, std::wstring_view programPath) {
    return vms::EqualsIgnoreCase(path, programPath) || vms::EqualsIgnoreCase(FolderOf(path), FolderOf(programPath));
}

std::wstring ProgramOfCommand(std::wstring_view command) {
    if (command.starts_with(L'"')) {
        command.remove_prefix(1);
        return std::wstring(command.substr(0, command.find(L'"')));
    }
    return std::wstring(command.substr(0, command.find(L' ')));
}

IntegrationState ContextMenuStateOf(std::wstring_view userCommand, std::wstring_view machineCommand,
                                    std::wstring_view programPath, const FileExists& exists) {
    if (userCommand.empty()) return machineCommand.empty() ? IntegrationState::Absent : IntegrationState::MachineWide;
    const std::wstring program = ProgramOfCommand(userCommand);
    if (IsThisCopy(program, programPath)) return IntegrationState::ThisCopy;
    return exists(program) ? IntegrationState::OtherCopy : IntegrationState::Stale;
}

IntegrationState ShortcutStateOf(std::wstring_view target, std::wstring_view programPath, const FileExists& exists) {
    if (IsThisCopy(target, programPath)) return IntegrationState::ThisCopy;
    return exists(std::wstring(target)) ? IntegrationState::OtherCopy : IntegrationState::Stale;
}

bool IsInstallLocation(std::wstring_view location, std::wstring_view programFolder) {
    while (location.ends_with(L'\\') || location.ends_with(L'/')) location.remove_suffix(1);
    return vms::EqualsIgnoreCase(location, programFolder);
}

IntegrationState ContextMenuState() {
    const std::wstring key = VerbCommandKey();
    const std::wstring user = ReadString(HKEY_CURRENT_USER, key.c_str(), nullptr).value_or(L"");
    const std::wstring machine = user.empty() ? ReadString(HKEY_LOCAL_MACHINE, key.c_str(), nullptr).value_or(L"") : L"";
    return ContextMenuStateOf(user, machine, ProgramPath(), Exists);
}

IntegrationState SendToState() {
    const auto shortcut = ShortcutPath();
    if (!shortcut || !Exists(*shortcut)) return IntegrationState::Absent;
    const auto target = ShortcutTarget(*shortcut);
    if (!target) return IntegrationState::Stale;
    return ShortcutStateOf(*target, ProgramPath(), Exists);
}

bool SetContextMenu(bool add) {
    const std::wstring program = ProgramPath();
    const bool succeeded = add ? WriteExplorerEntries(HKEY_CURRENT_USER, program, ExtensionBeside(program))
                               : RemoveExplorerEntries(HKEY_CURRENT_USER);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return succeeded;
}

bool SetSendTo(bool add) {
    const auto shortcut = ShortcutPath();
    if (!shortcut) return false;
    if (!add) return DeleteFileW(shortcut->c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
    const std::wstring program = ProgramPath();
    const ComPtr<IShellLinkW> link = CreateShellLink();
    if (!link) return false;
    const ComPtr<IPersistFile> file = PersistFileOf(*link);
    if (!file || FAILED(link->SetPath(program.c_str())) || FAILED(link->SetIconLocation(program.c_str(), 0)) ||
        FAILED(link->SetDescription(kShortcutDescription))) {
        return false;
    }
    return SUCCEEDED(file->Save(shortcut->c_str(), TRUE));
}

bool IsPackaged() {
    using PackageNameFunction = LONG(WINAPI*)(UINT32*, PWSTR);
    const auto packageName = reinterpret_cast<PackageNameFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetCurrentPackageFullName")));
    if (!packageName) return false;
    UINT32 length = 0;
    return packageName(&length, nullptr) == ERROR_INSUFFICIENT_BUFFER;
}

bool IsInstalledCopy() {
    const std::wstring folder = ProgramFolder();
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            HKEY raw = nullptr;
            if (RegOpenKeyExW(root, kUninstallKey, 0, KEY_READ | view, &raw) != ERROR_SUCCESS) continue;
            const UniqueKey key(raw);
            const auto location = ReadString(key.get(), nullptr, L"InstallLocation");
            if (location && IsInstallLocation(*location, folder)) return true;
        }
    }
    return false;
}

}  // namespace app
