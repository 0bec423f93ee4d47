#include "engine/file_bytes.h"

#include "engine/text.h"
#include "engine/win_handles.h"

namespace vms {

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::wstring& path, std::uint64_t maxSize, DWORD& error) {
    const UniqueFile file(CreateFileW(ToLongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        error = GetLastError();
        return std::nullopt;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size)) {
        error = GetLastError();
        return std::nullopt;
    }
    if (static_cast<std::uint64_t>(size.QuadPart) > maxSize) {
        error = ERROR_FILE_TOO_LARGE;
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t total = 0;
    while (total < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), bytes.data() + total, static_cast<DWORD>(bytes.size() - total), &read, nullptr)) {
            error = GetLastError();
            return std::nullopt;
        }
        if (read == 0) break;  // the file shrank while it was read
        total += read;
    }
    bytes.resize(total);
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, std::string_view bytes, DWORD& error) {
    const std::wstring longPath = ToLongPath(path);
    UniqueFile file(CreateFileW(longPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!file.Valid()) {
        error = GetLastError();
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        error = written != bytes.size() && GetLastError() == ERROR_SUCCESS ? ERROR_WRITE_FAULT : GetLastError();
        file.Reset();
        DeleteFileW(longPath.c_str());
        return false;
    }
    return true;
}

bool ReplaceFileWith(const std::wstring& path, std::string_view bytes, DWORD& error) {
    const std::wstring temporary = path + L".vmsum-new";
    if (!WriteFileBytes(temporary, bytes, error)) return false;
    if (!MoveFileExW(ToLongPath(temporary).c_str(), ToLongPath(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
        DeleteFileW(ToLongPath(temporary).c_str());
        return false;
    }
    return true;
}

}  // namespace vms
