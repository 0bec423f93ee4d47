#include "engine/error_text.h"

#include "engine/win_handles.h"

namespace vms {

std::wstring FormatErrorText(std::uint32_t code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const UniqueLocal<wchar_t> owner(buffer);
    std::wstring text = (length > 0 && buffer) ? std::wstring(buffer, length)
                                               : L"Error " + std::to_wstring(code);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' ||
                             text.back() == L' ' || text.back() == L'.')) {
        text.pop_back();
    }
    return text;
}

}  // namespace vms
