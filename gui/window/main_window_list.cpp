// The main window's file list: adding and removing rows, jobs and their
// results, columns, sorting, the More and context menus, details and status.
#include "gui/window/main_window.h"

#include "engine/folder_walker.h"
#include "engine/text.h"
#include "gui/window/resource.h"
#include "gui/system/shell.h"
#include "gui/logic/status_line.h"
#include "gui/window/toolbar.h"
#include "gui/window/wait_cursor.h"

#include <commctrl.h>

#include <algorithm>

namespace app {
namespace {

constexpr const wchar_t* kEmptyListText =
    L"Drop files or folders here, or use Add Files.\nTo check a download, paste the hash from its web page below.";

void CopyCut(const std::wstring& text, wchar_t* buffer, int capacity) {
    if (!buffer || capacity <= 0) return;
    const std::size_t count = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
    std::copy_n(text.data(), count, buffer);
    buffer[count] = L'\0';
}

}  // namespace

void MainWindow::AddPaths(const std::vector<std::wstring>& given) {
    // Key files become an offer to trust the key, not rows; the offer waits until the hand-off or drop
    // that brought them has returned.
    std::vector<std::wstring> paths;
    for (const std::wstring& path : given) {
        if (!vms::IsExistingFolder(path) && HoldsPublicKey(path)) {
            pendingKeyFiles_.push_back(path);
            PostMessageW(hwnd_, WM_APP_OFFER_KEYS, 0, 0);
        } else {
            paths.push_back(path);
        }
    }
    if (paths.empty()) return;
    FileList::Added added;
    {
        const WaitCursor wait;
        added = files_.AddPaths(paths, settings_.includeHidden);
        for (std::size_t i = added.first; i < added.first + added.count; ++i) Queue(files_.Rows()[i]);
    }
    // Files added one by one, not inside an added folder, get their checksum file looked for beside them.
    if (settings_.lookBeside) {
        for (std::size_t i = added.first; i < added.first + added.count; ++i) {
            const FileRow& row = files_.Rows()[i];
            const bool addedByItself = std::ranges::any_of(paths, [&](const std::wstring& path) {
                return vms::EqualsIgnoreCase(vms::ToLongPath(path), vms::ToLongPath(row.path));
            });
            if (addedByItself && !LooksLikeChecksumFile(row.path)) StartSiblingSearch(hwnd_, row.id, row.path);
        }
    }
    // One file that looks like a checksum file: offer to verify what it lists.
    if (paths.size() == 1 && added.count == 1 && !vms::IsExistingFolder(paths.front()) &&
        LooksLikeChecksumFile(files_.Rows()[added.first].path)) {
        ShowNotice(NoticeKind::ChecksumFile,
                   L"This looks like a checksum file. <a id=\"a\">Verify the files it lists</a>    <a id=\"x\">Dismiss</a>",
                   files_.Rows()[added.first].path);
    }
    SetListCount(true);
    if (added.count > 0) {
        ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        const int first = static_cast<int>(added.first);
        ListView_SetItemState(list_, first, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list_, first, FALSE);
    }
    RefreshVerdict();
    RefreshDetails();
    RefreshStatusLine();
}

// Every change to the number of rows comes through here, so the status line
// never counts rows that are gone, whatever the caller does next.
void MainWindow::SetListCount(bool keepScroll) {
    ListView_SetItemCountEx(list_, static_cast<int>(files_.Rows().size()), keepScroll ? LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL : 0);
    InvalidateRect(list_, nullptr, FALSE);
    RefreshStatusLine();
}

void MainWindow::Queue(FileRow& row) {
    if (auto job = files_.QueueRow(row, settings_.algorithms)) {
        worker_->Enqueue(std::move(*job));
        SetTimer(hwnd_, kProgressTimer, kProgressTimerPeriod, nullptr);
    }
}

void MainWindow::QueueMissing() {
    for (FileRow& row : files_.Rows()) Queue(row);
}

void MainWindow::OnAuthenticodeDone(std::unique_ptr<AuthenticodeResult> result) {
    const auto position = files_.PositionOf(result->row);
    if (!position) return;
    FileRow& row = files_.Rows()[*position];
    row.authenticode = std::move(result->info);
    row.authenticodeKnown = true;
    row.authenticodeRequested = false;
    const auto selected = SelectedPositions();
    if (selected.size() == 1 && selected.front() == *position) RefreshDetails();
}

void MainWindow::OnJobDone(std::unique_ptr<JobResult> result) {
    if (!files_.ApplyResult(*result)) return;
    if (const auto position = files_.PositionOf(result->row); position && files_.Rows()[*position].notListed) {
        LinkMove(files_.Rows()[*position]);
        InvalidateRect(list_, nullptr, FALSE);
    }
    if (const auto position = files_.PositionOf(result->row)) {
        ListView_RedrawItems(list_, static_cast<int>(*position), static_cast<int>(*position));
        const auto selected = SelectedPositions();
        if (selected.size() == 1 && selected.front() == *position) RefreshDetails();
    }
    MarkHashingRows();
    RefreshVerdict();
    RefreshStatusLine();
    RunWaitingCommands();
}

void MainWindow::OnTimer() {
    MarkHashingRows();
    RefreshStatusLine();
    if (!worker_->Snapshot().busy) {
        KillTimer(hwnd_, kProgressTimer);
        RefreshVerdict();
    }
}

void MainWindow::MarkHashingRows() {
    const ProgressSnapshot snapshot = worker_->Snapshot();
    if (!snapshot.busy) return;
    for (std::size_t position : files_.MarkHashing(snapshot.currentPath)) {
        ListView_RedrawItems(list_, static_cast<int>(position), static_cast<int>(position));
    }
}

void MainWindow::RemoveSelected() {
    for (RowId id : files_.Remove(SelectedPositions())) worker_->RemoveJobsOf(id);
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
    SetListCount(false);
    RefreshVerdict();
    RefreshDetails();
    RefreshStatusLine();
}

void MainWindow::ClearList() {
    worker_->CancelAll();
    files_.Clear();
    waitingLookUp_.reset();
    waitingComparison_.reset();
    SetListCount(false);
    HideNotice();
    RefreshVerdict();
    RefreshDetails();
    RefreshStatusLine();
}

void MainWindow::CancelAll() {
    worker_->CancelAll();
    files_.CancelPending();
    InvalidateRect(list_, nullptr, FALSE);
    RefreshStatusLine();
    RefreshVerdict();
}

void MainWindow::ApplySelection(vms::AlgorithmMask algorithms) {
    settings_.algorithms = EffectiveSelection(algorithms);
    for (std::size_t i = 0; i < std::size(kCheckBoxIds); ++i) {
        const bool on = (settings_.algorithms & vms::MaskOf(kBoxedAlgorithms[i])) != 0;
        CheckDlgButton(hwnd_, kCheckBoxIds[i], on ? BST_CHECKED : BST_UNCHECKED);
    }
    SetDlgItemTextW(hwnd_, IDC_MORE, MoreButtonText(settings_.algorithms).c_str());
    RebuildColumns();
    QueueMissing();
    SetListCount(true);
    RefreshDetails();
}

void MainWindow::SaveColumnWidths() {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const int fixed = FixedColumnIndex(columns_[i]);
        if (fixed < 0) continue;
        settings_.columnWidths[static_cast<std::size_t>(fixed)] =
            MulDiv(ListView_GetColumnWidth(list_, static_cast<int>(i)), 96, static_cast<int>(dpi_));
    }
}

