#include "gui/window/window_layout.h"

#include "gui/window/resource.h"

namespace app {
namespace {

enum Anchor : unsigned {
    kFixed = 0,
    kStretchRight = 1,  // the right edge follows the client width
    kMoveRight = 2,     // both edges follow it
    kStretchDown = 4,
    kMoveDown = 8,
};

struct Rule {
    int id;
    unsigned anchor;
};

constexpr Rule kRules[] = {
    {IDC_TOOLBAR, kStretchRight},
    {IDC_TOOLBAR_LINE, kStretchRight},
    {IDC_MORE, kFixed},
    {IDC_BANNER, kStretchRight},
    {IDC_LIST, kStretchRight | kStretchDown},
    {IDC_EXPECTED_LABEL, kMoveDown},
    {IDC_EXPECTED, kMoveDown | kStretchRight},
    {IDC_PASTE, kMoveDown | kMoveRight},
    {IDC_VERDICT, kMoveDown | kStretchRight},
    {IDC_DETAILS, kMoveDown | kStretchRight},
    {IDC_COPY_HASHES, kMoveDown | kMoveRight},
    {IDC_VIRUSTOTAL, kMoveDown | kMoveRight},
    {IDC_OPEN_FOLDER, kMoveDown | kMoveRight},
    {IDC_STATUS, kMoveDown | kStretchRight},
    {IDC_PROGRESS, kMoveDown | kMoveRight},
    {IDC_CANCEL, kMoveDown | kMoveRight},
    {IDC_LINKS, kMoveDown | kMoveRight},
};

RECT ClientRectOf(HWND dialog, HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace

void WindowLayout::Record(HWND dialog) {
    RECT client;
    GetClientRect(dialog, &client);
    client_ = {client.right, client.bottom};
    controls_.clear();
    for (const Rule& rule : kRules) {
        if (const HWND control = GetDlgItem(dialog, rule.id)) controls_.push_back({rule.id, ClientRectOf(dialog, control)});
    }
}

void WindowLayout::Apply(HWND dialog, bool bannerShown, int bannerGap) const {
    RECT client;
    GetClientRect(dialog, &client);
    const int dx = client.right - client_.cx;
    const int dy = client.bottom - client_.cy;
    RECT banner{};
    for (const Placed& placed : controls_) {
        if (placed.id == IDC_BANNER) banner = placed.rect;
    }
    HDWP batch = BeginDeferWindowPos(static_cast<int>(controls_.size()));
    for (const Rule& rule : kRules) {
        for (const Placed& placed : controls_) {
            if (placed.id != rule.id) continue;
            RECT r = placed.rect;
            if (rule.anchor & kMoveRight) OffsetRect(&r, dx, 0);
            if (rule.anchor & kStretchRight) r.right += dx;
            if (rule.anchor & kMoveDown) OffsetRect(&r, 0, dy);
            if (rule.anchor & kStretchDown) r.bottom += dy;
            if (rule.id == IDC_LIST) r.top = bannerShown ? banner.bottom + bannerGap : banner.top;
            if (batch) {
                batch = DeferWindowPos(batch, GetDlgItem(dialog, rule.id), nullptr, r.left, r.top, r.right - r.left,
                                       r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
            }
        }
    }
    if (batch) EndDeferWindowPos(batch);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

}  // namespace app
