// vmview's checking session, without a window: the files being checked and
// the lists that name them, with their signatures; the lists found beside
// downloads; audits and moves; the expected hash and its verdict; the notice.
// A front end hands it the user's events and the results of the work it
// started, and shows what each call says has changed.
#pragma once

#include "gui/logic/check_events.h"
#include "gui/logic/check_services.h"
#include "gui/logic/file_list.h"
#include "gui/logic/list_presentation.h"
#include "gui/logic/notice.h"
#include "gui/logic/row_commands.h"
#include "gui/logic/settings.h"
#include "gui/logic/verdict.h"

#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace app {

// What a call changed, for the front end to show again.
struct Changes {
    bool rowCount = false;          // rows were added or removed
    bool cells = false;             // any row's cells may have changed
    std::vector<std::size_t> rows;  // positions of rows whose cells and details changed
    bool verdict = false;
    bool details = false;
    bool status = false;
    bool notice = false;
    bool hashing = false;  // work was queued: progress is worth showing

    Changes& operator|=(const Changes& other);
    static Changes ForRow(std::size_t position);
    static Changes ForAllRows();
};

// What choosing a notice's action leaves to the front end, which owns the
// dialogs, the expected-hash box and the Explorer entries.
enum class FollowUp {
    None,
    SetExpectedText,       // subject: the text for the box
    VerifyList,            // subject: the list to verify
    ChooseKeyFile,
    OfferKeyFile,          // subject: the allowed_signers file beside the signed file
    OfferSigstoreSigner,   // signer
    UseThisCopy,
    RemoveStaleEntries,
};

struct NoticeOutcome {
    Changes changes;
    FollowUp followUp = FollowUp::None;
    std::wstring subject;
    std::optional<vms::SigstoreSigner> signer;
};

struct AddOutcome {
    std::size_t first = 0;  // the first new row
    std::size_t count = 0;
    std::vector<std::wstring> keyFiles;  // key files given, which become an offer to trust, not rows
    Changes changes;
};

enum class ListProblem { None, Unreadable, Empty };

struct ListOutcome {
    ListProblem problem = ListProblem::None;
    std::uint32_t error = 0;  // Unreadable: the system's code
    std::size_t firstNew = 0;
    Changes changes;
};

// Two files compared, once both were hashed.
struct Comparison {
    ComparisonOutcome outcome = ComparisonOutcome::Waiting;
    std::wstring firstName;
    std::wstring secondName;
    std::uint64_t firstSize = 0;
    std::uint64_t secondSize = 0;
};

// Commands that waited for hashing and are ready now.
struct FinishedCommands {
    std::optional<std::wstring> lookUpAddress;
    std::optional<Comparison> comparison;
};

class CheckSession {
public:
    CheckSession(CheckServices& services, const Settings& settings);

    const std::vector<FileRow>& Rows() const { return files_.Rows(); }
    const Verdict& CurrentVerdict() const { return verdict_; }
    const Notice& CurrentNotice() const { return notice_; }
    CellContext Context() const { return {settings_.uppercase, expected_ ? &*expected_ : nullptr}; }
    bool Busy() const { return services_.Progress().busy; }

    // Files and folders the user added. Files added one by one get the list
    // beside them looked for; one file that looks like a list is offered for
    // verifying. Key files become an offer to trust them, unless they are to
    // be hashed as any other file.
    enum class KeyFiles { Offer, Hash };
    AddOutcome AddPaths(const std::vector<std::wstring>& paths, KeyFiles keyFiles = KeyFiles::Offer);
    Changes Remove(std::vector<std::size_t> positions);
    Changes Clear();
    Changes CancelAll();
    // After the user changed the selected algorithms: every row gets the ones it lacks.
    Changes QueueSelectedAlgorithms();
    Changes Sort(const ColumnSpec& column, bool descending);

    // The expected-hash box's text changed.
    Changes SetExpectedText(std::wstring_view text);
    // The clipboard's text, when the window became active with a new one.
    Changes OfferClipboard(std::wstring_view clipboard, std::wstring_view boxText);
    Changes DismissNotice();
    Changes ReportStaleExplorerEntries();
    NoticeOutcome ChooseNoticeAction(NoticeAction action);

    // Reads a checksum list and adds a row per entry, replacing rows of the
    // same files; starts checking its signature.
    ListOutcome VerifyList(const std::wstring& listPath);
    // Starts listing the list's folder; the files it doesn't name become rows
    // when the listing is done, hashed with the list's algorithms too, so that
    // moved files are recognised.
    Changes FindUnlistedFiles(const std::wstring& listPath);
    // After the trusted keys changed: every signature is checked again.
    Changes RecheckSignatures();
    // The verified list that "Update the list" would rewrite: the first one
    // with a changed, missing or unlisted file; nothing when none has.
    std::optional<std::wstring> ListToUpdate() const;
    bool StartListUpdate(const std::wstring& listPath);

    // The details pane shows one row: its Authenticode check starts and its
    // download origin is read, once each.
    void StartDetailsChecks(std::span<const std::size_t> selected);
    Changes StartLookUp(std::size_t position, FinishedCommands& finished);
    Changes StartComparison(std::size_t first, std::size_t second, FinishedCommands& finished);

    Changes OnJobDone(const JobResult& result, FinishedCommands& finished);
    Changes OnProgressTick();
    Changes OnAuthenticodeChecked(const AuthenticodeResult& result);
    Changes OnListSignatureChecked(const ListSignatureDone& result);
    Changes OnSiblingFound(const SiblingFound& result);
    Changes OnFolderListed(const FolderListed& listed);
    Changes OnOwnSignatureFound(const OwnSignatureFound& result);

private:
    Changes Queue(FileRow& row, vms::AlgorithmMask algorithms);
    Changes QueueForExpectedHash();
    Changes UpdateVerdict();
    Changes ShowNotice(Notice notice);
    Changes StartListSignatureCheck(const std::wstring& listPath);
    Changes UpdateUnknownKeyNotice(const std::wstring& signedPath, const ListSignature& signature);
    void LinkMove(const FileRow& found);
    // A row still there and added by itself, whose own signature and list
    // beside it count; a list's entry has its list.
    std::optional<std::size_t> PositionOfDownload(RowId id) const;
    void FinishWaitingCommands(FinishedCommands& finished);

    CheckServices& services_;
    const Settings& settings_;
    FileList files_;
    std::optional<vms::ParsedHash> expected_;
    bool expectedGiven_ = false;  // the box holds text, a hash or not
    Verdict verdict_;
    Notice notice_;
    std::wstring dismissedClipboard_;
    std::optional<RowId> waitingLookUp_;
    std::optional<std::pair<RowId, RowId>> waitingComparison_;
};

// The allowed_signers file the folder of a signed file may hold.
std::wstring AllowedSignersBeside(const std::wstring& signedPath);

}  // namespace app
