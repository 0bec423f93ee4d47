// The "Calculate checksums" entry of Explorer's context menu for files and
// folders (with the shell extension's page and command when the extension
// lies beside the program), and the Send To shortcut, both for the current
// user and both pointing at the running copy of the program.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace app {

enum class IntegrationState { Absent = 0, ThisCopy = 1, OtherCopy = 2, Stale = 3, MachineWide = 4 };

using FileExists = std::function<bool(const std::wstring& path)>;

// The running module's full path, and its folder.
std::wstring ProgramPath();
std::wstring ProgramFolder();

// True when the path is the program, or lies in the program's folder (another
// file name of the same copy); letter case ignored.
bool IsThisCopy(std::wstring_view path, std::wstring_view programPath);

// The program a shell command starts: the quoted text, or the text up to the first blank.
std::wstring ProgramOfCommand(std::wstring_view command);

// The context menu's state from the current user's and the machine's command
// texts (empty when absent).
IntegrationState ContextMenuStateOf(std::wstring_view userCommand, std::wstring_view machineCommand,
                                    std::wstring_view programPath, const FileExists& exists);

// The Send To shortcut's state from its target.
IntegrationState ShortcutStateOf(std::wstring_view target, std::wstring_view programPath, const FileExists& exists);

// True when an installer's recorded folder (trailing separators allowed) is the program folder.
bool IsInstallLocation(std::wstring_view location, std::wstring_view programFolder);

IntegrationState ContextMenuState();
IntegrationState SendToState();

// Adds (pointing at this copy) or removes the entry; false when that failed.
bool SetContextMenu(bool add);
bool SetSendTo(bool add);

// True when the process runs as a packaged application.
bool IsPackaged();

// True when this copy is the one the installer recorded.
bool IsInstalledCopy();

}  // namespace app
