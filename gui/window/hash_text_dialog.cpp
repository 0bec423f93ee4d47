#include "gui/window/hash_text_dialog.h"

#include "gui/window/dpi.h"
#include "gui/logic/hash_text.h"
#include "gui/window/resource.h"
#include "gui/window/window_text.h"
#include "gui/system/shell.h"

#include <commctrl.h>

#include <string>

namespace app {
namespace {

struct HashTextState {
    vms::AlgorithmMask algorithms;
    bool upper;
    const ColourPainter* colours;
    UINT dpi = 96;
    SIZE minimum{};
    SIZE client{};                          // when the layout was recorded
    RECT text{}, row[5]{}, result{}, copy{}, close{};
};

constexpr int kRowIds[] = {IDC_HT_ENCODING_LABEL, IDC_HT_ENCODING, IDC_HT_BREAKS_LABEL, IDC_HT_BREAKS, IDC_HT_FINAL_BREAK};

RECT ChildRect(HWND dialog, int id) {
    RECT rect;
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void Record(HWND dialog, HashTextState& state) {
    RECT client;
    GetClientRect(dialog, &client);
    state.client = {client.right, client.bottom};
    state.text = ChildRect(dialog, IDC_HT_TEXT);
    for (std::size_t i = 0; i < std::size(kRowIds); ++i) state.row[i] = ChildRect(dialog, kRowIds[i]);
    state.result = ChildRect(dialog, IDC_HT_RESULT);
    state.copy = ChildRect(dialog, IDC_HT_COPY);
    state.close = ChildRect(dialog, IDCANCEL);
}

void Place(HWND dialog, int id, RECT r) {
    SetWindowPos(GetDlgItem(dialog, id), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The text box takes half of the new height, the result box the rest.
void LayOut(HWND dialog, const HashTextState& state) {
    RECT client;
    GetClientRect(dialog, &client);
    const int dw = client.right - state.client.cx;
    const int dh = client.bottom - state.client.cy;
    const int half = dh / 2;
    RECT r = state.text;
    r.right += dw;
    r.bottom += half;
    Place(dialog, IDC_HT_TEXT, r);
    for (std::size_t i = 0; i < std::size(kRowIds); ++i) {
        r = state.row[i];
        OffsetRect(&r, 0, half);
        Place(dialog, kRowIds[i], r);
    }
    r = state.result;
    OffsetRect(&r, 0, half);
    r.right += dw;
    r.bottom += dh - half;
    Place(dialog, IDC_HT_RESULT, r);
    for (const auto& [id, rect] : {std::pair{IDC_HT_COPY, state.copy}, std::pair{IDCANCEL, state.close}}) {
        r = rect;
        OffsetRect(&r, dw, dh);
        Place(dialog, id, r);
    }
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Recompute(HWND dialog, const HashTextState& state) {
    const auto encoding = static_cast<TextEncoding>(SendDlgItemMessageW(dialog, IDC_HT_ENCODING, CB_GETCURSEL, 0, 0));
    const auto breaks = static_cast<LineBreaks>(SendDlgItemMessageW(dialog, IDC_HT_BREAKS, CB_GETCURSEL, 0, 0));
    const bool finalBreak = IsDlgButtonChecked(dialog, IDC_HT_FINAL_BREAK) == BST_CHECKED;
    const auto bytes = TextBytes(WindowText(GetDlgItem(dialog, IDC_HT_TEXT)), encoding, breaks, finalBreak);
    SetDlgItemTextW(dialog, IDC_HT_RESULT, HashTextResult(bytes, state.algorithms, state.upper).c_str());
}

INT_PTR CALLBACK HashTextProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<HashTextState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (state) {
        if (const std::optional<INT_PTR> painted = state->colours->HandleMessage(dialog, message, wParam, lParam)) return *painted;
    }
    switch (message) {
    case WM_INITDIALOG: {
        state = reinterpret_cast<HashTextState*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        if (state->colours->Dark()) state->colours->ApplyTo(dialog);
        for (const wchar_t* item : {L"UTF-8", L"UTF-16 LE"}) {
            SendDlgItemMessageW(dialog, IDC_HT_ENCODING, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
        for (const wchar_t* item : {L"Windows (CR LF)", L"Unix (LF)"}) {
            SendDlgItemMessageW(dialog, IDC_HT_BREAKS, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
        SendDlgItemMessageW(dialog, IDC_HT_ENCODING, CB_SETCURSEL, 0, 0);
        SendDlgItemMessageW(dialog, IDC_HT_BREAKS, CB_SETCURSEL, 1, 0);
        const UINT tabStop = 44;
        SendDlgItemMessageW(dialog, IDC_HT_RESULT, EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
        RECT window;
        GetWindowRect(dialog, &window);
        state->minimum = {window.right - window.left, window.bottom - window.top};
        state->dpi = WindowDpi(dialog);
        Record(dialog, *state);
        Recompute(dialog, *state);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_HT_TEXT:
            if (HIWORD(wParam) == EN_CHANGE) Recompute(dialog, *state);
            return TRUE;
        case IDC_HT_ENCODING:
        case IDC_HT_BREAKS:
            if (HIWORD(wParam) == CBN_SELCHANGE) Recompute(dialog, *state);
            return TRUE;
        case IDC_HT_FINAL_BREAK:
            Recompute(dialog, *state);
            return TRUE;
        case IDC_HT_COPY:
            SetClipboardText(dialog, DigestLinesOf(WindowText(GetDlgItem(dialog, IDC_HT_RESULT))));
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_SIZE:
        if (state) LayOut(dialog, *state);
        return TRUE;
    case WM_GETMINMAXINFO:
        if (state) reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {state->minimum.cx, state->minimum.cy};
        return TRUE;
    case WM_DPICHANGED: {
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        const UINT newDpi = HIWORD(wParam);
        state->minimum = {MulDiv(state->minimum.cx, static_cast<int>(newDpi), static_cast<int>(state->dpi)),
                          MulDiv(state->minimum.cy, static_cast<int>(newDpi), static_cast<int>(state->dpi))};
        state->dpi = newDpi;
        SetWindowPos(dialog, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        Record(dialog, *state);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

}  // namespace

void ShowHashTextDialog(HWND owner, vms::AlgorithmMask algorithms, bool upper, const ColourPainter& colours) {
    HashTextState state{algorithms == 0 ? vms::MaskOf(vms::kSha256) : algorithms, upper, &colours};
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_HASH_TEXT), owner, HashTextProc,
                    reinterpret_cast<LPARAM>(&state));
}

}  // namespace app
