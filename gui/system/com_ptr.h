// Owners for COM objects and the memory COM hands out.
#pragma once

#include <objbase.h>

#include <memory>

namespace app {

template <typename T>
struct ComReleaser {
    void operator()(T* object) const noexcept { object->Release(); }
};

template <typename T>
using ComPtr = std::unique_ptr<T, ComReleaser<T>>;

struct CoTaskMemDeleter {
    void operator()(void* memory) const noexcept { CoTaskMemFree(memory); }
};

}  // namespace app
