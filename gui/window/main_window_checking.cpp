// The main window's showing of the checks: the details pane, the status line,
// the verdict line, the notice's links, verifying and updating lists.
#include "gui/window/main_window.h"

#include "engine/text.h"
#include "gui/logic/status_line.h"
#include "gui/system/shell.h"
#include "gui/window/check_dialogs.h"
#include "gui/window/key_trust.h"
#include "gui/window/program_menu.h"
#include "gui/window/resource.h"
#include "gui/window/save_dialog.h"
#include "gui/window/toolbar.h"
#include "gui/window/window_text.h"

#include <commctrl.h>

namespace app {
namespace {

constexpr int kVerdictIconSize96 = 16;
constexpr int kVerdictIconGap96 = 6;

int VerdictIcon(VerdictStyle style) {
    switch (style) {
    case VerdictStyle::Match: return IDI_MATCH;
    case VerdictStyle::Mismatch: return IDI_MISMATCH;
    case VerdictStyle::Info: return IDI_INFO;
    case VerdictStyle::Busy: return IDI_BUSY;
    case VerdictStyle::None: return 0;
    }
    return 0;
}

}  // namespace

void MainWindow::ShowDetails() {
    const std::vector<FileRow>& rows = session_->Rows();
    const std::vector<std::size_t> selected = list_.Selected(rows.size());
    SetDlgItemTextW(hwnd_, IDC_DETAILS, DetailsText(rows, selected, settings_.uppercase).c_str());
    const bool one = selected.size() == 1;
    EnableWindow(GetDlgItem(hwnd_, IDC_COPY_HASHES), !selected.empty());
    EnableWindow(GetDlgItem(hwnd_, IDC_VIRUSTOTAL), one && rows[selected.front()].status != RowStatus::Error);
    EnableWindow(GetDlgItem(hwnd_, IDC_OPEN_FOLDER), one);
}

void MainWindow::ShowStatusLine() {
    const ProgressSnapshot snapshot = services_->Progress();
    const StatusLine line = BuildStatusLine(snapshot, session_->Rows());
    SetDlgItemTextW(hwnd_, IDC_STATUS, line.text.c_str());
    const HWND bar = GetDlgItem(hwnd_, IDC_PROGRESS);
    SendMessageW(bar, PBM_SETRANGE32, 0, 10000);
    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(line.barPosition), 0);
    ShowWindow(bar, line.showProgress ? SW_SHOWNA : SW_HIDE);
    ShowWindow(GetDlgItem(hwnd_, IDC_CANCEL), line.showProgress ? SW_SHOWNA : SW_HIDE);
    if (!taskbar_) return;
    if (line.showProgress) {
        taskbar_->SetProgressState(hwnd_, TBPF_NORMAL);
        taskbar_->SetProgressValue(hwnd_, snapshot.done, snapshot.total == 0 ? 1 : snapshot.total);
    } else {
        taskbar_->SetProgressState(hwnd_, TBPF_NOPROGRESS);
    }
}

