#include "gui/logic/file_list.h"
#include "gui/logic/list_presentation.h"
#include "gui/logic/settings.h"
#include "gui/system/single_instance.h"
#include "gui/logic/status_line.h"
#include "engine/error_text.h"
#include "engine/hasher.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace app {
namespace {

using vms::MaskOf;

FileRow Row(std::wstring name, std::uint64_t size, RowStatus status = RowStatus::Done) {
    FileRow row;
    row.name = std::move(name);
    row.folder = L"C:\\dl";
    row.path = row.folder + L"\\" + row.name;
    row.size = size;
    row.status = status;
    return row;
}

void SetDigest(FileRow& row, vms::AlgorithmId id, std::string_view input) {
    row.digests[id] = {vms::HashBytes(id, {reinterpret_cast<const std::uint8_t*>(input.data()), input.size()}), true};
}

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

TEST(StatusLine, BusyTextsAtTheSpeedAndTimeBoundaries) {
    ProgressSnapshot snapshot;
    snapshot.busy = true;
    snapshot.currentPath = L"C:\\dl\\big.iso";
    snapshot.currentSize = 1000;
    snapshot.currentDone = 250;
    snapshot.done = 250;
    snapshot.total = 1000;
    snapshot.filesLeft = 1;
    StatusLine line = BuildStatusLine(snapshot, {});
    EXPECT_EQ(line.text, L"Hashing big.iso (25%)");  // no speed in a batch's first 500 ms
    EXPECT_TRUE(line.showProgress);
    EXPECT_EQ(line.barPosition, 2500);
    snapshot.filesLeft = 3;
    snapshot.speed = 500;  // 750 bytes left: 1 second, not shown
    EXPECT_EQ(BuildStatusLine(snapshot, {}).text, L"Hashing big.iso (25%), 2 more, 500 bytes/s");
    snapshot.speed = 375;  // 2 seconds left
    EXPECT_EQ(BuildStatusLine(snapshot, {}).text, L"Hashing big.iso (25%), 2 more, 375 bytes/s, 0:02 left");
    snapshot.total = 250 + 1024 * 130;
    snapshot.speed = 1024;
    EXPECT_EQ(BuildStatusLine(snapshot, {}).text, L"Hashing big.iso (25%), 2 more, 1.0 KB/s, 2:10 left");
    snapshot.currentSize = 0;  // an empty file shows no percentage
    snapshot.filesLeft = 1;
    snapshot.speed = 0;
    EXPECT_EQ(BuildStatusLine(snapshot, {}).text, L"Hashing big.iso");

    const ProgressSnapshot idle;
    EXPECT_EQ(BuildStatusLine(idle, {}).text, L"");
    EXPECT_FALSE(BuildStatusLine(idle, {}).showProgress);
    EXPECT_EQ(BuildStatusLine(idle, {Row(L"a", 1536)}).text, L"1 file, 1.5 KB");
    EXPECT_EQ(BuildStatusLine(idle, {Row(L"a", 1), Row(L"b", 2)}).text, L"2 files, 3 bytes");
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

TEST(ListPresentation, ColumnsCellsAndStableLogicalSort) {
    const auto columns = BuildColumns(MaskOf(vms::kSha256) | MaskOf(vms::kMd5));
    ASSERT_EQ(columns.size(), 6u);
    EXPECT_EQ(ColumnTitle(columns[3]), L"MD5");
    EXPECT_EQ(ColumnTitle(columns[4]), L"SHA-256");
    EXPECT_EQ(ColumnTitle(columns[5]), L"Status");
    EXPECT_EQ(ColumnWidth96(columns[3], kDefaultColumnWidths), 16 * 14 + 16);
    EXPECT_EQ(ColumnWidth96(columns[4], kDefaultColumnWidths), 260);
    EXPECT_EQ(ColumnWidth96(columns[2], kDefaultColumnWidths), 70);

    std::vector<FileRow> rows = {Row(L"file10", 10), Row(L"File2", 9), Row(L"b", 10), Row(L"a", 1000)};
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].id = i + 1;
    const CellContext context;
    auto byName = SortedRows(rows, {ColumnKind::Name}, false, context);
    EXPECT_EQ(byName[0].name, L"a");
    EXPECT_EQ(byName[2].name, L"File2");
    EXPECT_EQ(byName[3].name, L"file10");
    auto bySize = SortedRows(rows, {ColumnKind::Size}, false, context);
    EXPECT_EQ(bySize[0].name, L"File2");   // 9 bytes before 10 bytes
    EXPECT_EQ(bySize[1].name, L"file10");  // equal sizes keep their order
    EXPECT_EQ(bySize[2].name, L"b");
    auto bySizeDown = SortedRows(rows, {ColumnKind::Size}, true, context);
    EXPECT_EQ(bySizeDown[0].name, L"a");
    EXPECT_EQ(bySizeDown[1].name, L"file10");

    FileRow row = Row(L"x", 3);
    SetDigest(row, vms::kMd5, "abc");
    EXPECT_EQ(CellText(row, {ColumnKind::Hash, vms::kMd5}, {true, nullptr}), L"900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(CellText(row, {ColumnKind::Hash, vms::kSha1}, {}), L"");
    EXPECT_EQ(CellText(Row(L"e", 5, RowStatus::Error), {ColumnKind::Size}, {}), L"");
    EXPECT_EQ(CellText(row, {ColumnKind::Size}, {}), L"3 bytes");

    const auto expected = vms::RecognizeHash(L"900150983cd24fb0d6963f7d28e17f72", false);
    EXPECT_EQ(RowBackground(row, {false, &*expected}, ColourScheme::Light), RGB(222, 245, 222));
    EXPECT_EQ(RowBackground(row, {false, &*expected}, ColourScheme::Dark), PaletteFor(ColourScheme::Dark).matchRow);
    EXPECT_FALSE(RowBackground(row, {false, &*expected}, ColourScheme::HighContrast));  // no colours of ours
    EXPECT_FALSE(RowBackground(row, {}, ColourScheme::Light));
}

TEST(ListPresentation, SelectionMoreButtonAndMenus) {
    EXPECT_EQ(EffectiveSelection(0), MaskOf(vms::kSha256));
    EXPECT_EQ(MoreButtonText(MaskOf(vms::kMd5) | MaskOf(vms::kSha256)), L"&More...");
    EXPECT_EQ(MoreButtonText(MaskOf(vms::kMd5) | MaskOf(vms::kCrc32) | MaskOf(vms::kXxh64)), L"&More (+2)...");
    const auto items = MoreMenuItems(MaskOf(vms::kCrc32), false);
    ASSERT_EQ(items.size(), 13u);
    EXPECT_EQ(items[0].text, L"CRC32\t(fast, not for security)");
    EXPECT_TRUE(items[0].checked);
    EXPECT_EQ(items[0].command, 41000u);
    EXPECT_TRUE(items[1].separatorBefore);  // CRC32 is Fast, MD5 Standard
    EXPECT_EQ(items[1].text, L"MD5\t(not for security)");
    EXPECT_FALSE(items[2].separatorBefore);
    EXPECT_EQ(items[3].text, L"SHA-256");
    const auto withLegacy = MoreMenuItems(0, true);
    ASSERT_EQ(withLegacy.size(), 15u);
    EXPECT_EQ(withLegacy[13].text, L"MD2\t(not for security)");
    EXPECT_TRUE(withLegacy[13].separatorBefore);

    FileRow row = Row(L"x", 3);
    SetDigest(row, vms::kSha256, "abc");
    SetDigest(row, vms::kMd5, "abc");
    const auto copies = CopyDigestItems(row);
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].text, L"Copy MD5");
    EXPECT_EQ(copies[0].command, 41101u);
    EXPECT_EQ(copies[1].text, L"Copy SHA-256");
}

