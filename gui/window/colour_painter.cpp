#include "gui/window/colour_painter.h"

#include "gui/window/dpi.h"

#include <dwmapi.h>
#include <uxtheme.h>

#include <algorithm>

namespace app {
namespace {

// DWMWA_USE_IMMERSIVE_DARK_MODE: 20 from Windows 10 20H1 on, 19 before it.
constexpr DWORD kDarkTitleBar = 20;
constexpr DWORD kDarkTitleBarBefore20H1 = 19;
constexpr const wchar_t* kButtonTypeProperty = L"Verimond.ButtonType";

// The marks drawn beside texts, as polygons centred in their box.
enum class Mark { Check, Submenu, SortUp, SortDown };

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

LONG_PTR ButtonType(HWND button) { return GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK; }

bool IsPushButton(HWND button) {
    const LONG_PTR type = ButtonType(button);
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

bool IsCheckBox(HWND button) {
    const LONG_PTR type = ButtonType(button);
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
}

// Windows' dark control themes, where it has them: a theme class that
// OpenThemeData cannot open is not there, and the control gets the fallback
// instead (by default none: unthemed, a control honours the colours its
// parent gives it). Light gives back the control's light theme.
void UseThemeWhereAvailable(HWND control, const wchar_t* darkTheme, const wchar_t* part, bool dark,
                            const wchar_t* lightTheme = nullptr, const wchar_t* fallback = L"") {
    if (!dark) {
        SetWindowTheme(control, lightTheme, nullptr);
        return;
    }
    const std::wstring classList = std::wstring(darkTheme) + L"::" + part;
    const HTHEME theme = OpenThemeData(control, classList.c_str());
    if (theme) CloseThemeData(theme);
    const wchar_t* chosen = theme ? darkTheme : fallback;
    SetWindowTheme(control, chosen, *chosen == L'\0' ? L"" : nullptr);
}

void SetTitleBar(HWND window, bool dark) {
    const BOOL value = dark;
    if (FAILED(DwmSetWindowAttribute(window, kDarkTitleBar, &value, sizeof value))) {
        DwmSetWindowAttribute(window, kDarkTitleBarBefore20H1, &value, sizeof value);
    }
}

void ApplyToControl(HWND control, const Palette& colours, bool dark) {
    const std::wstring type = ClassOf(control);
    if (type == L"Button") {
        if (IsPushButton(control) || GetPropW(control, kButtonTypeProperty)) {
            // Dark push buttons are drawn by the painter; the original type comes back in light.
            if (dark && IsPushButton(control)) {
                SetPropW(control, kButtonTypeProperty, reinterpret_cast<HANDLE>(ButtonType(control) + 1));
                SetWindowLongPtrW(control, GWL_STYLE, (GetWindowLongPtrW(control, GWL_STYLE) & ~BS_TYPEMASK) | BS_OWNERDRAW);
            } else if (!dark) {
                const auto original = reinterpret_cast<LONG_PTR>(RemovePropW(control, kButtonTypeProperty)) - 1;
                SetWindowLongPtrW(control, GWL_STYLE, (GetWindowLongPtrW(control, GWL_STYLE) & ~BS_TYPEMASK) | original);
            }
        } else {
            UseThemeWhereAvailable(control, L"DarkMode_Explorer", L"Button", dark);
        }
    } else if (type == WC_LISTVIEWW) {
        ListView_SetBkColor(control, dark ? colours.field : GetSysColor(COLOR_WINDOW));
        ListView_SetTextBkColor(control, dark ? colours.field : GetSysColor(COLOR_WINDOW));
        ListView_SetTextColor(control, dark ? colours.fieldText : GetSysColor(COLOR_WINDOWTEXT));
        UseThemeWhereAvailable(control, L"DarkMode_Explorer", L"ListView", dark, L"Explorer", L"Explorer");
    } else if (type == PROGRESS_CLASSW) {
        // Unthemed, the bar takes the colours below. A class list that names no
        // class turns theming off everywhere; Wine reads an empty one as none given.
        SetWindowTheme(control, dark ? L" " : nullptr, dark ? L" " : nullptr);
        SendMessageW(control, PBM_SETBKCOLOR, 0, dark ? colours.field : CLR_DEFAULT);
        SendMessageW(control, PBM_SETBARCOLOR, 0, dark ? colours.selection : CLR_DEFAULT);
    } else if (type == L"Edit" && (GetWindowLongPtrW(control, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL))) {
        UseThemeWhereAvailable(control, L"DarkMode_Explorer", L"ScrollBar", dark);
    } else if (type == WC_COMBOBOXW) {
        UseThemeWhereAvailable(control, L"DarkMode_CFD", L"Combobox", dark);
    }
    InvalidateRect(control, nullptr, TRUE);
}

std::wstring WithoutAccelerator(const std::wstring& text) { return text.substr(0, text.find(L'\t')); }

std::wstring AcceleratorOf(const std::wstring& text) {
    const std::size_t tab = text.find(L'\t');
    return tab == std::wstring::npos ? std::wstring() : text.substr(tab + 1);
}

// Drawn with lines rather than a symbol font, which not every system has.
void DrawMark(HDC dc, Mark mark, RECT box, COLORREF colour) {
    const int x = (box.left + box.right) / 2;
    const int y = (box.top + box.bottom) / 2;
    const int r = std::max<int>(3, std::min(box.right - box.left, box.bottom - box.top) / 5);
    const UniqueBrush fill(CreateSolidBrush(colour));
    const HGDIOBJ previousBrush = SelectObject(dc, fill.get());
    const HGDIOBJ previousPen = SelectObject(dc, GetStockObject(DC_PEN));
    SetDCPenColor(dc, colour);
    switch (mark) {
    case Mark::Check: {
        const POINT points[] = {{x - r, y}, {x - r / 3, y + r * 2 / 3}, {x + r, y - r * 2 / 3}};
        for (int offset = 0; offset < 2; ++offset) {
            POINT thick[3];
            for (int i = 0; i < 3; ++i) thick[i] = {points[i].x, points[i].y + offset};
            Polyline(dc, thick, 3);
        }
        break;
    }
    case Mark::Submenu: {
        const POINT points[] = {{x - r / 2, y - r}, {x + r / 2, y}, {x - r / 2, y + r}};
        Polygon(dc, points, 3);
        break;
    }
    case Mark::SortUp:
    case Mark::SortDown: {
        const int tip = mark == Mark::SortUp ? -r / 2 : r / 2;
        const POINT points[] = {{x - r, y - tip}, {x + r, y - tip}, {x, y + tip}};
        Polygon(dc, points, 3);
        break;
    }
    }
    SelectObject(dc, previousPen);
    SelectObject(dc, previousBrush);
}

}  // namespace

void ColourPainter::SetScheme(ColourScheme scheme) {
    scheme_ = scheme;
    const Palette& colours = Colours();
    window_.reset(CreateSolidBrush(colours.window));
    field_.reset(CreateSolidBrush(colours.field));
    control_.reset(CreateSolidBrush(colours.control));
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    menuFont_.reset(CreateFontIndirectW(&metrics.lfMenuFont));
}

void ColourPainter::ApplyTo(HWND dialog) const {
    SetTitleBar(dialog, Dark());
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ApplyToControl(child, Colours(), Dark());
    }
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

std::optional<INT_PTR> ColourPainter::HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) const {
    switch (message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        if (!Dark()) return std::nullopt;
        return reinterpret_cast<INT_PTR>(ControlColour(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
    case WM_MEASUREITEM: {
        auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item.CtlType != ODT_MENU || !item.itemData) return std::nullopt;
        MeasureMenuItem(dialog, item);
        return TRUE;
    }
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlType == ODT_MENU && item.itemData) {
            DrawMenuItem(item);
            return TRUE;
        }
        if (item.CtlType == ODT_BUTTON && GetPropW(item.hwndItem, kButtonTypeProperty)) {
            DrawButton(item);
            return TRUE;
        }
        return std::nullopt;
    }
    case WM_NOTIFY: {
        auto& header = *reinterpret_cast<NMHDR*>(lParam);
        if (header.code != NM_CUSTOMDRAW || !Dark()) return std::nullopt;
        const std::optional<LRESULT> result = CustomDraw(header);
        if (!result) return std::nullopt;
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, *result);
        return TRUE;
    }
    default:
        return std::nullopt;
    }
}

