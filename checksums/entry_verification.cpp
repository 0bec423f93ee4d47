#include "checksums/entry_verification.h"

#include "checksums/hash_recognition.h"

#include <algorithm>

namespace vms {

std::wstring ResolveEntryPath(std::wstring_view checksumPath, std::wstring_view name) {
    std::wstring path(name);
    std::ranges::replace(path, L'/', L'\\');
    if ((path.size() >= 2 && path[1] == L':') || path.starts_with(L"\\\\")) return path;
    if (path.starts_with(L'\\')) {
        if (checksumPath.size() >= 2 && checksumPath[1] == L':') return std::wstring(checksumPath.substr(0, 2)) + path;
        return path;
    }
    const std::size_t separator = checksumPath.find_last_of(L"\\/");
    if (separator == std::wstring_view::npos) return path;
    return std::wstring(checksumPath.substr(0, separator + 1)) + path;
}

EntryResult VerifyEntry(const std::wstring& path, const ChecksumEntry& entry, const HashOptions& options) {
    return JudgeEntry(entry, HashFile(path, CandidateMask(entry.candidates), options));
}

EntryResult JudgeEntry(const ChecksumEntry& entry, const HashResult& result) {
    if (result.cancelled) return {EntryVerdict::Cancelled, entry.candidates.front(), 0};
    if (result.error != 0) {
        const bool missing = result.error == ERROR_FILE_NOT_FOUND || result.error == ERROR_PATH_NOT_FOUND;
        return {missing ? EntryVerdict::Missing : EntryVerdict::Unreadable, entry.candidates.front(), result.error};
    }
    if (const auto match = FindMatchingCandidate(entry.candidates, entry.bytes, result.digests)) {
        return {EntryVerdict::Ok, *match, 0};
    }
    return {EntryVerdict::Failed, entry.candidates.front(), 0};
}

}  // namespace vms
