// Draws vmview's windows in their colour scheme. In the light scheme and in
// high contrast every control draws itself as Windows does. In the dark one
// the windows answer the colour messages from this class, push buttons and
// menu items are drawn here, and the list, header, toolbar, progress bar and
// title bar get dark colours; Windows' own dark control themes are used on
// top where the system has them.
#pragma once

#include "gui/logic/colour_scheme.h"
#include "gui/window/gdi_owners.h"

#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <optional>
#include <string>

namespace app {

class ColourPainter {
public:
    void SetScheme(ColourScheme scheme);
    ColourScheme Scheme() const { return scheme_; }
    bool Dark() const { return scheme_ == ColourScheme::Dark; }
    const Palette& Colours() const { return PaletteFor(scheme_); }
    // The links' colour: the palette's, or in high contrast the system's (CLR_DEFAULT).
    COLORREF LinkColour() const { return scheme_ == ColourScheme::HighContrast ? CLR_DEFAULT : Colours().link; }
    // The window background's brush, kept for the scheme, for what a window
    // paints itself.
    HBRUSH WindowBrush() const { return window_.get(); }

    // Sets the title bar, the controls' styles and colours of a dialog for
    // the scheme; call again whenever the scheme changes.
    void ApplyTo(HWND dialog) const;

    // The colour and custom-draw messages of a dialog painted in this scheme:
    // the value the dialog procedure returns, or nothing when the message is
    // not one of these or the default drawing is wanted.
    std::optional<INT_PTR> HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) const;

    // In the dark scheme, paints the menu bar's row where it has no items,
    // to the window's right edge, and the line under it: Windows paints both
    // light whatever the menu's background. Call after the default handling
    // of WM_NCPAINT and WM_NCACTIVATE.
    void PaintMenuBarGap(HWND window) const;

private:
    HBRUSH ControlColour(UINT message, HDC dc, HWND control) const;
    void DrawButton(const DRAWITEMSTRUCT& item) const;
    void DrawCheckBox(const NMCUSTOMDRAW& draw) const;
    void MeasureMenuItem(HWND dialog, MEASUREITEMSTRUCT& item) const;
    void DrawMenuItem(const DRAWITEMSTRUCT& item) const;
    std::optional<LRESULT> CustomDraw(NMHDR& header) const;

    ColourScheme scheme_ = ColourScheme::Light;
    UniqueBrush window_, field_, control_;
    UniqueFont menuFont_;
};

// The text an owner-drawn menu item shows, and where it sits.
struct DarkMenuItem {
    HMENU menu = nullptr;
    UINT position = 0;
    std::wstring text;
    bool onMenuBar = false;
    bool hasSubmenu = false;
    bool separator = false;
};

// A menu drawn in the dark scheme for as long as this object lives: its items
// become owner-drawn (their owner window passes WM_MEASUREITEM and
// WM_DRAWITEM to the painter's HandleMessage) and its background dark. Ending
// gives the items back their texts.
class DarkMenu {
public:
    DarkMenu(HMENU menu, bool menuBar, const ColourPainter& painter);
    ~DarkMenu();
    DarkMenu(const DarkMenu&) = delete;
    DarkMenu& operator=(const DarkMenu&) = delete;

private:
    void Convert(HMENU menu, bool menuBar);

    std::deque<DarkMenuItem> items_;  // the items' data; a deque keeps their addresses
    std::deque<HMENU> menus_;         // the menus whose background was set
    UniqueBrush barBackground_, popupBackground_;
};

}  // namespace app
