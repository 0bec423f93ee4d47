#include "shell/selection.h"

#include "gui/system/com_ptr.h"

#include "engine/folder_walker.h"
#include "engine/text.h"

#include <shellapi.h>

#include <memory>

namespace shell {
namespace {

app::SelectedItem ItemAt(std::wstring path) {
    const bool folder = vms::IsExistingFolder(path);
    return {std::move(path), folder};
}

// Windows 10's attribute of files that a cloud provider must fetch first;
// mingw-w64's headers don't name it yet.
constexpr DWORD kRecallOnDataAccess = 0x00400000;

// Unlocks the global memory it was made for, once, whatever the way out.
struct GlobalUnlocker {
    HGLOBAL memory;
    void operator()(void*) const noexcept { GlobalUnlock(memory); }
};

struct MediumReleaser {
    void operator()(STGMEDIUM* medium) const noexcept { ReleaseStgMedium(medium); }
};

}  // namespace

std::vector<app::SelectedItem> ItemsOfDataObject(IDataObject* data) {
    std::vector<app::SelectedItem> items;
    if (!data) return items;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium))) return items;
    const std::unique_ptr<STGMEDIUM, MediumReleaser> release(&medium);
    const std::unique_ptr<void, GlobalUnlocker> locked(GlobalLock(medium.hGlobal), GlobalUnlocker{medium.hGlobal});
    const auto drop = static_cast<HDROP>(locked.get());
    if (!drop) return items;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        if (!path.empty()) items.push_back(ItemAt(std::move(path)));
    }
    return items;
}

std::vector<app::SelectedItem> ItemsOfArray(IShellItemArray* array) {
    std::vector<app::SelectedItem> items;
    DWORD count = 0;
    if (!array || FAILED(array->GetCount(&count))) return items;
    for (DWORD i = 0; i < count; ++i) {
        IShellItem* raw = nullptr;
        if (FAILED(array->GetItemAt(i, &raw))) continue;
        const app::ComPtr<IShellItem> item(raw);
        PWSTR name = nullptr;
        if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &name))) continue;
        const std::unique_ptr<wchar_t, app::CoTaskMemDeleter> owner(name);
        items.push_back(ItemAt(name));
    }
    return items;
}

bool IsNotOnDisk(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(vms::ToLongPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (kRecallOnDataAccess | FILE_ATTRIBUTE_OFFLINE)) != 0;
}

}  // namespace shell
