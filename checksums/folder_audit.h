// A folder audit: one checksum file against the tree it describes. Every
// listed entry and every file found ends as exactly one finding.
#pragma once

#include "checksums/checksum_reader.h"
#include "engine/file_batch.h"
#include "engine/result.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vms {

enum class AuditFinding { Unchanged, Changed, Missing, Moved, New, Unreadable };

struct AuditItem {
    AuditFinding finding = AuditFinding::Unchanged;
    std::wstring name;     // the list's name; for New, the file relative to the root, with "/"
    std::wstring movedTo;  // Moved: the file it is now, relative to the root, with "/"
    std::uint32_t error = 0;  // Unreadable: the system's error code
    Digest digest;            // Changed: with the entry's algorithm; New: with the list's, when asked for
    bool listItself = false;  // an entry naming the list or its signature: kept as it is, never reported
};

// Hashes files and calls done(index, result) for each in their order, as
// HashBatch does; names are the files' as reported, for a progress display.
using AuditHashing = std::function<void(std::span<const BatchFile> files, std::span<const std::wstring> names,
                                        const std::function<void(std::size_t, const HashResult&)>& done)>;

// Audits the tree under root (the list's own folder when empty) against the
// list read from listPath: the listed entries in list order, then new files in
// the walker's order, or the system error of a root that can't be listed.
// Names are matched as Windows does, letter case ignored; the list itself and
// its signature files are not part of the tree.
// Each file is read once: listed files with their entry's candidates, and new
// files only when a listed name is missing, with the missing entries'
// candidates, to find moves.
// listAlgorithm, when given, is also computed for changed and new files, for
// an updated list.
Result<std::vector<AuditItem>> AuditFolder(const std::wstring& listPath, const ChecksumFile& list,
                                           const std::wstring& root, bool hidden, const AuditHashing& hashing,
                                           std::optional<AlgorithmId> listAlgorithm = std::nullopt);

}  // namespace vms
