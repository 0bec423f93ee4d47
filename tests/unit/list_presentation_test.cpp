#include "gui/logic/list_presentation.h"
#include "gui/logic/settings.h"

#include "test_rows.h"

#include <gtest/gtest.h>

namespace app {
namespace {

using vms::MaskOf;

using testing::Row;
using testing::SetDigest;

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

}  // namespace
}  // namespace app
