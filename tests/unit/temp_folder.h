// A fresh folder under the system's temporary folder, removed with everything in it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vms::testing {

class TempFolder {
public:
    TempFolder() {
        wchar_t base[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, base);
        // A name no earlier run left behind: process ids repeat under Wine.
        do {
            path_ = std::filesystem::path(base) / (L"vmtest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                                   std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++counter_));
        } while (!CreateDirectoryW(path_.c_str(), nullptr));
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(Extended(path_), ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // Writes a file (relative name, folders created as needed); returns its full path.
    std::wstring Write(std::wstring_view name, const std::vector<std::uint8_t>& bytes) const {
        const std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(Extended(file.parent_path()));
        const HANDLE handle = CreateFileW(Extended(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(handle);
        return file.wstring();
    }

    static std::wstring Extended(const std::filesystem::path& path) { return L"\\\\?\\" + path.wstring(); }

private:
    std::filesystem::path path_;
    static inline int counter_ = 0;
};

}  // namespace vms::testing
