// The menu bar's ties to the program and the system: the Options menu's
// check marks, the Explorer menu and Send To entries, and the Help menu's
// pages and dialogs.
#pragma once

#include "gui/logic/settings.h"

#include <windows.h>

namespace app {

inline constexpr const wchar_t* kHelpPage = L"https://verimond.example/help";
inline constexpr const wchar_t* kMakerSite = L"https://zentaro.example/";

// A packaged copy has no Explorer entries of its own; a copy that isn't
// installed offers the setup instead of its folder.
void AdaptMenusToThisCopy(HWND window);
// The Options menu's check marks, from the settings and the Explorer entries.
void ShowOptionsInMenu(HWND window, const Settings& settings);
void ToggleIntegration(HWND window, const Settings& settings, bool contextMenu);
// True when an Explorer entry points at a copy of the program that is gone.
bool HasStaleExplorerEntries();
void RepairStaleExplorerEntries(HWND window, const Settings& settings, bool useThisCopy);

void ShowAbout(HWND window);
void ShowCommandLineTool(HWND window);
void OpenProgramFolderOrSetupPage(HWND window);
// Opens the page in the browser, or says where to find it.
void OpenWebPage(HWND window, const wchar_t* address);

}  // namespace app
