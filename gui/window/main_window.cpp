#include "gui/window/main_window.h"

#include "gui/window/dpi.h"
#include "gui/window/hash_text_dialog.h"
#include "gui/window/message_dialog.h"
#include "gui/window/resource.h"
#include "gui/system/shell.h"
#include "gui/system/single_instance.h"
#include "gui/logic/status_line.h"
#include "gui/window/toolbar.h"
#include "gui/window/trusted_keys_dialog.h"

#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

namespace app {
namespace {

constexpr int kBannerGap96 = 3;
constexpr const wchar_t* kMakerSite = L"https://zentaro.example/";

struct IconButton {
    int id;
    int icon;
};

constexpr IconButton kIconButtons[] = {
    {IDC_PASTE, IDI_PASTE}, {IDC_COPY_HASHES, IDI_COPY}, {IDC_VIRUSTOTAL, IDI_VIRUSTOTAL}, {IDC_OPEN_FOLDER, IDI_OPEN_FOLDER}};

bool IsEditFocused() {
    wchar_t className[16] = {};
    const HWND focus = GetFocus();
    return focus && GetClassNameW(focus, className, 16) && lstrcmpiW(className, L"Edit") == 0;
}

}  // namespace

HWND MainWindow::Create(HINSTANCE instance) {
    return CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK MainWindow::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* window = reinterpret_cast<MainWindow*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        window->hwnd_ = dialog;
        window->OnInit();
        return TRUE;
    }
    auto* window = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
    return window ? window->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == taskbarCreatedMessage_ && message != 0) {
        ITaskbarList3* raw = nullptr;
        if (!taskbar_ && SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&raw)))) {
            taskbar_.reset(raw);
        }
        return TRUE;
    }
    if (const std::optional<INT_PTR> painted = colours_.HandleMessage(hwnd_, message, wParam, lParam)) return *painted;
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_NOTIFY:
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, OnNotify(*reinterpret_cast<const NMHDR*>(lParam)));
        return TRUE;
    case WM_SIZE:
        LayOut();
        return TRUE;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize = {minSize_.cx, minSize_.cy};
        return TRUE;
    }
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_APP_REBUILD_FOR_DPI:
        CreateVerdictFont();
        CreateToolbar();
        CreateButtonIcons();
        layout_.Record(hwnd_);
        LayOut();
        return TRUE;
    case WM_APP_JOB_DONE:
        OnJobDone(std::unique_ptr<JobResult>(reinterpret_cast<JobResult*>(lParam)));
        return TRUE;
    case WM_APP_AUTHENTICODE_DONE:
        OnAuthenticodeDone(std::unique_ptr<AuthenticodeResult>(reinterpret_cast<AuthenticodeResult*>(lParam)));
        return TRUE;
    case WM_APP_LIST_SIGNATURE_DONE:
        OnListSignatureDone(std::unique_ptr<ListSignatureDone>(reinterpret_cast<ListSignatureDone*>(lParam)));
        return TRUE;
    case WM_APP_OFFER_KEYS:
        for (const std::wstring& path : std::exchange(pendingKeyFiles_, {})) OfferToTrustKeyFile(path);
        return TRUE;
    case WM_APP_SIBLING_FOUND:
        OnSiblingFound(std::unique_ptr<SiblingFound>(reinterpret_cast<SiblingFound*>(lParam)));
        return TRUE;
    case WM_APP_OWN_SIGNATURE_FOUND:
        OnOwnSignatureFound(std::unique_ptr<OwnSignatureFound>(reinterpret_cast<OwnSignatureFound*>(lParam)));
        return TRUE;
    case WM_APP_PROGRESS:
        worker_->ProgressNoticeTaken();
        return TRUE;
    case WM_TIMER:
        if (wParam == kProgressTimer) OnTimer();
        return TRUE;
    case WM_COPYDATA:
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, OnCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lParam)));
        return TRUE;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) != list_) return FALSE;
        OnContextMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, lParam == -1);
        return TRUE;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE: {
        // The app mode ("ImmersiveColorSet"), high contrast or the system colours
        // may have changed; the scheme is chosen again on any of them.
        if (darkMenu_) ApplyColourScheme();
        InvalidateRect(list_, nullptr, TRUE);
        return FALSE;
    }
    case WM_NCPAINT:
    case WM_NCACTIVATE:
        if (!colours_.Dark()) return FALSE;
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, DefWindowProcW(hwnd_, message, wParam, lParam));
        colours_.PaintMenuBarGap(hwnd_);
        return TRUE;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlID != IDC_VERDICT) return FALSE;
        DrawVerdict(item);
        return TRUE;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) CheckClipboard();
        return FALSE;
    case WM_CLOSE:
        DestroyWindow(hwnd_);
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return TRUE;
    default:
        return FALSE;
    }
}

