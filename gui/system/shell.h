// Small services of the shell and the clipboard that the window uses.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <string>
#include <vector>

namespace app {

// Opens a web address or a folder with the user's default handler; false when that failed.
bool OpenWithDefaultHandler(const std::wstring& target);

// The clipboard's Unicode text up to its first NUL; empty when there is none
// or the clipboard is busy.
std::wstring ReadClipboardText(HWND owner);

// Puts Unicode text on the clipboard; false when the clipboard was busy.
bool SetClipboardText(HWND owner, const std::wstring& text);

// The files chosen in the system's open dialog (several, existing only); empty when cancelled.
std::vector<std::wstring> ChooseFiles(HWND owner, const wchar_t* title);

// Files chosen in the open dialog with these type filters (name and pattern pairs).
std::vector<std::wstring> ChooseFiles(HWND owner, const wchar_t* title, const std::vector<COMDLG_FILTERSPEC>& filters);

// The folder chosen in the system's folder dialog; empty when cancelled.
std::wstring ChooseFolder(HWND owner, const wchar_t* title);

}  // namespace app
