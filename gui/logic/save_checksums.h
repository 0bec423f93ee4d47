// What Save Checksums writes: which rows and algorithms, the file types it
// offers, and the entries with paths relative to the saved file's folder.
#pragma once

#include "checksums/checksum_writer.h"
#include "gui/logic/file_row.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace app {

struct SavePlan {
    std::vector<std::size_t> rows;          // positions, in list order
    vms::AlgorithmMask algorithms = 0;      // present in every saved row
};

// Two or more selected rows: the selected Done rows; otherwise all Done rows.
// The algorithms are those of the selection present in every one of them.
SavePlan PlanSave(std::span<const FileRow> rows, std::span<const std::size_t> selected, vms::AlgorithmMask selection);

struct SaveFileType {
    std::wstring label;
    std::wstring pattern;  // "*" and the extension
    vms::OutputFormat format = vms::OutputFormat::Gnu;
    std::optional<vms::AlgorithmId> algorithm;  // the one algorithm of a gnu type
};

// A sha256sum-style type per algorithm, then BSD, SFV (with CRC32), CSV and JSON.
std::vector<SaveFileType> SaveFileTypes(vms::AlgorithmMask algorithms);

// The type offered first: SHA-256's when it is saved, else the first one.
std::size_t DefaultSaveType(const std::vector<SaveFileType>& types);

// The writer's entries: paths relative to folder when inside it, "/" as separator.
std::vector<vms::FileDigests> SaveEntries(std::span<const FileRow> rows, const SavePlan& plan, const std::wstring& folder,
                                          const SaveFileType& type);

}  // namespace app