void ColourPainter::PaintMenuBarGap(HWND window) const {
    MENUBARINFO bar{};
    bar.cbSize = sizeof bar;
    RECT frame;
    if (!Dark() || !GetMenuBarInfo(window, OBJID_MENU, 0, &bar) || !GetWindowRect(window, &frame)) return;
    RECT row = bar.rcBar;
    row.bottom += 1;  // the line between the bar and the client area
    OffsetRect(&row, -frame.left, -frame.top);
    const HDC dc = GetWindowDC(window);
    if (!dc) return;
    // The items have drawn themselves; everything else in the row is filled.
    const int count = GetMenuItemCount(bar.hMenu);
    for (int i = 0; i < count; ++i) {
        RECT item;
        if (!GetMenuItemRect(window, bar.hMenu, static_cast<UINT>(i), &item)) continue;
        OffsetRect(&item, -frame.left, -frame.top);
        ExcludeClipRect(dc, item.left, item.top, item.right, item.bottom);
    }
    FillRect(dc, &row, control_.get());
    ReleaseDC(window, dc);
}

HBRUSH ColourPainter::ControlColour(UINT message, HDC dc, HWND control) const {
    const Palette& colours = Colours();
    // Edit boxes, read-only ones included, and the lists of combo boxes are fields.
    const bool field = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX ||
                       (message == WM_CTLCOLORSTATIC && ClassOf(control) == L"Edit");
    SetTextColor(dc, field ? colours.fieldText : colours.text);
    SetBkColor(dc, field ? colours.field : colours.window);
    // The DC's own brush: a control may delete the brush it is given (Wine's
    // link control does), and a stock object outlives that.
    SetDCBrushColor(dc, field ? colours.field : colours.window);
    return static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
}

