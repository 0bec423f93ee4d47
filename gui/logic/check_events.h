// What work done away from the window's thread reports back to the checking
// session: one block per finished check, handed over whole.
#pragma once

#include "checksums/list_update.h"
#include "engine/result.h"
#include "gui/logic/authenticode.h"
#include "gui/logic/list_signature.h"
#include "gui/logic/row_id.h"
#include "gui/logic/sibling_checksums.h"

#include <string>
#include <vector>

namespace app {

struct AuthenticodeResult {
    RowId row = 0;
    AuthenticodeInfo info;
};

struct ListSignatureDone {
    std::wstring listPath;
    ListSignature signature;
};

// The checksum list found beside a download, with its signature checked.
struct SiblingFound {
    RowId row = 0;
    SiblingListing listing;
    ListSignature signature;
};

// A download's own detached signature, found beside it and checked.
struct OwnSignatureFound {
    RowId row = 0;
    std::wstring signaturePath;
    ListSignature signature;
};

// The files under a list's folder, for finding those it doesn't name; none
// when the folder can't be listed.
struct FolderListed {
    std::wstring listPath;
    std::vector<std::wstring> files;
};

// A list brought up to date with its folder: the file written, or why nothing was.
struct ListUpdateDone {
    std::wstring listPath;
    vms::Result<vms::ListUpdate> update;
};

}  // namespace app