void MainWindow::RebuildColumns() {
    SaveColumnWidths();
    while (ListView_DeleteColumn(list_, 0)) {
    }
    columns_ = BuildColumns(settings_.algorithms);
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        std::wstring title = ColumnTitle(columns_[i]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = columns_[i].kind == ColumnKind::Size ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = Scale(ColumnWidth96(columns_[i], settings_.columnWidths));
        column.pszText = title.data();
        column.iSubItem = static_cast<int>(i);
        ListView_InsertColumn(list_, static_cast<int>(i), &column);
    }
    sortColumn_ = -1;
}

void MainWindow::SortBy(int column) {
    if (column < 0 || column >= static_cast<int>(columns_.size())) return;
    sortDescending_ = column == sortColumn_ ? !sortDescending_ : false;
    sortColumn_ = column;
    files_.Reorder(SortedRows(files_.Rows(), columns_[static_cast<std::size_t>(column)], sortDescending_, Context()));
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
    InvalidateRect(list_, nullptr, FALSE);
    const HWND header = ListView_GetHeader(list_);
    for (int i = 0; i < static_cast<int>(columns_.size()); ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, i, &item);
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == column) item.fmt |= sortDescending_ ? HDF_SORTDOWN : HDF_SORTUP;
        Header_SetItem(header, i, &item);
    }
    RefreshDetails();
}

