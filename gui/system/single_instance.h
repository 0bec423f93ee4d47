// Paths given to a second start of vmview go to the window that is already
// open: a named mutex tells that one exists, an 8-byte shared section holds its
// window handle, and WM_COPYDATA carries the paths.
#pragma once

#include "engine/win_handles.h"

#include <string>
#include <string_view>
#include <vector>

namespace app {

inline constexpr ULONG_PTR kHandOffTag = 0x4C504D56;

// The instance mutex, which the caller holds for the life of the process, and
// whether another instance already held it.
struct InstanceMark {
    vms::UniqueHandle mutex;
    bool anotherInstance = false;
};
InstanceMark MarkInstance();

// Sends the paths to the running instance's window, waiting up to five seconds
// for it to publish one. True when they were handed off: this start should end.
bool HandOffToRunningInstance(const std::vector<std::wstring>& arguments, const InstanceMark& mark);

// Makes this window the one later starts hand their paths to. The returned
// section must stay open for the life of the process; failures are silent.
vms::UniqueHandle PublishWindow(HWND window);

// The paths of a hand-off message: UTF-16 strings, each ended by U+0000 (a last
// one without it is kept); empty pieces are skipped.
std::vector<std::wstring> ParsePathList(std::wstring_view units);

// The full paths of the arguments, each followed by U+0000.
std::wstring BuildPathList(const std::vector<std::wstring>& arguments);

}  // namespace app
