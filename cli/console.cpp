#include "cli/console.h"

#include "engine/text.h"

#include <windows.h>

#include <string>

namespace vms {

void WriteStd(StdStream stream, std::wstring_view text) {
    const HANDLE handle = GetStdHandle(stream == StdStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string utf8 = ToUtf8(text);
    WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void WriteOut(std::wstring_view text) { WriteStd(StdStream::Output, text); }

void WriteOutLine(std::wstring_view text) { WriteStd(StdStream::Output, std::wstring(text) + L'\n'); }

void WriteErrLine(std::wstring_view text) { WriteStd(StdStream::Error, std::wstring(text) + L"\r\n"); }

}  // namespace vms