void ColourPainter::DrawButton(const DRAWITEMSTRUCT& item) const {
    const Palette& colours = Colours();
    const HDC dc = item.hDC;
    RECT area = item.rcItem;
    const bool pressed = item.itemState & ODS_SELECTED;
    const bool disabled = item.itemState & ODS_DISABLED;
    const bool isDefault = reinterpret_cast<LONG_PTR>(GetPropW(item.hwndItem, kButtonTypeProperty)) - 1 == BS_DEFPUSHBUTTON;
    const UniqueBrush face(CreateSolidBrush(pressed ? colours.hot : colours.control));
    FillRect(dc, &area, face.get());
    const UniqueBrush frame(CreateSolidBrush((item.itemState & ODS_FOCUS) || isDefault ? colours.link : colours.border));
    FrameRect(dc, &area, frame.get());
    InflateRect(&area, -4, -2);

    wchar_t text[128] = {};
    GetWindowTextW(item.hwndItem, text, 128);
    BUTTON_IMAGELIST images{};
    RECT textArea = area;
    if (SendMessageW(item.hwndItem, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images)) && images.himl) {
        int width = 0, height = 0;
        ImageList_GetIconSize(images.himl, &width, &height);
        // A disabled button's icon is half blended into the face, as its text is dimmed.
        ImageList_DrawEx(images.himl, 0, dc, area.left + images.margin.left, area.top + (area.bottom - area.top - height) / 2,
                         0, 0, CLR_NONE, colours.control, disabled ? ILD_BLEND50 : ILD_TRANSPARENT);
        textArea.left += images.margin.left + width + images.margin.right;
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, disabled ? colours.dimText : colours.text);
    const UINT prefix = (item.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
    DrawTextW(dc, text, -1, &textArea, DT_CENTER | DT_VCENTER | DT_SINGLELINE | prefix);
}

