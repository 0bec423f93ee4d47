// The main window's commands on selected rows: copying, opening the folder,
// the VirusTotal look-up and comparing two files.
#include "gui/window/main_window.h"

#include "gui/window/message_dialog.h"
#include "gui/window/resource.h"
#include "gui/logic/row_commands.h"
#include "gui/system/shell.h"

#include <commctrl.h>
#include <shlobj.h>

namespace app {

void MainWindow::OnRowCommand(int command) {
    const auto selected = SelectedPositions();
    const auto& rows = files_.Rows();
    switch (command) {
    case ID_COPY_HASHES:
    case IDC_COPY_HASHES:
        if (const auto text = CopyHashesText(rows, selected, settings_.algorithms, settings_.uppercase)) {
            SetClipboardText(hwnd_, *text);
        }
        break;
    case ID_COPY_LINE:
        if (const auto text = CopyLineText(rows, selected, settings_.algorithms, settings_.uppercase)) {
            SetClipboardText(hwnd_, *text);
        }
        break;
    case ID_COPY_ALL:
        if (!selected.empty()) SetClipboardText(hwnd_, CopyAllHashesText(rows, selected, settings_.uppercase));
        break;
    case ID_COPY_PATH:
        if (!selected.empty()) SetClipboardText(hwnd_, CopyPathText(rows, selected));
        break;
    case ID_OPEN_CONTAINING:
    case IDC_OPEN_FOLDER:
        OpenContainingFolder();
        break;
    case ID_LOOK_UP:
    case IDC_VIRUSTOTAL:
        LookUp();
        break;
    case ID_COMPARE:
        StartComparison();
        break;
    default:
        break;
    }
}

void MainWindow::OpenContainingFolder() {
    const auto selected = SelectedPositions();
    if (selected.size() != 1) return;
    const FileRow& row = files_.Rows()[selected.front()];
    PIDLIST_ABSOLUTE item = nullptr;
    if (SUCCEEDED(SHParseDisplayName(row.path.c_str(), nullptr, &item, 0, nullptr))) {
        const std::unique_ptr<ITEMIDLIST, CoTaskMemDeleter> owned(item);
        SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
        return;
    }
    OpenWithDefaultHandler(row.folder);
}

void MainWindow::LookUp() {
    const auto selected = SelectedPositions();
    if (selected.size() != 1) return;
    FileRow& row = files_.Rows()[selected.front()];
    if (row.status == RowStatus::Error) return;
    if (const auto address = LookUpAddress(row)) {
        OpenWithDefaultHandler(*address);
        return;
    }
    waitingLookUp_ = row.id;
    if (auto job = files_.QueueRow(row, vms::MaskOf(vms::kSha256))) {
        worker_->Enqueue(std::move(*job));
        SetTimer(hwnd_, kProgressTimer, kProgressTimerPeriod, nullptr);
    }
}

void MainWindow::StartComparison() {
    const auto selected = SelectedPositions();
    if (selected.size() != 2) return;
    FileRow& first = files_.Rows()[selected[0]];
    FileRow& second = files_.Rows()[selected[1]];
    waitingComparison_ = {first.id, second.id};
    if (CompareFiles(first, second) != ComparisonOutcome::SizesDiffer) {
        for (FileRow* row : {&first, &second}) {
            if (auto job = files_.QueueRow(*row, vms::MaskOf(vms::kSha256))) {
                worker_->Enqueue(std::move(*job));
                SetTimer(hwnd_, kProgressTimer, kProgressTimerPeriod, nullptr);
            }
        }
    }
    RunWaitingCommands();
}

void MainWindow::RunWaitingCommands() {
    if (waitingLookUp_) {
        if (const auto position = files_.PositionOf(*waitingLookUp_)) {
            const FileRow& row = files_.Rows()[*position];
            if (row.status != RowStatus::Waiting && row.status != RowStatus::Hashing) {
                waitingLookUp_.reset();
                if (const auto address = LookUpAddress(row)) OpenWithDefaultHandler(*address);
            }
        }
    }
    if (!waitingComparison_) return;
    const auto first = files_.PositionOf(waitingComparison_->first);
    const auto second = files_.PositionOf(waitingComparison_->second);
    if (!first || !second) {
        waitingComparison_.reset();
        return;
    }
    const FileRow& a = files_.Rows()[*first];
    const FileRow& b = files_.Rows()[*second];
    const ComparisonOutcome outcome = CompareFiles(a, b);
    if (outcome == ComparisonOutcome::Waiting) return;
    waitingComparison_.reset();
    MessageDialogOptions message;
    switch (outcome) {
    case ComparisonOutcome::SizesDiffer:
        message.icon = DialogIcon::Warning;
        message.instruction = L"The two files are different.";
        message.content = a.name + L" (" + FormatSize(a.size) + L")\n" + b.name + L" (" + FormatSize(b.size) +
                          L")\n\nTheir sizes differ.";
        break;
    case ComparisonOutcome::Unreadable:
        message.icon = DialogIcon::Error;
        message.instruction = L"One of the files can't be read.";
        break;
    case ComparisonOutcome::Identical:
        message.icon = DialogIcon::Information;
        message.instruction = L"The two files are identical.";
        message.content = a.name + L"\n" + b.name + L"\n\nCompared by SHA-256; the sizes are equal too.";
        break;
    case ComparisonOutcome::Different:
        message.icon = DialogIcon::Warning;
        message.instruction = L"The two files are different.";
        message.content = a.name + L"\n" + b.name + L"\n\nCompared by SHA-256.";
        break;
    case ComparisonOutcome::Waiting:
        return;
    }
    MessageDialog(hwnd_, message);
}

}  // namespace app
