// The modal Trusted Signing Keys dialog: the keys the user trusts, with the
// date each was added, and a Remove button.
#pragma once

#include <windows.h>

namespace app {

// True when a key was removed.
bool ShowTrustedKeysDialog(HWND owner);

}  // namespace app
