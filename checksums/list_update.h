// A checksum list brought up to date after an audit, in its own format,
// algorithm, path style and line ends.
#pragma once

#include "checksums/folder_audit.h"
#include "engine/result.h"

#include <string>
#include <string_view>

namespace vms {

// The list's text with unchanged entries as they were and in their order,
// changed digests replaced, moved names renamed, missing entries dropped and
// new files appended in the order given. Lines that are no entries stay,
// unless onlyEntries (a clear-signed list, whose armour would no longer hold).
// items are AuditFolder's: the list's entries first, in order, then new files.
std::wstring UpdatedListText(std::wstring_view text, const ChecksumFile& list, const std::vector<AuditItem>& items,
                             bool onlyEntries);

struct ListUpdate {
    std::wstring target;  // the list itself, or NAME.updated for a clear-signed list
    bool clearSigned = false;
};

// Where the refreshed list of listPath goes: a clear-signed list's signature
// wouldn't hold for it, so it goes beside the list.
ListUpdate ListUpdateFor(const std::wstring& listPath, const std::vector<std::uint8_t>& oldBytes);

// Writes the refreshed list beside update.target, then moves it in place, so
// a failed write leaves the old list as it was and gives the system error.
Result<void> WriteUpdatedList(const ListUpdate& update, const std::vector<std::uint8_t>& oldBytes,
                              const ChecksumFile& list, const std::vector<AuditItem>& items);

}  // namespace vms
