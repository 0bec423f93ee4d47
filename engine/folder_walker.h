// Lists and walks folders in the order people expect: files before folders,
// names in logical order (file2 before file10, case ignored). Hidden and system
// entries are left out unless asked for; junctions and directory links are
// never listed or entered. Shared by both programs; no console code here.
#pragma once

#include "engine/result.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vms {

struct FindOptions {
    bool recursive = false;
    bool hidden = false;  // include hidden and system entries
    // When it points to true the walk stops early and still reports success.
    const std::atomic<bool>* cancel = nullptr;
};

struct FoundFile {
    std::wstring path;      // the folder joined with the entry name
    std::wstring relative;  // relative to the walk's start, components joined with "\"
    std::uint64_t size = 0;
};

struct FolderEntry {
    std::wstring name;
    bool isFolder = false;
    std::uint64_t size = 0;
};

using FoundFileCallback = std::function<void(FoundFile)>;

// Files matching a wildcard pattern such as "docs/*.md" (with subfolders when
// recursive), reported relative to the current folder as the user wrote the
// prefix. True only when the folder could be listed and a file matched.
bool FindPattern(const std::wstring& pattern, const FindOptions& options, const FoundFileCallback& callback);

// Every file of a folder (and below it when recursive), or the system error
// when the folder can't be listed.
Result<void> FindInFolder(const std::wstring& folder, const FindOptions& options, const FoundFileCallback& callback);

// Walks one folder: its files matching namePattern (all when empty), then
// its subfolders when recursive. Sets found when any file was reported.
// Subfolders that cannot be listed are skipped; the folder itself fails.
Result<void> WalkFolder(const std::wstring& folder, const std::wstring& relativePrefix, const std::wstring& namePattern,
                const FindOptions& options, const FoundFileCallback& callback, bool& found);

// The entries of one folder, sorted, or the system error of a folder that
// can't be listed; an empty search succeeds with no entries.
Result<std::vector<FolderEntry>> ListFolder(const std::wstring& folder, const FindOptions& options);

// True when the last path component holds "*" or "?".
bool IsWildcardPattern(const std::wstring& input);

// True when the path's attributes can be read and say directory.
bool IsExistingFolder(const std::wstring& input);

// True when the path's attributes can be read and don't say directory.
bool IsExistingFile(const std::wstring& input);

// folder + "\" + name, without doubling a separator; the name alone for an empty folder.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

}  // namespace vms
