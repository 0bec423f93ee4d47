// What puts Verimond in Explorer, under a root's Software\Classes: the
// "Calculate checksums" verb for files and folders, which starts the program;
// and, when the shell extension is there, its two classes, the Checksums
// page for files, and the extension's command as the verb's handler. The
// verb's own command stays as the fallback for a shell that can't load the
// extension. vmview writes these for the current user, the setup and the
// extension's registration for one user or for everyone.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace app {

inline constexpr const wchar_t* kPageClassId = L"{E66E602F-3A0F-4147-A590-EC59B687265F}";
inline constexpr const wchar_t* kCommandClassId = L"{85DCD2AE-E77E-4EF0-B3E2-263220A37A16}";
inline constexpr const wchar_t* kShellExtensionName = L"vmshell.dll";
inline constexpr const wchar_t* kVerbName = L"ZentaroVerimond";
inline constexpr const wchar_t* kVerbText = L"Calculate checksums";

struct RegistryValue {
    std::wstring key;   // under the root
    std::wstring name;  // empty for the key's default value
    std::wstring data;
};

// Every value to write; without an extension path, only the verb.
std::vector<RegistryValue> ExplorerEntries(const std::wstring& programPath, const std::wstring& extensionPath);

// The keys removal deletes, each with everything under it.
std::vector<std::wstring> ExplorerKeys();

// The verb's command key for files, whose program tells which copy it starts.
std::wstring VerbCommandKey();

// Writes or removes the entries; false when any write or delete failed.
bool WriteExplorerEntries(HKEY root, const std::wstring& programPath, const std::wstring& extensionPath);
bool RemoveExplorerEntries(HKEY root);

}  // namespace app