void MainWindow::DrawVerdict(const DRAWITEMSTRUCT& item) const {
    const Verdict& verdict = session_->CurrentVerdict();
    const Palette& palette = colours_.Colours();
    FillRect(item.hDC, &item.rcItem, colours_.Dark() ? colours_.WindowBrush() : GetSysColorBrush(COLOR_3DFACE));
    if (verdict.text.empty()) return;
    RECT area = item.rcItem;
    const int iconSize = chrome_.Scale(kVerdictIconSize96);
    if (const int icon = VerdictIcon(verdict.style)) {
        const UniqueIcon loaded(LoadIconAt(icon, iconSize));
        const int top = area.top + (area.bottom - area.top - iconSize) / 2;
        DrawIconEx(item.hDC, area.left, top, loaded.get(), iconSize, iconSize, 0, nullptr, DI_NORMAL);
        area.left += iconSize + chrome_.Scale(kVerdictIconGap96);
    }
    COLORREF colour = colours_.Dark() ? palette.text : GetSysColor(COLOR_BTNTEXT);
    const bool highContrast = colours_.Scheme() == ColourScheme::HighContrast;
    if (!highContrast && verdict.style == VerdictStyle::Match) colour = palette.matchText;
    if (!highContrast && verdict.style == VerdictStyle::Mismatch) colour = palette.mismatchText;
    const bool bold = verdict.style == VerdictStyle::Match || verdict.style == VerdictStyle::Mismatch;
    const HFONT font = bold ? chrome_.VerdictFont() : reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = SelectObject(item.hDC, font);
    SetTextColor(item.hDC, colour);
    SetBkMode(item.hDC, TRANSPARENT);
    DrawTextW(item.hDC, verdict.text.c_str(), static_cast<int>(verdict.text.size()), &area,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(item.hDC, previous);
}

void MainWindow::OnNoticeLink(const std::wstring& id) {
    const std::optional<NoticeAction> action = ActionOfLink(session_->CurrentNotice(), id);
    if (!action) return;
    const NoticeOutcome outcome = session_->ChooseNoticeAction(*action);
    if (outcome.followUp == FollowUp::VerifyList) list_.ClearSelection();
    Show(outcome.changes);
    switch (outcome.followUp) {
    case FollowUp::None:
        break;
    case FollowUp::SetExpectedText:
        SetDlgItemTextW(hwnd_, IDC_EXPECTED, outcome.subject.c_str());
        break;
    case FollowUp::VerifyList:
        VerifyChecksumFile(outcome.subject);
        break;
    case FollowUp::ChooseKeyFile:
        if (ChooseKeyFilesToTrust(hwnd_)) Show(session_->RecheckSignatures());
        break;
    case FollowUp::OfferKeyFile:
        if (OfferToTrustKeyFile(hwnd_, outcome.subject).trusted) Show(session_->RecheckSignatures());
        break;
    case FollowUp::OfferSigstoreSigner:
        if (OfferToTrustSigner(hwnd_, *outcome.signer)) Show(session_->RecheckSignatures());
        break;
    case FollowUp::UseThisCopy:
    case FollowUp::RemoveStaleEntries:
        RepairStaleExplorerEntries(hwnd_, settings_, outcome.followUp == FollowUp::UseThisCopy);
        break;
    }
}

void MainWindow::CheckClipboard() {
    const DWORD sequence = GetClipboardSequenceNumber();
    if (sequence == clipboardSequence_) return;
    clipboardSequence_ = sequence;
    const std::wstring text = ReadClipboardText(hwnd_);
    if (text.empty()) return;
    Show(session_->OfferClipboard(text, WindowText(GetDlgItem(hwnd_, IDC_EXPECTED))));
}

void MainWindow::VerifyChecksumFile(const std::wstring& path) {
    const ListOutcome outcome = session_->VerifyList(path);
    if (outcome.problem != ListProblem::None) {
        WarnAboutList(hwnd_, path, outcome);
        return;
    }
    list_.ClearSelection();
    Show(outcome.changes);
    list_.Show(outcome.firstNew);
}

void MainWindow::SaveChecksums() {
    if (const std::optional<std::wstring> listPath = session_->ListToUpdate()) {
        switch (AskToUpdateList(hwnd_, *listPath)) {
        case UpdateChoice::Update:
            // The audit reads every file: it runs away from the window, which reports when it's done.
            if (!session_->StartListUpdate(*listPath)) {
                ReportListUpdate(hwnd_, {*listPath, vms::SystemError(ERROR_NOT_ENOUGH_MEMORY)});
            }
            return;
        case UpdateChoice::Cancel:
            return;
        case UpdateChoice::SaveNewFile:
            break;
        }
    }
    const std::vector<FileRow>& rows = session_->Rows();
    app::SaveChecksums(hwnd_, rows, list_.Selected(rows.size()), settings_);
}

void MainWindow::Finish(const FinishedCommands& finished) {
    if (finished.lookUpAddress) OpenWithDefaultHandler(*finished.lookUpAddress);
    if (finished.comparison) ReportComparison(hwnd_, *finished.comparison);
}

}  // namespace app
