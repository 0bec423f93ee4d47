// The modal Trusted Signing Keys dialog: the keys the user trusts, with the
// date each was added, and a Remove button.
#pragma once

#include "gui/window/colour_painter.h"

#include <windows.h>

namespace app {

// True when a key was removed.
bool ShowTrustedKeysDialog(HWND owner, const ColourPainter& colours);

}  // namespace app
