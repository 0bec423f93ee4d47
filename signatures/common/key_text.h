// How keys and signatures are written for people: fingerprints in groups of
// four, dates in UTC, user IDs as text.
#pragma once

#include "signatures/openpgp/key_packet.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vms {

// "ABCD 1234 ..." in upper case; a key ID comes out as four groups.
std::wstring FormatFingerprint(const Bytes& fingerprint);

// "2026-12-08".
std::wstring FormatDate(std::int64_t unixSeconds);

// "2026-12-08 06:58 UTC".
std::wstring FormatDateTime(std::int64_t unixSeconds);

// A user ID's UTF-8 bytes as text, with control characters shown as "?" so a
// hostile user ID can't move the cursor or split a line.
std::wstring UserIdText(const std::string& userId);

// Names such as an SSH key's principals, each as UserIdText gives it, joined by ", ".
std::wstring JoinedNames(const std::vector<std::string>& names);

}  // namespace vms
