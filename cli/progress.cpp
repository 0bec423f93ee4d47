#include "cli/progress.h"

#include "cli/console.h"

#include <windows.h>

namespace cli {

using namespace vms;
namespace {

constexpr std::uint64_t kRedrawMilliseconds = 250;
constexpr std::size_t kMaxWidth = 78;

}  // namespace

Progress Progress::ForStandardError() {
    Progress progress;
    DWORD mode = 0;
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    progress.enabled = error != nullptr && error != INVALID_HANDLE_VALUE && GetConsoleMode(error, &mode);
    return progress;
}

HashOptions Progress::Options() {
    HashOptions options;
    options.progress = [this](std::uint64_t bytes) {
        const std::uint64_t now = GetTickCount64();
        if (now - lastTick < kRedrawMilliseconds) return;
        lastTick = now;
        const std::uint64_t percent = total == 0 ? 0 : bytes * 100 / total;
        ShowProgress(*this, std::to_wstring(percent) + L"%  " + name);
    };
    return options;
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
    if (!progress.enabled || progress.shownWidth == 0) return;
    WriteStd(StdStream::Error, L"\r" + std::wstring(progress.shownWidth, L' ') + L"\r");
    progress.shownWidth = 0;
}

}  // namespace cli
