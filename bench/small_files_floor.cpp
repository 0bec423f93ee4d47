// The floor for hashing many small files under this system: list a folder
// tree, then open, read and close every file with bare system calls, hashing
// nothing. vmsum -r over the same tree is measured against it. With several
// threads, each takes every n-th file of the list, as vmsum -j n takes the
// next file in turn: the floor's own speed-up shows what the system allows.
//   small_files_floor [--threads <n>] <folder>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <numeric>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kBufferSize = 0x100000;
constexpr unsigned long kMaxThreads = 64;

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

// Reads files first, first + step, ...; returns the bytes read.
unsigned long long ReadFiles(const std::vector<std::wstring>& files, std::size_t first, std::size_t step) {
    const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kBufferSize);
    unsigned long long bytes = 0;
    for (std::size_t i = first; i < files.size(); i += step) {
        const HANDLE file = CreateFileW(files[i].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
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
    return bytes;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool threaded = argc == 4 && std::wstring_view(argv[1]) == L"--threads";
    const unsigned long threads = threaded ? std::wcstoul(argv[2], nullptr, 10) : 1;
    if ((argc != 2 && !threaded) || threads == 0 || threads > kMaxThreads) {
        std::fprintf(stderr, "usage: small_files_floor [--threads <n>] <folder>\n");
        return 2;
    }
    std::vector<std::wstring> files;
    ListTree(argv[argc - 1], files);
    std::vector<unsigned long long> bytes(threads);
    std::vector<std::thread> workers;
    for (std::size_t t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] { bytes[t] = ReadFiles(files, t, threads); });
    }
    for (std::thread& worker : workers) worker.join();
    std::printf("%zu files, %llu bytes\n", files.size(), std::accumulate(bytes.begin(), bytes.end(), 0ULL));
    return 0;
}
