#include "shell/module_thread.h"

#include "shell/module.h"

#include <windows.h>

#include <memory>
#include <new>

namespace shell {
namespace {

struct ThreadStart {
    std::function<void()> work;
    ModuleReference reference;
    HMODULE pinned = nullptr;
};

// This DLL, with its load count raised by one.
HMODULE PinModule() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&PinModule), &module)) {
        return nullptr;
    }
    return module;
}

DWORD WINAPI ThreadMain(void* parameter) {
    HMODULE pinned = nullptr;
    {
        const std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
        pinned = start->pinned;
        try {
            start->work();
        } catch (...) {
            // Nothing escapes into the host's thread.
        }
    }
    FreeLibraryAndExitThread(pinned, 0);
}

}  // namespace

bool StartModuleThread(std::function<void()> work) {
    std::unique_ptr<ThreadStart> start;
    try {
        start = std::make_unique<ThreadStart>(ThreadStart{std::move(work), {}, nullptr});
    } catch (const std::bad_alloc&) {
        return false;
    }
    start->pinned = PinModule();
    if (!start->pinned) return false;
    const HMODULE pinned = start->pinned;
    const HANDLE thread = CreateThread(nullptr, 0, ThreadMain, start.get(), 0, nullptr);
    if (!thread) {
        FreeLibrary(pinned);
        return false;
    }
    static_cast<void>(start.release());  // the thread owns it now
    CloseHandle(thread);
    return true;
}

}  // namespace shell
