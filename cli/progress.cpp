#include "cli/progress.h"

#include "cli/console.h"

#include <windows.h>

#include <algorithm>

namespace cli {

using namespace vms;
namespace {

constexpr std::uint64_t kRedrawMilliseconds = 250;
constexpr std::size_t kMaxWidth = 78;

// True when the line was drawn less than kRedrawMilliseconds ago; otherwise
// takes the time as the line's.
bool DrawnRecently(Progress& progress) {
    const std::uint64_t now = GetTickCount64();
    if (now - progress.lastTick < kRedrawMilliseconds) return true;
    progress.lastTick = now;
    return false;
}

std::wstring PercentOf(std::uint64_t bytes, std::uint64_t total) {
    return std::to_wstring(total == 0 ? 0 : bytes * 100 / total) + L"%  ";
}

}  // namespace

Progress Progress::ForStandardError() {
    Progress progress;
    DWORD mode = 0;
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    progress.enabled = error != nullptr && error != INVALID_HANDLE_VALUE && GetConsoleMode(error, &mode);
    return progress;
}

void ShowFilesInFlight(Progress& progress, std::span<const InFlight> inFlight, std::span<const BatchFile> files,
                       std::span<const std::wstring> names) {
    std::uint64_t bytes = 0;
    std::uint64_t total = 0;
    std::wstring listed;
    std::size_t count = 0;
    for (const InFlight& file : inFlight) {
        const std::uint64_t size = files[file.index].size;
        if (size == kUnknownSize || size < kProgressThreshold) continue;
        bytes += std::min(file.bytes, size);
        total += size;
        listed += (count++ == 0 ? L"" : L", ") + names[file.index];
    }
    if (count == 0 || DrawnRecently(progress)) return;
    ShowProgress(progress, PercentOf(bytes, total) + (count == 1 ? L"" : std::to_wstring(count) + L" files: ") + listed);
}

void ShowProgress(Progress& progress, std::wstring_view text) {
    if (!progress.enabled) return;
    text = text.substr(0, kMaxWidth);
    std::wstring line = L"\r" + std::wstring(text);
    if (progress.shownWidth > text.size()) line.append(progress.shownWidth - text.size(), L' ');
    progress.shownWidth = text.size();
    WriteStd(StdStream::Error, line);
}

void ClearProgress(Progress& progress) {
    progress.lastTick = 0;  // the next file's line is drawn at once
    if (!progress.enabled || progress.shownWidth == 0) return;
    WriteStd(StdStream::Error, L"\r" + std::wstring(progress.shownWidth, L' ') + L"\r");
    progress.shownWidth = 0;
}

}  // namespace cli
