// The main window's part in who published a download: the signature of each
// verified checksum list, the list or the signature found beside an added
// file, and trusting a signing key.
#include "gui/window/main_window.h"

#include "engine/error_text.h"
#include "engine/file_bytes.h"
#include "engine/text.h"
#include "gui/system/shell.h"
#include "gui/window/key_trust.h"
#include "gui/window/message_dialog.h"
#include "signatures/common/key_text.h"
#include "signatures/common/trust_store.h"

#include <commctrl.h>

#include <algorithm>

namespace app {
namespace {

const COMDLG_FILTERSPEC kKeyFilters[] = {
    {L"Public keys", L"*.asc;*.gpg;*.key;*.pub;allowed_signers"},
    {L"All files", L"*.*"},
};

constexpr wchar_t kAllowedSigners[] = L"allowed_signers";

}  // namespace

std::wstring AllowedSignersBeside(const std::wstring& signedPath) {
    const std::size_t separator = signedPath.find_last_of(L"\\/");
    return signedPath.substr(0, separator == std::wstring::npos ? 0 : separator + 1) + kAllowedSigners;
}

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
            row.listSignature = started ? ListSignature{} : SignatureIn(ListSignatureState::Uncheckable);
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
    for (FileRow& row : files_.Rows()) {
        if (row.ownSignature && StartOwnSignatureCheck(hwnd_, row.id, row.path)) row.ownSignature = ListSignature{};
    }
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
    RefreshUnknownKeyNotice(result->listPath, result->signature);
    RefreshVerdict();
    RefreshDetails();
}

void MainWindow::ShowUnknownKeyNotice(const std::wstring& signedPath, const ListSignature& signature) {
    const std::size_t separator = signedPath.find_last_of(L"\\/");
    // An allowed_signers file beside it is offered, never trusted unasked.
    const DWORD attributes = GetFileAttributesW(vms::ToLongPath(AllowedSignersBeside(signedPath)).c_str());
    const bool allowedSigners = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (signature.sigstoreSigner) {
        ShowNotice(NoticeKind::UnknownKey,
                   // The identity can be a long URL: it is in the verdict line and the details pane.
                   signedPath.substr(separator + 1) +
                       L" is signed with Sigstore by a signer you don't trust yet.  <a id=\"g\">Trust this signer...</a>    "
                       L"<a id=\"x\">Dismiss</a>",
                   signedPath);
        return;
    }
    // The short key ID; the whole key is in the details pane.
    ShowNotice(NoticeKind::UnknownKey,
               signedPath.substr(separator + 1) + L" is signed by an untrusted key (" + signature.keyId + L").  " +
                   (allowedSigners ? L"<a id=\"s\">Trust allowed_signers...</a>    " : L"") +
                   L"<a id=\"k\">Trust a key file...</a>    <a id=\"x\">Dismiss</a>",
               signedPath);
}

void MainWindow::RefreshUnknownKeyNotice(const std::wstring& signedPath, const ListSignature& signature) {
    if (signature.state == ListSignatureState::UnknownKey) {
        ShowUnknownKeyNotice(signedPath, signature);
    } else if (signature.state != ListSignatureState::Checking && noticeKind_ == NoticeKind::UnknownKey &&
               vms::EqualsIgnoreCase(noticePayload_, signedPath)) {
        HideNotice();  // the key is trusted now, or the file went
    }
}


void MainWindow::TrustSignerOf(const std::wstring& signedPath) {
    // The signer of the download itself, or of the list of that name.
    std::optional<vms::SigstoreSigner> signer;
    for (const FileRow& row : files_.Rows()) {
        if (!signer && row.ownSignature && vms::EqualsIgnoreCase(row.path, signedPath)) signer = row.ownSignature->sigstoreSigner;
        if (!signer && row.fromChecksumFile && vms::EqualsIgnoreCase(row.checksumFile, signedPath)) {
            signer = row.listSignature.sigstoreSigner;
        }
    }
    if (signer && OfferToTrustSigner(hwnd_, *signer)) RecheckListSignatures();
}

void MainWindow::OnOwnSignatureFound(std::unique_ptr<OwnSignatureFound> result) {
    const auto position = files_.PositionOf(result->row);
    if (!position) return;
    FileRow& row = files_.Rows()[*position];
    if (row.fromChecksumFile) return;
    row.ownSignature = result->signature;
    row.ownSignaturePath = result->signaturePath;
    ListView_RedrawItems(list_, static_cast<int>(*position), static_cast<int>(*position));
    RefreshUnknownKeyNotice(row.path, result->signature);
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
    const vms::Result<vms::Bytes> bytes = vms::ReadFileBytes(path, vms::kMaxKeyFileSize);
    if (!bytes) return false;
    const KeyOffer offer = OfferToTrustKeys(hwnd_, *bytes);
    if (offer.trusted) RecheckListSignatures();
    return offer.found;
}

void MainWindow::ChooseKeyFileToTrust() {
    const std::vector<COMDLG_FILTERSPEC> filters(std::begin(kKeyFilters), std::end(kKeyFilters));
    for (const std::wstring& path : ChooseFiles(hwnd_, L"Trust a Signing Key", filters)) {
        if (OfferToTrustKeyFile(path)) continue;
        MessageDialogOptions options;
        options.icon = DialogIcon::Warning;
        options.instruction = L"No public key was found in this file.";
        options.content = path;
        MessageDialog(hwnd_, options);
    }
}

}  // namespace app
