#include "gui/logic/file_list.h"

#include "engine/error_text.h"
#include "temp_folder.h"
#include "test_rows.h"

#include <gtest/gtest.h>

namespace app {
namespace {

using vms::MaskOf;

using testing::Row;
using testing::SetDigest;

TEST(RowTexts, StatusTextsAndSizes) {
    EXPECT_EQ(StatusText(Row(L"a", 1, RowStatus::Waiting), nullptr), L"Waiting");
    EXPECT_EQ(StatusText(Row(L"a", 1, RowStatus::Hashing), nullptr), L"Hashing");
    EXPECT_EQ(StatusText(Row(L"a", 1, RowStatus::Cancelled), nullptr), L"Cancelled");
    FileRow error = Row(L"a", 0, RowStatus::Error);
    error.error = ERROR_PATH_NOT_FOUND;
    EXPECT_EQ(StatusText(error, nullptr), L"Missing");
    error.error = ERROR_FILE_NOT_FOUND;
    EXPECT_EQ(StatusText(error, nullptr), L"Missing");
    error.error = ERROR_SHARING_VIOLATION;
    EXPECT_EQ(StatusText(error, nullptr), vms::FormatErrorText(ERROR_SHARING_VIOLATION));
    FileRow done = Row(L"a", 3);
    EXPECT_EQ(StatusText(done, nullptr), L"Done");
    done.changed = true;
    EXPECT_EQ(StatusText(done, nullptr), L"Done, but the file changed while it was read");
    SetDigest(done, vms::kSha3_256, "abc");
    const auto expected = vms::RecognizeHash(vms::DigestToHexW(done.digests[vms::kSha3_256].digest, false), false);
    EXPECT_EQ(StatusText(done, &*expected), L"Match (SHA3-256)");

    EXPECT_EQ(FormatSize(0), L"0 bytes");
    EXPECT_EQ(FormatSize(1), L"1 byte");
    EXPECT_EQ(FormatSize(1023), L"1023 bytes");
    EXPECT_EQ(FormatSize(1536), L"1.5 KB");
    EXPECT_EQ(FormatSize(10240), L"10 KB");
    EXPECT_EQ(FormatSize(5ull << 30), L"5.0 GB");
    EXPECT_EQ(FormatSize(3000ull << 50), L"3000 PB");
}

TEST(FileList, DuplicatesFoldersMissingFilesAndQueueing) {
    vms::testing::TempFolder folder;
    const std::wstring a = folder.Write(L"a.txt", {'a', 'b', 'c'});
    folder.Write(L"sub\\b.txt", {'b'});
    folder.Write(L"sub\\deeper\\c.txt", {'c'});
    FileList list;
    auto added = list.AddPaths({a, folder.Path().wstring() + L"\\A.TXT"}, false);
    EXPECT_EQ(added.count, 1u);  // letter case does not make another file
    added = list.AddPaths({folder.Path().wstring(), (folder.Path() / L"missing.bin").wstring()}, false);
    EXPECT_EQ(added.first, 1u);
    ASSERT_EQ(added.count, 3u);  // b.txt, c.txt below the folder, and the missing file; a.txt was there
    const auto& rows = list.Rows();
    EXPECT_EQ(rows[1].name, L"b.txt");
    EXPECT_EQ(rows[2].name, L"c.txt");
    EXPECT_EQ(rows[3].status, RowStatus::Error);
    EXPECT_EQ(StatusText(rows[3], nullptr), L"Missing");
    EXPECT_EQ(rows[0].size, 3u);
    EXPECT_EQ(rows[0].folder, folder.Path().wstring());
    EXPECT_LT(rows[0].id, rows[3].id);

    FileRow& first = list.Rows()[0];
    const auto job = list.QueueRow(first, MaskOf(vms::kMd5) | MaskOf(vms::kSha1));
    ASSERT_TRUE(job);
    EXPECT_EQ(job->algorithms, MaskOf(vms::kMd5) | MaskOf(vms::kSha1));
    EXPECT_FALSE(list.QueueRow(first, MaskOf(vms::kMd5)));  // already pending
    EXPECT_FALSE(list.QueueRow(list.Rows()[3], MaskOf(vms::kMd5)));  // Error rows are never queued

    JobResult result{first.id, job->algorithms, vms::HashFile(first.path, job->algorithms, {})};
    ASSERT_TRUE(list.ApplyResult(result));
    EXPECT_EQ(list.Rows()[0].status, RowStatus::Done);
    EXPECT_EQ(list.Rows()[0].pending, 0u);
    // A wider selection queues only what is missing, and the row waits again.
    const auto more = list.QueueRow(list.Rows()[0], MaskOf(vms::kMd5) | MaskOf(vms::kSha256));
    ASSERT_TRUE(more);
    EXPECT_EQ(more->algorithms, MaskOf(vms::kSha256));
    EXPECT_EQ(list.Rows()[0].status, RowStatus::Waiting);

    const RowId removed = list.Rows()[0].id;
    EXPECT_EQ(list.Remove({0}), std::vector<RowId>{removed});
    EXPECT_FALSE(list.ApplyResult(result));  // results for removed rows are dropped
    EXPECT_EQ(list.PositionOf(list.Rows()[0].id), 0u);
}

TEST(FileList, HiddenFilesOnlyWhenAsked) {
    vms::testing::TempFolder folder;
    folder.Write(L"shown.txt", {'1'});
    const std::wstring hidden = folder.Write(L"hidden.txt", {'2'});
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    FileList without;
    EXPECT_EQ(without.AddPaths({folder.Path().wstring()}, false).count, 1u);
    FileList with;
    EXPECT_EQ(with.AddPaths({folder.Path().wstring()}, true).count, 2u);
}

TEST(FileList, CancelAndResults) {
    FileList list;
    list.Rows().push_back(Row(L"a", 1, RowStatus::Waiting));
    list.Rows().back().id = 7;
    list.Rows().back().pending = MaskOf(vms::kMd5);
    list.Reorder(list.Rows());
    JobResult cancelled{7, MaskOf(vms::kMd5), {}};
    cancelled.hash.cancelled = true;
    ASSERT_TRUE(list.ApplyResult(cancelled));
    EXPECT_EQ(list.Rows()[0].status, RowStatus::Cancelled);
    JobResult failed{7, MaskOf(vms::kMd5), {}};
    failed.hash.error = ERROR_ACCESS_DENIED;
    list.Rows()[0].pending = MaskOf(vms::kMd5) | MaskOf(vms::kSha1);
    ASSERT_TRUE(list.ApplyResult(failed));
    EXPECT_EQ(list.Rows()[0].status, RowStatus::Error);
    EXPECT_EQ(list.Rows()[0].pending, 0u);
}

}  // namespace
}  // namespace app
