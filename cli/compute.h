// Pieces of compute mode that check and expect modes share.
#pragma once

#include "cli/progress.h"
#include "cli/targets.h"
#include "engine/pipeline.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace cli {

// What makes two open files the same file.
struct FileIdentity {
    DWORD volumeSerial = 0;
    std::uint64_t fileIndex = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of an open handle that is a disk file; nothing for consoles,
// pipes, or when the system cannot tell.
std::optional<FileIdentity> IdentityOfHandle(HANDLE handle);

// The identity of the file at path, opened for attribute reading only.
std::optional<FileIdentity> IdentityOfPath(const std::wstring& path);

// Drops the targets that are the file standard output writes to, so a run
// redirected into the folder it hashes leaves its own output out. Standard
// input and targets whose identity cannot be read stay. Only targets of the
// output's present size can be it, so only those are opened.
void RemoveOutputFile(std::vector<Target>& targets, const FileIdentity& output, std::uint64_t outputSize);

// The size the file's attributes give, 0 when they cannot be read.
std::uint64_t FileSizeOf(const std::wstring& path);

// Files to hash as one batch, with the names the progress line shows.
struct Batch {
    std::vector<vms::BatchFile> files;
    std::vector<std::wstring> names;
};

// Hashes the files, jobs at once (-j), drawing the progress line of those in
// flight, and calls done(index, result) for each in their order with the line
// cleared, so what done prints is what one file at a time would print.
void HashInOrder(std::span<const vms::BatchFile> files, std::span<const std::wstring> names, unsigned jobs,
                 Progress& progress, const std::function<void(std::size_t, const vms::HashResult&)>& done);

// The targets as a batch: standard input as its open handle, files with the
// size their folder listing gave, or else their attribute size.
Batch BatchOf(const std::vector<Target>& targets, vms::AlgorithmMask algorithms);

// "vmsum: <display>: <system text>." for a result that has no digests.
void ReportHashError(const Target& target, const vms::HashResult& result);

}  // namespace cli
