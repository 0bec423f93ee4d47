#include "gui/logic/check_session.h"
#include "gui/logic/file_checks.h"

#include "engine/digest.h"
#include "engine/text.h"
#include "engine/win_handles.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <sstream>
#include <utility>

namespace app {
namespace {

using vms::testing::TempFolder;

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::string FileText(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Records what the session hands away; the test runs the hashing itself.
class RecordingServices final : public CheckServices {
public:
    void Hash(QueuedJob job) override { jobs.push_back(std::move(job)); }
    void CancelJobsOf(RowId row) override { std::erase_if(jobs, [&](const QueuedJob& job) { return job.row == row; }); }
    void CancelAllJobs() override { jobs.clear(); }
    ProgressSnapshot Progress() const override {
        ProgressSnapshot snapshot;
        snapshot.busy = !jobs.empty();
        return snapshot;
    }
    bool StartAuthenticodeCheck(RowId, const std::wstring&) override { return true; }
    bool StartListSignatureCheck(const std::wstring& listPath, const std::optional<std::wstring>&) override {
        signatureChecks.push_back(listPath);
        return true;
    }
    bool StartSiblingSearch(RowId row, const std::wstring& path) override {
        siblingSearches.emplace_back(row, path);
        return true;
    }
    bool StartOwnSignatureCheck(RowId, const std::wstring&) override { return true; }
    bool StartFolderListing(const std::wstring& listPath, bool includeHidden) override {
        folderListings.emplace_back(listPath, includeHidden);
        return true;
    }
    bool StartListUpdate(const std::wstring&, bool) override { return true; }

    std::deque<QueuedJob> jobs;
    std::vector<std::wstring> signatureChecks;
    std::vector<std::pair<RowId, std::wstring>> siblingSearches;
    std::vector<std::pair<std::wstring, bool>> folderListings;
};

class CheckSessionTest : public ::testing::Test {
protected:
    // Hashes every queued job, as the worker would, and hands the results over.
    void RunJobs() {
        while (!services.jobs.empty()) {
            const QueuedJob job = services.jobs.front();
            services.jobs.pop_front();
            FinishedCommands finished;
            session.OnJobDone({job.row, job.algorithms, vms::HashFile(job.path, job.algorithms, {})}, finished);
        }
    }

    // Lists the folders asked for, as the listing thread would, and hands the files over.
    void RunFolderListings() {
        for (const auto& [listPath, includeHidden] : std::exchange(services.folderListings, {})) {
            session.OnFolderListed(ListFolderOf(listPath, includeHidden));
        }
    }

    std::wstring Sha256Hex(const std::wstring& path) {
        return vms::DigestToHexW(vms::HashFile(path, vms::MaskOf(vms::kSha256), {}).digests[vms::kSha256].digest, false);
    }

    const FileRow& RowNamed(std::wstring_view name) {
        const auto& rows = session.Rows();
        const auto found = std::ranges::find(rows, name, &FileRow::name);
        EXPECT_NE(found, rows.end()) << vms::ToUtf8(name);
        return *found;
    }

    TempFolder folder;
    Settings settings;
    RecordingServices services;
    CheckSession session{services, settings};
};

TEST_F(CheckSessionTest, AListVerifiedWithChangedMissingAndMovedFiles) {
    const std::wstring a = folder.Write(L"a.txt", Bytes("a")), b = folder.Write(L"b.txt", Bytes("b"));
    const std::wstring c = folder.Write(L"c.txt", Bytes("c"));
    const std::wstring list = folder.Write(
        L"SHA256SUMS", Bytes(vms::ToUtf8(Sha256Hex(a) + L"  a.txt\n" + Sha256Hex(b) + L"  b.txt\n" + Sha256Hex(c) + L"  c.txt\n")));
    folder.Write(L"b.txt", Bytes("changed"));
    folder.Write(L"sub\\moved.txt", Bytes("c"));
    ASSERT_TRUE(DeleteFileW(TempFolder::Extended(c).c_str()));

    const ListOutcome verified = session.VerifyList(list);
    ASSERT_EQ(verified.problem, ListProblem::None);
    EXPECT_EQ(session.Rows().size(), 3u);
    EXPECT_EQ(services.signatureChecks, std::vector<std::wstring>{list});
    EXPECT_EQ(session.CurrentNotice().kind, NoticeKind::Unlisted);
    RunJobs();
    EXPECT_EQ(session.CurrentVerdict().text, L"Not all files match: 1 OK, 1 FAILED, 1 missing.");
    EXPECT_EQ(session.ListToUpdate(), list);

    session.ChooseNoticeAction(NoticeAction::FindUnlistedFiles);
    EXPECT_EQ(session.CurrentNotice().kind, NoticeKind::Unlisted);  // while the folder is listed
    EXPECT_EQ(session.Rows().size(), 3u);
    RunFolderListings();
    EXPECT_EQ(session.CurrentNotice().kind, NoticeKind::None);
    EXPECT_EQ(session.Rows().size(), 4u);  // the list itself isn't one of the folder's new files
    RunJobs();
    EXPECT_EQ(RowNamed(L"c.txt").movedName, L"sub/moved.txt");
    EXPECT_EQ(RowNamed(L"moved.txt").movedName, L"c.txt");
    EXPECT_EQ(RowNamed(L"b.txt").status, RowStatus::Done);
    EXPECT_EQ(session.CurrentVerdict().text, L"The folder has changed: 1 OK, 1 FAILED, 1 moved.");
    EXPECT_EQ(session.CurrentVerdict().style, VerdictStyle::Mismatch);

    // A list that can't be read, or that holds no checksum, says so and adds nothing.
    EXPECT_EQ(session.VerifyList(folder.Write(L"empty.sha256", Bytes("nothing here\n"))).problem, ListProblem::Empty);
    const ListOutcome gone = session.VerifyList((folder.Path() / L"gone.sha256").wstring());
    EXPECT_EQ(gone.problem, ListProblem::Unreadable);
    EXPECT_EQ(gone.error, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(session.Rows().size(), 4u);
}

TEST_F(CheckSessionTest, ASiblingListWithItsSignatureGoodBadOrUnknown) {
    struct Case {
        ListSignatureState state;
        VerdictStyle style;
        NoticeKind notice;
    };
    const Case cases[] = {
        {ListSignatureState::Good, VerdictStyle::Match, NoticeKind::None},
        {ListSignatureState::Bad, VerdictStyle::Mismatch, NoticeKind::None},
        {ListSignatureState::UnknownKey, VerdictStyle::Info, NoticeKind::UnknownKey},
    };
    const std::wstring iso = folder.Write(L"download.iso", Bytes("iso"));
    const std::wstring list = (folder.Path() / L"SHA256SUMS").wstring();
    for (const Case& c : cases) {
        RecordingServices services;
        CheckSession session(services, settings);
        session.AddPaths({iso});
        ASSERT_EQ(services.siblingSearches.size(), 1u);
        EXPECT_EQ(services.siblingSearches.front().second, iso);
        ListSignature signature = SignatureIn(c.state);
        signature.signer = L"Example <x@example.org>";
        signature.keyId = L"ABCD1234";
        SiblingListing listing{list, *vms::DecodeHexStrict(Sha256Hex(iso)), {vms::kSha256}, 3};
        session.OnSiblingFound({services.siblingSearches.front().first, listing, signature});
        while (!services.jobs.empty()) {
            const QueuedJob job = services.jobs.front();
            services.jobs.pop_front();
            FinishedCommands finished;
            session.OnJobDone({job.row, job.algorithms, vms::HashFile(job.path, job.algorithms, {})}, finished);
        }
        const FileRow& row = session.Rows().front();
        EXPECT_TRUE(row.fromChecksumFile && row.foundBeside);
        EXPECT_EQ(session.CurrentVerdict().style, c.style) << static_cast<int>(c.state);
        EXPECT_EQ(session.CurrentNotice().kind, c.notice) << static_cast<int>(c.state);
        // A list found beside a download is never the one to update.
        EXPECT_FALSE(session.ListToUpdate());
        if (c.state != ListSignatureState::UnknownKey) continue;
        EXPECT_EQ(session.CurrentNotice().subject, list);
        EXPECT_EQ(session.CurrentNotice().actions, (std::vector{NoticeAction::TrustKeyFile, NoticeAction::Dismiss}));
        EXPECT_EQ(session.CurrentVerdict().text,
                  L"download.iso matches SHA256SUMS (line 3), but the list is signed by a key you don't trust yet.");
        // Once the key is trusted, the notice goes.
        session.OnListSignatureChecked({list, SignatureIn(ListSignatureState::Good)});
        EXPECT_EQ(session.CurrentNotice().kind, NoticeKind::None);
        EXPECT_EQ(session.CurrentVerdict().style, VerdictStyle::Match);
    }
}

TEST_F(CheckSessionTest, TheClipboardOffer) {
    const std::wstring hash = L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    EXPECT_FALSE(session.OfferClipboard(L"not a hash", L"").notice);
    EXPECT_TRUE(session.OfferClipboard(L" " + hash + L"\r\n", L"").notice);
    const Notice offer = session.CurrentNotice();
    EXPECT_EQ(offer.kind, NoticeKind::Clipboard);
    EXPECT_EQ(ActionOfLink(offer, L"a"), NoticeAction::CompareCopiedHash);
    EXPECT_EQ(ActionOfLink(offer, L"f"), std::nullopt);  // a link this notice doesn't show

    const NoticeOutcome compare = session.ChooseNoticeAction(NoticeAction::CompareCopiedHash);
    EXPECT_EQ(compare.followUp, FollowUp::SetExpectedText);
    EXPECT_EQ(compare.subject, hash);
    EXPECT_EQ(session.CurrentNotice().kind, NoticeKind::None);
    session.SetExpectedText(compare.subject);
    EXPECT_EQ(session.CurrentVerdict().text, L"Add the file to compare with this hash (SHA-256, SHA3-256 or BLAKE3).");

    // The text already in the box isn't offered; a dismissed one isn't offered again.
    EXPECT_FALSE(session.OfferClipboard(hash, hash).notice);
    session.SetExpectedText(L"");
    session.OfferClipboard(hash, L"");
    session.ChooseNoticeAction(NoticeAction::Dismiss);
    EXPECT_FALSE(session.OfferClipboard(hash, L"").notice);

    // Another notice isn't replaced by an offer.
    const std::wstring other = L"cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7";
    session.AddPaths({folder.Write(L"SHA256SUMS", Bytes("x  y\n"))});
    EXPECT_EQ(session.CurrentNotice().kind, NoticeKind::ChecksumFile);
    EXPECT_FALSE(session.OfferClipboard(other, L"").notice);
    EXPECT_EQ(session.CurrentNotice().kind, NoticeKind::ChecksumFile);
}

TEST_F(CheckSessionTest, TheUpdateTheListDecision) {
    const std::wstring a = folder.Write(L"a.txt", Bytes("a"));
    const std::wstring list = folder.Write(L"list.sha256", Bytes(vms::ToUtf8(Sha256Hex(a) + L"  a.txt\n")));
    ASSERT_EQ(session.VerifyList(list).problem, ListProblem::None);
    RunJobs();
    EXPECT_FALSE(session.ListToUpdate());  // every file as listed
    session.FindUnlistedFiles(list);
    RunFolderListings();
    EXPECT_EQ(session.CurrentNotice().text, L"Every file in the list's folder is in the list.    <a id=\"x\">Dismiss</a>");
    folder.Write(L"new.txt", Bytes("new"));
    session.FindUnlistedFiles(list);
    RunFolderListings();
    EXPECT_EQ(session.ListToUpdate(), list);  // a file the list doesn't name
    session.Remove({1});
    EXPECT_FALSE(session.ListToUpdate());
    folder.Write(L"a.txt", Bytes("changed"));
    session.Clear();
    ASSERT_EQ(session.VerifyList(list).problem, ListProblem::None);
    RunJobs();
    EXPECT_EQ(session.ListToUpdate(), list);  // a changed file
}

TEST(ListUpdate, AFailedUpdateReportsItsOwnErrorAndLeavesTheList) {
    TempFolder folder;
    const std::wstring list = folder.Write(L"list.sha256", Bytes(std::string(64, '0') + "  a.txt\n"));
    folder.Write(L"a.txt", Bytes("a"));
    {
        // Open for reading by another program, which lets nobody replace it.
        const vms::UniqueFile held(CreateFileW(TempFolder::Extended(list).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.Valid());
        const ListUpdateDone refused = UpdateListFromFolder(list, false);
        // The replace's own error, as Windows or Wine words it.
        ASSERT_FALSE(refused.update);
        const std::uint32_t error = refused.update.GetError().systemCode;
        EXPECT_TRUE(error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) << error;
        EXPECT_EQ(FileText(list), std::string(64, '0') + "  a.txt\n");
    }
    const ListUpdateDone done = UpdateListFromFolder(list, false);
    ASSERT_TRUE(done.update);
    EXPECT_EQ(done.update->target, list);
    EXPECT_EQ(FileText(list), "ca978112ca1bbdcafac231b39a23dc4da786eff8147c4e72b9807785afee48bb  a.txt\n");
}

}  // namespace
}  // namespace app
