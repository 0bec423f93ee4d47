// Where a file was downloaded from, as Windows records it in the file's
// Zone.Identifier stream.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace app {

struct DownloadOrigin {
    bool present = false;  // the stream exists and was read
    std::int32_t zoneId = -1;
    std::wstring hostUrl;
    std::wstring referrerUrl;
};

// The keys of a Zone.Identifier text: ZoneId, HostUrl, ReferrerUrl (case
// ignored, a later line wins); everything else is ignored.
DownloadOrigin ParseZoneIdentifier(std::wstring_view text);

// Reads the file's stream; present stays clear when there is none.
DownloadOrigin ReadDownloadOrigin(const std::wstring& path);

// The details pane's "Downloaded from:" (and "From the page:") lines, each
// starting with CR LF; empty when the origin is not present.
std::wstring OriginLines(const DownloadOrigin& origin);

}  // namespace app
