// Threads that keep the DLL loaded until their last instruction: each holds
// a module reference, so DllCanUnloadNow says no while it runs, and a load
// reference, which it gives back with FreeLibraryAndExitThread once no code
// of the DLL is left to run.
#pragma once

#include <functional>

namespace shell {

// Runs work on a thread of its own; false when none could be started.
// Exceptions end at the thread's edge.
bool StartModuleThread(std::function<void()> work);

}  // namespace shell
