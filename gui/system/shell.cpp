#include "gui/system/shell.h"

#include "gui/system/com_ptr.h"

#include <shellapi.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstring>

namespace app {
namespace {

struct GlobalDeleter {
    void operator()(void* memory) const noexcept { GlobalFree(memory); }
};

std::wstring FileSystemPath(IShellItem* item) {
    wchar_t* path = nullptr;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) return {};
    const std::unique_ptr<wchar_t, CoTaskMemDeleter> owner(path);
    return path;
}

ComPtr<IFileOpenDialog> ShowOpenDialog(HWND owner, const wchar_t* title, FILEOPENDIALOGOPTIONS extra,
                                       const std::vector<COMDLG_FILTERSPEC>& filters = {}) {
    IFileOpenDialog* raw = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&raw)))) return nullptr;
    ComPtr<IFileOpenDialog> dialog(raw);
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR | extra);
    dialog->SetTitle(title);
    if (!filters.empty()) dialog->SetFileTypes(static_cast<UINT>(filters.size()), filters.data());
    if (FAILED(dialog->Show(owner))) return nullptr;
    return dialog;
}

}  // namespace

bool OpenWithDefaultHandler(const std::wstring& target) {
    return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

bool SetClipboardText(HWND owner, const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    std::unique_ptr<void, GlobalDeleter> memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) return false;
    void* locked = GlobalLock(memory.get());
    if (!locked) return false;
    std::memcpy(locked, text.c_str(), bytes);
    GlobalUnlock(memory.get());
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_UNICODETEXT, memory.get()) != nullptr;
    if (placed) memory.release();  // the clipboard owns it now
    CloseClipboard();
    return placed;
}

std::wstring ReadClipboardText(HWND owner) {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(owner)) return {};
    std::wstring text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
            const std::size_t capacity = GlobalSize(data) / sizeof(wchar_t);
            text.assign(units, std::find(units, units + capacity, L'\0'));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

std::vector<std::wstring> ChooseFiles(HWND owner, const wchar_t* title) { return ChooseFiles(owner, title, {}); }

std::vector<std::wstring> ChooseFiles(HWND owner, const wchar_t* title, const std::vector<COMDLG_FILTERSPEC>& filters) {
    std::vector<std::wstring> files;
    const auto dialog = ShowOpenDialog(owner, title, FOS_ALLOWMULTISELECT | FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST, filters);
    IShellItemArray* raw = nullptr;
    if (!dialog || FAILED(dialog->GetResults(&raw))) return files;
    const ComPtr<IShellItemArray> items(raw);
    DWORD count = 0;
    items->GetCount(&count);
    for (DWORD i = 0; i < count; ++i) {
        IShellItem* item = nullptr;
        if (FAILED(items->GetItemAt(i, &item))) continue;
        const ComPtr<IShellItem> owned(item);
        if (std::wstring path = FileSystemPath(item); !path.empty()) files.push_back(std::move(path));
    }
    return files;
}

std::wstring ChooseFolder(HWND owner, const wchar_t* title) {
    const auto dialog = ShowOpenDialog(owner, title, FOS_PICKFOLDERS);
    IShellItem* raw = nullptr;
    if (!dialog || FAILED(dialog->GetResult(&raw))) return {};
    const ComPtr<IShellItem> item(raw);
    return FileSystemPath(item.get());
}

}  // namespace app