// Windows draws check boxes light in every scheme but its own dark theme, and
// that theme draws their text black; so in dark both are drawn here.
void ColourPainter::DrawCheckBox(const NMCUSTOMDRAW& draw) const {
    const Palette& colours = Colours();
    const HDC dc = draw.hdc;
    const HWND button = draw.hdr.hwndFrom;
    FillRect(dc, &draw.rc, window_.get());
    const int size = MulDiv(13, static_cast<int>(WindowDpi(button)), 96);
    const int top = (draw.rc.top + draw.rc.bottom - size) / 2;
    const RECT box = {draw.rc.left, top, draw.rc.left + size, top + size};
    const bool disabled = draw.uItemState & CDIS_DISABLED;
    const bool hot = draw.uItemState & (CDIS_HOT | CDIS_SELECTED);
    const COLORREF textColour = disabled ? colours.dimText : colours.text;
    const UniqueBrush face(CreateSolidBrush(hot ? colours.hot : colours.field));
    FillRect(dc, &box, face.get());
    const UniqueBrush frame(CreateSolidBrush(hot ? colours.link : colours.border));
    FrameRect(dc, &box, frame.get());
    const LRESULT state = SendMessageW(button, BM_GETCHECK, 0, 0);
    if (state == BST_CHECKED) {
        DrawMark(dc, Mark::Check, box, textColour);
    } else if (state == BST_INDETERMINATE) {
        const UniqueBrush mark(CreateSolidBrush(colours.dimText));
        const RECT inner = {box.left + size / 4, box.top + size / 4, box.right - size / 4, box.bottom - size / 4};
        FillRect(dc, &inner, mark.get());
    }
    wchar_t text[256] = {};
    GetWindowTextW(button, text, 256);
    RECT label = {box.right + size / 2, draw.rc.top, draw.rc.right, draw.rc.bottom};
    const UINT prefix = (draw.uItemState & CDIS_SHOWKEYBOARDCUES) ? 0 : DT_HIDEPREFIX;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, textColour);
    DrawTextW(dc, text, -1, &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE | prefix);
    if (draw.uItemState & CDIS_FOCUS) {
        RECT focus = label;
        DrawTextW(dc, text, -1, &focus, DT_LEFT | DT_SINGLELINE | DT_CALCRECT | prefix);
        OffsetRect(&focus, 0, (label.bottom - label.top - (focus.bottom - focus.top)) / 2);
        InflateRect(&focus, 1, 1);
        DrawFocusRect(dc, &focus);
    }
}

void ColourPainter::MeasureMenuItem(HWND dialog, MEASUREITEMSTRUCT& item) const {
    const auto& entry = *reinterpret_cast<const DarkMenuItem*>(item.itemData);
    // Made before the DC is taken: nothing between GetDC and ReleaseDC may throw.
    const std::wstring labelText = WithoutAccelerator(entry.text);
    const std::wstring acceleratorText = AcceleratorOf(entry.text);
    const HDC dc = GetDC(dialog);
    const HGDIOBJ previous = SelectObject(dc, menuFont_.get());
    RECT label{}, accelerator{};
    DrawTextW(dc, labelText.c_str(), -1, &label, DT_CALCRECT | DT_SINGLELINE);
    if (!acceleratorText.empty()) DrawTextW(dc, acceleratorText.c_str(), -1, &accelerator, DT_CALCRECT | DT_SINGLELINE);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
    const int gap = metrics.tmAveCharWidth * 2;
    if (entry.separator) {
        item.itemHeight = static_cast<UINT>(metrics.tmHeight / 2);
        item.itemWidth = 0;
        return;
    }
    item.itemHeight = static_cast<UINT>(metrics.tmHeight + (entry.onMenuBar ? 2 : 8));
    item.itemWidth = entry.onMenuBar ? static_cast<UINT>(label.right + gap)
                                     : static_cast<UINT>(metrics.tmHeight * 2 + label.right + gap * 2 + accelerator.right);
}