void MainWindow::OnInit() {
    list_ = GetDlgItem(hwnd_, IDC_LIST);
    ReadDpi();
    worker_ = std::make_unique<HashWorker>(
        [window = hwnd_](std::unique_ptr<JobResult> result) {
            // A result that cannot be posted is freed here; its row keeps its pending state.
            if (PostMessageW(window, WM_APP_JOB_DONE, 0, reinterpret_cast<LPARAM>(result.get()))) result.release();
        },
        [window = hwnd_] { PostMessageW(window, WM_APP_PROGRESS, 0, 0); });
    taskbarCreatedMessage_ = RegisterWindowMessageW(L"TaskbarButtonCreated");
    publishedWindow_ = PublishWindow(hwnd_);
    settings_ = LoadSettings();
    Handle(WM_SETTINGCHANGE, 0, 0);
    SetWindowIcons();
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_DOUBLEBUFFER);
    SetWindowTheme(list_, L"Explorer", nullptr);
    const UINT tabStop = 64;
    SendDlgItemMessageW(hwnd_, IDC_DETAILS, EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
    SendDlgItemMessageW(hwnd_, IDC_EXPECTED, EM_SETCUEBANNER, TRUE,
                        reinterpret_cast<LPARAM>(L"Paste the hash from the download page to compare"));
    CreateVerdictFont();
    CreateToolbar();
    CreateButtonIcons();
    RECT window;
    GetWindowRect(hwnd_, &window);
    minSize_ = {window.right - window.left, window.bottom - window.top};
    layout_.Record(hwnd_);
    RestoreWindowRect();
    AdaptMenusToThisCopy();
    RefreshIntegrationMenu();
    ApplyColourScheme();
    ApplySelection(settings_.algorithms);
    LayOut();
    RefreshVerdict();
    RefreshDetails();
    RefreshStatusLine();
    CheckStaleIntegration();
}

void MainWindow::OnDestroy() {
    SaveColumnWidths();
    settings_.algorithms &= vms::kAllAlgorithms;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(hwnd_, &placement)) {
        settings_.window = WindowPlacement{placement.rcNormalPosition, placement.showCmd == SW_SHOWMAXIMIZED};
    }
    SaveSettings(settings_);
    toolbarImages_.reset();
    buttonImages_.clear();
    worker_->Stop();
    taskbar_.reset();
    PostQuitMessage(0);
}

void MainWindow::ReadDpi() { dpi_ = WindowDpi(hwnd_); }

int MainWindow::Scale(int pixels96) const { return MulDiv(pixels96, static_cast<int>(dpi_), 96); }

void MainWindow::SetWindowIcons() {
    bigIcon_.reset(LoadIconAt(IDI_APP, GetSystemMetrics(SM_CXICON)));
    smallIcon_.reset(LoadIconAt(IDI_APP, GetSystemMetrics(SM_CXSMICON)));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

void MainWindow::CreateVerdictFont() {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)), sizeof font, &font);
    font.lfWeight = FW_BOLD;
    verdictFont_.reset(CreateFontIndirectW(&font));
    SendDlgItemMessageW(hwnd_, IDC_VERDICT, WM_SETFONT, reinterpret_cast<WPARAM>(verdictFont_.get()), TRUE);
}

void MainWindow::CreateToolbar() { toolbar_ = CreateMainToolbar(hwnd_, Scale(16), toolbarImages_); }

void MainWindow::CreateButtonIcons() {
    buttonImages_.clear();
    for (const IconButton& button : kIconButtons) {
        UniqueImageList images = MakeImageList({button.icon}, Scale(16));
        BUTTON_IMAGELIST list{images.get(), {Scale(3), 0, Scale(4), 0}, BUTTON_IMAGELIST_ALIGN_LEFT};
        SendDlgItemMessageW(hwnd_, button.id, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
        buttonImages_.push_back(std::move(images));
    }
}

void MainWindow::RestoreWindowRect() {
    if (!settings_.window) return;
    const RECT& rect = settings_.window->rect;
    if (rect.right - rect.left < minSize_.cx || rect.bottom - rect.top < minSize_.cy ||
        !MonitorFromRect(&rect, MONITOR_DEFAULTTONULL)) {
        settings_.window.reset();
        return;
    }
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(hwnd_, &placement);
    placement.rcNormalPosition = rect;
    placement.showCmd = SW_HIDE;
    SetWindowPlacement(hwnd_, &placement);
}

void MainWindow::LayOut() { layout_.Apply(hwnd_, noticeKind_ != NoticeKind::None, Scale(kBannerGap96)); }

void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
    SaveColumnWidths();
    minSize_ = {MulDiv(minSize_.cx, static_cast<int>(dpi), static_cast<int>(dpi_)),
                MulDiv(minSize_.cy, static_cast<int>(dpi), static_cast<int>(dpi_))};
    dpi_ = dpi;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        ListView_SetColumnWidth(list_, static_cast<int>(i), Scale(ColumnWidth96(columns_[i], settings_.columnWidths)));
    }
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageW(hwnd_, WM_APP_REBUILD_FOR_DPI, 0, 0);
}

