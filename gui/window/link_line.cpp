#include "gui/window/link_line.h"

#include "gui/logic/link_markup.h"
#include "gui/window/gdi_owners.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace app {
namespace {

struct LinkLine {
    std::vector<LinkRun> runs;
    std::vector<RECT> places;        // where each run is drawn, in client coordinates
    HFONT font = nullptr;            // the parent's, not owned
    UniqueFont linkFont;             // the same, underlined
    COLORREF linkColour = CLR_DEFAULT;
    int focusedLink = 0;
    int pressedLink = -1;

    int LinkCount() const {
        return static_cast<int>(std::ranges::count_if(runs, [](const LinkRun& run) { return run.link; }));
    }
    // The run of the link with this index, or null.
    const LinkRun* Link(int index, RECT* place = nullptr) const {
        for (std::size_t i = 0; i < runs.size(); ++i) {
            if (!runs[i].link || index-- != 0) continue;
            if (place) *place = places[i];
            return &runs[i];
        }
        return nullptr;
    }
    int LinkAt(POINT point) const {
        int index = 0;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            if (!runs[i].link) continue;
            if (PtInRect(&places[i], point)) return index;
            ++index;
        }
        return -1;
    }
};

LinkLine* StateOf(HWND window) { return reinterpret_cast<LinkLine*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

HFONT FontOf(const LinkLine& line) {
    return line.font ? line.font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// Measures each run where it stands on the one line, left to right.
void LayOut(HWND window, LinkLine& line) {
    std::vector<RECT> places(line.runs.size());
    RECT client;
    GetClientRect(window, &client);
    const HDC dc = GetDC(window);
    const HGDIOBJ previous = SelectObject(dc, FontOf(line));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int top = std::max<int>(0, (client.bottom - metrics.tmHeight) / 2);
    int x = 0;
    for (std::size_t i = 0; i < line.runs.size(); ++i) {
        const std::wstring& text = line.runs[i].text;
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        places[i] = {x, top, x + size.cx, top + metrics.tmHeight};
        x += size.cx;
    }
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    line.places = std::move(places);
}

void SetMarkup(HWND window, LinkLine& line, const wchar_t* text) {
    line.runs = ParseLinkMarkup(text ? text : L"");
    line.focusedLink = 0;
    line.pressedLink = -1;
    LayOut(window, line);
    InvalidateRect(window, nullptr, TRUE);
}

void SetFont(HWND window, LinkLine& line, HFONT font) {
    line.font = font;
    LOGFONTW description{};
    GetObjectW(FontOf(line), sizeof description, &description);
    description.lfUnderline = TRUE;
    line.linkFont.reset(CreateFontIndirectW(&description));
    LayOut(window, line);
}

void Paint(HWND window, const LinkLine& line, HDC dc) {
    RECT client;
    GetClientRect(window, &client);
    // The parent chooses the background and the text's colour, as for any static text.
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(window), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window)));
    FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_3DFACE));
    const bool enabled = IsWindowEnabled(window);
    const COLORREF textColour = enabled ? GetTextColor(dc) : GetSysColor(COLOR_GRAYTEXT);
    const COLORREF linkColour = !enabled ? textColour
                                : line.linkColour == CLR_DEFAULT ? GetSysColor(COLOR_HOTLIGHT) : line.linkColour;
    SetBkMode(dc, TRANSPARENT);
    const HGDIOBJ previous = SelectObject(dc, FontOf(line));
    for (std::size_t i = 0; i < line.runs.size(); ++i) {
        const LinkRun& run = line.runs[i];
        SelectObject(dc, run.link && line.linkFont ? line.linkFont.get() : FontOf(line));
        SetTextColor(dc, run.link ? linkColour : textColour);
        RECT place = line.places[i];
        DrawTextW(dc, run.text.c_str(), static_cast<int>(run.text.size()), &place, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    }
    SelectObject(dc, previous);
    RECT focus{};
    const bool showFocus = !(SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
    if (GetFocus() == window && showFocus && line.Link(line.focusedLink, &focus)) {
        SetTextColor(dc, textColour);
        DrawFocusRect(dc, &focus);
    }
}

void Notify(HWND window, const LinkLine& line, UINT code, int index) {
    const LinkRun* link = line.Link(index);
    if (!link) return;
    NMLINK notice{};
    notice.hdr.hwndFrom = window;
    notice.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(window));
    notice.hdr.code = code;
    notice.item.mask = LIF_ITEMINDEX | LIF_ITEMID;
    notice.item.iLink = index;
    link->id.copy(notice.item.szID, MAX_LINKID_TEXT - 1);
    // The parent may change this line's text while it handles the notice: nothing here is used after it.
    SendMessageW(GetParent(window), WM_NOTIFY, notice.hdr.idFrom, reinterpret_cast<LPARAM>(&notice));
}

