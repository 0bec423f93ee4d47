// vmview's main window: a resizable dialog holding the file list. It decodes
// messages, owns the controls, draws and runs dialogs; what the files are and
// what is said of them is the checking session's.
#pragma once

#include "engine/win_handles.h"
#include "gui/logic/check_session.h"
#include "gui/logic/settings.h"
#include "gui/system/com_ptr.h"
#include "gui/system/posting_services.h"
#include "gui/window/colour_painter.h"
#include "gui/window/file_list_view.h"
#include "gui/window/window_chrome.h"

#include <shellapi.h>
#include <shobjidl.h>

#include <memory>
#include <vector>

namespace app {

class MainWindow {
public:
    // Creates the (hidden) dialog; null when that failed.
    HWND Create(HINSTANCE instance);
    bool StartsMaximized() const { return settings_.window && settings_.window->maximized; }
    void AddPaths(const std::vector<std::wstring>& paths);

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    // The messages whose payload is a check's result; false for any other.
    bool OnPosted(UINT message, LPARAM lParam);

    void OnInit();
    void OnDestroy();
    void OnCommand(int id, int code);
    LRESULT OnNotify(const NMHDR& header);
    void OnRowCommand(int command);
    void OnContextMenu(POINT screen, bool fromKeyboard);
    void OnNoticeLink(const std::wstring& id);
    void OnDpiChanged(UINT dpi, const RECT& suggested);

    // Shows what the session says has changed; keepScroll keeps the list
    // where it is when rows were added.
    void Show(const Changes& changes, bool keepScroll = false);
    void ShowDetails();
    void ShowStatusLine();
    void DrawVerdict(const DRAWITEMSTRUCT& item) const;
    void Finish(const FinishedCommands& finished);

    void ApplySelection(vms::AlgorithmMask algorithms);
    void ApplyColourScheme();
    void CheckClipboard();
    void VerifyChecksumFile(const std::wstring& path);
    void SaveChecksums();

    HWND hwnd_ = nullptr;
    Settings settings_;
    std::unique_ptr<PostingServices> services_;
    std::unique_ptr<CheckSession> session_;
    FileListView list_;
    WindowChrome chrome_;
    ColourPainter colours_;
    std::unique_ptr<DarkMenu> darkMenu_;
    DWORD clipboardSequence_ = 0;
    std::vector<std::wstring> pendingKeyFiles_;
    vms::UniqueHandle publishedWindow_;
    UINT taskbarCreatedMessage_ = 0;
    ComPtr<ITaskbarList3> taskbar_;
};

}  // namespace app