void MainWindow::ShowMoreMenu() {
    const UniqueMenu menu(CreatePopupMenu());
    for (const MenuItem& item : MoreMenuItems(settings_.algorithms, settings_.showLegacy)) {
        if (item.separatorBefore) AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu.get(), MF_STRING | (item.checked ? MF_CHECKED : 0), item.command, item.text.c_str());
    }
    RECT button;
    GetWindowRect(GetDlgItem(hwnd_, IDC_MORE), &button);
    const DarkMenu dark(menu.get(), false, colours_);
    const int command = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, button.left,
                                       button.bottom, 0, hwnd_, nullptr);
    if (command != 0) OnCommand(command, 0);
}

void MainWindow::OnContextMenu(POINT screen, bool fromKeyboard) {
    const auto selected = SelectedPositions();
    if (selected.empty()) return;
    if (fromKeyboard) {
        int item = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
        if (item < 0) item = static_cast<int>(selected.front());
        RECT rect;
        ListView_GetItemRect(list_, item, &rect, LVIR_BOUNDS);
        screen = {rect.left, rect.top};
        ClientToScreen(list_, &screen);
    }
    const UniqueMenu resource(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_LIST_CONTEXT)));
    const HMENU menu = GetSubMenu(resource.get(), 0);
    if (selected.size() == 1) {
        const std::vector<MenuItem> copies = CopyDigestItems(files_.Rows()[selected.front()]);
        if (!copies.empty()) InsertMenuW(menu, 0, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        for (auto item = copies.rbegin(); item != copies.rend(); ++item) {
            InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, item->command, item->text.c_str());
        }
    }
    const bool oneUsable = selected.size() == 1 && files_.Rows()[selected.front()].status != RowStatus::Error;
    EnableMenuItem(menu, ID_COMPARE, MF_BYCOMMAND | (selected.size() == 2 ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu, ID_LOOK_UP, MF_BYCOMMAND | (oneUsable ? MF_ENABLED : MF_GRAYED));
    const DarkMenu dark(menu, false, colours_);
    const int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, hwnd_, nullptr);
    if (command != 0) OnCommand(command, 0);
}

