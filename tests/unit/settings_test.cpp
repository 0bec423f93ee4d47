#include "gui/logic/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace app {
namespace {

using vms::MaskOf;

// Values as a registry would hold them, for the settings rules.
class FakeValues {
public:
    FakeValues& Dword(const wchar_t* name, DWORD value) {
        values_[name] = {REG_DWORD, std::vector<std::uint8_t>(reinterpret_cast<std::uint8_t*>(&value),
                                                               reinterpret_cast<std::uint8_t*>(&value) + 4)};
        return *this;
    }
    FakeValues& Binary(const wchar_t* name, std::vector<std::int32_t> numbers, std::size_t extraBytes = 0) {
        std::vector<std::uint8_t> bytes(numbers.size() * 4 + extraBytes);
        std::memcpy(bytes.data(), numbers.data(), numbers.size() * 4);
        values_[name] = {REG_BINARY, bytes};
        return *this;
    }
    Settings Parse() const {
        return ParseSettings([this](const wchar_t* name) -> std::optional<StoredValue> {
            const auto found = values_.find(name);
            if (found == values_.end()) return std::nullopt;
            return found->second;
        });
    }

private:
    std::map<std::wstring, StoredValue> values_;
};

TEST(Settings, ValidationFallsBackToDefaults) {
    const Settings defaults = FakeValues().Parse();
    EXPECT_EQ(defaults.algorithms, 14u);
    EXPECT_EQ(defaults.columnWidths, kDefaultColumnWidths);
    EXPECT_FALSE(defaults.window);
    EXPECT_EQ(FakeValues().Dword(L"Algorithms", 0).Parse().algorithms, 14u);
    EXPECT_EQ(FakeValues().Dword(L"Algorithms", MaskOf(vms::kMd2)).Parse().algorithms, 14u);  // legacy hidden
    EXPECT_EQ(FakeValues().Dword(L"Algorithms", MaskOf(vms::kMd2)).Dword(L"ShowLegacy", 1).Parse().algorithms,
              MaskOf(vms::kMd2));
    EXPECT_EQ(FakeValues().Dword(L"Algorithms", 0xFFFF0001).Parse().algorithms, 1u);
    const Settings options = FakeValues().Dword(L"Uppercase", 5).Dword(L"IncludeHidden", 1).Dword(L"CrLf", 0).Parse();
    EXPECT_TRUE(options.uppercase);
    EXPECT_TRUE(options.includeHidden);
    EXPECT_FALSE(options.crlf);
    EXPECT_TRUE(defaults.lookBeside);  // on unless turned off
    EXPECT_FALSE(FakeValues().Dword(L"LookBeside", 0).Parse().lookBeside);
    EXPECT_EQ(FakeValues().Binary(L"Columns", {29, 2001, 30, 2000}).Parse().columnWidths,
              (std::array<int, 4>{200, 160, 30, 2000}));
    EXPECT_EQ(FakeValues().Binary(L"Columns", {50, 50, 50}, 3).Parse().columnWidths, kDefaultColumnWidths);  // 15 bytes
    EXPECT_EQ(FakeValues().Binary(L"Columns", {50, 50, 50, 50}, 1).Parse().columnWidths, kDefaultColumnWidths);  // 17
    const Settings window = FakeValues().Binary(L"Window", {10, 20, 810, 620, 1}).Parse();
    ASSERT_TRUE(window.window);
    EXPECT_EQ(window.window->rect.right, 810);
    EXPECT_TRUE(window.window->maximized);
    EXPECT_FALSE(FakeValues().Binary(L"Window", {10, 20, 810, 620}).Parse().window);
    EXPECT_EQ(FakeValues().Dword(L"Columns", 5).Parse().columnWidths, kDefaultColumnWidths);  // wrong type
}

}  // namespace
}  // namespace app
