// What the main window's look depends on beyond its controls' contents: the
// DPI and what is drawn for it (toolbar, button icons, the verdict's bold
// font, the window icons), the smallest size, the saved placement and the
// layout of the controls as the window is resized.
#pragma once

#include "gui/logic/settings.h"
#include "gui/window/gdi_owners.h"
#include "gui/window/window_layout.h"

#include <windows.h>

#include <vector>

namespace app {

class WindowChrome {
public:
    // Reads the DPI, sets the icons and builds what depends on the DPI; records
    // the dialog's size as the smallest and the controls' places.
    void Create(HWND dialog);
    // Puts the window where it was when it closed, when that still fits a screen.
    void RestorePlacement(std::optional<WindowPlacement>& saved) const;
    // After the window moved to a screen of another DPI; the toolbar and icons
    // are rebuilt later, by Rebuild, once the move is done.
    void MoveToDpi(UINT dpi, const RECT& suggested);
    void Rebuild();
    void LayOut(bool bannerShown) const;

    UINT Dpi() const { return dpi_; }
    int Scale(int pixels96) const { return MulDiv(pixels96, static_cast<int>(dpi_), 96); }
    SIZE MinSize() const { return minSize_; }
    HFONT VerdictFont() const { return verdictFont_.get(); }

private:
    void BuildForDpi();

    HWND dialog_ = nullptr;
    UINT dpi_ = 96;
    SIZE minSize_{};
    WindowLayout layout_;
    HWND toolbar_ = nullptr;
    UniqueFont verdictFont_;
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;
    UniqueImageList toolbarImages_;
    std::vector<UniqueImageList> buttonImages_;
};

}  // namespace app
