#include "gui/window/message_dialog.h"

#include "gui/window/gdi_owners.h"
#include "gui/system/shell.h"
#include "gui/window/toolbar.h"

#include <commctrl.h>

namespace app {
namespace {

HRESULT CALLBACK OpenLinks(HWND, UINT notification, WPARAM, LPARAM lParam, LONG_PTR) {
    if (notification == TDN_HYPERLINK_CLICKED) OpenWithDefaultHandler(reinterpret_cast<const wchar_t*>(lParam));
    return S_OK;
}

PCWSTR IconOf(DialogIcon icon) {
    switch (icon) {
    case DialogIcon::Information: return TD_INFORMATION_ICON;
    case DialogIcon::Warning: return TD_WARNING_ICON;
    case DialogIcon::Error: return TD_ERROR_ICON;
    case DialogIcon::None: return nullptr;
    }
    return nullptr;
}

const wchar_t* TextOrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

int MessageDialog(HWND owner, const MessageDialogOptions& options) {
    std::vector<TASKDIALOG_BUTTON> buttons;
    for (const DialogButton& button : options.buttons) buttons.push_back({button.id, button.text.c_str()});
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = owner;
    config.dwFlags = TDF_SIZE_TO_CONTENT | TDF_POSITION_RELATIVE_TO_WINDOW | TDF_ALLOW_DIALOG_CANCELLATION |
                     TDF_ENABLE_HYPERLINKS | (options.commandLinks ? TDF_USE_COMMAND_LINKS : 0);
    config.dwCommonButtons = options.commonButtons;
    if (buttons.empty() && options.commonButtons == 0) config.dwCommonButtons = TDCBF_OK_BUTTON;
    config.pszWindowTitle = options.title.empty() ? L"Verimond" : options.title.c_str();
    config.pszMainIcon = IconOf(options.icon);
    UniqueIcon icon;
    if (options.iconResource != 0) {
        icon.reset(LoadIconAt(options.iconResource, GetSystemMetrics(SM_CXICON)));
        config.dwFlags |= TDF_USE_HICON_MAIN;
        config.hMainIcon = icon.get();
    }
    config.pszMainInstruction = TextOrNull(options.instruction);
    config.pszContent = TextOrNull(options.content);
    config.pszFooter = TextOrNull(options.footer);
    if (!options.footer.empty()) config.pszFooterIcon = TD_INFORMATION_ICON;
    config.cButtons = static_cast<UINT>(buttons.size());
    config.pButtons = buttons.empty() ? nullptr : buttons.data();
    config.nDefaultButton = options.defaultButton;
    config.pfCallback = OpenLinks;
    int chosen = IDCANCEL;
    if (FAILED(TaskDialogIndirect(&config, &chosen, nullptr, nullptr))) return IDCANCEL;
    return chosen;
}

int MessageDialog(HWND owner, DialogIcon icon, std::wstring instruction, std::wstring content) {
    MessageDialogOptions options;
    options.icon = icon;
    options.instruction = std::move(instruction);
    options.content = std::move(content);
    return MessageDialog(owner, options);
}

}  // namespace app
