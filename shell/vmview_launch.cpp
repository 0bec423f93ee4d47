#include "shell/vmview_launch.h"

#include "shell/module.h"

#include "gui/logic/explorer_menu.h"

namespace shell {

HRESULT StartVmview(const std::vector<std::wstring>& arguments) {
    const std::wstring program = ModuleFolder() + L"vmview.exe";
    std::wstring line = app::CommandLineOf(program, arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return S_OK;
}

}  // namespace shell