std::vector<std::size_t> MainWindow::SelectedPositions() const {
    std::vector<std::size_t> positions;
    for (int item = ListView_GetNextItem(list_, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(list_, item, LVNI_SELECTED)) {
        if (static_cast<std::size_t>(item) < files_.Rows().size()) positions.push_back(static_cast<std::size_t>(item));
    }
    return positions;
}

void MainWindow::RefreshDetails() {
    const auto selected = SelectedPositions();
    if (selected.size() == 1) {
        FileRow& row = files_.Rows()[selected.front()];
        if (!row.authenticodeKnown && !row.authenticodeRequested) {
            row.authenticodeRequested = true;
            if (!StartAuthenticodeCheck(hwnd_, row.id, row.path)) {
                row.authenticodeRequested = false;
                row.authenticodeKnown = true;  // stays CannotCheck
            }
        }
        if (!row.originRead) {
            row.origin = ReadDownloadOrigin(row.path);
            row.originRead = true;
        }
    }
    SetDlgItemTextW(hwnd_, IDC_DETAILS, DetailsText(files_.Rows(), selected, settings_.uppercase).c_str());
    const bool one = selected.size() == 1;
    EnableWindow(GetDlgItem(hwnd_, IDC_COPY_HASHES), !selected.empty());
    EnableWindow(GetDlgItem(hwnd_, IDC_VIRUSTOTAL), one && files_.Rows()[selected.front()].status != RowStatus::Error);
    EnableWindow(GetDlgItem(hwnd_, IDC_OPEN_FOLDER), one);
}

void MainWindow::RefreshStatusLine() {
    const ProgressSnapshot snapshot = worker_->Snapshot();
    const StatusLine line = BuildStatusLine(snapshot, files_.Rows());
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

LRESULT MainWindow::OnNotify(const NMHDR& header) {
    if (header.hwndFrom == list_) return OnListNotify(header);
    if (header.idFrom == IDC_BANNER && (header.code == NM_CLICK || header.code == NM_RETURN)) {
        OnNoticeLink(reinterpret_cast<const NMLINK&>(header).item.szID);
        return 0;
    }
    if (header.idFrom == IDC_LINKS && (header.code == NM_CLICK || header.code == NM_RETURN)) {
        const std::wstring id = reinterpret_cast<const NMLINK&>(header).item.szID;
        if (id == L"cli") ShowCommandLineTool();
        if (id == L"about") ShowAbout();
        return 0;
    }
    if (header.code == TTN_GETDISPINFOW) {
        auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
        if (const wchar_t* tip = ToolbarTip(static_cast<int>(header.idFrom))) info.lpszText = const_cast<wchar_t*>(tip);
    }
    return 0;
}

LRESULT MainWindow::OnListNotify(const NMHDR& header) {
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        auto& item = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header)).item;
        const auto row = static_cast<std::size_t>(item.iItem);
        const auto column = static_cast<std::size_t>(item.iSubItem);
        if ((item.mask & LVIF_TEXT) && row < files_.Rows().size() && column < columns_.size()) {
            CopyCut(CellText(files_.Rows()[row], columns_[column], Context()), item.pszText, item.cchTextMax);
        }
        return 0;
    }
    case LVN_KEYDOWN:
        if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) RemoveSelected();
        return 0;
    case LVN_COLUMNCLICK:
        SortBy(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        return 0;
    case LVN_ITEMCHANGED:
    case LVN_ODSTATECHANGED:
        RefreshDetails();
        return 0;
    case NM_CUSTOMDRAW: {
        auto& draw = const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header));
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
        if (draw.nmcd.dwDrawStage == CDDS_POSTPAINT && files_.Rows().empty()) {
            // The hint of an empty list, drawn here rather than through the list's empty
            // markup, which not every implementation of the control draws.
            RECT area;
            GetClientRect(list_, &area);
            RECT titles;
            GetWindowRect(ListView_GetHeader(list_), &titles);
            area.top += (titles.bottom - titles.top) + Scale(16);
            SetTextColor(draw.nmcd.hdc, colours_.Dark() ? colours_.Colours().dimText : GetSysColor(COLOR_GRAYTEXT));
            SetBkMode(draw.nmcd.hdc, TRANSPARENT);
            const HGDIOBJ previous = SelectObject(draw.nmcd.hdc, reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
            DrawTextW(draw.nmcd.hdc, kEmptyListText, -1, &area, DT_CENTER | DT_NOPREFIX | DT_WORDBREAK);
            SelectObject(draw.nmcd.hdc, previous);
            return CDRF_DODEFAULT;
        }
        if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            const auto row = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
            if (row < files_.Rows().size()) {
                if (const auto colour = RowBackground(files_.Rows()[row], Context(), colours_.Scheme())) draw.clrTextBk = *colour;
            }
            // The list would draw selected rows in the light selection colours; in dark, this draws them.
            if (colours_.Dark() && ListView_GetItemState(list_, static_cast<int>(row), LVIS_SELECTED)) {
                draw.nmcd.uItemState &= ~(CDIS_SELECTED | CDIS_FOCUS);
                draw.clrText = colours_.Colours().selectionText;
                draw.clrTextBk = colours_.Colours().selection;
            }
        }
        return CDRF_DODEFAULT;
    }
    default:
        return 0;
    }
}

}  // namespace app
