// The main window's part in who published a download: the OpenPGP signature of
// each verified checksum list, the list found beside an added file, and
// trusting a signing key.
#include "gui/window/main_window.h"

#include "engine/error_text.h"
#include "engine/file_bytes.h"
#include "engine/text.h"
#include "gui/system/shell.h"
#include "gui/window/message_dialog.h"
#include "signatures/common/key_text.h"
#include "signatures/common/trust_store.h"

#include <commctrl.h>

#include <algorithm>

namespace app {
namespace {

const COMDLG_FILTERSPEC kKeyFilters[] = {
    {L"OpenPGP keys", L"*.asc;*.gpg;*.key;*.pub"},
    {L"All files", L"*.*"},
};

constexpr int kTrustButton = 100;

std::wstring KeyDescription(const vms::CertifiedKey& key) {
    std::wstring text;
    for (const std::string& userId : key.userIds) text += vms::UserIdText(userId) + L"\n";
    if (key.userIds.empty()) text += L"(This key has no user ID.)\n";
    text += L"\nFingerprint: " + vms::FormatFingerprint(key.primary.fingerprint) + L"\nCreated: " +
            vms::FormatDate(key.primary.created) + L", " + vms::FromUtf8(vms::DescribeKeyAlgorithm(key.primary));
    return text;
}

}  // namespace

void MainWindow::CheckListSignature(const std::wstring& listPath) {
    // A detached signature added to the list together with it, from another folder than the list's.
    std::optional<std::wstring> addedSignature;
    const std::vector<std::wstring> candidates = vms::DetachedSignatureCandidates(listPath);
    for (const std::wstring& candidate : candidates) {
        const std::wstring name = candidate.substr(candidate.find_last_of(L"\\/") + 1);
        for (const FileRow& row : files_.Rows()) {
            if (!addedSignature && !row.fromChecksumFile && vms::EqualsIgnoreCase(row.name, name)) addedSignature = row.path;
        }
    }
    if (addedSignature && std::ranges::any_of(candidates, [](const std::wstring& beside) {
            return GetFileAttributesW(vms::ToLongPath(beside).c_str()) != INVALID_FILE_ATTRIBUTES;
        })) {
        addedSignature.reset();  // the one beside the list comes first
    }
    const bool started = StartListSignatureCheck(hwnd_, listPath, addedSignature);
    for (FileRow& row : files_.Rows()) {
        if (row.fromChecksumFile && vms::EqualsIgnoreCase(row.checksumFile, listPath)) {
            row.listSignature = started ? ListSignature{} : ListSignature{ListSignatureState::Uncheckable, {}, {}};
        }
    }
}

void MainWindow::RecheckListSignatures() {
    std::vector<std::wstring> lists;
    for (const FileRow& row : files_.Rows()) {
        if (row.fromChecksumFile && std::ranges::none_of(lists, [&](const std::wstring& list) {
                return vms::EqualsIgnoreCase(list, row.checksumFile);
            })) {
            lists.push_back(row.checksumFile);
        }
    }
    for (const std::wstring& list : lists) CheckListSignature(list);
    RefreshVerdict();
    RefreshDetails();
}

void MainWindow::OnListSignatureDone(std::unique_ptr<ListSignatureDone> result) {
    bool shown = false;
    for (FileRow& row : files_.Rows()) {
        if (row.fromChecksumFile && vms::EqualsIgnoreCase(row.checksumFile, result->listPath)) {
            row.listSignature = result->signature;
            shown = true;
        }
    }
    if (!shown) return;
    if (result->signature.state == ListSignatureState::UnknownKey) {
        const std::size_t separator = result->listPath.find_last_of(L"\\/");
        // The key ID is the fingerprint's end; the whole fingerprint is in the details pane.
        const vms::Bytes& fingerprint = result->signature.fingerprint;
        const vms::Bytes keyId(fingerprint.size() > 8 ? fingerprint.end() - 8 : fingerprint.begin(), fingerprint.end());
        ShowNotice(NoticeKind::UnknownKey,
                   result->listPath.substr(separator + 1) + L" is signed by an untrusted key (" +
                       vms::FormatFingerprint(keyId) + L").  <a id=\"k\">Trust a key file...</a>    <a id=\"x\">Dismiss</a>",
                   result->listPath);
    }
    RefreshVerdict();
    RefreshDetails();
}

void MainWindow::OnSiblingFound(std::unique_ptr<SiblingFound> result) {
    const auto position = files_.PositionOf(result->row);
    if (!position) return;
    FileRow& row = files_.Rows()[*position];
    if (row.fromChecksumFile) return;
    row.fromChecksumFile = true;
    row.foundBeside = true;
    row.expectedBytes = std::move(result->listing.expectedBytes);
    row.expectedCandidates = std::move(result->listing.candidates);
    row.checksumFile = result->listing.listPath;
    row.checksumLine = result->listing.line;
    row.listSignature = result->signature;
    Queue(row);
    ListView_RedrawItems(list_, static_cast<int>(*position), static_cast<int>(*position));
    OnListSignatureDone(std::make_unique<ListSignatureDone>(ListSignatureDone{row.checksumFile, row.listSignature}));
}

bool MainWindow::OfferToTrustKeyFile(const std::wstring& path) {
    DWORD error = 0;
    const auto bytes = vms::ReadFileBytes(path, vms::kMaxKeyFileSize, error);
    if (!bytes) return false;
    const std::uint32_t now = vms::CurrentUnixTime();
    const vms::KeyLoadResult loaded = vms::LoadKeys(*bytes, now);
    if (loaded.keys.empty()) return false;
    bool trusted = false;
    for (const vms::CertifiedKey& key : loaded.keys) {
        MessageDialogOptions options;
        options.title = L"Trust a Signing Key";
        options.content = KeyDescription(key);
        const bool known = vms::IsTrusted(key.primary.fingerprint);
        if (key.revoked || (key.expires && *key.expires <= now)) {
            options.icon = DialogIcon::Warning;
            options.instruction = key.revoked ? L"This key has been revoked by its owner. It can't be trusted."
                                              : L"This key expired on " + vms::FormatDate(*key.expires) +
                                                    L". It can't be trusted.";
        } else if (known) {
            options.icon = DialogIcon::Information;
            options.instruction = L"This key is already trusted.";
        } else {
            options.instruction = L"Trust this key to sign the downloads you check?";
            options.footer = L"Compare the fingerprint with the one on the project's website before you trust it.";
            options.buttons = {{kTrustButton, L"Trust this key"}};
            options.commonButtons = TDCBF_CANCEL_BUTTON;
            options.defaultButton = IDCANCEL;
        }
        const bool updateOnly = known && (key.revoked || (key.expires && *key.expires <= now));
        const int chosen = MessageDialog(hwnd_, options);
        if (chosen != kTrustButton && !updateOnly) continue;
        // A trusted copy also learns of a revocation or a new expiry date.
        if (vms::TrustKey(key, now, error) == vms::TrustOutcome::Failed) {
            MessageDialogOptions failed;
            failed.icon = DialogIcon::Error;
            failed.instruction = L"The key couldn't be stored.";
            failed.content = vms::TrustStoreFolder() + L"\n\n" + vms::FormatErrorText(error) + L".";
            MessageDialog(hwnd_, failed);
            continue;
        }
        trusted = true;
    }
    if (trusted) RecheckListSignatures();
    return true;
}

void MainWindow::ChooseKeyFileToTrust() {
    const std::vector<COMDLG_FILTERSPEC> filters(std::begin(kKeyFilters), std::end(kKeyFilters));
    for (const std::wstring& path : ChooseFiles(hwnd_, L"Trust a Signing Key", filters)) {
        if (OfferToTrustKeyFile(path)) continue;
        MessageDialogOptions options;
        options.icon = DialogIcon::Warning;
        options.instruction = L"No OpenPGP public key was found in this file.";
        options.content = path;
        MessageDialog(hwnd_, options);
    }
}

}  // namespace app
