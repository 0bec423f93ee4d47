// The About and Command-line tool dialogs: what they say, and what their
// command links do.
#pragma once

#include "gui/window/message_dialog.h"

#include <string>

namespace app {

// The command links of the Command-line tool dialog.
inline constexpr int kOpenCommandPrompt = 100;
inline constexpr int kOpenProgramFolder = 101;
inline constexpr int kGetVmsum = 102;

// "Installed in C:\..." or "Portable copy in C:\...".
std::wstring InstallationLine(bool installed, const std::wstring& programFolder);

MessageDialogOptions AboutDialog(bool installed, const std::wstring& programFolder);
MessageDialogOptions CommandLineToolDialog(bool vmsumPresent, const std::wstring& programFolder);

}  // namespace app
