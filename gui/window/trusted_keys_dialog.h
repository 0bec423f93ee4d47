// The modal Trusted Signing Keys dialog: the keys the user trusts, of every
// format, with the date each was added; a Remove button, and a box that takes
// a minisign key's text as projects print it.
#pragma once

#include "gui/window/colour_painter.h"

#include <windows.h>

namespace app {

// True when a key was removed or trusted.
bool ShowTrustedKeysDialog(HWND owner, const ColourPainter& colours);

}  // namespace app
