// A checksum list brought up to date after an audit, in its own format,
// algorithm, path style and line ends.
#pragma once

#include "checksums/folder_audit.h"

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

}  // namespace vms
