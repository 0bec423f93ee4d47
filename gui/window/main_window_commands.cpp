// The main window's commands: the menu bar, the buttons, the list's
// notifications, the More and context menus and the commands on selected rows.
#include "gui/window/main_window.h"

#include "engine/text.h"
#include "gui/logic/row_commands.h"
#include "gui/system/colour_preference.h"
#include "gui/system/shell.h"
#include "gui/window/check_dialogs.h"
#include "gui/window/hash_text_dialog.h"
#include "gui/window/link_line.h"
#include "gui/window/program_menu.h"
#include "gui/window/resource.h"
#include "gui/window/toolbar.h"
#include "gui/window/trusted_keys_dialog.h"
#include "gui/window/window_text.h"

#include <commctrl.h>
#include <shlobj.h>

namespace app {
namespace {

// The algorithm check boxes, in the order of kBoxedAlgorithms.
constexpr int kCheckBoxIds[] = {1011, 1012, 1013, 1014, 1015};
constexpr int kEmptyListHintGap96 = 16;

bool IsEditFocused() {
    wchar_t className[16] = {};
    const HWND focus = GetFocus();
    return focus && GetClassNameW(focus, className, 16) && lstrcmpiW(className, L"Edit") == 0;
}

void OpenFolderOf(const FileRow& row) {
    PIDLIST_ABSOLUTE item = nullptr;
    if (SUCCEEDED(SHParseDisplayName(row.path.c_str(), nullptr, &item, 0, nullptr))) {
        const std::unique_ptr<ITEMIDLIST, CoTaskMemDeleter> owned(item);
        SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
        return;
    }
    OpenWithDefaultHandler(row.folder);
}

int TrackMoreMenu(HWND dialog, const Settings& settings, const ColourPainter& colours) {
    const UniqueMenu menu(CreatePopupMenu());
    for (const MenuItem& item : MoreMenuItems(settings.algorithms, settings.showLegacy)) {
        if (item.separatorBefore) AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu.get(), MF_STRING | (item.checked ? MF_CHECKED : 0), item.command, item.text.c_str());
    }
    RECT button;
    GetWindowRect(GetDlgItem(dialog, IDC_MORE), &button);
    const DarkMenu dark(menu.get(), false, colours);
    return TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, button.left, button.bottom, 0, dialog,
                          nullptr);
}

}  // namespace

