// Keeps the main window's controls in place as it is resized: each control
// keeps its distance to the edges its rule anchors it to.
#pragma once

#include <windows.h>

#include <vector>

namespace app {

class WindowLayout {
public:
    // Records the client size and every anchored control's rectangle.
    void Record(HWND dialog);
    // Places the controls for the current client size. The list starts where
    // the banner starts while the banner is hidden, below it when shown.
    void Apply(HWND dialog, bool bannerShown, int bannerGap) const;

private:
    struct Placed {
        int id;
        RECT rect;
    };
    SIZE client_{};
    std::vector<Placed> controls_;
};

}  // namespace app
