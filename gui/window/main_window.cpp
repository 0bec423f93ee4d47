#include "gui/window/main_window.h"

#include "gui/system/posted_messages.h"
#include "gui/system/session_messages.h"
#include "gui/system/shell.h"
#include "gui/system/single_instance.h"
#include "gui/window/check_dialogs.h"
#include "gui/window/key_trust.h"
#include "gui/window/program_menu.h"
#include "gui/window/resource.h"
#include "gui/window/wait_cursor.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

namespace app {
namespace {

constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressTimerPeriod = 200;

std::vector<std::wstring> DroppedPaths(HDROP drop) {
    std::vector<std::wstring> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(std::move(path));
    }
    DragFinish(drop);
    return paths;
}

// The paths another instance handed over; nothing for any other data.
std::optional<std::vector<std::wstring>> HandedOverPaths(const COPYDATASTRUCT& data) {
    if (data.dwData != kHandOffTag || data.cbData % 2 != 0) return std::nullopt;
    return ParsePathList({static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t)});
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
    if (OnPosted(message, lParam)) return TRUE;
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_NOTIFY:
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, OnNotify(*reinterpret_cast<const NMHDR*>(lParam)));
        return TRUE;
    case WM_SIZE:
        chrome_.LayOut(session_->CurrentNotice().kind != NoticeKind::None);
        return TRUE;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize = {chrome_.MinSize().cx, chrome_.MinSize().cy};
        return TRUE;
    }
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_APP_REBUILD_FOR_DPI:
        chrome_.Rebuild();
        chrome_.LayOut(session_->CurrentNotice().kind != NoticeKind::None);
        return TRUE;
    case WM_APP_OFFER_KEYS: {
        bool trusted = false;
        for (const std::wstring& path : std::exchange(pendingKeyFiles_, {})) trusted |= OfferToTrustKeyFile(hwnd_, path).trusted;
        if (trusted) Show(session_->RecheckSignatures());
        return TRUE;
    }
    case WM_APP_PROGRESS:
        services_->ProgressNoticeTaken();
        return TRUE;
    case WM_TIMER:
        if (wParam != kProgressTimer) return TRUE;
        Show(session_->OnProgressTick());
        if (!session_->Busy()) KillTimer(hwnd_, kProgressTimer);
        return TRUE;
    case WM_COPYDATA: {
        const auto paths = HandedOverPaths(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        if (paths) {
            if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
            SetForegroundWindow(hwnd_);
            AddPaths(*paths);
        }
        // Set last: the messages handled while the paths are added set their own results.
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, paths.has_value());
        return TRUE;
    }
    case WM_DROPFILES:
        AddPaths(DroppedPaths(reinterpret_cast<HDROP>(wParam)));
        return TRUE;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) != list_.Handle()) return FALSE;
        OnContextMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, lParam == -1);
        return TRUE;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE: {
        // The app mode ("ImmersiveColorSet"), high contrast or the system colours
        // may have changed; the scheme is chosen again on any of them.
        if (darkMenu_) ApplyColourScheme();
        list_.RedrawAll();
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

bool MainWindow::OnPosted(UINT message, LPARAM lParam) {
    if (message == PostedMessage<ListUpdateDone>()) {
        ReportListUpdate(hwnd_, *TakePayload<ListUpdateDone>(lParam));
        return true;
    }
    FinishedCommands finished;
    const std::optional<Changes> changes = DeliverPostedEvent(*session_, message, lParam, finished);
    if (!changes) return false;
    Show(*changes);
    Finish(finished);
    return true;
}

void MainWindow::OnInit() {
    // The session first: building the controls can send messages that ask it for the notice.
    settings_ = LoadSettings();
    services_ = std::make_unique<PostingServices>(hwnd_, settings_.jobs);
    session_ = std::make_unique<CheckSession>(*services_, settings_);
    chrome_.Create(hwnd_);
    list_.Attach(GetDlgItem(hwnd_, IDC_LIST));
    taskbarCreatedMessage_ = RegisterWindowMessageW(L"TaskbarButtonCreated");
    publishedWindow_ = PublishWindow(hwnd_);
    const UINT tabStop = 64;
    SendDlgItemMessageW(hwnd_, IDC_DETAILS, EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
    SendDlgItemMessageW(hwnd_, IDC_EXPECTED, EM_SETCUEBANNER, TRUE,
                        reinterpret_cast<LPARAM>(L"Paste the hash from the download page to compare"));
    chrome_.RestorePlacement(settings_.window);
    AdaptMenusToThisCopy(hwnd_);
    ShowOptionsInMenu(hwnd_, settings_);
    ApplyColourScheme();
    ApplySelection(settings_.algorithms);
    Changes everything;
    everything.verdict = everything.details = everything.status = everything.notice = true;
    Show(everything);
    if (HasStaleExplorerEntries()) Show(session_->ReportStaleExplorerEntries());
}

void MainWindow::OnDestroy() {
    list_.SaveColumnWidths(settings_, chrome_.Dpi());
    settings_.algorithms &= vms::kAllAlgorithms;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(hwnd_, &placement)) {
        settings_.window = WindowPlacement{placement.rcNormalPosition, placement.showCmd == SW_SHOWMAXIMIZED};
    }
    SaveSettings(settings_);
    services_->Stop();
    taskbar_.reset();
    PostQuitMessage(0);
}

void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
    list_.SaveColumnWidths(settings_, chrome_.Dpi());
    list_.ScaleColumns(settings_, dpi);
    chrome_.MoveToDpi(dpi, suggested);
    PostMessageW(hwnd_, WM_APP_REBUILD_FOR_DPI, 0, 0);
}