void MainWindow::OnCommand(int id, int code) {
    const std::vector<FileRow>& rows = session_->Rows();
    if (id >= static_cast<int>(kMoreMenuFirstCommand) && id < static_cast<int>(kMoreMenuFirstCommand + vms::kAlgorithmCount)) {
        ApplySelection(settings_.algorithms ^ vms::MaskOf(static_cast<vms::AlgorithmId>(id - kMoreMenuFirstCommand)));
        return;
    }
    if (id >= static_cast<int>(kCopyDigestFirstCommand) && id < static_cast<int>(kCopyDigestFirstCommand + vms::kAlgorithmCount)) {
        const auto selected = list_.Selected(rows.size());
        const auto algorithm = static_cast<vms::AlgorithmId>(id - kCopyDigestFirstCommand);
        if (selected.size() == 1 && rows[selected.front()].digests[algorithm].present) {
            SetClipboardText(hwnd_, vms::DigestToHexW(rows[selected.front()].digests[algorithm].digest, settings_.uppercase));
        }
        return;
    }
    for (std::size_t i = 0; i < std::size(kCheckBoxIds); ++i) {
        if (id == kCheckBoxIds[i] && code == BN_CLICKED) {
            ApplySelection(settings_.algorithms ^ vms::MaskOf(kBoxedAlgorithms[i]));
            return;
        }
    }
    switch (id) {
    case ID_ADD_FILES:
        if (auto files = ChooseFiles(hwnd_, L"Add Files"); !files.empty()) AddPaths(files);
        break;
    case ID_ADD_FOLDER:
        if (auto folder = ChooseFolder(hwnd_, L"Add Folder"); !folder.empty()) AddPaths({folder});
        break;
    case ID_EXIT:
        DestroyWindow(hwnd_);
        break;
    case ID_COPY_HASHES:  // Ctrl+C: in an edit box it copies the box's selection
        if (IsEditFocused()) {
            SendMessageW(GetFocus(), WM_COPY, 0, 0);
        } else {
            OnRowCommand(id);
        }
        break;
    case IDC_COPY_HASHES:
    case ID_COPY_LINE:
    case ID_COPY_ALL:
    case ID_COPY_PATH:
    case ID_OPEN_CONTAINING:
    case IDC_OPEN_FOLDER:
    case ID_LOOK_UP:
    case IDC_VIRUSTOTAL:
    case ID_COMPARE:
        OnRowCommand(id);
        break;
    case ID_PASTE_EXPECTED:  // Ctrl+V: in an edit box it pastes into the box
        if (IsEditFocused()) {
            SendMessageW(GetFocus(), WM_PASTE, 0, 0);
            break;
        }
        [[fallthrough]];
    case IDC_PASTE:
        if (const std::wstring text = ReadClipboardText(hwnd_); !text.empty()) {
            SetDlgItemTextW(hwnd_, IDC_EXPECTED, std::wstring(vms::TrimText(text)).c_str());
            Show(session_->DismissNotice());
        }
        break;
    case ID_VERIFY:
        for (const std::wstring& path : ChooseChecksumFiles(hwnd_)) VerifyChecksumFile(path);
        break;
    case ID_SAVE:
        SaveChecksums();
        break;
    case ID_HASH_TEXT:
        ShowHashTextDialog(hwnd_, settings_.algorithms, settings_.uppercase, colours_);
        break;
    case ID_SELECT_ALL:
        if (IsEditFocused()) {
            SendMessageW(GetFocus(), EM_SETSEL, 0, -1);
        } else {
            list_.SelectAll();
        }
        break;
    case ID_REMOVE:
    case ID_CONTEXT_REMOVE: {
        const Changes changes = session_->Remove(list_.Selected(rows.size()));
        list_.ClearSelection();
        Show(changes);
        break;
    }
    case ID_CLEAR:
        Show(session_->Clear());
        break;
    case ID_UPPERCASE:
        settings_.uppercase = !settings_.uppercase;
        list_.RedrawAll();
        ShowDetails();
        ShowOptionsInMenu(hwnd_, settings_);
        break;
    case ID_SHOW_LEGACY:
        settings_.showLegacy = !settings_.showLegacy;
        if (!settings_.showLegacy && (settings_.algorithms & (vms::MaskOf(vms::kMd2) | vms::MaskOf(vms::kMd4)))) {
            ApplySelection(settings_.algorithms & ~(vms::MaskOf(vms::kMd2) | vms::MaskOf(vms::kMd4)));
        }
        ShowOptionsInMenu(hwnd_, settings_);
        break;
    case ID_INCLUDE_HIDDEN:
        settings_.includeHidden = !settings_.includeHidden;
        ShowOptionsInMenu(hwnd_, settings_);
        break;
    case ID_CRLF:
        settings_.crlf = !settings_.crlf;
        ShowOptionsInMenu(hwnd_, settings_);
        break;
    case ID_LOOK_BESIDE:
        settings_.lookBeside = !settings_.lookBeside;
        ShowOptionsInMenu(hwnd_, settings_);
        break;
    case ID_COLOUR_SYSTEM:
    case ID_COLOUR_LIGHT:
    case ID_COLOUR_DARK:
        settings_.colourMode = static_cast<ColourMode>(id - ID_COLOUR_SYSTEM);
        ShowOptionsInMenu(hwnd_, settings_);
        ApplyColourScheme();
        break;
    case ID_TRUSTED_KEYS:
        if (ShowTrustedKeysDialog(hwnd_, colours_)) Show(session_->RecheckSignatures());
        break;
    case ID_EXPLORER_MENU:
    case ID_SEND_TO:
        ToggleIntegration(hwnd_, settings_, id == ID_EXPLORER_MENU);
        break;
    case ID_HELP:
        OpenWebPage(hwnd_, kHelpPage);
        break;
    case ID_PROGRAM_FOLDER:
        OpenProgramFolderOrSetupPage(hwnd_);
        break;
    case ID_CLI_TOOL:
        ShowCommandLineTool(hwnd_);
        break;
    case ID_ABOUT:
        ShowAbout(hwnd_);
        break;
    case ID_WEBSITE:
        OpenWebPage(hwnd_, kMakerSite);
        break;
    case IDC_MORE:
        if (const int command = TrackMoreMenu(hwnd_, settings_, colours_)) OnCommand(command, 0);
        break;
    case IDC_EXPECTED:
        if (code == EN_CHANGE) {
            Show(session_->SetExpectedText(WindowText(GetDlgItem(hwnd_, IDC_EXPECTED))));
        }
        break;
    case IDC_CANCEL:
        Show(session_->CancelAll());
        break;
    case IDCANCEL:  // Esc in a dialog: nothing to dismiss
        break;
    default:
        break;
    }
}

