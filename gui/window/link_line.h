// vmview's lines of text with links: the notice bar and the footer. Like
// Windows' link control it reads <a id="name">words</a> from its text,
// sends NM_CLICK and NM_RETURN with an NMLINK to its parent and answers
// LM_HITTEST; unlike it, it draws every word in colours vmview chooses, so
// the plain text takes the colour of the parent's WM_CTLCOLORSTATIC answer
// and the links the colour set with kSetLinkColour, on every system.
#pragma once

#include <windows.h>

namespace app {

inline constexpr wchar_t kLinkLineClass[] = L"VerimondLinkLine";

// wParam: the links' COLORREF, or CLR_DEFAULT for the system's link colour.
inline constexpr UINT kSetLinkColour = WM_USER + 100;

// Registers the window class for dialog templates to use; false if Windows refused.
bool RegisterLinkLineClass(HINSTANCE instance);

}  // namespace app