void ColourPainter::DrawMenuItem(const DRAWITEMSTRUCT& item) const {
    const auto& entry = *reinterpret_cast<const DarkMenuItem*>(item.itemData);
    const Palette& colours = Colours();
    const HDC dc = item.hDC;
    RECT area = item.rcItem;
    const bool highlighted = item.itemState & (ODS_SELECTED | ODS_HOTLIGHT);
    const UniqueBrush background(CreateSolidBrush(highlighted ? colours.hot : (entry.onMenuBar ? colours.control : colours.window)));
    FillRect(dc, &area, background.get());
    if (entry.separator) {
        const UniqueBrush line(CreateSolidBrush(colours.border));
        const int middle = (area.top + area.bottom) / 2;
        const RECT rule = {area.left + 4, middle, area.right - 4, middle + 1};
        FillRect(dc, &rule, line.get());
        return;
    }
    const COLORREF textColour = (item.itemState & (ODS_GRAYED | ODS_DISABLED)) ? colours.dimText : colours.text;
    SetBkMode(dc, TRANSPARENT);
    const UINT prefix = (item.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
    const HGDIOBJ previous = SelectObject(dc, menuFont_.get());
    SetTextColor(dc, textColour);
    const std::wstring label = WithoutAccelerator(entry.text);
    if (entry.onMenuBar) {
        DrawTextW(dc, label.c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | prefix);
        SelectObject(dc, previous);
        return;
    }
    const int margin = area.bottom - area.top;
    if (item.itemState & ODS_CHECKED) DrawMark(dc, Mark::Check, {area.left, area.top, area.left + margin, area.bottom}, textColour);
    RECT text = {area.left + margin, area.top, area.right - margin, area.bottom};
    SelectObject(dc, menuFont_.get());
    DrawTextW(dc, label.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | prefix);
    const std::wstring accelerator = AcceleratorOf(entry.text);
    if (!accelerator.empty()) DrawTextW(dc, accelerator.c_str(), -1, &text, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, previous);
    if (entry.hasSubmenu) {
        const RECT arrow = {area.right - margin, area.top, area.right, area.bottom};
        DrawMark(dc, Mark::Submenu, arrow, textColour);
        // Windows draws its own arrow over owner-drawn items after this; keep it off ours.
        ExcludeClipRect(dc, arrow.left, arrow.top, arrow.right, arrow.bottom);
    }
}

std::optional<LRESULT> ColourPainter::CustomDraw(NMHDR& header) const {
    const Palette& colours = Colours();
    const std::wstring type = ClassOf(header.hwndFrom);
    if (type == WC_HEADERW) {
        auto& draw = reinterpret_cast<NMCUSTOMDRAW&>(header);
        if (draw.dwDrawStage == CDDS_PREPAINT) {
            RECT all;
            GetClientRect(header.hwndFrom, &all);
            FillRect(draw.hdc, &all, control_.get());
            return CDRF_NOTIFYITEMDRAW;
        }
        if (draw.dwDrawStage != CDDS_ITEMPREPAINT) return std::nullopt;
        wchar_t text[128] = {};
        HDITEMW column{};
        column.mask = HDI_TEXT | HDI_FORMAT;
        column.pszText = text;
        column.cchTextMax = 128;
        Header_GetItem(header.hwndFrom, static_cast<int>(draw.dwItemSpec), &column);
        RECT area = draw.rc;
        FillRect(draw.hdc, &area, (draw.uItemState & CDIS_SELECTED) ? field_.get() : control_.get());
        const UniqueBrush line(CreateSolidBrush(colours.border));
        RECT separator = {area.right - 1, area.top + 3, area.right, area.bottom - 3};
        FillRect(draw.hdc, &separator, line.get());
        RECT bottom = {area.left, area.bottom - 1, area.right, area.bottom};
        FillRect(draw.hdc, &bottom, line.get());
        SetBkMode(draw.hdc, TRANSPARENT);
        SetTextColor(draw.hdc, colours.text);
        const int padding = (area.bottom - area.top) / 3;
        RECT textArea = {area.left + padding, area.top, area.right - padding, area.bottom};
        const UINT align = (column.fmt & HDF_RIGHT) ? DT_RIGHT : DT_LEFT;
        DrawTextW(draw.hdc, text, -1, &textArea, align | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        if (column.fmt & (HDF_SORTUP | HDF_SORTDOWN)) {
            const RECT arrow = {area.left, area.top, area.right, area.top + padding + 2};
            DrawMark(draw.hdc, (column.fmt & HDF_SORTUP) ? Mark::SortUp : Mark::SortDown, arrow, colours.dimText);
        }
        return CDRF_SKIPDEFAULT;
    }
    if (type == WC_BUTTONW && IsCheckBox(header.hwndFrom)) {
        const auto& draw = reinterpret_cast<const NMCUSTOMDRAW&>(header);
        if (draw.dwDrawStage != CDDS_PREPAINT) return std::nullopt;
        DrawCheckBox(draw);
        return CDRF_SKIPDEFAULT;
    }
    if (type == TOOLBARCLASSNAMEW) {
        auto& draw = reinterpret_cast<NMTBCUSTOMDRAW&>(header);
        switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREERASE:
        case CDDS_PREPAINT: {
            RECT all;
            GetClientRect(header.hwndFrom, &all);
            FillRect(draw.nmcd.hdc, &all, window_.get());
            return draw.nmcd.dwDrawStage == CDDS_PREERASE ? CDRF_SKIPDEFAULT : CDRF_NOTIFYITEMDRAW;
        }
        case CDDS_ITEMPREPAINT:
            draw.clrText = colours.text;
            draw.clrTextHighlight = colours.text;
            draw.clrBtnFace = colours.window;
            draw.clrBtnHighlight = colours.hot;
            draw.clrHighlightHotTrack = colours.hot;
            return TBCDRF_USECDCOLORS | TBCDRF_HILITEHOTTRACK | TBCDRF_NOEDGES | TBCDRF_NOOFFSET;
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

DarkMenu::DarkMenu(HMENU menu, bool menuBar, const ColourPainter& painter) {
    if (!painter.Dark()) return;
    barBackground_.reset(CreateSolidBrush(painter.Colours().control));
    popupBackground_.reset(CreateSolidBrush(painter.Colours().window));
    Convert(menu, menuBar);
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_BACKGROUND;
    for (HMENU each : menus_) {
        info.hbrBack = menuBar && each == menu ? barBackground_.get() : popupBackground_.get();
        SetMenuInfo(each, &info);
    }
}

DarkMenu::~DarkMenu() {
    for (const DarkMenuItem& item : items_) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        if (!GetMenuItemInfoW(item.menu, item.position, TRUE, &info)) continue;
        info.fMask = MIIM_FTYPE | MIIM_DATA | (item.separator ? 0 : MIIM_STRING);
        info.fType &= ~MFT_OWNERDRAW;
        info.dwItemData = 0;
        info.dwTypeData = const_cast<wchar_t*>(item.text.c_str());
        SetMenuItemInfoW(item.menu, item.position, TRUE, &info);
    }
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_BACKGROUND;
    for (HMENU menu : menus_) SetMenuInfo(menu, &info);
}

void DarkMenu::Convert(HMENU menu, bool menuBar) {
    menus_.push_back(menu);
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        wchar_t text[256] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = 256;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) continue;
        if (info.hSubMenu) Convert(info.hSubMenu, false);
        if (info.fType & MFT_OWNERDRAW) continue;
        const bool separator = info.fType & MFT_SEPARATOR;
        DarkMenuItem& item = items_.emplace_back(DarkMenuItem{menu, static_cast<UINT>(position), separator ? L"" : text,
                                                              menuBar, info.hSubMenu != nullptr, separator});
        MENUITEMINFOW owner{};
        owner.cbSize = sizeof owner;
        owner.fMask = MIIM_FTYPE | MIIM_DATA;
        owner.fType = info.fType | MFT_OWNERDRAW;
        owner.dwItemData = reinterpret_cast<ULONG_PTR>(&item);
        SetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &owner);
    }
}

}  // namespace app
