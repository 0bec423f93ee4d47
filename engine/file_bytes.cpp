#include "engine/file_bytes.h"

#include "engine/text.h"
#include "engine/win_handles.h"

#include <windows.h>

namespace vms {

Result<std::vector<std::uint8_t>> ReadFileBytes(const std::wstring& path, std::uint64_t maxSize) {
    const UniqueFile file(CreateFileW(ToLongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return SystemError(GetLastError());
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size)) return SystemError(GetLastError());
    if (static_cast<std::uint64_t>(size.QuadPart) > maxSize) return SystemError(ERROR_FILE_TOO_LARGE);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t total = 0;
    while (total < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), bytes.data() + total, static_cast<DWORD>(bytes.size() - total), &read, nullptr)) {
            return SystemError(GetLastError());
        }
        if (read == 0) break;  // the file shrank while it was read
        total += read;
    }
    bytes.resize(total);
    return bytes;
}

Result<void> WriteFileBytes(const std::wstring& path, std::string_view bytes) {
    const std::wstring longPath = ToLongPath(path);
    UniqueFile file(CreateFileW(longPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!file.Valid()) return SystemError(GetLastError());
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        const DWORD error =
            written != bytes.size() && GetLastError() == ERROR_SUCCESS ? ERROR_WRITE_FAULT : GetLastError();
        file.Reset();
        DeleteFileW(longPath.c_str());
        return SystemError(error);
    }
    return {};
}

Result<void> ReplaceFileWith(const std::wstring& path, std::string_view bytes) {
    const std::wstring temporary = path + L".vmsum-new";
    if (Result<void> written = WriteFileBytes(temporary, bytes); !written) return written;
    if (!MoveFileExW(ToLongPath(temporary).c_str(), ToLongPath(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileW(ToLongPath(temporary).c_str());
        return SystemError(error);
    }
    return {};
}

}  // namespace vms
