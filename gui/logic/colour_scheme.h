// Which colours vmview draws with: the user's choice in Options, Windows' app
// mode, and high contrast, which always wins. The dark palette is a table; the
// light one is the system's own colours, as the window has always drawn.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

namespace app {

// The "Colour Mode" setting, stored as its number.
enum class ColourMode : std::uint32_t { System = 0, Light = 1, Dark = 2 };

enum class ColourScheme { Light, Dark, HighContrast };

// appsUseLightTheme is Windows' AppsUseLightTheme value, when it is set.
ColourScheme ChooseColourScheme(ColourMode mode, std::optional<std::uint32_t> appsUseLightTheme, bool highContrast);

struct Palette {
    COLORREF window;         // dialog background
    COLORREF text;
    COLORREF dimText;        // hints and disabled items
    COLORREF field;          // edit boxes and the list
    COLORREF fieldText;
    COLORREF control;        // buttons, the list header, the toolbar, the menu bar
    COLORREF hot;            // a control under the mouse or pressed; a highlighted menu item
    COLORREF border;
    COLORREF selection;      // selected rows
    COLORREF selectionText;
    COLORREF link;
    COLORREF matchText;      // the verdict line, on window
    COLORREF mismatchText;
    COLORREF matchRow;       // rows that match, under fieldText
    COLORREF failureRow;     // rows that failed, under fieldText
};

// The palette of a scheme. High contrast takes its colours from the system
// instead, so it has no table; asked for it, this gives the light one.
const Palette& PaletteFor(ColourScheme scheme);

// WCAG 2 contrast ratio of two colours, 1 to 21.
double ContrastRatio(COLORREF a, COLORREF b);

}  // namespace app
