#include "gui/window/trusted_keys_dialog.h"

#include "engine/error_text.h"
#include "gui/window/message_dialog.h"
#include "gui/window/resource.h"
#include "signatures/common/key_text.h"
#include "signatures/common/signed_file.h"
#include "signatures/common/trust_store.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace app {
namespace {

struct TrustedKeysState {
    const ColourPainter* colours = nullptr;
    std::vector<vms::TrustedKey> keys;
    bool removed = false;
};

void Fill(HWND dialog, TrustedKeysState& state) {
    const HWND list = GetDlgItem(dialog, IDC_TK_LIST);
    ListView_DeleteAllItems(list);
    state.keys = vms::ReadTrustStore(vms::CurrentUnixTime());
    for (std::size_t i = 0; i < state.keys.size(); ++i) {
        const vms::CertifiedKey& key = state.keys[i].key;
        std::wstring cells[] = {key.primaryUserId.empty() ? L"(no user ID)" : vms::UserIdText(key.primaryUserId),
                                vms::FormatFingerprint(key.primary.fingerprint), vms::FormatDate(state.keys[i].added)};
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = cells[0].data();
        ListView_InsertItem(list, &item);
        ListView_SetItemText(list, static_cast<int>(i), 1, cells[1].data());
        ListView_SetItemText(list, static_cast<int>(i), 2, cells[2].data());
    }
    EnableWindow(GetDlgItem(dialog, IDC_TK_REMOVE), FALSE);
}

void AddColumns(HWND list, HWND dialog) {
    // Widths in dialog units, so they follow the font and the DPI.
    const struct {
        const wchar_t* title;
        int width;
    } columns[] = {{L"User ID", 170}, {L"Fingerprint", 210}, {L"Added", 52}};
    for (int i = 0; i < 3; ++i) {
        RECT width{0, 0, columns[i].width, 0};
        MapDialogRect(dialog, &width);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<wchar_t*>(columns[i].title);
        column.cx = width.right;
        ListView_InsertColumn(list, i, &column);
    }
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
}

void RemoveSelected(HWND dialog, TrustedKeysState& state) {
    const int selected = ListView_GetNextItem(GetDlgItem(dialog, IDC_TK_LIST), -1, LVNI_SELECTED);
    if (selected < 0 || static_cast<std::size_t>(selected) >= state.keys.size()) return;
    DWORD error = 0;
    if (vms::ForgetKey(state.keys[static_cast<std::size_t>(selected)].key.primary.fingerprint, error) ==
        vms::ForgetOutcome::Failed) {
        MessageDialogOptions options;
        options.icon = DialogIcon::Error;
        options.instruction = L"The key couldn't be removed.";
        options.content = vms::FormatErrorText(error) + L".";
        MessageDialog(dialog, options);
    } else {
        state.removed = true;
    }
    Fill(dialog, state);
}

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<TrustedKeysState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (state) {
        if (const std::optional<INT_PTR> painted = state->colours->HandleMessage(dialog, message, wParam, lParam)) return *painted;
    }
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        if (reinterpret_cast<TrustedKeysState*>(lParam)->colours->Dark()) {
            reinterpret_cast<TrustedKeysState*>(lParam)->colours->ApplyTo(dialog);
        }
        AddColumns(GetDlgItem(dialog, IDC_TK_LIST), dialog);
        Fill(dialog, *reinterpret_cast<TrustedKeysState*>(lParam));
        return TRUE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_TK_LIST && header->code == LVN_ITEMCHANGED) {
            const bool any = ListView_GetSelectedCount(header->hwndFrom) > 0;
            EnableWindow(GetDlgItem(dialog, IDC_TK_REMOVE), any);
        }
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_TK_REMOVE) RemoveSelected(dialog, *state);
        if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

bool ShowTrustedKeysDialog(HWND owner, const ColourPainter& colours) {
    TrustedKeysState state;
    state.colours = &colours;
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TRUSTED_KEYS), owner, Procedure,
                    reinterpret_cast<LPARAM>(&state));
    return state.removed;
}

}  // namespace app