void MainWindow::OnCommand(int id, int code) {
    if (id >= static_cast<int>(kMoreMenuFirstCommand) && id < static_cast<int>(kMoreMenuFirstCommand + vms::kAlgorithmCount)) {
        ApplySelection(settings_.algorithms ^ vms::MaskOf(static_cast<vms::AlgorithmId>(id - kMoreMenuFirstCommand)));
        return;
    }
    if (id >= static_cast<int>(kCopyDigestFirstCommand) && id < static_cast<int>(kCopyDigestFirstCommand + vms::kAlgorithmCount)) {
        const auto selected = SelectedPositions();
        const auto algorithm = static_cast<vms::AlgorithmId>(id - kCopyDigestFirstCommand);
        if (selected.size() == 1 && files_.Rows()[selected.front()].digests[algorithm].present) {
            SetClipboardText(hwnd_, vms::DigestToHexW(files_.Rows()[selected.front()].digests[algorithm].digest, settings_.uppercase));
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
        } else {
            PasteExpectedHash();
        }
        break;
    case IDC_PASTE:
        PasteExpectedHash();
        break;
    case ID_VERIFY:
        ChooseAndVerifyChecksumFiles();
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
            ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
        }
        break;
    case ID_REMOVE:
    case ID_CONTEXT_REMOVE:
        RemoveSelected();
        break;
    case ID_CLEAR:
        ClearList();
        break;
    case ID_UPPERCASE:
        settings_.uppercase = !settings_.uppercase;
        InvalidateRect(list_, nullptr, FALSE);
        RefreshDetails();
        RefreshIntegrationMenu();
        break;
    case ID_SHOW_LEGACY:
        settings_.showLegacy = !settings_.showLegacy;
        if (!settings_.showLegacy && (settings_.algorithms & (vms::MaskOf(vms::kMd2) | vms::MaskOf(vms::kMd4)))) {
            ApplySelection(settings_.algorithms & ~(vms::MaskOf(vms::kMd2) | vms::MaskOf(vms::kMd4)));
        }
        RefreshIntegrationMenu();
        break;
    case ID_INCLUDE_HIDDEN:
        settings_.includeHidden = !settings_.includeHidden;
        RefreshIntegrationMenu();
        break;
    case ID_CRLF:
        settings_.crlf = !settings_.crlf;
        RefreshIntegrationMenu();
        break;
    case ID_LOOK_BESIDE:
        settings_.lookBeside = !settings_.lookBeside;
        RefreshIntegrationMenu();
        break;
    case ID_COLOUR_SYSTEM:
    case ID_COLOUR_LIGHT:
    case ID_COLOUR_DARK:
        settings_.colourMode = static_cast<ColourMode>(id - ID_COLOUR_SYSTEM);
        RefreshIntegrationMenu();
        ApplyColourScheme();
        break;
    case ID_TRUSTED_KEYS:
        if (ShowTrustedKeysDialog(hwnd_, colours_)) RecheckListSignatures();
        break;
    case ID_EXPLORER_MENU:
        ToggleIntegration(true);
        break;
    case ID_SEND_TO:
        ToggleIntegration(false);
        break;
    case ID_HELP:
        OpenWebPage(kHelpPage);
        break;
    case ID_PROGRAM_FOLDER:
        OpenProgramFolderOrSetupPage();
        break;
    case ID_CLI_TOOL:
        ShowCommandLineTool();
        break;
    case ID_ABOUT:
        ShowAbout();
        break;
    case ID_WEBSITE:
        OpenWebPage(kMakerSite);
        break;
    case IDC_MORE:
        ShowMoreMenu();
        break;
    case IDC_EXPECTED:
        if (code == EN_CHANGE) {
            RefreshVerdict();
            if (noticeKind_ == NoticeKind::Clipboard) HideNotice();
        }
        break;
    case IDC_CANCEL:
        CancelAll();
        break;
    case IDCANCEL:  // Esc in a dialog: nothing to dismiss
        break;
    default:
        break;
    }
}

void MainWindow::OpenWebPage(const wchar_t* address) {
    if (OpenWithDefaultHandler(address)) return;
    MessageDialogOptions options;
    options.icon = DialogIcon::Warning;
    options.instruction = L"The web page couldn't be opened.";
    options.content = std::wstring(L"Open <a href=\"") + address + L"\">" + address + L"</a> in your browser.";
    MessageDialog(hwnd_, options);
}

bool MainWindow::OnCopyData(const COPYDATASTRUCT& data) {
    if (data.dwData != kHandOffTag || data.cbData % 2 != 0) return false;
    const std::vector<std::wstring> paths =
        ParsePathList({static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t)});
    if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
    SetForegroundWindow(hwnd_);
    AddPaths(paths);
    return true;
}

void MainWindow::OnDropFiles(HDROP drop) {
    std::vector<std::wstring> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(std::move(path));
    }
    DragFinish(drop);
    AddPaths(paths);
}

}  // namespace app
