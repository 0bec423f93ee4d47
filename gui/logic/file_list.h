// The window's list of files: rows in display order, found by id through an
// index rebuilt after every change of order or membership. Touched only by
// the user-interface thread.
#pragma once

#include "gui/logic/file_row.h"
#include "gui/logic/hash_worker.h"

#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

namespace app {

// The key under which two paths count as the same file: lower-cased.
std::wstring DuplicateKey(const std::wstring& path);

class FileList {
public:
    // A row for a path: its full path, name and folder, and size and time from
    // its attributes; status Error with the system's code when they can't be read.
    FileRow MakeRow(const std::wstring& path);

    // Appends rows for files and folders (folders recursively, hidden and
    // system files only when asked), skipping files already listed. Returns
    // the position of the first new row and how many were added.
    struct Added {
        std::size_t first = 0;
        std::size_t count = 0;
    };
    Added AddPaths(const std::vector<std::wstring>& paths, bool includeHidden);

    // Marks the algorithms of mask that the row lacks as pending and returns
    // the job that computes them; nothing for Error rows or when nothing lacks.
    std::optional<QueuedJob> QueueRow(FileRow& row, vms::AlgorithmMask mask);

    // Applies a finished job to its row; false when the row is gone.
    bool ApplyResult(const JobResult& result);

    // Removes the rows at these positions; returns their ids.
    std::vector<RowId> Remove(std::vector<std::size_t> positions);
    void Clear();

    // Stops all work: pending work is dropped and waiting rows become Cancelled.
    void CancelPending();

    // Puts the rows of the running jobs in status Hashing; returns their positions.
    std::vector<std::size_t> MarkHashing(std::span<const JobInFlight> running);

    // Replaces the order of the rows (after sorting).
    void Reorder(std::vector<FileRow> rows);

    std::vector<FileRow>& Rows() { return rows_; }
    const std::vector<FileRow>& Rows() const { return rows_; }
    std::optional<std::size_t> PositionOf(RowId id) const;

    // After rows were appended to Rows() directly.
    void RebuildIndex();

private:

    std::vector<FileRow> rows_;
    std::unordered_map<RowId, std::size_t> index_;
    RowId nextId_ = 1;
};

}  // namespace app
