#include "cli/console.h"

#include "engine/text.h"

#include <windows.h>

#include <string>

namespace cli {

using namespace vms;
namespace {

// Whether a standard handle is a console, asked once per handle: the question
// is a round trip to the console driver, and a run over many small files
// writes a line for each.
bool IsConsole(StdStream stream, HANDLE handle) {
    struct Answer {
        HANDLE handle = nullptr;
        bool console = false;
    };
    thread_local Answer answers[2];
    Answer& answer = answers[stream == StdStream::Output ? 0 : 1];
    if (answer.handle != handle) {
        DWORD mode = 0;
        answer = {handle, GetConsoleMode(handle, &mode) != 0};
    }
    return answer.console;
}

}  // namespace

void WriteStd(StdStream stream, std::wstring_view text) {
    const HANDLE handle = GetStdHandle(stream == StdStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return;
    DWORD written = 0;
    if (IsConsole(stream, handle)) {
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string utf8 = ToUtf8(text);
    WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void WriteOut(std::wstring_view text) { WriteStd(StdStream::Output, text); }

void WriteOutLine(std::wstring_view text) { WriteStd(StdStream::Output, std::wstring(text) + L'\n'); }

void WriteErrLine(std::wstring_view text) { WriteStd(StdStream::Error, std::wstring(text) + L"\r\n"); }

}  // namespace cli
