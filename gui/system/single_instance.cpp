#include "gui/system/single_instance.h"

#include <windows.h>

#include <cstring>

namespace app {
namespace {

constexpr const wchar_t* kMutexName = L"Local\\Zentaro.Verimond.Instance";
constexpr const wchar_t* kMappingName = L"Local\\Zentaro.Verimond.Window";
constexpr int kAttempts = 50;
constexpr DWORD kAttemptPause = 100;
constexpr UINT kSendTimeout = 10000;
constexpr DWORD kMaxPathChars = 32768;

struct ViewDeleter {
    void operator()(void* view) const noexcept { UnmapViewOfFile(view); }
};
using UniqueView = std::unique_ptr<void, ViewDeleter>;

HWND ReadPublishedWindow() {
    const vms::UniqueHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, kMappingName));
    if (!mapping.Valid()) return nullptr;
    const UniqueView view(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, sizeof(std::uint64_t)));
    if (!view) return nullptr;
    std::uint64_t value;
    std::memcpy(&value, view.get(), sizeof value);
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
}

// The window of the running instance, once it has published one.
HWND WaitForPublishedWindow() {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const HWND window = ReadPublishedWindow();
        if (window && IsWindow(window)) return window;
        Sleep(kAttemptPause);
    }
    return nullptr;
}

}  // namespace

std::wstring BuildPathList(const std::vector<std::wstring>& arguments) {
    std::wstring list;
    std::wstring full(kMaxPathChars, L'\0');
    for (const std::wstring& argument : arguments) {
        const DWORD length = GetFullPathNameW(argument.c_str(), kMaxPathChars, full.data(), nullptr);
        if (length == 0 || length >= kMaxPathChars) {
            list += argument;
        } else {
            list.append(full.data(), length);
        }
        list += L'\0';
    }
    return list;
}

std::vector<std::wstring> ParsePathList(std::wstring_view units) {
    std::vector<std::wstring> paths;
    while (!units.empty()) {
        const std::size_t end = units.find(L'\0');
        const std::wstring_view piece = units.substr(0, end);
        if (!piece.empty()) paths.emplace_back(piece);
        if (end == std::wstring_view::npos) break;
        units.remove_prefix(end + 1);
    }
    return paths;
}

InstanceMark MarkInstance() {
    InstanceMark mark{vms::UniqueHandle(CreateMutexW(nullptr, FALSE, kMutexName)), false};
    mark.anotherInstance = mark.mutex.Valid() && GetLastError() == ERROR_ALREADY_EXISTS;
    return mark;
}

bool HandOffToRunningInstance(const std::vector<std::wstring>& arguments, const InstanceMark& mark) {
    if (arguments.empty() || !mark.anotherInstance) return false;

    const HWND target = WaitForPublishedWindow();
    if (!target) return false;
    const std::wstring list = BuildPathList(arguments);
    DWORD process = 0;
    GetWindowThreadProcessId(target, &process);
    AllowSetForegroundWindow(process);
    COPYDATASTRUCT data{kHandOffTag, static_cast<DWORD>(list.size() * sizeof(wchar_t)), const_cast<wchar_t*>(list.data())};
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, kSendTimeout,
                               &answer) != 0;
}

vms::UniqueHandle PublishWindow(HWND window) {
    vms::UniqueHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(std::uint64_t),
                                                 kMappingName));
    if (!mapping.Valid()) return mapping;
    if (const UniqueView view{MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, sizeof(std::uint64_t))}) {
        const auto value = static_cast<std::uint64_t>(reinterpret_cast<ULONG_PTR>(window));
        std::memcpy(view.get(), &value, sizeof value);
    }
    return mapping;
}

}  // namespace app
