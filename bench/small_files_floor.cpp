// The floor for hashing many small files under this system: list a folder
// tree, then open, read and close every file with bare system calls, hashing
// nothing. vmsum -r over the same tree is measured against it.
//   small_files_floor <folder>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr DWORD kBufferSize = 0x100000;

void ListTree(const std::wstring& folder, std::vector<std::wstring>& files) {
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                         nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<std::wstring> folders;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? folders : files).push_back(folder + L"\\" + name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    for (const std::wstring& subfolder : folders) ListTree(subfolder, files);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: small_files_floor <folder>\n");
        return 2;
    }
    std::vector<std::wstring> files;
    ListTree(argv[1], files);
    const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kBufferSize);
    unsigned long long bytes = 0;
    for (const std::wstring& path : files) {
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        // A short read is the end of a file on disk: one call for a small file.
        DWORD read = 0;
        while (ReadFile(file, buffer.get(), kBufferSize, &read, nullptr)) {
            bytes += read;
            if (read < kBufferSize) break;
        }
        CloseHandle(file);
    }
    std::printf("%zu files, %llu bytes\n", files.size(), bytes);
    return 0;
}
