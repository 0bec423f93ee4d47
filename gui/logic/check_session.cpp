#include "gui/logic/check_session.h"

// The checking session: files added and removed, hashing, the expected hash
// and its verdict, the notice's actions, and the commands that wait for
// hashing. Its lists are in check_session_lists.cpp.
#include "gui/logic/check_session.h"

#include "engine/folder_walker.h"
#include "engine/text.h"
#include "gui/logic/file_checks.h"

#include <algorithm>

namespace app {

Changes Changes::ForRow(std::size_t position) {
    Changes changes;
    changes.rows.push_back(position);
    return changes;
}

Changes Changes::ForAllRows() {
    Changes changes;
    changes.rowCount = changes.cells = changes.verdict = changes.details = changes.status = true;
    return changes;
}

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

AddOutcome CheckSession::AddPaths(const std::vector<std::wstring>& given, KeyFiles keyFiles) {
    AddOutcome outcome;
    std::vector<std::wstring> paths;
    for (const std::wstring& path : given) {
        if (keyFiles == KeyFiles::Offer && !vms::IsExistingFolder(path) && HoldsPublicKey(path)) {
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
    outcome.changes |= Changes::ForAllRows();
    return outcome;
}

Changes CheckSession::Remove(std::vector<std::size_t> positions) {
    for (RowId removed : files_.Remove(std::move(positions))) services_.CancelJobsOf(removed);
    Changes changes = QueueForExpectedHash();
    changes |= UpdateVerdict();
    return changes |= Changes::ForAllRows();
}

Changes CheckSession::Clear() {
    services_.CancelAllJobs();
    files_.Clear();
    waitingLookUp_.reset();
    waitingComparison_.reset();
    Changes changes = ShowNotice({});
    changes |= UpdateVerdict();
    return changes |= Changes::ForAllRows();
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
        outcome.changes |= Changes::ForAllRows();
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
            if (!outcome.signer && IsEntryOf(row, chosen.subject)) outcome.signer = row.listSignature.sigstoreSigner;
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
        changes |= Changes::ForRow(*position);
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
    for (std::size_t position : files_.MarkHashing(snapshot.running)) changes |= Changes::ForRow(position);
    return changes;
}

Changes CheckSession::OnAuthenticodeChecked(const AuthenticodeResult& result) {
    const auto position = files_.PositionOf(result.row);
    if (!position) return {};
    FileRow& row = files_.Rows()[*position];
    row.authenticode = result.info;
    row.authenticodeKnown = true;
    row.authenticodeRequested = false;
    return Changes::ForRow(*position);
}

}  // namespace app
