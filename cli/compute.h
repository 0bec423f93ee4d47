// Pieces of compute mode that check and expect modes share.
#pragma once

#include "cli/targets.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace vms {

// What makes two open files the same file.
struct FileIdentity {
    DWORD volumeSerial = 0;
    std::uint64_t fileIndex = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of an open handle that is a disk file; nothing for consoles,
// pipes, or when the system cannot tell.
std::optional<FileIdentity> IdentityOfHandle(HANDLE handle);

// Drops the targets that are the file standard output writes to, so a run
// redirected into the folder it hashes leaves its own output out. Standard
// input and targets whose identity cannot be read stay.
void RemoveOutputFile(std::vector<Target>& targets, const FileIdentity& output);

// The size the file's attributes give, 0 when they cannot be read.
std::uint64_t FileSizeOf(const std::wstring& path);

}  // namespace vms
