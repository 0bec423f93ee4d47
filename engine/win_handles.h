// Owners for Windows resources: each kind releases what it holds on every path.
#pragma once

#include <windows.h>

#include <memory>
#include <utility>

namespace vms {

struct LocalFreeDeleter {
    void operator()(void* memory) const noexcept { LocalFree(memory); }
};

// Memory the system allocated with LocalAlloc, such as FormatMessageW's buffer.
template <typename T>
using UniqueLocal = std::unique_ptr<T, LocalFreeDeleter>;

// A handle released by Close; Invalid gives its "none" value. Null counts as
// none too.
template <auto Close, HANDLE (*Invalid)()>
class UniqueHandleOf {
public:
    UniqueHandleOf() = default;
    explicit UniqueHandleOf(HANDLE handle) : handle_(handle) {}
    ~UniqueHandleOf() { Reset(); }
    UniqueHandleOf(UniqueHandleOf&& other) noexcept : handle_(std::exchange(other.handle_, Invalid())) {}
    UniqueHandleOf& operator=(UniqueHandleOf&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, Invalid());
        }
        return *this;
    }
    UniqueHandleOf(const UniqueHandleOf&) = delete;
    UniqueHandleOf& operator=(const UniqueHandleOf&) = delete;

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != Invalid() && handle_ != nullptr; }
    void Reset() {
        if (Valid()) Close(handle_);
        handle_ = Invalid();
    }

private:
    HANDLE handle_ = Invalid();
};

inline HANDLE InvalidHandleValue() { return INVALID_HANDLE_VALUE; }
inline HANDLE NullHandleValue() { return nullptr; }

// Files opened with CreateFileW.
using UniqueFile = UniqueHandleOf<&CloseHandle, &InvalidHandleValue>;
// Kernel objects whose "none" is null: mappings, mutexes, events, threads.
using UniqueHandle = UniqueHandleOf<&CloseHandle, &NullHandleValue>;
// FindFirstFileW searches.
using UniqueFind = UniqueHandleOf<&FindClose, &InvalidHandleValue>;

}  // namespace vms
