// The checks that read files on behalf of the checking session: a list's
// signature, a download's own signature, whether a file holds a key, and
// bringing a list up to date. Each can take long: they run away from the
// window's thread.
#pragma once

#include "gui/logic/check_events.h"

#include <optional>
#include <string>

namespace app {

// The list's signature, against the keys the user trusts, as of now: in place
// when clear-signed, else the given detached signature, else one beside it.
ListSignature CheckListSignature(const std::wstring& listPath, const std::optional<std::wstring>& signaturePath);

// The download's own signature file beside it, checked against the trusted
// keys; nothing when it has none.
std::optional<OwnSignatureFound> CheckOwnSignature(RowId row, const std::wstring& path);

// True for a key file: an .asc, .gpg, .key or .pub file or an allowed_signers
// file that holds a usable public key of any format.
bool HoldsPublicKey(const std::wstring& path);

// Every file under the list's folder, as the walker finds them.
FolderListed ListFolderOf(const std::wstring& listPath, bool includeHidden);

// Audits the list's folder as vmsum --audit --update does and writes the
// list brought up to date. A folder that can't be listed would make every
// entry look missing: the list isn't touched then.
ListUpdateDone UpdateListFromFolder(const std::wstring& listPath, bool includeHidden);

}  // namespace app
