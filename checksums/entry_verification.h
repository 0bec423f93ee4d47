// Resolves a checksum entry's name to a file and verifies the file against it.
#pragma once

#include "checksums/checksum_reader.h"
#include "engine/pipeline.h"

#include <string>
#include <string_view>

namespace vms {

enum class EntryVerdict { Ok = 0, Failed = 1, Missing = 2, Unreadable = 3, Cancelled = 4 };

struct EntryResult {
    EntryVerdict verdict = EntryVerdict::Failed;
    AlgorithmId algorithm = 0;  // the matching candidate for Ok, else the first candidate
    std::uint32_t error = 0;    // for Missing and Unreadable
};

// The path of the file an entry names: relative names against the checksum
// file's folder, "\name" against its drive, drive and network paths as they are.
std::wstring ResolveEntryPath(std::wstring_view checksumPath, std::wstring_view name);

// The verdict on an entry from its file's hash result, which holds the
// entry's candidates. Missing means ERROR_FILE_NOT_FOUND or
// ERROR_PATH_NOT_FOUND; any other error is Unreadable.
EntryResult JudgeEntry(const ChecksumEntry& entry, const HashResult& result);

// Hashes the file once with all the entry's candidates and compares. Missing
// means ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND; any other error is
// Unreadable.
EntryResult VerifyEntry(const std::wstring& path, const ChecksumEntry& entry, const HashOptions& options);

}  // namespace vms
