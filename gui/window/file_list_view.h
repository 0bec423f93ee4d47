// The list control of the main window: a virtual list view whose rows are the
// checking session's. It owns the columns and the sort order, and draws the
// cells, the matching rows' colours and the empty list's hint.
#pragma once

#include "gui/logic/file_row.h"
#include "gui/logic/list_presentation.h"
#include "gui/logic/settings.h"
#include "gui/window/colour_painter.h"

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <span>
#include <vector>

namespace app {

class FileListView {
public:
    void Attach(HWND list);
    HWND Handle() const { return list_; }

    // Columns for the selected algorithms; the widths the user gave the fixed
    // ones are kept in settings, at 96 DPI.
    void RebuildColumns(Settings& settings, UINT dpi);
    void SaveColumnWidths(Settings& settings, UINT dpi) const;
    void ScaleColumns(const Settings& settings, UINT dpi);
    // The column clicked, and whether it now sorts descending; the header shows the arrow.
    std::optional<std::pair<ColumnSpec, bool>> ToggleSort(int column);

    // Every change to the number of rows comes through here.
    void SetCount(std::size_t count, bool keepScroll);
    void Redraw(std::span<const std::size_t> positions);
    void RedrawAll();
    std::vector<std::size_t> Selected(std::size_t rowCount) const;
    void ClearSelection();
    void SelectAll();
    // Selects and shows one row, as after adding files.
    void SelectAndShow(std::size_t position);
    void Show(std::size_t position);
    // Where a menu opened from the keyboard appears: at the focused row, else the first selected.
    POINT MenuPoint(std::size_t firstSelected) const;

    LRESULT OnNotify(const NMHDR& header, const std::vector<FileRow>& rows, const CellContext& context,
                     const ColourPainter& colours, HFONT font, int hintGap) const;

private:
    HWND list_ = nullptr;
    std::vector<ColumnSpec> columns_;
    int sortColumn_ = -1;
    bool sortDescending_ = false;
};

}  // namespace app
