#include "gui/window/check_dialogs.h"

#include "engine/error_text.h"
#include "gui/system/shell.h"
#include "gui/window/message_dialog.h"

#include <iterator>

namespace app {
namespace {

constexpr int kUpdateButton = 100;
constexpr int kNewFileButton = 101;

const COMDLG_FILTERSPEC kChecksumFilters[] = {
    {L"Checksum files",
     L"*.sha256;*.sha1;*.md5;*.sha512;*.sha384;*.sfv;*.b3;*.blake3;*.xxh64;*.xxh3;*.xxh128;*.sha3-256;*.sha3-384;"
     L"*.sha3-512;*.digests;*SUMS;*SUMS.txt;*sums.txt;*.txt;*.asc"},
    {L"All files", L"*.*"},
};

}  // namespace

std::vector<std::wstring> ChooseChecksumFiles(HWND owner) {
    const std::vector<COMDLG_FILTERSPEC> filters(std::begin(kChecksumFilters), std::end(kChecksumFilters));
    return ChooseFiles(owner, L"Verify Checksum File", filters);
}

void WarnAboutList(HWND owner, const std::wstring& listPath, const ListOutcome& outcome) {
    MessageDialogOptions options;
    options.icon = DialogIcon::Warning;
    switch (outcome.problem) {
    case ListProblem::None:
        return;
    case ListProblem::Unreadable:
        options.instruction = L"The checksum file can't be read.";
        options.content = listPath + L"\n\n" + vms::FormatErrorText(outcome.error) + L".";
        break;
    case ListProblem::Empty:
        options.instruction = L"No checksums were found in this file.";
        options.content = listPath + L"\n\nChecksum files have lines like \"<hash>  <file name>\" or "
                                     L"\"SHA256 (<file name>) = <hash>\".";
        break;
    }
    MessageDialog(owner, options);
}

UpdateChoice AskToUpdateList(HWND owner, const std::wstring& listPath) {
    MessageDialogOptions options;
    options.instruction = L"Bring " + listPath.substr(listPath.find_last_of(L"\\/") + 1) + L" up to date?";
    options.content = L"Changed files get their new checksums, moved files their new names, missing files are "
                      L"dropped and files that aren't listed are added.";
    options.buttons = {{kUpdateButton, L"Update the list"}, {kNewFileButton, L"Save a new file instead"}};
    options.commonButtons = TDCBF_CANCEL_BUTTON;
    switch (MessageDialog(owner, options)) {
    case kUpdateButton: return UpdateChoice::Update;
    case kNewFileButton: return UpdateChoice::SaveNewFile;
    default: return UpdateChoice::Cancel;
    }
}

void ReportListUpdate(HWND owner, const ListUpdateDone& done) {
    if (!done.update) {
        MessageDialog(owner, DialogIcon::Error, L"The list couldn't be updated. It is as it was.",
                      done.listPath + L"\n\n" + vms::FormatErrorText(done.update.GetError().systemCode) + L".");
        return;
    }
    const wchar_t* instruction =
        done.update->clearSigned ? L"The list is signed, so the update went to a new file." : L"The list is up to date.";
    MessageDialog(owner, DialogIcon::Information, instruction, done.update->target);
}

void ReportComparison(HWND owner, const Comparison& comparison) {
    MessageDialogOptions message;
    switch (comparison.outcome) {
    case ComparisonOutcome::SizesDiffer:
        message.icon = DialogIcon::Warning;
        message.instruction = L"The two files are different.";
        message.content = comparison.firstName + L" (" + FormatSize(comparison.firstSize) + L")\n" + comparison.secondName +
                          L" (" + FormatSize(comparison.secondSize) + L")\n\nTheir sizes differ.";
        break;
    case ComparisonOutcome::Unreadable:
        message.icon = DialogIcon::Error;
        message.instruction = L"One of the files can't be read.";
        break;
    case ComparisonOutcome::Identical:
        message.icon = DialogIcon::Information;
        message.instruction = L"The two files are identical.";
        message.content =
            comparison.firstName + L"\n" + comparison.secondName + L"\n\nCompared by SHA-256; the sizes are equal too.";
        break;
    case ComparisonOutcome::Different:
        message.icon = DialogIcon::Warning;
        message.instruction = L"The two files are different.";
        message.content = comparison.firstName + L"\n" + comparison.secondName + L"\n\nCompared by SHA-256.";
        break;
    case ComparisonOutcome::Waiting:
        return;
    }
    MessageDialog(owner, message);
}

}  // namespace app
