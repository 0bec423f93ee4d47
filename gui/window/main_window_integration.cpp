// The main window's ties to the system: the Explorer menu and Send To entries,
// and the About and command-line tool dialogs.
#include "gui/window/main_window.h"

#include "gui/system/colour_preference.h"

#include "gui/window/about_dialogs.h"
#include "gui/window/link_line.h"
#include "gui/system/explorer_integration.h"
#include "gui/window/message_dialog.h"
#include "gui/window/resource.h"
#include "gui/system/shell.h"

#include "verimond_version.h"

#include <shellapi.h>

namespace app {
namespace {

constexpr const wchar_t* kStaleNotice =
    L"The Explorer menu entries point at a copy of Verimond that no longer exists.  <a id=\"a\">Use this copy</a>    "
    L"<a id=\"r\">Remove them</a>    <a id=\"x\">Dismiss</a>";
constexpr int kOptionsMenuPosition = 2;

}  // namespace

void MainWindow::AdaptMenusToThisCopy() {
    const HMENU menu = GetMenu(hwnd_);
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

// The scheme from the setting, Windows' app mode and high contrast, applied to
// the window, its controls and its menu bar.
void MainWindow::ApplyColourScheme() {
    const ColourScheme scheme = ChooseColourScheme(settings_.colourMode, ReadAppsUseLightTheme(), IsHighContrastOn());
    if (scheme == colours_.Scheme() && darkMenu_) return;
    const bool wasDark = colours_.Dark();
    darkMenu_.reset();
    colours_.SetScheme(scheme);
    darkMenu_ = std::make_unique<DarkMenu>(GetMenu(hwnd_), true, colours_);
    // A window that never was dark has nothing to take back.
    if (wasDark || colours_.Dark()) colours_.ApplyTo(hwnd_);
    // The link lines draw their own words, light or dark, in the scheme's link colour.
    for (const int line : {IDC_BANNER, IDC_LINKS}) SendDlgItemMessageW(hwnd_, line, kSetLinkColour, colours_.LinkColour(), 0);
    DrawMenuBar(hwnd_);
}

void MainWindow::RefreshIntegrationMenu() {
    const HMENU menu = GetMenu(hwnd_);
    const auto check = [&](int id, bool on) { CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED)); };
    check(ID_UPPERCASE, settings_.uppercase);
    check(ID_SHOW_LEGACY, settings_.showLegacy);
    check(ID_INCLUDE_HIDDEN, settings_.includeHidden);
    check(ID_CRLF, settings_.crlf);
    check(ID_LOOK_BESIDE, settings_.lookBeside);
    CheckMenuRadioItem(menu, ID_COLOUR_SYSTEM, ID_COLOUR_DARK, ID_COLOUR_SYSTEM + static_cast<UINT>(settings_.colourMode),
                       MF_BYCOMMAND);
    if (IsPackaged()) return;
    const IntegrationState contextMenu = ContextMenuState();
    check(ID_EXPLORER_MENU, contextMenu == IntegrationState::ThisCopy || contextMenu == IntegrationState::MachineWide);
    EnableMenuItem(menu, ID_EXPLORER_MENU, MF_BYCOMMAND | (contextMenu == IntegrationState::MachineWide ? MF_GRAYED : MF_ENABLED));
    check(ID_SEND_TO, SendToState() == IntegrationState::ThisCopy);
}

void MainWindow::ToggleIntegration(bool contextMenu) {
    const IntegrationState state = contextMenu ? ContextMenuState() : SendToState();
    const bool add = state != IntegrationState::ThisCopy;
    const bool succeeded = contextMenu ? SetContextMenu(add) : SetSendTo(add);
    MessageDialogOptions options;
    if (!succeeded) {
        options.icon = DialogIcon::Error;
        options.instruction = L"The Explorer menu couldn't be changed.";
        MessageDialog(hwnd_, options);
    } else if (add && contextMenu) {
        options.icon = DialogIcon::Information;
        options.instruction = L"\"Calculate checksums\" is now in the Explorer menu of files and folders.";
        options.content = L"On Windows 11 it's under \"Show more options\". It points at this copy of the program. "
                          L"If you move the program, Verimond offers to update the entry.";
        MessageDialog(hwnd_, options);
    }
    RefreshIntegrationMenu();
}

void MainWindow::CheckStaleIntegration() {
    if (IsPackaged()) return;
    if (ContextMenuState() == IntegrationState::Stale || SendToState() == IntegrationState::Stale) {
        ShowNotice(NoticeKind::StaleExplorerEntries, kStaleNotice, L"");
    }
}

void MainWindow::RepairStaleIntegration(bool useThisCopy) {
    if (ContextMenuState() == IntegrationState::Stale) SetContextMenu(useThisCopy);
    if (SendToState() == IntegrationState::Stale) SetSendTo(useThisCopy);
    RefreshIntegrationMenu();
}

void MainWindow::ShowAbout() { MessageDialog(hwnd_, AboutDialog(IsInstalledCopy(), ProgramFolder())); }

void MainWindow::ShowCommandLineTool() {
    const std::wstring folder = ProgramFolder();
    const bool vmsumPresent = GetFileAttributesW((folder + L"\\vmsum.exe").c_str()) != INVALID_FILE_ATTRIBUTES;
    switch (MessageDialog(hwnd_, CommandLineToolDialog(vmsumPresent, folder))) {
    case kOpenCommandPrompt: {
        std::wstring system(MAX_PATH, L'\0');
        system.resize(GetSystemDirectoryW(system.data(), MAX_PATH));
        ShellExecuteW(hwnd_, L"open", (system + L"\\cmd.exe").c_str(), L"/K vmsum --help", folder.c_str(), SW_SHOWNORMAL);
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

void MainWindow::OpenProgramFolderOrSetupPage() {
    if (IsInstalledCopy()) {
        OpenWithDefaultHandler(ProgramFolder());
    } else {
        OpenWebPage(kHelpPage);
    }
}

}  // namespace app
