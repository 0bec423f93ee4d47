#include "gui/logic/settings.h"

#include <cstring>

namespace app {
namespace {

constexpr int kMinColumnWidth = 30;
constexpr int kMaxColumnWidth = 2000;
constexpr DWORD kMaxJobs = 64;
constexpr vms::AlgorithmMask kLegacy = vms::MaskOf(vms::kMd2) | vms::MaskOf(vms::kMd4);

std::optional<DWORD> ReadDword(const ValueReader& read, const wchar_t* name) {
    const auto value = read(name);
    if (!value || value->type != REG_DWORD || value->bytes.size() != sizeof(DWORD)) return std::nullopt;
    DWORD number;
    std::memcpy(&number, value->bytes.data(), sizeof number);
    return number;
}

// A REG_BINARY value of exactly count little-endian 32-bit integers.
std::optional<std::vector<std::int32_t>> ReadIntegers(const ValueReader& read, const wchar_t* name, std::size_t count) {
    const auto value = read(name);
    if (!value || value->type != REG_BINARY || value->bytes.size() != count * 4) return std::nullopt;
    std::vector<std::int32_t> numbers(count);
    std::memcpy(numbers.data(), value->bytes.data(), count * 4);
    return numbers;
}

void WriteDword(HKEY key, const wchar_t* name, DWORD value) {
    RegSetKeyValueW(key, kSettingsKey, name, REG_DWORD, &value, sizeof value);
}

void WriteIntegers(HKEY key, const wchar_t* name, const std::vector<std::int32_t>& numbers) {
    RegSetKeyValueW(key, kSettingsKey, name, REG_BINARY, numbers.data(), static_cast<DWORD>(numbers.size() * 4));
}

std::optional<StoredValue> ReadRegistryValue(const wchar_t* name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    StoredValue value{type, std::vector<std::uint8_t>(size)};
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY | RRF_NOEXPAND, &type, value.bytes.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.bytes.resize(size);
    return value;
}

}  // namespace

Settings ParseSettings(const ValueReader& read) {
    Settings settings;
    if (const auto mask = ReadDword(read, L"Algorithms"); mask && *mask != 0) settings.algorithms = *mask & vms::kAllAlgorithms;
    settings.uppercase = ReadDword(read, L"Uppercase").value_or(0) != 0;
    settings.showLegacy = ReadDword(read, L"ShowLegacy").value_or(0) != 0;
    settings.includeHidden = ReadDword(read, L"IncludeHidden").value_or(0) != 0;
    settings.lookBeside = ReadDword(read, L"LookBeside").value_or(1) != 0;
    settings.crlf = ReadDword(read, L"CrLf").value_or(0) != 0;
    if (const auto mode = ReadDword(read, L"ColourMode"); mode && *mode <= static_cast<DWORD>(ColourMode::Dark)) {
        settings.colourMode = static_cast<ColourMode>(*mode);
    }
    if (const auto widths = ReadIntegers(read, L"Columns", 4)) {
        for (std::size_t i = 0; i < 4; ++i) {
            const int width = (*widths)[i];
            if (width >= kMinColumnWidth && width <= kMaxColumnWidth) settings.columnWidths[i] = width;
        }
    }
    if (!settings.showLegacy) settings.algorithms &= ~kLegacy;
    if (settings.algorithms == 0) settings.algorithms = kDefaultAlgorithms;
    if (const auto jobs = ReadDword(read, L"Jobs"); jobs && *jobs <= kMaxJobs) settings.jobs = *jobs;
    if (const auto window = ReadIntegers(read, L"Window", 5)) {
        const auto& w = *window;
        settings.window = WindowPlacement{{w[0], w[1], w[2], w[3]}, w[4] == 1};
    }
    return settings;
}

Settings LoadSettings() { return ParseSettings(ReadRegistryValue); }

void SaveSettings(const Settings& settings) {
    WriteDword(HKEY_CURRENT_USER, L"Algorithms", settings.algorithms);
    WriteDword(HKEY_CURRENT_USER, L"Uppercase", settings.uppercase ? 1 : 0);
    WriteDword(HKEY_CURRENT_USER, L"ShowLegacy", settings.showLegacy ? 1 : 0);
    WriteDword(HKEY_CURRENT_USER, L"IncludeHidden", settings.includeHidden ? 1 : 0);
    WriteDword(HKEY_CURRENT_USER, L"LookBeside", settings.lookBeside ? 1 : 0);
    WriteDword(HKEY_CURRENT_USER, L"CrLf", settings.crlf ? 1 : 0);
    WriteDword(HKEY_CURRENT_USER, L"ColourMode", static_cast<DWORD>(settings.colourMode));
    WriteIntegers(HKEY_CURRENT_USER, L"Columns", {settings.columnWidths.begin(), settings.columnWidths.end()});
    if (settings.window) {
        const RECT& r = settings.window->rect;
        WriteIntegers(HKEY_CURRENT_USER, L"Window", {r.left, r.top, r.right, r.bottom, settings.window->maximized ? 1 : 0});
    }
}

}  // namespace app
