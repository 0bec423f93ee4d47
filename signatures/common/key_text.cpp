#include "signatures/common/key_text.h"

#include "engine/digest.h"
#include "engine/text.h"

#include <cstdio>
#include <ctime>

namespace vms {
namespace {

std::tm UtcTime(std::int64_t unixSeconds) {
    const std::time_t time = static_cast<std::time_t>(unixSeconds);
    std::tm parts{};
    gmtime_s(&parts, &time);
    return parts;
}

}  // namespace

std::wstring FormatFingerprint(const Bytes& fingerprint) {
    const std::wstring hex = FromUtf8(BytesToHex(fingerprint, true));
    std::wstring text;
    for (std::size_t i = 0; i < hex.size(); i += 4) text += (i ? L" " : L"") + hex.substr(i, 4);
    return text;
}

std::wstring FormatDate(std::int64_t unixSeconds) {
    const std::tm parts = UtcTime(unixSeconds);
    wchar_t text[16];
    std::swprintf(text, 16, L"%04d-%02d-%02d", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
    return text;
}

std::wstring FormatDateTime(std::int64_t unixSeconds) {
    const std::tm parts = UtcTime(unixSeconds);
    wchar_t text[32];
    std::swprintf(text, 32, L"%04d-%02d-%02d %02d:%02d UTC", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                  parts.tm_hour, parts.tm_min);
    return text;
}

std::wstring UserIdText(const std::string& userId) {
    std::wstring text = FromUtf8(userId);
    for (wchar_t& c : text) {
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0x2028 || c == 0x2029 ||
            (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069)) {
            c = L'?';
        }
    }
    return text;
}

std::wstring JoinedNames(const std::vector<std::string>& names) {
    std::wstring text;
    for (const std::string& name : names) text += (text.empty() ? L"" : L", ") + UserIdText(name);
    return text;
}

}  // namespace vms
