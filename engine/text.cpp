#include "engine/text.h"

#include <windows.h>

#include <climits>
#include <cwctype>
#include <new>

namespace vms {
namespace {

constexpr DWORD kMaxPathChars = 32768;

// The conversion functions take int lengths; larger texts cannot be converted.
int ToIntLength(size_t length) {
    if (length > static_cast<size_t>(INT_MAX)) throw std::bad_alloc();
    return static_cast<int>(length);
}

bool IsTrimmed(wchar_t c) {
    switch (c) {
    case L' ': case L'\t': case L'\n': case L'\r':
    case 0x00A0: case 0xFEFF: case 0x200B:
        return true;
    default:
        return false;
    }
}

std::wstring DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::wstring text(bytes.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = static_cast<wchar_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    return text;
}

std::wstring DecodeCodePage(UINT codePage, std::string_view bytes) {
    if (bytes.empty()) return {};
    const int length = ToIntLength(bytes.size());
    const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    std::wstring text(static_cast<size_t>(needed), L'\0');
    if (needed > 0) MultiByteToWideChar(codePage, 0, bytes.data(), length, text.data(), needed);
    return text;
}

}  // namespace

std::wstring ModuleFileName(void* module) {
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD length =
            GetModuleFileNameW(static_cast<HMODULE>(module), path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ToLongPath(const std::wstring& path) {
    if (path.size() >= 4 && (path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\"))) return path;
    // A buffer of MAX_PATH first: the longest form would mean 64 KiB to clear for every file.
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full.data(), nullptr);
    if (length >= MAX_PATH && length < kMaxPathChars) {
        full.resize(length);
        length = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    }
    if (length == 0 || length >= full.size()) return path;
    full.resize(length);
    if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::wstring FromUtf8(std::string_view utf8) {
    return DecodeCodePage(CP_UTF8, utf8);
}

std::string ToUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = ToIntLength(text.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(needed), '\0');
    if (needed > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), needed, nullptr, nullptr);
    return utf8;
}

std::wstring DecodeText(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return FromUtf8(bytes.substr(3));
    if (bytes.starts_with("\xFF\xFE")) return DecodeUtf16(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF")) return DecodeUtf16(bytes.substr(2), true);
    if (bytes.empty()) return {};
    const bool strictUtf8 = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                                ToIntLength(bytes.size()), nullptr, 0) > 0;
    return strictUtf8 ? FromUtf8(bytes) : DecodeCodePage(CP_ACP, bytes);
}

std::wstring_view TrimText(std::wstring_view text) {
    while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
    return text;
}

std::wstring ToLowerW(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
    return lower;
}

bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    if (a.empty()) return true;
    const int length = ToIntLength(a.size());
    return CompareStringOrdinal(a.data(), length, b.data(), length, TRUE) == CSTR_EQUAL;
}

bool EndsWithIgnoreCase(std::wstring_view text, std::wstring_view suffix) {
    if (suffix.size() > text.size()) return false;
    return EqualsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace vms
