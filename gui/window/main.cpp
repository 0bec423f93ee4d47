// vmview's entry: hands paths to a running instance, or opens the main window
// and runs the message loop until it is destroyed.
#include "gui/window/link_line.h"
#include "gui/window/main_window.h"
#include "gui/window/resource.h"
#include "gui/system/single_instance.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

namespace {

std::vector<std::wstring> Arguments() {
    int count = 0;
    const std::unique_ptr<LPWSTR, vms::LocalFreeDeleter> argv(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::wstring> arguments;
    for (int i = 1; argv && i < count; ++i) arguments.emplace_back(argv.get()[i]);
    return arguments;
}

// COM for this thread, as a single-threaded apartment, for the life of the object.
class ComApartment {
public:
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE); }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

int ShowCommand(bool savedMaximized, int passed) {
    const bool normal = passed == SW_SHOWNORMAL || passed == SW_SHOW || passed == SW_SHOWDEFAULT;
    return savedMaximized && normal ? SW_SHOWMAXIMIZED : passed;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    const std::vector<std::wstring> arguments = Arguments();
    const app::InstanceMark mark = app::MarkInstance();
    if (app::HandOffToRunningInstance(arguments, mark)) return 0;

    const ComApartment com;
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES |
                                                             ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (!app::RegisterLinkLineClass(instance)) return 1;

    app::MainWindow window;
    const HWND dialog = window.Create(instance);
    if (!dialog) return 1;
    ShowWindow(dialog, ShowCommand(window.StartsMaximized(), showCommand));
    if (!arguments.empty()) window.AddPaths(arguments);

    const HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDA_MAIN));
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(dialog, accelerators, &message)) continue;
        if (IsDialogMessageW(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
