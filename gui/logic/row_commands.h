// The texts and decisions of the commands that act on selected rows: copying
// digests, lines and paths, the VirusTotal address, comparing two files.
#pragma once

#include "gui/logic/file_row.h"

#include <optional>
#include <span>
#include <string>

namespace app {

// The base address of the file look-up service.
inline constexpr const wchar_t* kLookUpBase = L"https://www.virustotal.com";

// Copy Hashes: one row's digests (a bare hex for one), or tagged lines for
// several rows. Nothing when no row is selected.
std::optional<std::wstring> CopyHashesText(std::span<const FileRow> rows, std::span<const std::size_t> selected,
                                           vms::AlgorithmMask selection, bool upper);

// Copy Line: "hex  name" lines for the first selected algorithm every row has; nothing when none.
std::optional<std::wstring> CopyLineText(std::span<const FileRow> rows, std::span<const std::size_t> selected,
                                         vms::AlgorithmMask selection, bool upper);

// Copy All Hashes: tagged lines for every digest of every selected row.
std::wstring CopyAllHashesText(std::span<const FileRow> rows, std::span<const std::size_t> selected, bool upper);

// Copy Path: one path alone, or a line per path.
std::wstring CopyPathText(std::span<const FileRow> rows, std::span<const std::size_t> selected);

// The row's page on the look-up service; nothing until its SHA-256 is known.
std::optional<std::wstring> LookUpAddress(const FileRow& row);

enum class ComparisonOutcome { Waiting, SizesDiffer, Unreadable, Identical, Different };

// Comparing two rows by size, then by SHA-256 once both have it.
ComparisonOutcome CompareFiles(const FileRow& first, const FileRow& second);

}  // namespace app
