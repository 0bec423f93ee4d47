// The modal Hash Text dialog: typed text, its encoding and line breaks, and its digests.
#pragma once

#include "engine/algorithms.h"

#include "gui/window/colour_painter.h"

#include <windows.h>

namespace app {

void ShowHashTextDialog(HWND owner, vms::AlgorithmMask algorithms, bool upper, const ColourPainter& colours);

}  // namespace app
