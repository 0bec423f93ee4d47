#include "gui/window/toolbar.h"

#include "gui/window/resource.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace app {
namespace {

struct ToolbarButton {
    int command;  // 0: a separator
    int icon;
    const wchar_t* label;
    const wchar_t* tip;
};

constexpr ToolbarButton kButtons[] = {
    {ID_ADD_FILES, IDI_ADD_FILES, L"Add Files",
     L"Add files to the list (Ctrl+O). You can also drop files and folders on the window."},
    {ID_ADD_FOLDER, IDI_ADD_FOLDER, L"Add Folder", L"Add every file in a folder and its subfolders"},
    {0, 0, nullptr, nullptr},
    {ID_VERIFY, IDI_VERIFY, L"Verify Checksum File",
     L"Check the files listed in a SHA256SUMS, .sha256, .md5, .sfv or similar file"},
    {ID_HASH_TEXT, IDI_HASH_TEXT, L"Hash Text", L"Calculate the checksums of typed or pasted text"},
    {0, 0, nullptr, nullptr},
    {ID_SAVE, IDI_SAVE, L"Save Checksums", L"Save the checksums to a file (Ctrl+S)"},
    {ID_CLEAR, IDI_CLEAR, L"Clear List", L"Remove all files from the list"},
};

}  // namespace

HICON LoadIconAt(int id, int size) {
    return static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

UniqueImageList MakeImageList(std::initializer_list<int> icons, int size) {
    UniqueImageList list(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, static_cast<int>(icons.size()), 0));
    for (int icon : icons) {
        const UniqueIcon loaded(LoadIconAt(icon, size));
        ImageList_AddIcon(list.get(), loaded.get());
    }
    return list;
}

const wchar_t* ToolbarTip(int command) {
    for (const ToolbarButton& button : kButtons) {
        if (button.command != 0 && button.command == command) return button.tip;
    }
    return nullptr;
}

HWND CreateMainToolbar(HWND dialog, int iconSize, UniqueImageList& images) {
    const HWND old = GetDlgItem(dialog, IDC_TOOLBAR);
    RECT place;
    GetWindowRect(old, &place);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
    DestroyWindow(old);
    const HWND toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                                         WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | TBSTYLE_CUSTOMERASE |
                                             CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                                         place.left, place.top, place.right - place.left, place.bottom - place.top, dialog,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOLBAR)),
                                         GetModuleHandleW(nullptr), nullptr);
    SendMessageW(toolbar, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
    images = MakeImageList({IDI_ADD_FILES, IDI_ADD_FOLDER, IDI_VERIFY, IDI_HASH_TEXT, IDI_SAVE, IDI_CLEAR}, iconSize);
    SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.get()));
    std::vector<TBBUTTON> buttons;
    int image = 0;
    for (const ToolbarButton& button : kButtons) {
        TBBUTTON tb{};
        if (button.command == 0) {
            tb.fsStyle = BTNS_SEP;
        } else {
            tb.iBitmap = image++;
            tb.idCommand = button.command;
            tb.fsState = TBSTATE_ENABLED;
            tb.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
            tb.iString = reinterpret_cast<INT_PTR>(button.label);
        }
        buttons.push_back(tb);
    }
    SendMessageW(toolbar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
    // As high as the larger of 16 dialog units and the buttons; as wide as the client less the margins.
    RECT units{3, 1, 3, 16};
    MapDialogRect(dialog, &units);
    RECT client;
    GetClientRect(dialog, &client);
    const int height = std::max<int>(units.bottom, HIWORD(SendMessageW(toolbar, TB_GETBUTTONSIZE, 0, 0)));
    SetWindowPos(toolbar, nullptr, units.left, units.top, client.right - 2 * units.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
    return toolbar;
}

}  // namespace app
