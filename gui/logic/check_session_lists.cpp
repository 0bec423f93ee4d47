// The checking session's lists: verifying them, their signatures and the
// unknown-key notice, the lists found beside downloads, and a list's folder
// audited for files it doesn't name and files that moved.
#include "gui/logic/check_session.h"

#include "checksums/entry_verification.h"
#include "engine/folder_walker.h"
#include "engine/text.h"

#include <algorithm>
#include <unordered_set>

namespace app {
namespace {

constexpr wchar_t kAllowedSigners[] = L"allowed_signers";
// Shown while the list's folder is listed, which can take long for a large tree.
constexpr wchar_t kLookingForUnlisted[] = L"Looking for files that aren't in this list...";

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? L"." : path.substr(0, separator);
}

std::wstring NameOf(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

// The path relative to the list's folder, with "/", as a list names it.
std::wstring RelativeTo(const std::wstring& listPath, const std::wstring& path) {
    const std::wstring folder = FolderOf(listPath) + L"\\";
    std::wstring relative = path.size() > folder.size() && vms::EqualsIgnoreCase(path.substr(0, folder.size()), folder)
                                ? path.substr(folder.size())
                                : path;
    std::ranges::replace(relative, L'\\', L'/');
    return relative;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(vms::ToLongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

// Makes the row stand for an entry of a checksum list.
void TieToList(FileRow& row, const std::wstring& listPath, std::vector<std::uint8_t> expectedBytes,
               std::vector<vms::AlgorithmId> candidates, std::uint32_t line) {
    row.fromChecksumFile = true;
    row.expectedBytes = std::move(expectedBytes);
    row.expectedCandidates = std::move(candidates);
    row.checksumFile = listPath;
    row.checksumLine = line;
}

}  // namespace

ListOutcome CheckSession::VerifyList(const std::wstring& listPath) {
    ListOutcome outcome;
    const vms::Result<std::wstring> text = vms::ReadChecksumText(listPath);
    if (!text) {
        outcome.problem = ListProblem::Unreadable;
        outcome.error = text.GetError().systemCode;
        return outcome;
    }
    const vms::ChecksumFile file = vms::ParseChecksumText(*text, listPath);
    if (file.entries.empty()) {
        outcome.problem = ListProblem::Empty;
        return outcome;
    }
    std::size_t firstNew = files_.Rows().size();
    for (const vms::ChecksumEntry& entry : file.entries) {
        FileRow row = files_.MakeRow(vms::ResolveEntryPath(listPath, entry.name));
        TieToList(row, listPath, entry.bytes, entry.candidates, entry.line);
        // A row of the same file that no list named makes way for this one.
        std::vector<std::size_t> ordinary;
        for (std::size_t i = 0; i < files_.Rows().size(); ++i) {
            const FileRow& existing = files_.Rows()[i];
            if (!existing.fromChecksumFile && vms::EqualsIgnoreCase(existing.path, row.path)) ordinary.push_back(i);
        }
        for (std::size_t position : ordinary) {
            if (position < firstNew) --firstNew;
        }
        for (RowId removed : files_.Remove(ordinary)) services_.CancelJobsOf(removed);
        files_.Rows().push_back(std::move(row));
    }
    files_.RebuildIndex();
    outcome.firstNew = firstNew;
    outcome.changes = StartListSignatureCheck(listPath);
    outcome.changes |= QueueSelectedAlgorithms();
    outcome.changes |= QueueForExpectedHash();
    outcome.changes |= UpdateVerdict();
    outcome.changes |= Changes::ForAllRows();
    if (file.skipped_lines.empty()) {
        outcome.changes |= ShowNotice(MakeNotice(NoticeKind::Unlisted, L"Did files appear or move since the list was made?  ",
                                                 {NoticeAction::FindUnlistedFiles, NoticeAction::Dismiss}, listPath));
    } else {
        const std::size_t count = file.skipped_lines.size();
        outcome.changes |= ShowNotice(MakeNotice(
            NoticeKind::SkippedLines,
            std::to_wstring(count) + (count == 1 ? L" line" : L" lines") +
                L" of the checksum file aren't checksums and were skipped (first: line " +
                std::to_wstring(file.skipped_lines.front()) + L").    ",
            {NoticeAction::Dismiss}, L""));
    }
    return outcome;
}

Changes CheckSession::StartListSignatureCheck(const std::wstring& listPath) {
    // A detached signature added to the list together with it, from another folder than the list's.
    std::optional<std::wstring> addedSignature;
    const std::vector<std::wstring> candidates = vms::DetachedSignatureCandidates(listPath);
    for (const std::wstring& candidate : candidates) {
        const std::wstring name = NameOf(candidate);
        for (const FileRow& row : files_.Rows()) {
            if (!addedSignature && !row.fromChecksumFile && vms::EqualsIgnoreCase(row.name, name)) addedSignature = row.path;
        }
    }
    if (addedSignature && std::ranges::any_of(candidates, Exists)) addedSignature.reset();  // the one beside the list comes first
    const bool started = services_.StartListSignatureCheck(listPath, addedSignature);
    for (FileRow& row : files_.Rows()) {
        if (IsEntryOf(row, listPath)) row.listSignature = started ? ListSignature{} : SignatureIn(ListSignatureState::Uncheckable);
    }
    Changes changes;
    changes.details = true;
    return changes;
}

Changes CheckSession::RecheckSignatures() {
    std::vector<std::wstring> lists;
    for (const FileRow& row : files_.Rows()) {
        if (row.fromChecksumFile &&
            std::ranges::none_of(lists, [&](const std::wstring& list) { return vms::EqualsIgnoreCase(list, row.checksumFile); })) {
            lists.push_back(row.checksumFile);
        }
    }
    Changes changes;
    for (const std::wstring& list : lists) changes |= StartListSignatureCheck(list);
    for (FileRow& row : files_.Rows()) {
        if (row.ownSignature && services_.StartOwnSignatureCheck(row.id, row.path)) row.ownSignature = ListSignature{};
    }
    changes |= UpdateVerdict();
    changes.details = true;
    return changes;
}

Changes CheckSession::FindUnlistedFiles(const std::wstring& listPath) {
    if (!services_.StartFolderListing(listPath, settings_.includeHidden)) return {};
    return ShowNotice(MakeNotice(NoticeKind::Unlisted, kLookingForUnlisted, {}, listPath));
}

Changes CheckSession::OnFolderListed(const FolderListed& listed) {
    const std::wstring& listPath = listed.listPath;
    // Looked up once per file found, on the window's thread: a set, not a search.
    std::unordered_set<std::wstring> known = {vms::ToLowerW(vms::ToLongPath(listPath))};
    for (const std::wstring& signature : vms::DetachedSignatureCandidates(listPath)) {
        known.insert(vms::ToLowerW(vms::ToLongPath(signature)));
    }
    vms::AlgorithmMask listAlgorithms = 0;
    for (const FileRow& row : files_.Rows()) {
        known.insert(vms::ToLowerW(vms::ToLongPath(row.path)));
        if (IsEntryOf(row, listPath)) listAlgorithms |= vms::CandidateMask(row.expectedCandidates);
    }
    const std::size_t first = files_.Rows().size();
    for (const std::wstring& path : listed.files) {
        if (known.contains(vms::ToLowerW(vms::ToLongPath(path)))) continue;
        FileRow row = files_.MakeRow(path);
        row.notListed = true;
        row.checksumFile = listPath;
        files_.Rows().push_back(std::move(row));
    }
    files_.RebuildIndex();
    Changes changes;
    // The list's algorithms too, so that a file can be recognised as a listed one that moved.
    for (std::size_t i = first; i < files_.Rows().size(); ++i) {
        changes |= Queue(files_.Rows()[i], settings_.algorithms | listAlgorithms);
    }
    changes |= QueueForExpectedHash();
    changes |= UpdateVerdict();
    changes |= Changes::ForAllRows();
    const bool looking = notice_.kind == NoticeKind::Unlisted && notice_.text == kLookingForUnlisted &&
                         vms::EqualsIgnoreCase(notice_.subject, listPath);
    if (files_.Rows().size() == first) {
        changes |= ShowNotice(MakeNotice(NoticeKind::Unlisted, L"Every file in the list's folder is in the list.    ",
                                         {NoticeAction::Dismiss}, L""));
    } else if (looking) {
        changes |= ShowNotice({});
    }
    return changes;
}

void CheckSession::LinkMove(const FileRow& found) {
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

std::optional<std::wstring> CheckSession::ListToUpdate() const {
    const auto changed = [](const FileRow& row) {
        if (row.notListed) return true;
        if (!row.fromChecksumFile || row.foundBeside) return false;
        const RowMatch match = CompareRow(row, row.expectedBytes, row.expectedCandidates).match;
        return match == RowMatch::Mismatch || match == RowMatch::Missing;
    };
    const auto first = std::ranges::find_if(files_.Rows(), changed);
    if (first == files_.Rows().end()) return std::nullopt;
    return first->checksumFile;
}

bool CheckSession::StartListUpdate(const std::wstring& listPath) {
    return services_.StartListUpdate(listPath, settings_.includeHidden);
}

Changes CheckSession::OnListSignatureChecked(const ListSignatureDone& result) {
    bool shown = false;
    for (FileRow& row : files_.Rows()) {
        if (IsEntryOf(row, result.listPath)) {
            row.listSignature = result.signature;
            shown = true;
        }
    }
    if (!shown) return {};
    Changes changes = UpdateUnknownKeyNotice(result.listPath, result.signature);
    changes |= UpdateVerdict();
    changes.details = true;
    return changes;
}

std::optional<std::size_t> CheckSession::PositionOfDownload(RowId id) const {
    const auto position = files_.PositionOf(id);
    if (!position || files_.Rows()[*position].fromChecksumFile) return std::nullopt;
    return position;
}

Changes CheckSession::OnOwnSignatureFound(const OwnSignatureFound& result) {
    const auto position = PositionOfDownload(result.row);
    if (!position) return {};
    FileRow& row = files_.Rows()[*position];
    row.ownSignature = result.signature;
    row.ownSignaturePath = result.signaturePath;
    Changes changes = Changes::ForRow(*position);
    changes |= UpdateUnknownKeyNotice(row.path, result.signature);
    changes |= UpdateVerdict();
    changes.details = true;
    return changes;
}

Changes CheckSession::OnSiblingFound(const SiblingFound& result) {
    const auto position = PositionOfDownload(result.row);
    if (!position) return {};
    FileRow& row = files_.Rows()[*position];
    TieToList(row, result.listing.listPath, result.listing.expectedBytes, result.listing.candidates, result.listing.line);
    row.foundBeside = true;
    row.listSignature = result.signature;
    Changes changes = Queue(row, settings_.algorithms);
    changes |= Changes::ForRow(*position);
    changes |= OnListSignatureChecked({row.checksumFile, row.listSignature});
    return changes;
}

Changes CheckSession::UpdateUnknownKeyNotice(const std::wstring& signedPath, const ListSignature& signature) {
    if (signature.state == ListSignatureState::UnknownKey) {
        const std::wstring name = NameOf(signedPath);
        if (signature.sigstoreSigner) {
            // The identity can be a long URL: it is in the verdict line and the details pane.
            return ShowNotice(MakeNotice(NoticeKind::UnknownKey,
                                         name + L" is signed with Sigstore by a signer you don't trust yet.  ",
                                         {NoticeAction::TrustSigstoreSigner, NoticeAction::Dismiss}, signedPath));
        }
        // The short key ID; the whole key is in the details pane. An allowed_signers
        // file beside it is offered, never trusted unasked.
        std::vector<NoticeAction> actions;
        if (vms::IsExistingFile(AllowedSignersBeside(signedPath))) actions.push_back(NoticeAction::TrustAllowedSigners);
        actions.push_back(NoticeAction::TrustKeyFile);
        actions.push_back(NoticeAction::Dismiss);
        return ShowNotice(MakeNotice(NoticeKind::UnknownKey,
                                     name + L" is signed by an untrusted key (" + signature.keyId + L").  ",
                                     std::move(actions), signedPath));
    }
    if (signature.state != ListSignatureState::Checking && notice_.kind == NoticeKind::UnknownKey &&
        vms::EqualsIgnoreCase(notice_.subject, signedPath)) {
        return ShowNotice({});  // the key is trusted now, or the file went
    }
    return {};
}

std::wstring AllowedSignersBeside(const std::wstring& signedPath) {
    const std::size_t separator = signedPath.find_last_of(L"\\/");
    return signedPath.substr(0, separator == std::wstring::npos ? 0 : separator + 1) + kAllowedSigners;
}

}  // namespace app
