// The main window's folder audit: files beside a verified list that it
// doesn't name, files that moved, and bringing the list up to date.
#include "gui/window/main_window.h"

#include "checksums/folder_audit.h"
#include "checksums/list_update.h"
#include "engine/error_text.h"
#include "engine/folder_walker.h"
#include "engine/text.h"
#include "gui/system/shell.h"
#include "gui/window/message_dialog.h"
#include "gui/window/wait_cursor.h"

#include <commctrl.h>

#include <algorithm>

namespace app {
namespace {

constexpr int kUpdateButton = 100;
constexpr int kNewFileButton = 101;

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? L"." : path.substr(0, separator);
}

// The path relative to the list's folder, with "/", as a list names it.
std::wstring RelativeTo(const std::wstring& listPath, const std::wstring& path) {
    const std::wstring folder = FolderOf(listPath) + L"\\";
    std::wstring relative = path.size() > folder.size() && vms::EqualsIgnoreCase(path.substr(0, folder.size()), folder)
                                ? path.substr(folder.size())
                                : path;
    std::ranges::replace(relative, L'\\', L'/');
    return relative;
}

// The same audit as vmsum --audit --update, so the list follows the same rules.
vms::Result<vms::ListUpdate> UpdateList(const std::wstring& listPath, bool includeHidden) {
    const vms::Result<std::vector<std::uint8_t>> bytes = vms::ReadChecksumBytes(listPath);
    if (!bytes) return bytes.GetError();
    const WaitCursor wait;
    const vms::ChecksumFile list = vms::ParseChecksumText(
        vms::DecodeText({reinterpret_cast<const char*>(bytes->data()), bytes->size()}), listPath);
    const vms::Result<std::vector<vms::AuditItem>> items = vms::AuditFolder(
        listPath, list, L"", includeHidden, [](const std::wstring&, std::uint64_t) { return vms::HashOptions{}; },
        list.entries.empty() ? std::nullopt : std::optional(list.entries.front().candidates.front()));
    // A folder that couldn't be listed would make every entry look missing: the list isn't touched then.
    if (!items) return items.GetError();
    const vms::ListUpdate update = vms::ListUpdateFor(listPath, *bytes);
    if (const vms::Result<void> written = vms::WriteUpdatedList(update, *bytes, list, *items); !written) {
        return written.GetError();
    }
    return update;
}

}  // namespace

void MainWindow::FindUnlistedFiles(const std::wstring& listPath) {
    std::vector<std::wstring> known = {vms::ToLowerW(vms::ToLongPath(listPath))};
    for (const std::wstring& signature : vms::DetachedSignatureCandidates(listPath)) {
        known.push_back(vms::ToLowerW(vms::ToLongPath(signature)));
    }
    vms::AlgorithmMask listAlgorithms = 0;
    for (const FileRow& row : files_.Rows()) {
        known.push_back(vms::ToLowerW(vms::ToLongPath(row.path)));
        if (row.fromChecksumFile && vms::EqualsIgnoreCase(row.checksumFile, listPath)) {
            listAlgorithms |= vms::CandidateMask(row.expectedCandidates);
        }
    }
    std::size_t added = 0;
    {
        const WaitCursor wait;
        // A folder that can't be listed has no files to add.
        static_cast<void>(vms::FindInFolder(
            FolderOf(listPath), vms::FindOptions{true, settings_.includeHidden, nullptr}, [&](vms::FoundFile found) {
                if (std::ranges::find(known, vms::ToLowerW(vms::ToLongPath(found.path))) != known.end()) return;
                FileRow row = files_.MakeRow(found.path);
                row.notListed = true;
                row.checksumFile = listPath;
                files_.Rows().push_back(std::move(row));
                ++added;
            }));
        files_.RebuildIndex();
        // The list's algorithms too, so that a file can be recognised as a listed one that moved.
        for (std::size_t i = files_.Rows().size() - added; i < files_.Rows().size(); ++i) {
            if (auto job = files_.QueueRow(files_.Rows()[i], settings_.algorithms | listAlgorithms)) {
                worker_->Enqueue(std::move(*job));
                SetTimer(hwnd_, kProgressTimer, kProgressTimerPeriod, nullptr);
            }
        }
    }
    SetListCount(false);
    RefreshDetails();
    RefreshStatusLine();
    RefreshVerdict();
    if (added == 0) {
        ShowNotice(NoticeKind::Unlisted, L"Every file in the list's folder is in the list.    <a id=\"x\">Dismiss</a>", L"");
    }
}

void MainWindow::LinkMove(const FileRow& found) {
    for (FileRow& row : files_.Rows()) {
        const bool missing = row.fromChecksumFile && row.status == RowStatus::Error &&
                             (row.error == ERROR_FILE_NOT_FOUND || row.error == ERROR_PATH_NOT_FOUND);
        if (!missing || !row.movedName.empty() || !vms::EqualsIgnoreCase(row.checksumFile, found.checksumFile) ||
            !vms::FindMatchingCandidate(row.expectedCandidates, row.expectedBytes, found.digests)) {
            continue;
        }
        row.movedName = RelativeTo(row.checksumFile, found.path);
        const std::wstring oldName = RelativeTo(row.checksumFile, row.path);
        if (const auto position = files_.PositionOf(found.id)) files_.Rows()[*position].movedName = oldName;
        return;
    }
}

bool MainWindow::OfferToUpdateList() {
    const auto& rows = files_.Rows();
    const auto changed = [](const FileRow& row) {
        if (row.notListed) return true;
        if (!row.fromChecksumFile || row.foundBeside) return false;
        const RowMatch match = CompareRow(row, row.expectedBytes, row.expectedCandidates).match;
        return match == RowMatch::Mismatch || match == RowMatch::Missing;
    };
    const auto first = std::ranges::find_if(rows, changed);
    if (first == rows.end()) return false;
    const std::wstring listPath = first->checksumFile;
    MessageDialogOptions options;
    options.instruction = L"Bring " + listPath.substr(listPath.find_last_of(L"\\/") + 1) + L" up to date?";
    options.content = L"Changed files get their new checksums, moved files their new names, missing files are "
                      L"dropped and files that aren't listed are added.";
    options.buttons = {{kUpdateButton, L"Update the list"}, {kNewFileButton, L"Save a new file instead"}};
    options.commonButtons = TDCBF_CANCEL_BUTTON;
    const int chosen = MessageDialog(hwnd_, options);
    if (chosen == kNewFileButton) return false;
    if (chosen != kUpdateButton) return true;

    const vms::Result<vms::ListUpdate> update = UpdateList(listPath, settings_.includeHidden);
    MessageDialogOptions done;
    if (update) {
        done.icon = DialogIcon::Information;
        done.instruction = update->clearSigned ? L"The list is signed, so the update went to a new file."
                                               : L"The list is up to date.";
        done.content = update->target;
    } else {
        done.icon = DialogIcon::Error;
        done.instruction = L"The list couldn't be updated. It is as it was.";
        done.content = listPath + L"\n\n" + vms::FormatErrorText(update.GetError().systemCode) + L".";
    }
    MessageDialog(hwnd_, done);
    return true;
}

}  // namespace app
