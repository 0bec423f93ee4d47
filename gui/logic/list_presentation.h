// What the list shows: its columns and cell texts, sorting, the More button and
// menu, and the details pane's text. Plain logic; the window draws it.
#pragma once

#include "gui/logic/colour_scheme.h"
#include "gui/logic/file_row.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace app {

enum class ColumnKind { Name = 0, Folder = 1, Size = 2, Hash = 3, Status = 4 };

struct ColumnSpec {
    ColumnKind kind = ColumnKind::Name;
    vms::AlgorithmId algorithm = 0;  // for Hash columns
    bool operator==(const ColumnSpec&) const = default;
};

// Name, Folder, Size, a Hash column per selected algorithm in table order, Status.
std::vector<ColumnSpec> BuildColumns(vms::AlgorithmMask algorithms);

std::wstring ColumnTitle(const ColumnSpec& column);

// Width at 96 DPI: the saved width of a fixed column, or one fitted to the digest.
int ColumnWidth96(const ColumnSpec& column, const std::array<int, 4>& fixedWidths);

// The index of a fixed column in the saved widths (Name 0 ... Status 3), or -1 for Hash columns.
int FixedColumnIndex(const ColumnSpec& column);

// What cell texts depend on besides the row.
struct CellContext {
    bool uppercase = false;
    const vms::ParsedHash* expected = nullptr;  // the expected hash, when the box holds one
};

std::wstring CellText(const FileRow& row, const ColumnSpec& column, const CellContext& context);

// The rows ordered by a column: sizes as numbers, other texts in logical
// order (file2 before file10, case ignored); equal rows keep their order.
std::vector<FileRow> SortedRows(std::vector<FileRow> rows, const ColumnSpec& column, bool descending,
                                const CellContext& context);

// The background of a row that matches the expected hash; nothing in high
// contrast or when the row keeps the default colours.
std::optional<COLORREF> RowBackground(const FileRow& row, const CellContext& context, ColourScheme scheme);

// The algorithms the five check boxes stand for, in box order (ids 1011 to 1015).
inline constexpr std::array<vms::AlgorithmId, 5> kBoxedAlgorithms = {vms::kMd5, vms::kSha1, vms::kSha256,
                                                                     vms::kSha512, vms::kBlake3};

// "&More..." or "&More (+N)..." for N selected algorithms without a check box.
std::wstring MoreButtonText(vms::AlgorithmMask algorithms);

// The selection a user's choice becomes: empty means SHA-256 alone.
vms::AlgorithmMask EffectiveSelection(vms::AlgorithmMask algorithms);

struct MenuItem {
    unsigned command = 0;
    std::wstring text;
    bool checked = false;
    bool separatorBefore = false;
};

// One item per algorithm (legacy ones only when shown), command 41000 + id.
std::vector<MenuItem> MoreMenuItems(vms::AlgorithmMask selected, bool showLegacy);
inline constexpr unsigned kMoreMenuFirstCommand = 41000;

// "Copy MD5", "Copy SHA-256"... for the digests a row has, command 41100 + id.
std::vector<MenuItem> CopyDigestItems(const FileRow& row);
inline constexpr unsigned kCopyDigestFirstCommand = 41100;

// The details pane: one row in lines, several summed up, or a hint.
std::wstring DetailsText(std::span<const FileRow> rows, std::span<const std::size_t> selected, bool uppercase);

// "1,234,567"
std::wstring GroupThousands(std::uint64_t number);

}  // namespace app