LRESULT DialogCode(const LinkLine& line, const MSG* message) {
    if (!message || message->message != WM_KEYDOWN) return 0;
    switch (message->wParam) {
    case VK_RETURN:
    case VK_SPACE:
        return line.Link(line.focusedLink) ? DLGC_WANTALLKEYS : 0;
    case VK_TAB: {
        // Tab moves from link to link, and on to the next control after the last.
        const int next = line.focusedLink + (GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
        return next >= 0 && next < line.LinkCount() ? DLGC_WANTTAB : 0;
    }
    default:
        return 0;
    }
}

LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto line = std::make_unique<LinkLine>();
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(line.release()));
        return DefWindowProcW(window, message, wParam, lParam);
    }
    LinkLine* line = StateOf(window);
    if (!line) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_NCDESTROY:
        std::unique_ptr<LinkLine>(reinterpret_cast<LinkLine*>(SetWindowLongPtrW(window, GWLP_USERDATA, 0))).reset();
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_CREATE:
        SetFont(window, *line, nullptr);
        SetMarkup(window, *line, reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpszName);
        return 0;
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
        SetMarkup(window, *line, reinterpret_cast<const wchar_t*>(lParam));
        return result;
    }
    case WM_SETFONT:
        SetFont(window, *line, reinterpret_cast<HFONT>(wParam));
        if (LOWORD(lParam)) InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(line->font);
    case WM_SIZE:
        LayOut(window, *line);
        return 0;
    case kSetLinkColour:
        line->linkColour = static_cast<COLORREF>(wParam);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(window, &paint);
        Paint(window, *line, dc);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(window, *line, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ENABLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (message == WM_SETFOCUS && GetKeyState(VK_TAB) < 0) {
            // Tabbed into: the first link, or the last one when reached backwards.
            line->focusedLink = GetKeyState(VK_SHIFT) < 0 ? std::max(0, line->LinkCount() - 1) : 0;
        }
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_UPDATEUISTATE:
        InvalidateRect(window, nullptr, TRUE);
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_GETDLGCODE:
        return DialogCode(*line, reinterpret_cast<const MSG*>(lParam));
    case WM_SETCURSOR: {
        POINT point;
        GetCursorPos(&point);
        ScreenToClient(window, &point);
        if (line->LinkAt(point) < 0) return DefWindowProcW(window, message, wParam, lParam);
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    }
    case WM_LBUTTONDOWN: {
        const int link = line->LinkAt({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        line->pressedLink = link;
        if (link >= 0) {
            line->focusedLink = link;
            SetFocus(window);
            InvalidateRect(window, nullptr, TRUE);
        }
        return 0;
    }
    case WM_LBUTTONUP: {
        const int link = line->LinkAt({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        const bool clicked = link >= 0 && link == line->pressedLink;
        line->pressedLink = -1;
        if (clicked) Notify(window, *line, NM_CLICK, link);
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_TAB) {
            const int next = line->focusedLink + (GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
            if (next >= 0 && next < line->LinkCount()) line->focusedLink = next;
            InvalidateRect(window, nullptr, TRUE);
        } else if (wParam == VK_RETURN || wParam == VK_SPACE) {
            Notify(window, *line, NM_RETURN, line->focusedLink);
        }
        return 0;
    case LM_HITTEST: {
        auto* hit = reinterpret_cast<LHITTESTINFO*>(lParam);
        const int link = hit ? line->LinkAt(hit->pt) : -1;
        if (link < 0) return FALSE;
        hit->item = {};
        hit->item.mask = LIF_ITEMINDEX | LIF_ITEMID;
        hit->item.iLink = link;
        line->Link(link)->id.copy(hit->item.szID, MAX_LINKID_TEXT - 1);
        return TRUE;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return Handle(window, message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        // Nothing may unwind into the window system; creation fails, anything else is left undone.
        return message == WM_NCCREATE ? FALSE : 0;
    }
}

}  // namespace

bool RegisterLinkLineClass(HINSTANCE instance) {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = WindowProc;
    type.hInstance = instance;
    type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    type.lpszClassName = kLinkLineClass;
    return RegisterClassExW(&type) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace app
