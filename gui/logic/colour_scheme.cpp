#include "gui/logic/colour_scheme.h"

#include <algorithm>
#include <cmath>

namespace app {
namespace {

// The light palette is the one the window drew before it had a dark one:
// system colours as Windows' default light theme has them, and the verdict
// and row colours it has always used.
constexpr Palette kLight = {
    .window = RGB(240, 240, 240),
    .text = RGB(0, 0, 0),
    .dimText = RGB(96, 96, 96),
    .field = RGB(255, 255, 255),
    .fieldText = RGB(0, 0, 0),
    .control = RGB(240, 240, 240),
    .hot = RGB(229, 241, 251),
    .border = RGB(173, 173, 173),
    .selection = RGB(0, 102, 204),
    .selectionText = RGB(255, 255, 255),
    .link = RGB(0, 102, 204),
    .matchText = RGB(16, 124, 16),
    .mismatchText = RGB(196, 43, 28),
    .matchRow = RGB(222, 245, 222),
    .failureRow = RGB(250, 222, 222),
};

constexpr Palette kDark = {
    .window = RGB(32, 32, 32),
    .text = RGB(240, 240, 240),
    .dimText = RGB(160, 160, 160),
    .field = RGB(25, 25, 25),
    .fieldText = RGB(240, 240, 240),
    .control = RGB(51, 51, 51),
    .hot = RGB(69, 69, 69),
    .border = RGB(96, 96, 96),
    .selection = RGB(0, 84, 153),
    .selectionText = RGB(255, 255, 255),
    .link = RGB(153, 204, 255),
    .matchText = RGB(108, 203, 95),
    .mismatchText = RGB(255, 153, 164),
    .matchRow = RGB(24, 66, 24),
    .failureRow = RGB(90, 29, 29),
};

double Linear(int channel) {
    const double value = channel / 255.0;
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double Luminance(COLORREF colour) {
    return 0.2126 * Linear(GetRValue(colour)) + 0.7152 * Linear(GetGValue(colour)) + 0.0722 * Linear(GetBValue(colour));
}

}  // namespace

ColourScheme ChooseColourScheme(ColourMode mode, std::optional<std::uint32_t> appsUseLightTheme, bool highContrast) {
    if (highContrast) return ColourScheme::HighContrast;
    switch (mode) {
    case ColourMode::Light: return ColourScheme::Light;
    case ColourMode::Dark: return ColourScheme::Dark;
    case ColourMode::System: break;
    }
    return appsUseLightTheme == 0u ? ColourScheme::Dark : ColourScheme::Light;
}

const Palette& PaletteFor(ColourScheme scheme) { return scheme == ColourScheme::Dark ? kDark : kLight; }

double ContrastRatio(COLORREF a, COLORREF b) {
    const double first = Luminance(a);
    const double second = Luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

}  // namespace app
