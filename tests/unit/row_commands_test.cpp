#include "gui/logic/row_commands.h"

#include "engine/hasher.h"

#include <gtest/gtest.h>

namespace app {
namespace {

using vms::MaskOf;

FileRow Row(std::wstring name, std::string_view content, std::initializer_list<vms::AlgorithmId> digests) {
    FileRow row;
    row.name = name;
    row.path = L"C:\\dl\\" + name;
    row.size = content.size();
    row.status = RowStatus::Done;
    for (vms::AlgorithmId id : digests) {
        row.digests[id] = {vms::HashBytes(id, {reinterpret_cast<const std::uint8_t*>(content.data()), content.size()}), true};
    }
    return row;
}

const std::wstring kMd5Abc = L"900150983cd24fb0d6963f7d28e17f72";
const std::wstring kSha256Abc = L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

TEST(RowCommands, CopyTexts) {
    const std::vector<FileRow> rows = {Row(L"a.txt", "abc", {vms::kMd5, vms::kSha256}), Row(L"b.txt", "abc", {vms::kSha256})};
    const vms::AlgorithmMask selection = MaskOf(vms::kMd5) | MaskOf(vms::kSha256);
    const std::size_t first[] = {0}, second[] = {1}, both[] = {0, 1};
    EXPECT_FALSE(CopyHashesText(rows, {}, selection, false));
    EXPECT_EQ(CopyHashesText(rows, second, selection, false), kSha256Abc);  // one digest: bare hex
    EXPECT_EQ(CopyHashesText(rows, first, selection, false), L"MD5: " + kMd5Abc + L"\r\nSHA-256: " + kSha256Abc + L"\r\n");
    EXPECT_EQ(CopyHashesText(rows, both, MaskOf(vms::kSha256), true),
              L"SHA256 (a.txt) = BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD\r\n"
              L"SHA256 (b.txt) = BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD\r\n");
    EXPECT_EQ(CopyHashesText(rows, first, MaskOf(vms::kSha1), false), L"");  // none present: an empty text
    EXPECT_EQ(CopyLineText(rows, both, selection, false), kSha256Abc + L"  a.txt\r\n" + kSha256Abc + L"  b.txt\r\n");
    EXPECT_FALSE(CopyLineText(rows, both, MaskOf(vms::kMd5), false));  // b.txt has no MD5
    EXPECT_EQ(CopyAllHashesText(rows, first, false), L"MD5 (a.txt) = " + kMd5Abc + L"\r\nSHA256 (a.txt) = " + kSha256Abc + L"\r\n");
    EXPECT_EQ(CopyPathText(rows, first), L"C:\\dl\\a.txt");
    EXPECT_EQ(CopyPathText(rows, both), L"C:\\dl\\a.txt\r\nC:\\dl\\b.txt\r\n");
}

TEST(RowCommands, LookUpAddressIsLowerCase) {
    EXPECT_EQ(LookUpAddress(Row(L"a", "abc", {vms::kSha256})), std::wstring(kLookUpBase) + L"/gui/file/" + kSha256Abc);
    EXPECT_FALSE(LookUpAddress(Row(L"a", "abc", {vms::kMd5})));
}

TEST(RowCommands, ComparisonOutcomes) {
    EXPECT_EQ(CompareFiles(Row(L"a", "abc", {}), Row(L"b", "abcd", {})), ComparisonOutcome::SizesDiffer);
    EXPECT_EQ(CompareFiles(Row(L"a", "abc", {vms::kSha256}), Row(L"b", "abd", {})), ComparisonOutcome::Waiting);
    EXPECT_EQ(CompareFiles(Row(L"a", "abc", {vms::kSha256}), Row(L"b", "abc", {vms::kSha256})), ComparisonOutcome::Identical);
    EXPECT_EQ(CompareFiles(Row(L"a", "abc", {vms::kSha256}), Row(L"b", "abd", {vms::kSha256})), ComparisonOutcome::Different);
    FileRow broken = Row(L"b", "", {});
    broken.status = RowStatus::Error;
    EXPECT_EQ(CompareFiles(Row(L"a", "abc", {vms::kSha256}), broken), ComparisonOutcome::Unreadable);
}

}  // namespace
}  // namespace app
