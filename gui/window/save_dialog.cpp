#include "gui/window/save_dialog.h"

#include "engine/error_text.h"
#include "engine/text.h"
#include "engine/win_handles.h"
#include "gui/logic/save_checksums.h"
#include "gui/system/com_ptr.h"
#include "gui/system/shell.h"
#include "gui/window/message_dialog.h"

#include <shobjidl.h>

namespace app {
namespace {

struct SaveChoice {
    std::wstring path;
    std::size_t type = 0;  // index into the offered types
};

std::optional<SaveChoice> AskWhereToSave(HWND owner, const std::vector<SaveFileType>& types, const std::wstring& name,
                                         const std::wstring& folder) {
    IFileSaveDialog* raw = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&raw)))) return std::nullopt;
    const ComPtr<IFileSaveDialog> dialog(raw);
    std::vector<COMDLG_FILTERSPEC> filters;
    for (const SaveFileType& type : types) filters.push_back({type.label.c_str(), type.pattern.c_str()});
    const std::size_t chosen = DefaultSaveType(types);
    dialog->SetFileTypes(static_cast<UINT>(filters.size()), filters.data());
    dialog->SetFileTypeIndex(static_cast<UINT>(chosen + 1));
    dialog->SetDefaultExtension(types[chosen].pattern.c_str() + 2);
    dialog->SetFileName(name.c_str());
    dialog->SetTitle(L"Save Checksums");
    IShellItem* start = nullptr;
    if (SUCCEEDED(SHCreateItemFromParsingName(folder.c_str(), nullptr, IID_PPV_ARGS(&start)))) {
        const ComPtr<IShellItem> owned(start);
        dialog->SetFolder(start);
    }
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_OVERWRITEPROMPT | FOS_NOCHANGEDIR | FOS_FORCEFILESYSTEM);
    if (FAILED(dialog->Show(owner))) return std::nullopt;
    IShellItem* result = nullptr;
    if (FAILED(dialog->GetResult(&result))) return std::nullopt;
    const ComPtr<IShellItem> item(result);
    wchar_t* path = nullptr;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) return std::nullopt;
    const std::unique_ptr<wchar_t, CoTaskMemDeleter> ownedPath(path);
    UINT index = 1;
    dialog->GetFileTypeIndex(&index);
    if (index < 1 || index > types.size()) index = 1;
    return SaveChoice{path, index - 1};
}

// Writes the whole file in one write; the system error code on failure, 0 on success.
DWORD WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    const vms::UniqueFile file(CreateFileW(vms::ToLongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return GetLastError();
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return GetLastError();
    return written == bytes.size() ? 0 : ERROR_WRITE_FAULT;
}

}  // namespace

void SaveChecksums(HWND owner, const std::vector<FileRow>& rows, std::span<const std::size_t> selected,
                   const Settings& settings) {
    const SavePlan plan = PlanSave(rows, selected, settings.algorithms);
    if (plan.rows.empty() || plan.algorithms == 0) {
        MessageDialog(owner, DialogIcon::Information, L"There's nothing to save yet.",
                      L"Add files and wait until their checksums are calculated.");
        return;
    }
    const std::vector<SaveFileType> types = SaveFileTypes(plan.algorithms);
    const FileRow& first = rows[plan.rows.front()];
    const auto choice = AskWhereToSave(owner, types, plan.rows.size() > 1 ? L"checksums" : first.name, first.folder);
    if (!choice) return;
    const SaveFileType& type = types[choice->type];
    const std::wstring& path = choice->path;
    const std::size_t separator = path.find_last_of(L"\\/");
    const std::wstring folder = separator == std::wstring::npos ? L"" : path.substr(0, separator);
    const vms::ChecksumWriterOptions options{type.format, settings.crlf, settings.uppercase, type.algorithm};
    const std::string text = vms::FormatChecksums(SaveEntries(rows, plan, folder, type), options);
    if (const DWORD error = WriteWholeFile(path, text)) {
        MessageDialog(owner, DialogIcon::Error, L"The checksums couldn't be saved.",
                      path + L"\n\n" + vms::FormatErrorText(error) + L".");
    }
}

}  // namespace app
