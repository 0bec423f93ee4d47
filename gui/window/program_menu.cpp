#include "gui/window/program_menu.h"

#include "gui/system/explorer_integration.h"
#include "gui/system/shell.h"
#include "gui/window/about_dialogs.h"
#include "gui/window/message_dialog.h"
#include "gui/window/resource.h"

#include "verimond_version.h"

#include <shellapi.h>

namespace app {
namespace {

constexpr int kOptionsMenuPosition = 2;

}  // namespace

void AdaptMenusToThisCopy(HWND window) {
    const HMENU menu = GetMenu(window);
    if (IsPackaged()) {
        const HMENU options = GetSubMenu(menu, kOptionsMenuPosition);
        DeleteMenu(options, ID_EXPLORER_MENU, MF_BYCOMMAND);
        DeleteMenu(options, ID_SEND_TO, MF_BYCOMMAND);
        DeleteMenu(options, static_cast<UINT>(GetMenuItemCount(options) - 1), MF_BYPOSITION);  // the separator before them
    }
    if (!IsInstalledCopy()) {
        ModifyMenuW(menu, ID_PROGRAM_FOLDER, MF_BYCOMMAND | MF_STRING, ID_PROGRAM_FOLDER,
                    L"Get the &Setup (Explorer Menu, Start Menu)...");
    }
}

void ShowOptionsInMenu(HWND window, const Settings& settings) {
    const HMENU menu = GetMenu(window);
    const auto check = [&](int id, bool on) { CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED)); };
    check(ID_UPPERCASE, settings.uppercase);
    check(ID_SHOW_LEGACY, settings.showLegacy);
    check(ID_INCLUDE_HIDDEN, settings.includeHidden);
    check(ID_CRLF, settings.crlf);
    check(ID_LOOK_BESIDE, settings.lookBeside);
    CheckMenuRadioItem(menu, ID_COLOUR_SYSTEM, ID_COLOUR_DARK, ID_COLOUR_SYSTEM + static_cast<UINT>(settings.colourMode),
                       MF_BYCOMMAND);
    if (IsPackaged()) return;
    const IntegrationState contextMenu = ContextMenuState();
    check(ID_EXPLORER_MENU, contextMenu == IntegrationState::ThisCopy || contextMenu == IntegrationState::MachineWide);
    EnableMenuItem(menu, ID_EXPLORER_MENU, MF_BYCOMMAND | (contextMenu == IntegrationState::MachineWide ? MF_GRAYED : MF_ENABLED));
    check(ID_SEND_TO, SendToState() == IntegrationState::ThisCopy);
}

void ToggleIntegration(HWND window, const Settings& settings, bool contextMenu) {
    const IntegrationState state = contextMenu ? ContextMenuState() : SendToState();
    const bool add = state != IntegrationState::ThisCopy;
    const bool succeeded = contextMenu ? SetContextMenu(add) : SetSendTo(add);
    MessageDialogOptions options;
    if (!succeeded) {
        options.icon = DialogIcon::Error;
        options.instruction = L"The Explorer menu couldn't be changed.";
        MessageDialog(window, options);
    } else if (add && contextMenu) {
        options.icon = DialogIcon::Information;
        options.instruction = L"\"Calculate checksums\" is now in the Explorer menu of files and folders.";
        options.content = L"On Windows 11 it's under \"Show more options\". It points at this copy of the program. "
                          L"If you move the program, Verimond offers to update the entry.";
        MessageDialog(window, options);
    }
    ShowOptionsInMenu(window, settings);
}

bool HasStaleExplorerEntries() {
    return !IsPackaged() && (ContextMenuState() == IntegrationState::Stale || SendToState() == IntegrationState::Stale);
}

void RepairStaleExplorerEntries(HWND window, const Settings& settings, bool useThisCopy) {
    if (ContextMenuState() == IntegrationState::Stale) SetContextMenu(useThisCopy);
    if (SendToState() == IntegrationState::Stale) SetSendTo(useThisCopy);
    ShowOptionsInMenu(window, settings);
}

void ShowAbout(HWND window) { MessageDialog(window, AboutDialog(IsInstalledCopy(), ProgramFolder())); }

void ShowCommandLineTool(HWND window) {
    const std::wstring folder = ProgramFolder();
    const bool vmsumPresent = GetFileAttributesW((folder + L"\\vmsum.exe").c_str()) != INVALID_FILE_ATTRIBUTES;
    switch (MessageDialog(window, CommandLineToolDialog(vmsumPresent, folder))) {
    case kOpenCommandPrompt: {
        std::wstring system(MAX_PATH, L'\0');
        system.resize(GetSystemDirectoryW(system.data(), MAX_PATH));
        ShellExecuteW(window, L"open", (system + L"\\cmd.exe").c_str(), L"/K vmsum --help", folder.c_str(), SW_SHOWNORMAL);
        break;
    }
    case kOpenProgramFolder:
        OpenWithDefaultHandler(folder);
        break;
    case kGetVmsum:
        OpenWithDefaultHandler(VM_PROJECT_URL_WTEXT);
        break;
    default:
        break;
    }
}

void OpenProgramFolderOrSetupPage(HWND window) {
    if (IsInstalledCopy()) {
        OpenWithDefaultHandler(ProgramFolder());
    } else {
        OpenWebPage(window, kHelpPage);
    }
}

void OpenWebPage(HWND window, const wchar_t* address) {
    if (OpenWithDefaultHandler(address)) return;
    MessageDialog(window, DialogIcon::Warning, L"The web page couldn't be opened.",
                  std::wstring(L"Open <a href=\"") + address + L"\">" + address + L"</a> in your browser.");
}

}  // namespace app
