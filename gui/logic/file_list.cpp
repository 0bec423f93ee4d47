#include "gui/logic/file_list.h"

#include "engine/folder_walker.h"
#include "engine/text.h"

#include <algorithm>
#include <unordered_set>

namespace app {
namespace {

constexpr DWORD kMaxPathChars = 32768;

std::wstring FullPath(const std::wstring& path) {
    std::wstring full(kMaxPathChars, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), kMaxPathChars, full.data(), nullptr);
    if (length == 0 || length >= kMaxPathChars) return path;
    full.resize(length);
    return full;
}

}  // namespace

std::wstring DuplicateKey(const std::wstring& path) { return vms::ToLowerW(path); }

FileRow FileList::MakeRow(const std::wstring& path) {
    FileRow row;
    row.id = nextId_++;
    row.path = FullPath(path);
    const std::size_t separator = row.path.find_last_of(L"\\/");
    row.name = separator == std::wstring::npos ? row.path : row.path.substr(separator + 1);
    row.folder = separator == std::wstring::npos ? L"" : row.path.substr(0, separator);
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (GetFileAttributesExW(vms::ToLongPath(row.path).c_str(), GetFileExInfoStandard, &attributes)) {
        row.size = (std::uint64_t{attributes.nFileSizeHigh} << 32) | attributes.nFileSizeLow;
        row.modified = attributes.ftLastWriteTime;
    } else {
        row.status = RowStatus::Error;
        row.error = GetLastError();
    }
    return row;
}

FileList::Added FileList::AddPaths(const std::vector<std::wstring>& paths, bool includeHidden) {
    std::unordered_set<std::wstring> keys;
    for (const FileRow& row : rows_) keys.insert(DuplicateKey(row.path));
    const Added added{rows_.size(), 0};
    const auto addIfNew = [&](FileRow row) {
        if (keys.insert(DuplicateKey(row.path)).second) rows_.push_back(std::move(row));
    };
    const vms::FindOptions options{true, includeHidden, nullptr};
    for (const std::wstring& path : paths) {
        if (vms::IsExistingFolder(path)) {
            // A folder that can't be listed adds no rows.
            static_cast<void>(vms::FindInFolder(path, options, [&](vms::FoundFile file) {
                if (!keys.contains(DuplicateKey(file.path))) addIfNew(MakeRow(file.path));
            }));
        } else {
            addIfNew(MakeRow(path));
        }
    }
    RebuildIndex();
    return {added.first, rows_.size() - added.first};
}

std::optional<QueuedJob> FileList::QueueRow(FileRow& row, vms::AlgorithmMask mask) {
    if (row.status == RowStatus::Error) return std::nullopt;
    if (row.fromChecksumFile) mask |= vms::CandidateMask(row.expectedCandidates);
    vms::AlgorithmMask missing = 0;
    for (vms::AlgorithmId id : vms::AlgorithmsInMask(mask)) {
        if (!row.digests[id].present && !(row.pending & vms::MaskOf(id))) missing |= vms::MaskOf(id);
    }
    if (missing == 0) return std::nullopt;
    row.pending = (row.pending | missing) & vms::kAllAlgorithms;
    if (row.status != RowStatus::Hashing) row.status = RowStatus::Waiting;
    return QueuedJob{row.id, row.path, missing, row.size};
}

bool FileList::ApplyResult(const JobResult& result) {
    const auto position = PositionOf(result.row);
    if (!position) return false;
    FileRow& row = rows_[*position];
    row.pending &= ~result.algorithms & vms::kAllAlgorithms;
    const vms::HashResult& hash = result.hash;
    if (!hash.cancelled) {
        if (hash.error != 0) {
            row.status = RowStatus::Error;
            row.error = hash.error;
            row.pending = 0;
        } else {
            for (vms::AlgorithmId id : vms::AlgorithmsInMask(result.algorithms)) row.digests[id] = hash.digests[id];
            row.changed = row.changed || hash.changed;
            row.size = hash.bytesHashed;
            row.status = row.pending == 0 ? RowStatus::Done : RowStatus::Waiting;
        }
    } else if (row.pending == 0) {
        row.status = RowStatus::Cancelled;
    }
    return true;
}

std::vector<RowId> FileList::Remove(std::vector<std::size_t> positions) {
    std::sort(positions.rbegin(), positions.rend());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    std::vector<RowId> removed;
    for (std::size_t position : positions) {
        if (position >= rows_.size()) continue;
        removed.push_back(rows_[position].id);
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(position));
    }
    RebuildIndex();
    return removed;
}

void FileList::Clear() {
    rows_.clear();
    index_.clear();
}

void FileList::CancelPending() {
    for (FileRow& row : rows_) {
        if (row.pending == 0) continue;
        row.pending = 0;
        if (row.status == RowStatus::Waiting || row.status == RowStatus::Hashing) row.status = RowStatus::Cancelled;
    }
}

std::vector<std::size_t> FileList::MarkHashing(std::span<const JobInFlight> running) {
    std::vector<std::size_t> marked;
    for (const JobInFlight& job : running) {
        const auto position = PositionOf(job.row);
        if (!position) continue;
        FileRow& row = rows_[*position];
        if (row.status == RowStatus::Error || row.pending == 0 || row.status == RowStatus::Hashing) continue;
        row.status = RowStatus::Hashing;
        marked.push_back(*position);
    }
    return marked;
}

void FileList::Reorder(std::vector<FileRow> rows) {
    rows_ = std::move(rows);
    RebuildIndex();
}

std::optional<std::size_t> FileList::PositionOf(RowId id) const {
    const auto found = index_.find(id);
    if (found == index_.end()) return std::nullopt;
    return found->second;
}

void FileList::RebuildIndex() {
    index_.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i) index_[rows_[i].id] = i;
}

}  // namespace app
