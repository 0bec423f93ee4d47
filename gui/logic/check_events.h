// What work done away from the window's thread reports back to the checking
// session: one block per finished check, handed over whole.
#pragma once

#include "gui/logic/authenticode.h"
#include "gui/logic/list_signature.h"
#include "gui/logic/row_id.h"
#include "gui/logic/sibling_checksums.h"

#include <cstdint>
#include <string>

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

// A list brought up to date with its folder.
struct ListUpdateDone {
    std::wstring listPath;
    std::wstring target;       // the file written: the list, or a new file beside a signed list
    bool clearSigned = false;  // the list is signed in place, so the update went to a new file
    std::uint32_t error = 0;   // when not 0, nothing was written
};

}  // namespace app
