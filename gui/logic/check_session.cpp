#include "gui/logic/check_session.h"

#include "checksums/entry_verification.h"
#include "engine/folder_walker.h"
#include "engine/text.h"
#include "gui/logic/file_checks.h"

#include <algorithm>

namespace app {
namespace {

constexpr wchar_t kAllowedSigners[] = L"allowed_signers";

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

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(vms::ToLongPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(vms::ToLongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool OfList(const FileRow& row, const std::wstring& listPath) {
    return row.fromChecksumFile && vms::EqualsIgnoreCase(row.checksumFile, listPath);
}

// Makes the row stand for an entry of a checksum list.
void TieToList(FileRow& row, const std::wstring& listPath, std::vector<std::uint8_t> expectedBytes,
               std::vector<vms::AlgorithmId> candidates, std::uint32_t line) {
    row.fromChecksumFile = true;
    row.expectedBytes = std::move(expectedBytes);
    row.expectedCandidates = std::move(candidates);
    row.checksumFile = listPath;
    row.checksumLine = line;
}

Changes RowChanged(std::size_t position) {
    Changes changes;
    changes.rows.push_back(position);
    return changes;
}

Changes AllChanged() {
    Changes changes;
    changes.rowCount = changes.cells = changes.verdict = changes.details = changes.status = true;
    return changes;
}

}  // namespace

Changes& Changes::operator|=(const Changes& other) {
    rows.insert(rows.end(), other.rows.begin(), other.rows.end());
    rowCount |= other.rowCount;
    cells |= other.cells;
    verdict |= other.verdict;
    details |= other.details;
    status |= other.status;
    notice |= other.notice;
    hashing |= other.hashing;
    return *this;
}

std::wstring AllowedSignersBeside(const std::wstring& signedPath) {
    const std::size_t separator = signedPath.find_last_of(L"\\/");
    return signedPath.substr(0, separator == std::wstring::npos ? 0 : separator + 1) + kAllowedSigners;
}

CheckSession::CheckSession(CheckServices& services, const Settings& settings) : services_(services), settings_(settings) {
    UpdateVerdict();
}

Changes CheckSession::Queue(FileRow& row, vms::AlgorithmMask algorithms) {
    Changes changes;
    if (auto job = files_.QueueRow(row, algorithms)) {
        services_.Hash(std::move(*job));
        changes.hashing = true;
    }
    return changes;
}

AddOutcome CheckSession::AddPaths(const std::vector<std::wstring>& given) {
    AddOutcome outcome;
    std::vector<std::wstring> paths;
    for (const std::wstring& path : given) {
        if (!vms::IsExistingFolder(path) && HoldsPublicKey(path)) {
            outcome.keyFiles.push_back(path);
        } else {
            paths.push_back(path);
        }
    }
    if (paths.empty()) return outcome;
    const FileList::Added added = files_.AddPaths(paths, settings_.includeHidden);
    outcome.first = added.first;
    outcome.count = added.count;
    for (std::size_t i = added.first; i < added.first + added.count; ++i) {
        outcome.changes |= Queue(files_.Rows()[i], settings_.algorithms);
    }
    // Files added one by one, not inside an added folder, get their checksum file looked for beside them.
    if (settings_.lookBeside) {
        for (std::size_t i = added.first; i < added.first + added.count; ++i) {
            const FileRow& row = files_.Rows()[i];
            const bool addedByItself = std::ranges::any_of(paths, [&](const std::wstring& path) {
                return vms::EqualsIgnoreCase(vms::ToLongPath(path), vms::ToLongPath(row.path));
            });
            if (addedByItself && !LooksLikeChecksumFile(row.path)) services_.StartSiblingSearch(row.id, row.path);
        }
    }
    // One file that looks like a checksum file: offer to verify what it lists.
    if (paths.size() == 1 && added.count == 1 && !vms::IsExistingFolder(paths.front()) &&
        LooksLikeChecksumFile(files_.Rows()[added.first].path)) {
        outcome.changes |= ShowNotice(MakeNotice(NoticeKind::ChecksumFile, L"This looks like a checksum file. ",
                                                 {NoticeAction::VerifyListedFiles, NoticeAction::Dismiss},
                                                 files_.Rows()[added.first].path));
    }
    outcome.changes |= QueueForExpectedHash();
    outcome.changes |= UpdateVerdict();
    outcome.changes |= AllChanged();
    return outcome;
}

Changes CheckSession::Remove(std::vector<std::size_t> positions) {
    for (RowId removed : files_.Remove(std::move(positions))) services_.CancelJobsOf(removed);
    Changes changes = QueueForExpectedHash();
    changes |= UpdateVerdict();
    return changes |= AllChanged();
}

Changes CheckSession::Clear() {
    services_.CancelAllJobs();
    files_.Clear();
    waitingLookUp_.reset();
    waitingComparison_.reset();
    Changes changes = ShowNotice({});
    changes |= UpdateVerdict();
    return changes |= AllChanged();
}

Changes CheckSession::CancelAll() {
    services_.CancelAllJobs();
    files_.CancelPending();
    Changes changes = UpdateVerdict();
    changes.cells = changes.status = true;
    return changes;
}

Changes CheckSession::QueueSelectedAlgorithms() {
    Changes changes;
    for (FileRow& row : files_.Rows()) changes |= Queue(row, settings_.algorithms);
    changes.cells = changes.details = true;
    return changes;
}

Changes CheckSession::Sort(const ColumnSpec& column, bool descending) {
    files_.Reorder(SortedRows(files_.Rows(), column, descending, Context()));
    Changes changes;
    changes.cells = changes.details = true;
    return changes;
}

Changes CheckSession::QueueForExpectedHash() {
    Changes changes;
    if (!expected_) return changes;
    const bool anyMatch = std::ranges::any_of(files_.Rows(), [&](const FileRow& row) {
        return CompareRow(row, expected_->bytes, expected_->candidates).match == RowMatch::Match;
    });
    if (anyMatch) return changes;
    // Until a file matches, every file is hashed with every algorithm the hash may be of.
    const vms::AlgorithmMask candidates = vms::CandidateMask(*expected_);
    for (FileRow& row : files_.Rows()) changes |= Queue(row, settings_.algorithms | candidates);
    return changes;
}

Changes CheckSession::UpdateVerdict() {
    if (!expectedGiven_) {
        verdict_ = ChecksumSummary(files_.Rows(), services_.Progress().busy);
    } else if (expected_) {
        verdict_ = ExpectedHashVerdict(*expected_, files_.Rows());
    } else {
        verdict_ = {L"This doesn't look like a hash. Paste the hex or base64 value from the website.", VerdictStyle::Info};
    }
    Changes changes;
    changes.verdict = true;
    return changes;
}

Changes CheckSession::SetExpectedText(std::wstring_view text) {
    const std::wstring_view trimmed = vms::TrimText(text);
    expectedGiven_ = !trimmed.empty();
    expected_ = expectedGiven_ ? vms::RecognizeHash(trimmed, false) : std::nullopt;
    Changes changes = QueueForExpectedHash();
    changes |= UpdateVerdict();
    changes.cells = true;  // the status column compares with the expected hash
    if (notice_.kind == NoticeKind::Clipboard) changes |= ShowNotice({});
    return changes;
}

Changes CheckSession::ShowNotice(Notice notice) {
    Changes changes;
    if (notice.kind == NoticeKind::None && notice_.kind == NoticeKind::None) return changes;
    notice_ = std::move(notice);
    changes.notice = true;
    return changes;
}

Changes CheckSession::OfferClipboard(std::wstring_view clipboard, std::wstring_view boxText) {
    const auto offer = ClipboardOffer(clipboard, dismissedClipboard_, boxText);
    if (!offer || (notice_.kind != NoticeKind::None && notice_.kind != NoticeKind::Clipboard)) return {};
    return ShowNotice({NoticeKind::Clipboard, *offer, {NoticeAction::CompareCopiedHash, NoticeAction::Dismiss},
                       std::wstring(clipboard)});
}

Changes CheckSession::DismissNotice() { return ShowNotice({}); }

Changes CheckSession::ReportStaleExplorerEntries() {
    return ShowNotice(MakeNotice(NoticeKind::StaleExplorerEntries,
                                 L"The Explorer menu entries point at a copy of Verimond that no longer exists.  ",
                                 {NoticeAction::UseThisCopy, NoticeAction::RemoveStaleEntries, NoticeAction::Dismiss},
                                 L""));
}

NoticeOutcome CheckSession::ChooseNoticeAction(NoticeAction action) {
    const Notice chosen = notice_;
    NoticeOutcome outcome;
    if (action == NoticeAction::Dismiss && chosen.kind == NoticeKind::Clipboard) dismissedClipboard_ = chosen.subject;
    outcome.changes = ShowNotice({});
    outcome.subject = chosen.subject;
    switch (action) {
    case NoticeAction::Dismiss:
        break;
    case NoticeAction::CompareCopiedHash:
        outcome.followUp = FollowUp::SetExpectedText;
        outcome.subject = std::wstring(vms::TrimText(chosen.subject));
        break;
    case NoticeAction::VerifyListedFiles: {
        // The list's own row makes way for the rows of what it lists.
        const auto& rows = files_.Rows();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (!rows[i].fromChecksumFile && vms::EqualsIgnoreCase(rows[i].path, chosen.subject)) {
                for (RowId removed : files_.Remove({i})) services_.CancelJobsOf(removed);
                break;
            }
        }
        outcome.changes |= AllChanged();
        outcome.followUp = FollowUp::VerifyList;
        break;
    }
    case NoticeAction::FindUnlistedFiles:
        outcome.changes |= FindUnlistedFiles(chosen.subject);
        break;
    case NoticeAction::TrustKeyFile:
        outcome.followUp = FollowUp::ChooseKeyFile;
        break;
    case NoticeAction::TrustAllowedSigners:
        outcome.followUp = FollowUp::OfferKeyFile;
        outcome.subject = AllowedSignersBeside(chosen.subject);
        break;
    case NoticeAction::TrustSigstoreSigner:
        // The signer of the download itself, or of the list of that name.
        for (const FileRow& row : files_.Rows()) {
            if (!outcome.signer && row.ownSignature && vms::EqualsIgnoreCase(row.path, chosen.subject)) {
                outcome.signer = row.ownSignature->sigstoreSigner;
            }
            if (!outcome.signer && OfList(row, chosen.subject)) outcome.signer = row.listSignature.sigstoreSigner;
        }
        if (outcome.signer) outcome.followUp = FollowUp::OfferSigstoreSigner;
        break;
    case NoticeAction::UseThisCopy:
        outcome.followUp = FollowUp::UseThisCopy;
        break;
    case NoticeAction::RemoveStaleEntries:
        outcome.followUp = FollowUp::RemoveStaleEntries;
        break;
    }
    return outcome;
}

ListOutcome CheckSession::VerifyList(const std::wstring& listPath) {
    ListOutcome outcome;
    const std::optional<std::wstring> text = vms::ReadChecksumText(listPath, &outcome.error);
    if (!text) {
        outcome.problem = ListProblem::Unreadable;
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
    outcome.changes |= AllChanged();
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
        if (OfList(row, listPath)) row.listSignature = started ? ListSignature{} : SignatureIn(ListSignatureState::Uncheckable);
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
    std::vector<std::wstring> known = {vms::ToLowerW(vms::ToLongPath(listPath))};
    for (const std::wstring& signature : vms::DetachedSignatureCandidates(listPath)) {
        known.push_back(vms::ToLowerW(vms::ToLongPath(signature)));
    }
    vms::AlgorithmMask listAlgorithms = 0;
    for (const FileRow& row : files_.Rows()) {
        known.push_back(vms::ToLowerW(vms::ToLongPath(row.path)));
        if (OfList(row, listPath)) listAlgorithms |= vms::CandidateMask(row.expectedCandidates);
    }
    std::size_t added = 0;
    vms::FindInFolder(FolderOf(listPath), vms::FindOptions{true, settings_.includeHidden, nullptr}, [&](vms::FoundFile found) {
        if (std::ranges::find(known, vms::ToLowerW(vms::ToLongPath(found.path))) != known.end()) return;
        FileRow row = files_.MakeRow(found.path);
        row.notListed = true;
        row.checksumFile = listPath;
        files_.Rows().push_back(std::move(row));
        ++added;
    });
    files_.RebuildIndex();
    Changes changes;
    // The list's algorithms too, so that a file can be recognised as a listed one that moved.
    for (std::size_t i = files_.Rows().size() - added; i < files_.Rows().size(); ++i) {
        changes |= Queue(files_.Rows()[i], settings_.algorithms | listAlgorithms);
    }
    changes |= QueueForExpectedHash();
    changes |= UpdateVerdict();
    changes |= AllChanged();
    if (added == 0) {
        changes |= ShowNotice(MakeNotice(NoticeKind::Unlisted, L"Every file in the list's folder is in the list.    ",
                                         {NoticeAction::Dismiss}, L""));
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

void CheckSession::StartDetailsChecks(std::span<const std::size_t> selected) {
    if (selected.size() != 1 || selected.front() >= files_.Rows().size()) return;
    FileRow& row = files_.Rows()[selected.front()];
    if (!row.authenticodeKnown && !row.authenticodeRequested) {
        row.authenticodeRequested = true;
        if (!services_.StartAuthenticodeCheck(row.id, row.path)) {
            row.authenticodeRequested = false;
            row.authenticodeKnown = true;  // stays CannotCheck
        }
    }
    if (!row.originRead) {
        row.origin = ReadDownloadOrigin(row.path);
        row.originRead = true;
    }
}

Changes CheckSession::StartLookUp(std::size_t position, FinishedCommands& finished) {
    FileRow& row = files_.Rows()[position];
    if (row.status == RowStatus::Error) return {};
    if (auto address = LookUpAddress(row)) {
        finished.lookUpAddress = std::move(address);
        return {};
    }
    waitingLookUp_ = row.id;
    return Queue(row, vms::MaskOf(vms::kSha256));
}

Changes CheckSession::StartComparison(std::size_t first, std::size_t second, FinishedCommands& finished) {
    FileRow& a = files_.Rows()[first];
    FileRow& b = files_.Rows()[second];
    waitingComparison_ = {a.id, b.id};
    Changes changes;
    if (CompareFiles(a, b) != ComparisonOutcome::SizesDiffer) {
        changes |= Queue(a, vms::MaskOf(vms::kSha256));
        changes |= Queue(b, vms::MaskOf(vms::kSha256));
    }
    FinishWaitingCommands(finished);
    return changes;
}

void CheckSession::FinishWaitingCommands(FinishedCommands& finished) {
    if (waitingLookUp_) {
        if (const auto position = files_.PositionOf(*waitingLookUp_)) {
            const FileRow& row = files_.Rows()[*position];
            if (row.status != RowStatus::Waiting && row.status != RowStatus::Hashing) {
                waitingLookUp_.reset();
                finished.lookUpAddress = LookUpAddress(row);
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
    finished.comparison = Comparison{outcome, a.name, b.name, a.size, b.size};
}

Changes CheckSession::OnJobDone(const JobResult& result, FinishedCommands& finished) {
    if (!files_.ApplyResult(result)) return {};
    Changes changes;
    if (const auto position = files_.PositionOf(result.row)) {
        if (files_.Rows()[*position].notListed) {
            LinkMove(files_.Rows()[*position]);
            changes.cells = true;
        }
        changes |= RowChanged(*position);
    }
    changes |= OnProgressTick();
    changes |= QueueForExpectedHash();
    changes |= UpdateVerdict();
    changes.status = true;
    FinishWaitingCommands(finished);
    return changes;
}

Changes CheckSession::OnProgressTick() {
    Changes changes;
    changes.status = true;
    const ProgressSnapshot snapshot = services_.Progress();
    if (!snapshot.busy) return changes |= UpdateVerdict();
    for (std::size_t position : files_.MarkHashing(snapshot.currentPath)) changes |= RowChanged(position);
    return changes;
}

Changes CheckSession::OnAuthenticodeChecked(const AuthenticodeResult& result) {
    const auto position = files_.PositionOf(result.row);
    if (!position) return {};
    FileRow& row = files_.Rows()[*position];
    row.authenticode = result.info;
    row.authenticodeKnown = true;
    row.authenticodeRequested = false;
    return RowChanged(*position);
}

Changes CheckSession::OnListSignatureChecked(const ListSignatureDone& result) {
    bool shown = false;
    for (FileRow& row : files_.Rows()) {
        if (OfList(row, result.listPath)) {
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

Changes CheckSession::OnOwnSignatureFound(const OwnSignatureFound& result) {
    const auto position = files_.PositionOf(result.row);
    if (!position) return {};
    FileRow& row = files_.Rows()[*position];
    if (row.fromChecksumFile) return {};
    row.ownSignature = result.signature;
    row.ownSignaturePath = result.signaturePath;
    Changes changes = RowChanged(*position);
    changes |= UpdateUnknownKeyNotice(row.path, result.signature);
    changes |= UpdateVerdict();
    changes.details = true;
    return changes;
}

Changes CheckSession::OnSiblingFound(const SiblingFound& result) {
    const auto position = files_.PositionOf(result.row);
    if (!position) return {};
    FileRow& row = files_.Rows()[*position];
    if (row.fromChecksumFile) return {};
    TieToList(row, result.listing.listPath, result.listing.expectedBytes, result.listing.candidates, result.listing.line);
    row.foundBeside = true;
    row.listSignature = result.signature;
    Changes changes = Queue(row, settings_.algorithms);
    changes |= RowChanged(*position);
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
        if (IsFile(AllowedSignersBeside(signedPath))) actions.push_back(NoticeAction::TrustAllowedSigners);
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

}  // namespace app
