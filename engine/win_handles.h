// Owners for Windows resources: each kind releases what it holds on every path.
#pragma once

#include <windows.h>

#include <memory>

namespace vms {

struct LocalFreeDeleter {
    void operator()(void* memory) const noexcept { LocalFree(memory); }
};

// Memory the system allocated with LocalAlloc, such as FormatMessageW's buffer.
template <typename T>
using UniqueLocal = std::unique_ptr<T, LocalFreeDeleter>;

}  // namespace vms
