// What Windows says about colours: the apps' light or dark mode, and high contrast.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

namespace app {

// AppsUseLightTheme under HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize,
// when it is set (0 means dark).
std::optional<std::uint32_t> ReadAppsUseLightTheme();

bool IsHighContrastOn();

}  // namespace app
