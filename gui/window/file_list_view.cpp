#include "gui/window/file_list_view.h"

#include <uxtheme.h>

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

int Scaled(int pixels96, UINT dpi) { return MulDiv(pixels96, static_cast<int>(dpi), 96); }

}  // namespace

void FileListView::Attach(HWND list) {
    list_ = list;
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_DOUBLEBUFFER);
    SetWindowTheme(list_, L"Explorer", nullptr);
}

void FileListView::SaveColumnWidths(Settings& settings, UINT dpi) const {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const int fixed = FixedColumnIndex(columns_[i]);
        if (fixed < 0) continue;
        settings.columnWidths[static_cast<std::size_t>(fixed)] =
            MulDiv(ListView_GetColumnWidth(list_, static_cast<int>(i)), 96, static_cast<int>(dpi));
    }
}

void FileListView::RebuildColumns(Settings& settings, UINT dpi) {
    SaveColumnWidths(settings, dpi);
    while (ListView_DeleteColumn(list_, 0)) {
    }
    columns_ = BuildColumns(settings.algorithms);
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        std::wstring title = ColumnTitle(columns_[i]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = columns_[i].kind == ColumnKind::Size ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = Scaled(ColumnWidth96(columns_[i], settings.columnWidths), dpi);
        column.pszText = title.data();
        column.iSubItem = static_cast<int>(i);
        ListView_InsertColumn(list_, static_cast<int>(i), &column);
    }
    sortColumn_ = -1;
}

void FileListView::ScaleColumns(const Settings& settings, UINT dpi) {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        ListView_SetColumnWidth(list_, static_cast<int>(i), Scaled(ColumnWidth96(columns_[i], settings.columnWidths), dpi));
    }
}

std::optional<std::pair<ColumnSpec, bool>> FileListView::ToggleSort(int column) {
    if (column < 0 || column >= static_cast<int>(columns_.size())) return std::nullopt;
    sortDescending_ = column == sortColumn_ ? !sortDescending_ : false;
    sortColumn_ = column;
    const HWND header = ListView_GetHeader(list_);
    for (int i = 0; i < static_cast<int>(columns_.size()); ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, i, &item);
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == column) item.fmt |= sortDescending_ ? HDF_SORTDOWN : HDF_SORTUP;
        Header_SetItem(header, i, &item);
    }
    return std::pair{columns_[static_cast<std::size_t>(column)], sortDescending_};
}

void FileListView::SetCount(std::size_t count, bool keepScroll) {
    ListView_SetItemCountEx(list_, static_cast<int>(count), keepScroll ? LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL : 0);
    InvalidateRect(list_, nullptr, FALSE);
}

void FileListView::Redraw(std::span<const std::size_t> positions) {
    for (const std::size_t position : positions) {
        ListView_RedrawItems(list_, static_cast<int>(position), static_cast<int>(position));
    }
}

void FileListView::RedrawAll() { InvalidateRect(list_, nullptr, FALSE); }

std::vector<std::size_t> FileListView::Selected(std::size_t rowCount) const {
    std::vector<std::size_t> positions;
    for (int item = ListView_GetNextItem(list_, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(list_, item, LVNI_SELECTED)) {
        if (static_cast<std::size_t>(item) < rowCount) positions.push_back(static_cast<std::size_t>(item));
    }
    return positions;
}

void FileListView::ClearSelection() { ListView_SetItemState(list_, -1, 0, LVIS_SELECTED); }

void FileListView::SelectAll() { ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED); }

void FileListView::SelectAndShow(std::size_t position) {
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    const int item = static_cast<int>(position);
    ListView_SetItemState(list_, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list_, item, FALSE);
}

void FileListView::Show(std::size_t position) { ListView_EnsureVisible(list_, static_cast<int>(position), FALSE); }

POINT FileListView::MenuPoint(std::size_t firstSelected) const {
    int item = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    if (item < 0) item = static_cast<int>(firstSelected);
    RECT rect;
    ListView_GetItemRect(list_, item, &rect, LVIR_BOUNDS);
    POINT point{rect.left, rect.top};
    ClientToScreen(list_, &point);
    return point;
}

LRESULT FileListView::OnNotify(const NMHDR& header, const std::vector<FileRow>& rows, const CellContext& context,
                               const ColourPainter& colours, HFONT font, int hintGap) const {
    if (header.code == LVN_GETDISPINFOW) {
        auto& item = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header)).item;
        const auto row = static_cast<std::size_t>(item.iItem);
        const auto column = static_cast<std::size_t>(item.iSubItem);
        if ((item.mask & LVIF_TEXT) && row < rows.size() && column < columns_.size()) {
            CopyCut(CellText(rows[row], columns_[column], context), item.pszText, item.cchTextMax);
        }
        return 0;
    }
    if (header.code != NM_CUSTOMDRAW) return 0;
    auto& draw = const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header));
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    if (draw.nmcd.dwDrawStage == CDDS_POSTPAINT && rows.empty()) {
        // The hint of an empty list, drawn here rather than through the list's empty
        // markup, which not every implementation of the control draws.
        RECT area;
        GetClientRect(list_, &area);
        RECT titles;
        GetWindowRect(ListView_GetHeader(list_), &titles);
        area.top += (titles.bottom - titles.top) + hintGap;
        SetTextColor(draw.nmcd.hdc, colours.Dark() ? colours.Colours().dimText : GetSysColor(COLOR_GRAYTEXT));
        SetBkMode(draw.nmcd.hdc, TRANSPARENT);
        const HGDIOBJ previous = SelectObject(draw.nmcd.hdc, font);
        DrawTextW(draw.nmcd.hdc, kEmptyListText, -1, &area, DT_CENTER | DT_NOPREFIX | DT_WORDBREAK);
        SelectObject(draw.nmcd.hdc, previous);
        return CDRF_DODEFAULT;
    }
    if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        const auto row = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
        if (row < rows.size()) {
            if (const auto colour = RowBackground(rows[row], context, colours.Scheme())) draw.clrTextBk = *colour;
        }
        // The list would draw selected rows in the light selection colours; in dark, this draws them.
        if (colours.Dark() && ListView_GetItemState(list_, static_cast<int>(row), LVIS_SELECTED)) {
            draw.nmcd.uItemState &= ~(CDIS_SELECTED | CDIS_FOCUS);
            draw.clrText = colours.Colours().selectionText;
            draw.clrTextBk = colours.Colours().selection;
        }
    }
    return CDRF_DODEFAULT;
}

}  // namespace app
