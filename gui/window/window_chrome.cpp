#include "gui/window/window_chrome.h"

#include "gui/window/dpi.h"
#include "gui/window/resource.h"
#include "gui/window/toolbar.h"

#include <commctrl.h>

namespace app {
namespace {

constexpr int kBannerGap96 = 3;

struct IconButton {
    int id;
    int icon;
};

constexpr IconButton kIconButtons[] = {
    {IDC_PASTE, IDI_PASTE}, {IDC_COPY_HASHES, IDI_COPY}, {IDC_VIRUSTOTAL, IDI_VIRUSTOTAL}, {IDC_OPEN_FOLDER, IDI_OPEN_FOLDER}};

}  // namespace

void WindowChrome::Create(HWND dialog) {
    dialog_ = dialog;
    dpi_ = WindowDpi(dialog_);
    bigIcon_.reset(LoadIconAt(IDI_APP, GetSystemMetrics(SM_CXICON)));
    smallIcon_.reset(LoadIconAt(IDI_APP, GetSystemMetrics(SM_CXSMICON)));
    SendMessageW(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    SendMessageW(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    BuildForDpi();
    RECT window;
    GetWindowRect(dialog_, &window);
    minSize_ = {window.right - window.left, window.bottom - window.top};
    layout_.Record(dialog_);
}

void WindowChrome::BuildForDpi() {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog_, WM_GETFONT, 0, 0)), sizeof font, &font);
    font.lfWeight = FW_BOLD;
    verdictFont_.reset(CreateFontIndirectW(&font));
    SendDlgItemMessageW(dialog_, IDC_VERDICT, WM_SETFONT, reinterpret_cast<WPARAM>(verdictFont_.get()), TRUE);
    toolbar_ = CreateMainToolbar(dialog_, Scale(16), toolbarImages_);
    buttonImages_.clear();
    for (const IconButton& button : kIconButtons) {
        UniqueImageList images = MakeImageList({button.icon}, Scale(16));
        BUTTON_IMAGELIST list{images.get(), {Scale(3), 0, Scale(4), 0}, BUTTON_IMAGELIST_ALIGN_LEFT};
        SendDlgItemMessageW(dialog_, button.id, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
        buttonImages_.push_back(std::move(images));
    }
}

void WindowChrome::RestorePlacement(std::optional<WindowPlacement>& saved) const {
    if (!saved) return;
    const RECT& rect = saved->rect;
    if (rect.right - rect.left < minSize_.cx || rect.bottom - rect.top < minSize_.cy ||
        !MonitorFromRect(&rect, MONITOR_DEFAULTTONULL)) {
        saved.reset();
        return;
    }
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(dialog_, &placement);
    placement.rcNormalPosition = rect;
    placement.showCmd = SW_HIDE;
    SetWindowPlacement(dialog_, &placement);
}

void WindowChrome::MoveToDpi(UINT dpi, const RECT& suggested) {
    minSize_ = {MulDiv(minSize_.cx, static_cast<int>(dpi), static_cast<int>(dpi_)),
                MulDiv(minSize_.cy, static_cast<int>(dpi), static_cast<int>(dpi_))};
    dpi_ = dpi;
    SetWindowPos(dialog_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowChrome::Rebuild() {
    BuildForDpi();
    layout_.Record(dialog_);
}

void WindowChrome::LayOut(bool bannerShown) const { layout_.Apply(dialog_, bannerShown, Scale(kBannerGap96)); }

}  // namespace app
