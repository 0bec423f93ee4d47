#include "gui/logic/colour_scheme.h"
#include "gui/logic/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace app {
namespace {

TEST(ColourScheme, HighContrastWinsThenTheSettingThenWindowsAppMode) {
    struct Case {
        ColourMode mode;
        std::optional<std::uint32_t> appsUseLightTheme;
        bool highContrast;
        ColourScheme expected;
    };
    const Case cases[] = {
        {ColourMode::System, std::nullopt, false, ColourScheme::Light},  // never set: Windows' default is light
        {ColourMode::System, 1, false, ColourScheme::Light},
        {ColourMode::System, 0, false, ColourScheme::Dark},
        {ColourMode::Light, 0, false, ColourScheme::Light},
        {ColourMode::Dark, 1, false, ColourScheme::Dark},
        {ColourMode::Dark, std::nullopt, false, ColourScheme::Dark},
        {ColourMode::Dark, 0, true, ColourScheme::HighContrast},
        {ColourMode::Light, 1, true, ColourScheme::HighContrast},
        {ColourMode::System, 0, true, ColourScheme::HighContrast},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseColourScheme(c.mode, c.appsUseLightTheme, c.highContrast), c.expected)
            << static_cast<int>(c.mode) << " " << c.appsUseLightTheme.value_or(99) << " " << c.highContrast;
    }
}

TEST(ColourScheme, TheSettingIsReadAsStoredAndUnknownValuesMeanSystem) {
    const auto parse = [](std::optional<StoredValue> value) {
        return ParseSettings([&](const wchar_t* name) {
                   return std::wstring(name) == L"ColourMode" ? value : std::nullopt;
               }).colourMode;
    };
    const auto dword = [](DWORD number) {
        StoredValue value{REG_DWORD, std::vector<std::uint8_t>(4)};
        std::memcpy(value.bytes.data(), &number, 4);
        return value;
    };
    EXPECT_EQ(parse(std::nullopt), ColourMode::System);
    EXPECT_EQ(parse(dword(1)), ColourMode::Light);
    EXPECT_EQ(parse(dword(2)), ColourMode::Dark);
    EXPECT_EQ(parse(dword(3)), ColourMode::System);
    EXPECT_EQ(parse(StoredValue{REG_SZ, {'2', 0, 0, 0}}), ColourMode::System);
}

// WCAG's own reference points, then every pair the window draws text with.
TEST(ColourScheme, EveryTextColourReadsAtFourAndAHalfToOneOrMore) {
    EXPECT_NEAR(ContrastRatio(RGB(0, 0, 0), RGB(255, 255, 255)), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(RGB(119, 119, 119), RGB(255, 255, 255)), 4.48, 0.01);
    EXPECT_DOUBLE_EQ(ContrastRatio(RGB(12, 34, 56), RGB(12, 34, 56)), 1.0);
    for (ColourScheme scheme : {ColourScheme::Light, ColourScheme::Dark}) {
        const Palette& p = PaletteFor(scheme);
        const std::pair<COLORREF, COLORREF> pairs[] = {
            {p.text, p.window},          {p.dimText, p.window},       {p.fieldText, p.field},
            {p.dimText, p.field},        {p.text, p.control},         {p.text, p.hot},
            {p.selectionText, p.selection}, {p.link, p.window},       {p.matchText, p.window},
            {p.mismatchText, p.window},  {p.fieldText, p.matchRow},   {p.fieldText, p.failureRow},
        };
        for (const auto& [text, background] : pairs) {
            EXPECT_GE(ContrastRatio(text, background), 4.5)
                << (scheme == ColourScheme::Dark ? "dark " : "light ") << std::hex << text << " on " << background;
        }
    }
    EXPECT_NE(PaletteFor(ColourScheme::Dark).window, PaletteFor(ColourScheme::Light).window);
}

}  // namespace
}  // namespace app
