// vmview's settings under HKEY_CURRENT_USER\Software\Zentaro\Verimond: read
// once when the window starts, written once when it closes.
#pragma once

#include "engine/algorithms.h"
#include "gui/logic/colour_scheme.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace app {

inline constexpr const wchar_t* kSettingsKey = L"Software\\Zentaro\\Verimond";
inline constexpr vms::AlgorithmMask kDefaultAlgorithms = 14;  // MD5, SHA-1, SHA-256
inline constexpr std::array<int, 4> kDefaultColumnWidths = {200, 160, 70, 90};

struct WindowPlacement {
    RECT rect{};  // restored rectangle, screen pixels
    bool maximized = false;
};

struct Settings {
    vms::AlgorithmMask algorithms = kDefaultAlgorithms;
    bool uppercase = false;
    bool showLegacy = false;
    bool includeHidden = false;
    bool crlf = false;
    bool lookBeside = true;  // look for a checksum file next to each added file
    ColourMode colourMode = ColourMode::System;
    std::array<int, 4> columnWidths = kDefaultColumnWidths;  // Name, Folder, Size, Status at 96 DPI
    std::optional<WindowPlacement> window;
    // Files hashed at once; 0 by each file's device. Set in the registry by
    // hand ("Jobs", 1 to 64), never written back.
    unsigned jobs = 0;
};

// One stored value as read: nothing when missing; its type and bytes otherwise.
struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> bytes;
};

// Reads one stored value by name; a parameter so the rules can be tested without a registry.
using ValueReader = std::function<std::optional<StoredValue>(const wchar_t* name)>;

// Applies every rule: wrong types and sizes, widths outside 30..2000, masks of
// nothing, legacy algorithms while they are hidden, colour modes it doesn't know.
Settings ParseSettings(const ValueReader& read);

Settings LoadSettings();
void SaveSettings(const Settings& settings);

}  // namespace app
