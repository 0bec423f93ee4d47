#include "gui/logic/list_presentation.h"

#include "engine/error_text.h"
#include "engine/text.h"
#include "gui/logic/verdict.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstdio>

namespace app {
namespace {

constexpr int kMaxHashColumnWidth = 260;

}  // namespace

std::vector<ColumnSpec> BuildColumns(vms::AlgorithmMask algorithms) {
    std::vector<ColumnSpec> columns = {{ColumnKind::Name}, {ColumnKind::Folder}, {ColumnKind::Size}};
    for (vms::AlgorithmId id : vms::AlgorithmsInMask(algorithms)) columns.push_back({ColumnKind::Hash, id});
    columns.push_back({ColumnKind::Status});
    return columns;
}

std::wstring ColumnTitle(const ColumnSpec& column) {
    switch (column.kind) {
    case ColumnKind::Name: return L"Name";
    case ColumnKind::Folder: return L"Folder";
    case ColumnKind::Size: return L"Size";
    case ColumnKind::Hash: return vms::GetAlgorithm(column.algorithm).displayName;
    case ColumnKind::Status: return L"Status";
    }
    return L"";
}

int FixedColumnIndex(const ColumnSpec& column) {
    switch (column.kind) {
    case ColumnKind::Name: return 0;
    case ColumnKind::Folder: return 1;
    case ColumnKind::Size: return 2;
    case ColumnKind::Status: return 3;
    case ColumnKind::Hash: return -1;
    }
    return -1;
}

int ColumnWidth96(const ColumnSpec& column, const std::array<int, 4>& fixedWidths) {
    const int fixed = FixedColumnIndex(column);
    if (fixed >= 0) return fixedWidths[static_cast<std::size_t>(fixed)];
    return std::min(static_cast<int>(vms::GetAlgorithm(column.algorithm).digestSize) * 14 + 16, kMaxHashColumnWidth);
}

std::wstring CellText(const FileRow& row, const ColumnSpec& column, const CellContext& context) {
    switch (column.kind) {
    case ColumnKind::Name: return row.name;
    case ColumnKind::Folder: return row.folder;
    case ColumnKind::Size: return row.status == RowStatus::Error ? L"" : FormatSize(row.size);
    case ColumnKind::Hash: {
        const vms::DigestEntry& entry = row.digests[column.algorithm];
        return entry.present ? vms::DigestToHexW(entry.digest, context.uppercase) : L"";
    }
    case ColumnKind::Status: return StatusText(row, context.expected);
    }
    return L"";
}

std::vector<FileRow> SortedRows(std::vector<FileRow> rows, const ColumnSpec& column, bool descending,
                                const CellContext& context) {
    const auto before = [&](const FileRow& a, const FileRow& b) {
        if (column.kind == ColumnKind::Size) return a.size < b.size;
        return StrCmpLogicalW(CellText(a, column, context).c_str(), CellText(b, column, context).c_str()) < 0;
    };
    if (descending) {
        std::stable_sort(rows.begin(), rows.end(), [&](const FileRow& a, const FileRow& b) { return before(b, a); });
    } else {
        std::stable_sort(rows.begin(), rows.end(), before);
    }
    return rows;
}

std::optional<COLORREF> RowBackground(const FileRow& row, const CellContext& context, ColourScheme scheme) {
    if (scheme == ColourScheme::HighContrast) return std::nullopt;
    const COLORREF matchBackground = PaletteFor(scheme).matchRow;
    const COLORREF failureBackground = PaletteFor(scheme).failureRow;
    const bool matchesBox = context.expected && vms::FindMatchingCandidate(*context.expected, row.digests);
    if (row.fromChecksumFile) {
        switch (CompareRow(row, row.expectedBytes, row.expectedCandidates).match) {
        case RowMatch::Match: return matchBackground;
        case RowMatch::Mismatch:
        case RowMatch::Missing:
        case RowMatch::Unreadable: return failureBackground;
        case RowMatch::Pending: return matchesBox ? std::optional(matchBackground) : std::nullopt;
        case RowMatch::NotChecked: return std::nullopt;
        }
    }
    return matchesBox ? std::optional(matchBackground) : std::nullopt;
}

std::wstring MoreButtonText(vms::AlgorithmMask algorithms) {
    vms::AlgorithmMask boxed = 0;
    for (vms::AlgorithmId id : kBoxedAlgorithms) boxed |= vms::MaskOf(id);
    const int outside = vms::CountAlgorithms(algorithms & ~boxed & vms::kAllAlgorithms);
    return outside == 0 ? L"&More..." : L"&More (+" + std::to_wstring(outside) + L")...";
}

vms::AlgorithmMask EffectiveSelection(vms::AlgorithmMask algorithms) {
    algorithms &= vms::kAllAlgorithms;
    return algorithms == 0 ? vms::MaskOf(vms::kSha256) : algorithms;
}

std::vector<MenuItem> MoreMenuItems(vms::AlgorithmMask selected, bool showLegacy) {
    std::vector<MenuItem> items;
    const vms::AlgorithmInfo* previous = nullptr;
    for (const vms::AlgorithmInfo& row : vms::AllAlgorithms()) {
        if (row.family == vms::AlgorithmFamily::Legacy && !showLegacy) continue;
        MenuItem item;
        item.command = kMoreMenuFirstCommand + row.id;
        item.text = row.displayName;
        if (!row.secure) item.text += row.family == vms::AlgorithmFamily::Fast ? L"\t(fast, not for security)" : L"\t(not for security)";
        item.checked = (selected & vms::MaskOf(static_cast<vms::AlgorithmId>(row.id))) != 0;
        item.separatorBefore = previous && previous->family != row.family;
        items.push_back(std::move(item));
        previous = &row;
    }
    return items;
}

std::vector<MenuItem> CopyDigestItems(const FileRow& row) {
    std::vector<MenuItem> items;
    for (const vms::AlgorithmInfo& info : vms::AllAlgorithms()) {
        if (!row.digests[info.id].present) continue;
        items.push_back({kCopyDigestFirstCommand + info.id, L"Copy " + std::wstring(info.displayName), false, false});
    }
    return items;
}

std::wstring GroupThousands(std::uint64_t number) {
    std::wstring digits = std::to_wstring(number);
    for (std::ptrdiff_t at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<std::size_t>(at), L",");
    return digits;
}

std::wstring DetailsText(std::span<const FileRow> rows, std::span<const std::size_t> selected, bool uppercase) {
    if (selected.empty()) {
        if (rows.empty()) return L"";
        return std::to_wstring(rows.size()) + L" files. Select one to see its details.";
    }
    if (selected.size() > 1) {
        std::uint64_t total = 0;
        for (std::size_t position : selected) total += rows[position].size;
        return std::to_wstring(selected.size()) + L" files selected, " + FormatSize(total) + L" in total.";
    }
    const FileRow& row = rows[selected.front()];
    std::wstring text = row.name + L"\r\nFolder:\t" + row.folder + L"\r\n";
    if (row.status == RowStatus::Error) {
        text += L"Error:\t" + vms::FormatErrorText(row.error) + L".";
    } else {
        text += L"Size:\t" + FormatSize(row.size);
        if (row.size >= 1024) text += L" (" + GroupThousands(row.size) + L" bytes)";
    }
    FILETIME local;
    SYSTEMTIME time;
    const bool hasTime = row.modified.dwLowDateTime != 0 || row.modified.dwHighDateTime != 0;
    if (hasTime && FileTimeToLocalFileTime(&row.modified, &local) && FileTimeToSystemTime(&local, &time)) {
        wchar_t stamp[40];
        std::swprintf(stamp, std::size(stamp), L"%04u-%02u-%02u %02u:%02u", time.wYear, time.wMonth, time.wDay,
                      time.wHour, time.wMinute);
        text += L"\r\nModified:\t" + std::wstring(stamp);
    }
    for (const vms::AlgorithmInfo& info : vms::AllAlgorithms()) {
        const vms::DigestEntry& entry = row.digests[info.id];
        if (entry.present) text += L"\r\n" + std::wstring(info.displayName) + L":\t" + vms::DigestToHexW(entry.digest, uppercase);
    }
    if (row.authenticodeKnown || row.authenticodeRequested) text += L"\r\nSignature:\t" + AuthenticodeText(row);
    text += OriginLines(row.origin);
    if (row.ownSignature) text += L"\r\nSigned by:\t" + SignedByText(*row.ownSignature, SignedThing::File);
    if (row.fromChecksumFile) {
        const std::size_t separator = row.checksumFile.find_last_of(L'\\');
        const std::wstring list = row.checksumFile.substr(separator == std::wstring::npos ? 0 : separator + 1);
        text += L"\r\nExpected:\t" + vms::FromUtf8(vms::BytesToHex(row.expectedBytes, uppercase)) + L" (" + list +
                (row.checksumLine ? L", line " + std::to_wstring(row.checksumLine) : std::wstring()) + L")";
        if (row.listSignature.state != ListSignatureState::Unsigned) {
            text += L"\r\nSigned by:\t" + SignedByText(row.listSignature, SignedThing::List);
        }
    }
    return text;
}

}  // namespace app