TEST(ListPresentation, DetailsText) {
    std::vector<FileRow> rows = {Row(L"big.iso", 2048), Row(L"small.txt", 1000), Row(L"c", 5)};
    EXPECT_EQ(DetailsText(rows, {}, false), L"3 files. Select one to see its details.");
    EXPECT_EQ(DetailsText({}, {}, false), L"");
    const std::size_t two[] = {0, 1};
    EXPECT_EQ(DetailsText(rows, two, false), L"2 files selected, 3.0 KB in total.");
    SetDigest(rows[0], vms::kSha256, "abc");
    SetDigest(rows[0], vms::kMd5, "abc");
    const std::size_t first[] = {0};
    EXPECT_EQ(DetailsText(rows, first, false),
              L"big.iso\r\nFolder:\tC:\\dl\r\nSize:\t2.0 KB (2,048 bytes)\r\nMD5:\t900150983cd24fb0d6963f7d28e17f72\r\n"
              L"SHA-256:\tba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::size_t second[] = {1};
    EXPECT_EQ(DetailsText(rows, second, false), L"small.txt\r\nFolder:\tC:\\dl\r\nSize:\t1000 bytes");
    EXPECT_EQ(GroupThousands(1234567), L"1,234,567");
    EXPECT_EQ(GroupThousands(999), L"999");
    EXPECT_EQ(GroupThousands(1000), L"1,000");
}

// Values as a registry would hold them, for the settings rules.
class FakeValues {
public:
    FakeValues& Dword(const wchar_t* name, DWORD value) {
        values_[name] = {REG_DWORD, std::vector<std::uint8_t>(reinterpret_cast<std::uint8_t*>(&value),
                                                               reinterpret_cast<std::uint8_t*>(&value) + 4)};
        return *this;
    }
    FakeValues& Binary(const wchar_t* name, std::vector<std::int32_t> numbers, std::size_t extraBytes = 0) {
        std::vector<std::uint8_t> bytes(numbers.size() * 4 + extraBytes);
        std::memcpy(bytes.data(), numbers.data(), numbers.size() * 4);
        values_[name] = {REG_BINARY, bytes};
        return *this;
    }
    Settings Parse() const {
        return ParseSettings([this](const wchar_t* name) -> std::optional<StoredValue> {
            const auto found = values_.find(name);
            if (found == values_.end()) return std::nullopt;
            return found->second;
        });
    }

private:
    std::map<std::wstring, StoredValue> values_;
};

TEST(Settings, ValidationFallsBackToDefaults) {
    const Settings defaults = FakeValues().Parse();
    EXPECT_EQ(defaults.algorithms, 14u);
    EXPECT_EQ(defaults.columnWidths, kDefaultColumnWidths);
    EXPECT_FALSE(defaults.window);
    EXPECT_EQ(FakeValues().Dword(L"Algorithms", 0).Parse().algorithms, 14u);
    EXPECT_EQ(FakeValues().Dword(L"Algorithms", MaskOf(vms::kMd2)).Parse().algorithms, 14u);  // legacy hidden
    EXPECT_EQ(FakeValues().Dword(L"Algorithms", MaskOf(vms::kMd2)).Dword(L"ShowLegacy", 1).Parse().algorithms,
              MaskOf(vms::kMd2));
    EXPECT_EQ(FakeValues().Dword(L"Algorithms", 0xFFFF0001).Parse().algorithms, 1u);
    const Settings options = FakeValues().Dword(L"Uppercase", 5).Dword(L"IncludeHidden", 1).Dword(L"CrLf", 0).Parse();
    EXPECT_TRUE(options.uppercase);
    EXPECT_TRUE(options.includeHidden);
    EXPECT_FALSE(options.crlf);
    EXPECT_TRUE(defaults.lookBeside);  // on unless turned off
    EXPECT_FALSE(FakeValues().Dword(L"LookBeside", 0).Parse().lookBeside);
    EXPECT_EQ(FakeValues().Binary(L"Columns", {29, 2001, 30, 2000}).Parse().columnWidths,
              (std::array<int, 4>{200, 160, 30, 2000}));
    EXPECT_EQ(FakeValues().Binary(L"Columns", {50, 50, 50}, 3).Parse().columnWidths, kDefaultColumnWidths);  // 15 bytes
    EXPECT_EQ(FakeValues().Binary(L"Columns", {50, 50, 50, 50}, 1).Parse().columnWidths, kDefaultColumnWidths);  // 17
    const Settings window = FakeValues().Binary(L"Window", {10, 20, 810, 620, 1}).Parse();
    ASSERT_TRUE(window.window);
    EXPECT_EQ(window.window->rect.right, 810);
    EXPECT_TRUE(window.window->maximized);
    EXPECT_FALSE(FakeValues().Binary(L"Window", {10, 20, 810, 620}).Parse().window);
    EXPECT_EQ(FakeValues().Dword(L"Columns", 5).Parse().columnWidths, kDefaultColumnWidths);  // wrong type
}

TEST(SingleInstance, PathListsRoundTrip) {
    const std::wstring list = BuildPathList({L"C:\\a b\\x.iso", L"D:\\y"});
    EXPECT_EQ(list, std::wstring(L"C:\\a b\\x.iso\0D:\\y\0", 18));
    EXPECT_EQ(ParsePathList(list), (std::vector<std::wstring>{L"C:\\a b\\x.iso", L"D:\\y"}));
    EXPECT_EQ(ParsePathList(std::wstring(L"a\0\0b", 4)), (std::vector<std::wstring>{L"a", L"b"}));  // last without U+0000
    EXPECT_TRUE(ParsePathList(L"").empty());
}

}  // namespace
}  // namespace app
