#include "engine/folder_walker.h"

#include "engine/system_functions.h"
#include "engine/text.h"
#include "engine/win_handles.h"

#include <algorithm>

namespace vms {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::size_t LastSeparator(const std::wstring& path) { return path.find_last_of(L"\\/"); }

bool ShouldList(const WIN32_FIND_DATAW& data, const FindOptions& options) {
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") return false;
    const DWORD attributes = data.dwFileAttributes;
    if (!options.hidden && (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) return false;
    // Junctions and directory links could lead anywhere, even into a loop.
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    return true;
}

// Explorer's order; should shlwapi be missing, case-blind code-point order.
int LogicalCompare(const std::wstring& a, const std::wstring& b) {
    if (const system::ShlwapiFunctions* shlwapi = system::Shlwapi()) return shlwapi->strCmpLogical(a.c_str(), b.c_str());
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) - CSTR_EQUAL;
}

bool MatchesPattern(const std::wstring& name, const std::wstring& pattern) {
    const system::ShlwapiFunctions* shlwapi = system::Shlwapi();
    return shlwapi && shlwapi->pathMatchSpec(name.c_str(), pattern.c_str());
}

bool LogicalOrder(const FolderEntry& a, const FolderEntry& b) {
    if (a.isFolder != b.isFolder) return !a.isFolder;
    return LogicalCompare(a.name, b.name) < 0;
}

}  // namespace

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty()) return name;
    if (IsSeparator(folder.back())) return folder + name;
    return folder + L"\\" + name;
}

bool IsWildcardPattern(const std::wstring& input) {
    const std::size_t separator = LastSeparator(input);
    const std::size_t start = separator == std::wstring::npos ? 0 : separator + 1;
    return input.find_first_of(L"*?", start) != std::wstring::npos;
}

bool IsExistingFolder(const std::wstring& input) {
    const DWORD attributes = GetFileAttributesW(ToLongPath(input).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsExistingFile(const std::wstring& input) {
    const DWORD attributes = GetFileAttributesW(ToLongPath(input).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

Result<std::vector<FolderEntry>> ListFolder(const std::wstring& folder, const FindOptions& options) {
    // The extended form is used as is by the system, so a separator must not be doubled.
    const std::wstring search = JoinPath(ToLongPath(folder), L"*");
    WIN32_FIND_DATAW data;
    const UniqueFind find(FindFirstFileExW(search.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                           FIND_FIRST_EX_LARGE_FETCH));
    std::vector<FolderEntry> entries;
    if (!find.Valid()) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return entries;
        return SystemError(error);
    }
    do {
        if (!ShouldList(data, options)) continue;
        entries.push_back({data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                           (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow});
    } while (FindNextFileW(find.Get(), &data));
    std::sort(entries.begin(), entries.end(), LogicalOrder);
    return entries;
}

Result<void> WalkFolder(const std::wstring& folder, const std::wstring& relativePrefix, const std::wstring& namePattern,
                        const FindOptions& options, const FoundFileCallback& callback, bool& found) {
    const Result<std::vector<FolderEntry>> entries = ListFolder(folder, options);
    if (!entries) return entries.GetError();
    for (const FolderEntry& entry : *entries) {
        if (options.cancel && options.cancel->load()) return {};
        std::wstring full = JoinPath(folder, entry.name);
        std::wstring relative = relativePrefix.empty() ? entry.name : relativePrefix + L"\\" + entry.name;
        if (!entry.isFolder) {
            if (!namePattern.empty() && !MatchesPattern(entry.name, namePattern)) continue;
            found = true;
            callback({std::move(full), std::move(relative), entry.size});
        } else if (options.recursive) {
            // A subfolder that can't be listed is passed over.
            static_cast<void>(WalkFolder(full, relative, namePattern, options, callback, found));
        }
    }
    return {};
}

Result<void> FindInFolder(const std::wstring& folder, const FindOptions& options, const FoundFileCallback& callback) {
    bool found = false;
    return WalkFolder(folder, L"", L"", options, callback, found);
}

bool FindPattern(const std::wstring& pattern, const FindOptions& options, const FoundFileCallback& callback) {
    const std::size_t separator = LastSeparator(pattern);
    std::wstring folder = L".";
    std::wstring prefix;
    std::wstring namePattern = pattern;
    if (separator != std::wstring::npos) {
        folder = pattern.substr(0, separator);
        prefix = pattern.substr(0, separator + 1);
        namePattern = pattern.substr(separator + 1);
    }
    if (folder.empty()) folder = L"\\";
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';  // "C:" means the drive's root here
    bool found = false;
    const Result<void> listed = WalkFolder(folder, L"", namePattern, options,
                                           [&](FoundFile file) {
                                               file.path = prefix + file.relative;
                                               callback(std::move(file));
                                           },
                                           found);
    return listed && found;
}

}  // namespace vms