void MainWindow::OnRowCommand(int command) {
    const std::vector<FileRow>& rows = session_->Rows();
    const std::vector<std::size_t> selected = list_.Selected(rows.size());
    FinishedCommands finished;
    switch (command) {
    case ID_COPY_HASHES:
    case IDC_COPY_HASHES:
        if (const auto text = CopyHashesText(rows, selected, settings_.algorithms, settings_.uppercase)) {
            SetClipboardText(hwnd_, *text);
        }
        break;
    case ID_COPY_LINE:
        if (const auto text = CopyLineText(rows, selected, settings_.algorithms, settings_.uppercase)) {
            SetClipboardText(hwnd_, *text);
        }
        break;
    case ID_COPY_ALL:
        if (!selected.empty()) SetClipboardText(hwnd_, CopyAllHashesText(rows, selected, settings_.uppercase));
        break;
    case ID_COPY_PATH:
        if (!selected.empty()) SetClipboardText(hwnd_, CopyPathText(rows, selected));
        break;
    case ID_OPEN_CONTAINING:
    case IDC_OPEN_FOLDER:
        if (selected.size() == 1) OpenFolderOf(rows[selected.front()]);
        break;
    case ID_LOOK_UP:
    case IDC_VIRUSTOTAL:
        if (selected.size() == 1) Show(session_->StartLookUp(selected.front(), finished));
        break;
    case ID_COMPARE:
        if (selected.size() == 2) Show(session_->StartComparison(selected[0], selected[1], finished));
        break;
    default:
        break;
    }
    Finish(finished);
}

LRESULT MainWindow::OnNotify(const NMHDR& header) {
    if (header.hwndFrom == list_.Handle()) {
        switch (header.code) {
        case LVN_KEYDOWN:
            if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) OnCommand(ID_REMOVE, 0);
            return 0;
        case LVN_COLUMNCLICK:
            if (const auto sort = list_.ToggleSort(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem)) {
                list_.ClearSelection();
                Show(session_->Sort(sort->first, sort->second));
            }
            return 0;
        case LVN_ITEMCHANGED:
        case LVN_ODSTATECHANGED: {
            Changes selection;
            selection.details = true;
            Show(selection);
            return 0;
        }
        default:
            return list_.OnNotify(header, session_->Rows(), session_->Context(), colours_,
                                  reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)),
                                  chrome_.Scale(kEmptyListHintGap96));
        }
    }
    if (header.idFrom == IDC_BANNER && (header.code == NM_CLICK || header.code == NM_RETURN)) {
        OnNoticeLink(reinterpret_cast<const NMLINK&>(header).item.szID);
        return 0;
    }
    if (header.idFrom == IDC_LINKS && (header.code == NM_CLICK || header.code == NM_RETURN)) {
        const std::wstring id = reinterpret_cast<const NMLINK&>(header).item.szID;
        if (id == L"cli") ShowCommandLineTool(hwnd_);
        if (id == L"about") ShowAbout(hwnd_);
        return 0;
    }
    if (header.code == TTN_GETDISPINFOW) {
        auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
        if (const wchar_t* tip = ToolbarTip(static_cast<int>(header.idFrom))) info.lpszText = const_cast<wchar_t*>(tip);
    }
    return 0;
}

void MainWindow::OnContextMenu(POINT screen, bool fromKeyboard) {
    const std::vector<FileRow>& rows = session_->Rows();
    const std::vector<std::size_t> selected = list_.Selected(rows.size());
    if (selected.empty()) return;
    if (fromKeyboard) screen = list_.MenuPoint(selected.front());
    const UniqueMenu resource(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_LIST_CONTEXT)));
    const HMENU menu = GetSubMenu(resource.get(), 0);
    if (selected.size() == 1) {
        const std::vector<MenuItem> copies = CopyDigestItems(rows[selected.front()]);
        if (!copies.empty()) InsertMenuW(menu, 0, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        for (auto item = copies.rbegin(); item != copies.rend(); ++item) {
            InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, item->command, item->text.c_str());
        }
    }
    const bool oneUsable = selected.size() == 1 && rows[selected.front()].status != RowStatus::Error;
    EnableMenuItem(menu, ID_COMPARE, MF_BYCOMMAND | (selected.size() == 2 ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu, ID_LOOK_UP, MF_BYCOMMAND | (oneUsable ? MF_ENABLED : MF_GRAYED));
    const DarkMenu dark(menu, false, colours_);
    const int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, hwnd_, nullptr);
    if (command != 0) OnCommand(command, 0);
}

void MainWindow::ApplySelection(vms::AlgorithmMask algorithms) {
    settings_.algorithms = EffectiveSelection(algorithms);
    for (std::size_t i = 0; i < std::size(kCheckBoxIds); ++i) {
        const bool on = (settings_.algorithms & vms::MaskOf(kBoxedAlgorithms[i])) != 0;
        CheckDlgButton(hwnd_, kCheckBoxIds[i], on ? BST_CHECKED : BST_UNCHECKED);
    }
    SetDlgItemTextW(hwnd_, IDC_MORE, MoreButtonText(settings_.algorithms).c_str());
    list_.RebuildColumns(settings_, chrome_.Dpi());
    Changes changes = session_->QueueSelectedAlgorithms();
    changes.rowCount = true;
    Show(changes, true);
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

}  // namespace app
