// Comparing the list with an expected hash, and with the digests of a verified
// checksum file: the per-row comparison and the texts of the verdict line.
#pragma once

#include "gui/logic/file_row.h"

#include <optional>
#include <span>
#include <string>

namespace app {

enum class RowMatch { NotChecked = 0, Pending = 1, Match = 2, Mismatch = 3, Missing = 4, Unreadable = 5 };

struct RowComparison {
    RowMatch match = RowMatch::NotChecked;
    vms::AlgorithmId algorithm = 0;  // the matching candidate, for Match
};

// How a row compares with expected bytes that one of the candidates may have produced.
RowComparison CompareRow(const FileRow& row, std::span<const std::uint8_t> bytes,
                         std::span<const vms::AlgorithmId> candidates);

enum class VerdictStyle { None = 0, Match = 1, Mismatch = 2, Info = 3, Busy = 4 };

struct Verdict {
    std::wstring text;
    VerdictStyle style = VerdictStyle::None;
};

// The verdict for an expected hash (already recognised) against the rows.
Verdict ExpectedHashVerdict(const vms::ParsedHash& expected, std::span<const FileRow> rows);

// The verdict line while the box is empty: the summary of checksum-file rows.
Verdict ChecksumSummary(std::span<const FileRow> rows, bool workerBusy);

// "MD5 or XXH128", "MD5, XXH128, MD4 or MD2".
std::wstring JoinAlgorithmNames(std::span<const vms::AlgorithmId> ids, std::wstring_view word);

// The notice offering a clipboard text for comparison; nothing when the text
// is not to be offered (too long, several lines, not a hash, under 16 bytes,
// dismissed before, or already in the box).
std::optional<std::wstring> ClipboardOffer(std::wstring_view clipboard, std::wstring_view dismissed,
                                           std::wstring_view boxText);

// True for names such as SHA256SUMS, x.sha256, checksums.txt or release.digests.
bool LooksLikeChecksumFile(const std::wstring& path);

}  // namespace app
