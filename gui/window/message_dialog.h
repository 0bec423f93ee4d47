// The program's one message box: a task dialog owned by the main window.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace app {

enum class DialogIcon { None, Information, Warning, Error };

struct DialogButton {
    int id;
    std::wstring text;
};

struct MessageDialogOptions {
    std::wstring title;        // empty: "Verimond"
    std::wstring instruction;
    std::wstring content;
    std::wstring footer;       // shown with the information icon
    DialogIcon icon = DialogIcon::None;
    int iconResource = 0;      // one of the program's icons instead, at the large-icon size
    std::vector<DialogButton> buttons;
    TASKDIALOG_COMMON_BUTTON_FLAGS commonButtons = 0;  // OK alone when neither kind is given
    int defaultButton = 0;
    bool commandLinks = false;
};

// The chosen button's id, or IDCANCEL when the dialog could not be shown.
// Links in the texts open with the default handler.
int MessageDialog(HWND owner, const MessageDialogOptions& options);

// The common case: an icon, an instruction and, when given, a text below it, with OK.
int MessageDialog(HWND owner, DialogIcon icon, std::wstring instruction, std::wstring content = {});

}  // namespace app
