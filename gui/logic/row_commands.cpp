#include "gui/logic/row_commands.h"

#include "engine/text.h"

namespace app {
namespace {

std::wstring Hex(const FileRow& row, vms::AlgorithmId id, bool upper) {
    return vms::DigestToHexW(row.digests[id].digest, upper);
}

std::wstring TaggedLine(const FileRow& row, vms::AlgorithmId id, bool upper) {
    return vms::FromUtf8(vms::GetAlgorithm(id).tag) + L" (" + row.name + L") = " + Hex(row, id, upper) + L"\r\n";
}

}  // namespace

std::optional<std::wstring> CopyHashesText(std::span<const FileRow> rows, std::span<const std::size_t> selected,
                                           vms::AlgorithmMask selection, bool upper) {
    if (selected.empty()) return std::nullopt;
    std::wstring text;
    if (selected.size() == 1) {
        const FileRow& row = rows[selected.front()];
        std::vector<vms::AlgorithmId> present;
        for (vms::AlgorithmId id : vms::AlgorithmsInMask(selection)) {
            if (row.digests[id].present) present.push_back(id);
        }
        if (present.size() == 1) return Hex(row, present.front(), upper);
        for (vms::AlgorithmId id : present) {
            text += std::wstring(vms::GetAlgorithm(id).displayName) + L": " + Hex(row, id, upper) + L"\r\n";
        }
        return text;
    }
    for (std::size_t position : selected) {
        for (vms::AlgorithmId id : vms::AlgorithmsInMask(selection)) {
            if (rows[position].digests[id].present) text += TaggedLine(rows[position], id, upper);
        }
    }
    return text;
}

std::optional<std::wstring> CopyLineText(std::span<const FileRow> rows, std::span<const std::size_t> selected,
                                         vms::AlgorithmMask selection, bool upper) {
    for (vms::AlgorithmId id : vms::AlgorithmsInMask(selection)) {
        bool everyRow = !selected.empty();
        for (std::size_t position : selected) everyRow = everyRow && rows[position].digests[id].present;
        if (!everyRow) continue;
        std::wstring text;
        for (std::size_t position : selected) text += Hex(rows[position], id, upper) + L"  " + rows[position].name + L"\r\n";
        return text;
    }
    return std::nullopt;
}

std::wstring CopyAllHashesText(std::span<const FileRow> rows, std::span<const std::size_t> selected, bool upper) {
    std::wstring text;
    for (std::size_t position : selected) {
        for (vms::AlgorithmId id : vms::AlgorithmsInMask(vms::kAllAlgorithms)) {
            if (rows[position].digests[id].present) text += TaggedLine(rows[position], id, upper);
        }
    }
    return text;
}

std::wstring CopyPathText(std::span<const FileRow> rows, std::span<const std::size_t> selected) {
    if (selected.size() == 1) return rows[selected.front()].path;
    std::wstring text;
    for (std::size_t position : selected) text += rows[position].path + L"\r\n";
    return text;
}

std::optional<std::wstring> LookUpAddress(const FileRow& row) {
    if (!row.digests[vms::kSha256].present) return std::nullopt;
    return std::wstring(kLookUpBase) + L"/gui/file/" + Hex(row, vms::kSha256, false);
}

ComparisonOutcome CompareFiles(const FileRow& first, const FileRow& second) {
    const bool firstError = first.status == RowStatus::Error;
    const bool secondError = second.status == RowStatus::Error;
    if (!firstError && !secondError && first.size != second.size) return ComparisonOutcome::SizesDiffer;
    const auto settled = [](const FileRow& row) { return row.status == RowStatus::Error || row.digests[vms::kSha256].present; };
    if (!settled(first) || !settled(second)) return ComparisonOutcome::Waiting;
    if (firstError || secondError) return ComparisonOutcome::Unreadable;
    return vms::DigestEquals(first.digests[vms::kSha256].digest, second.digests[vms::kSha256].digest.View())
               ? ComparisonOutcome::Identical
               : ComparisonOutcome::Different;
}

}  // namespace app
