// The main window's toolbar: icons only, with the labels kept for tips.
#pragma once

#include "gui/window/gdi_owners.h"

#include <windows.h>

namespace app {

// Replaces the dialog's placeholder of the toolbar's id with the toolbar;
// images receives the icon list, which must outlive the toolbar.
HWND CreateMainToolbar(HWND dialog, int iconSize, UniqueImageList& images);

// The tip of a toolbar command; null for other commands.
const wchar_t* ToolbarTip(int command);

// A list of icon resources at one size.
UniqueImageList MakeImageList(std::initializer_list<int> icons, int size);

HICON LoadIconAt(int id, int size);

}  // namespace app
