#include "gui/logic/download_origin.h"

#include "engine/text.h"
#include "engine/win_handles.h"

#include <cwchar>

namespace app {
namespace {

constexpr DWORD kMaxStreamBytes = 65536;
constexpr std::int32_t kInternetZone = 3;

}  // namespace

DownloadOrigin ParseZoneIdentifier(std::wstring_view text) {
    DownloadOrigin origin;
    origin.present = true;
    while (!text.empty()) {
        const std::size_t end = text.find(L'\n');
        const std::wstring_view line = vms::TrimText(text.substr(0, end));
        text.remove_prefix(end == std::wstring_view::npos ? text.size() : end + 1);
        const std::size_t equals = line.find(L'=');
        if (equals == std::wstring_view::npos) continue;
        const std::wstring_view key = vms::TrimText(line.substr(0, equals));
        const std::wstring value(vms::TrimText(line.substr(equals + 1)));
        if (vms::EqualsIgnoreCase(key, L"ZoneId")) {
            origin.zoneId = static_cast<std::int32_t>(std::wcstol(value.c_str(), nullptr, 10));
        } else if (vms::EqualsIgnoreCase(key, L"HostUrl")) {
            origin.hostUrl = value;
        } else if (vms::EqualsIgnoreCase(key, L"ReferrerUrl")) {
            origin.referrerUrl = value;
        }
    }
    return origin;
}

DownloadOrigin ReadDownloadOrigin(const std::wstring& path) {
    const vms::UniqueFile stream(CreateFileW((vms::ToLongPath(path) + L":Zone.Identifier").c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!stream.Valid()) return {};
    std::string bytes(kMaxStreamBytes, '\0');
    DWORD read = 0;
    if (!ReadFile(stream.Get(), bytes.data(), kMaxStreamBytes, &read, nullptr)) return {};
    bytes.resize(read);
    return ParseZoneIdentifier(vms::DecodeText(bytes));
}

std::wstring OriginLines(const DownloadOrigin& origin) {
    if (!origin.present) return {};
    std::wstring from = origin.hostUrl;
    if (from.empty()) from = origin.referrerUrl;
    if (from.empty()) {
        from = origin.zoneId == kInternetZone ? L"the Internet (no address recorded)" : L"another computer (no address recorded)";
    }
    std::wstring lines = L"\r\nDownloaded from:\t" + from;
    if (!origin.hostUrl.empty() && !origin.referrerUrl.empty()) lines += L"\r\nFrom the page:\t" + origin.referrerUrl;
    return lines;
}

}  // namespace app