void MainWindow::AddPaths(const std::vector<std::wstring>& paths) {
    AddOutcome added;
    {
        const WaitCursor wait;
        added = session_->AddPaths(paths);
    }
    // Key files become an offer to trust the key, not rows; the offer waits until the hand-off or drop
    // that brought them has returned.
    if (!added.keyFiles.empty()) {
        pendingKeyFiles_.insert(pendingKeyFiles_.end(), added.keyFiles.begin(), added.keyFiles.end());
        PostMessageW(hwnd_, WM_APP_OFFER_KEYS, 0, 0);
    }
    Show(added.changes, true);
    if (added.count > 0) {
        list_.SelectAndShow(added.first);
        Changes selection;
        selection.details = true;
        Show(selection);
    }
}

void MainWindow::Show(const Changes& changes, bool keepScroll) {
    const std::vector<FileRow>& rows = session_->Rows();
    if (changes.rowCount) list_.SetCount(rows.size(), keepScroll);
    if (changes.cells) {
        list_.RedrawAll();
    } else {
        for (const std::size_t position : changes.rows) {
            if (position < rows.size()) list_.Redraw({&position, 1});
        }
    }
    if (changes.hashing) SetTimer(hwnd_, kProgressTimer, kProgressTimerPeriod, nullptr);
    if (changes.notice) {
        const Notice& notice = session_->CurrentNotice();
        const bool shown = notice.kind != NoticeKind::None;
        SetDlgItemTextW(hwnd_, IDC_BANNER, notice.text.c_str());
        ShowWindow(GetDlgItem(hwnd_, IDC_BANNER), shown ? SW_SHOWNA : SW_HIDE);
        chrome_.LayOut(shown);
    }
    if (changes.verdict) {
        // The line is drawn by the window; its text is also the control's, for screen readers.
        SetDlgItemTextW(hwnd_, IDC_VERDICT, session_->CurrentVerdict().text.c_str());
        InvalidateRect(GetDlgItem(hwnd_, IDC_VERDICT), nullptr, TRUE);
    }
    // The selection is read only when the details may have changed: every finished job comes through here.
    if (changes.details || !changes.rows.empty()) {
        const std::vector<std::size_t> selected = list_.Selected(rows.size());
        const bool selectedChanged =
            selected.size() == 1 && std::ranges::find(changes.rows, selected.front()) != changes.rows.end();
        if (changes.details || selectedChanged) {
            session_->StartDetailsChecks(selected);
            ShowDetails();
        }
    }
    if (changes.status || changes.rowCount) ShowStatusLine();
}

}  // namespace app
