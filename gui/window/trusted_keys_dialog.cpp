#include "gui/window/trusted_keys_dialog.h"

#include "engine/error_text.h"
#include "engine/text.h"
#include "gui/window/key_trust.h"
#include "gui/window/message_dialog.h"
#include "gui/window/resource.h"
#include "gui/window/window_text.h"
#include "signatures/common/crypto.h"
#include "signatures/common/key_text.h"
#include "signatures/common/signed_file.h"
#include "signatures/common/trusted_keys.h"
#include "signatures/sigstore/trusted_signers.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace app {
namespace {

// One row: what the list shows, and how the key is forgotten.
struct TrustedEntry {
    std::wstring name;
    std::wstring key;  // an OpenPGP fingerprint as it always was, other formats with their kind
    std::int64_t added = 0;
    std::function<vms::Result<vms::ForgetOutcome>()> forget;
};

struct TrustedKeysState {
    const ColourPainter* colours = nullptr;
    std::vector<TrustedEntry> entries;
    bool changed = false;
};

std::vector<TrustedEntry> ReadEntries() {
    std::vector<TrustedEntry> entries;
    for (const vms::TrustedKey& trusted : vms::ReadTrustStore(vms::CurrentUnixTime())) {
        const vms::CertifiedKey& key = trusted.key;
        entries.push_back({key.primaryUserId.empty() ? L"(no user ID)" : vms::UserIdText(key.primaryUserId),
                           vms::FormatFingerprint(key.primary.fingerprint), trusted.added,
                           [fingerprint = key.primary.fingerprint] { return vms::ForgetKey(fingerprint); }});
    }
    for (const vms::TrustedMinisignKey& trusted : vms::ReadTrustedMinisignKeys()) {
        entries.push_back({trusted.key.comment.empty() ? L"(no comment)" : vms::UserIdText(trusted.key.comment),
                           L"minisign key " + vms::FromUtf8(vms::FormatMinisignKeyId(trusted.key.keyId)), trusted.added,
                           [id = trusted.key.keyId] { return vms::ForgetMinisignKey(id); }});
    }
    if (vms::CryptoAvailable()) {
        for (const vms::TrustedSshKey& trusted : vms::ReadTrustedSshKeys()) {
            const std::wstring principals = vms::PrincipalsOf(trusted.limits);
            entries.push_back({principals.empty() ? vms::UserIdText(trusted.key.comment) : principals,
                               L"SSH key " + vms::FromUtf8(vms::SshFingerprint(trusted.key)), trusted.added,
                               [key = trusted.key] { return vms::ForgetSshKey(key); }});
        }
    }
    for (const vms::StoredSigner& stored : vms::ReadTrustedSigners()) {
        const vms::TrustedSigner& signer = stored.signer;
        entries.push_back({signer.identity.empty() ? L"Every release of " + vms::UserIdText(signer.repository)
                                                   : vms::UserIdText(signer.identity),
                           L"Sigstore, issuer " + vms::UserIdText(signer.issuer), stored.added,
                           [signer] { return vms::ForgetSigner(signer); }});
    }
    std::ranges::stable_sort(entries, {}, [](const TrustedEntry& entry) { return entry.added; });
    return entries;
}

void Fill(HWND dialog, TrustedKeysState& state) {
    const HWND list = GetDlgItem(dialog, IDC_TK_LIST);
    ListView_DeleteAllItems(list);
    state.entries = ReadEntries();
    for (std::size_t i = 0; i < state.entries.size(); ++i) {
        TrustedEntry& entry = state.entries[i];
        std::wstring added = vms::FormatDate(entry.added);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = entry.name.data();
        ListView_InsertItem(list, &item);
        ListView_SetItemText(list, static_cast<int>(i), 1, entry.key.data());
        ListView_SetItemText(list, static_cast<int>(i), 2, added.data());
    }
    EnableWindow(GetDlgItem(dialog, IDC_TK_REMOVE), FALSE);
}

void AddColumns(HWND list, HWND dialog) {
    // Widths in dialog units, so they follow the font and the DPI.
    const struct {
        const wchar_t* title;
        int width;
    } columns[] = {{L"Signer", 150}, {L"Key", 230}, {L"Added", 52}};
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
    if (selected < 0 || static_cast<std::size_t>(selected) >= state.entries.size()) return;
    if (const vms::Result<vms::ForgetOutcome> forgotten = state.entries[static_cast<std::size_t>(selected)].forget();
        !forgotten) {
        MessageDialog(dialog, DialogIcon::Error, L"The key couldn't be removed.",
                      vms::FormatErrorText(forgotten.GetError().systemCode) + L".");
    } else {
        state.changed = true;
    }
    Fill(dialog, state);
}

// The pasted text: a minisign key as projects print it, or any key text.
void TrustText(HWND dialog, TrustedKeysState& state) {
    const HWND box = GetDlgItem(dialog, IDC_TK_TEXT);
    const std::string utf8 = vms::ToUtf8(WindowText(box));
    const KeyOffer offer = OfferToTrustKeys(dialog, std::vector<std::uint8_t>(utf8.begin(), utf8.end()));
    if (!offer.found) {
        MessageDialog(dialog, DialogIcon::Warning, L"This isn't a public key.",
                      L"Paste a minisign public key as the project prints it: a line of 56 characters starting with \"RW\".");
        return;
    }
    if (!offer.trusted) return;
    state.changed = true;
    SetWindowTextW(box, L"");
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
        if (LOWORD(wParam) == IDC_TK_TEXT && HIWORD(wParam) == EN_CHANGE) {
            EnableWindow(GetDlgItem(dialog, IDC_TK_TRUST), GetWindowTextLengthW(GetDlgItem(dialog, IDC_TK_TEXT)) > 0);
        }
        // Enter in the box trusts what was pasted rather than closing the dialog.
        if (LOWORD(wParam) == IDC_TK_TRUST ||
            (LOWORD(wParam) == IDOK && GetFocus() == GetDlgItem(dialog, IDC_TK_TEXT))) {
            if (GetWindowTextLengthW(GetDlgItem(dialog, IDC_TK_TEXT)) > 0) TrustText(dialog, *state);
            return TRUE;
        }
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
    return state.changed;
}

}  // namespace app
