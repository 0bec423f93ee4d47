#include "gui/logic/save_checksums.h"

#include "engine/hasher.h"

#include <gtest/gtest.h>

namespace app {
namespace {

using vms::MaskOf;

FileRow Row(std::wstring path, RowStatus status, std::initializer_list<vms::AlgorithmId> digests) {
    FileRow row;
    row.path = std::move(path);
    row.status = status;
    row.size = 3;
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    for (vms::AlgorithmId id : digests) row.digests[id] = {vms::HashBytes(id, abc), true};
    return row;
}

TEST(SaveChecksums, WhichRowsAndAlgorithms) {
    const std::vector<FileRow> rows = {Row(L"C:\\dl\\a", RowStatus::Done, {vms::kMd5, vms::kSha256}),
                                       Row(L"C:\\dl\\b", RowStatus::Waiting, {}),
                                       Row(L"C:\\dl\\c", RowStatus::Done, {vms::kSha256}),
                                       Row(L"C:\\dl\\d", RowStatus::Error, {})};
    const vms::AlgorithmMask selection = MaskOf(vms::kMd5) | MaskOf(vms::kSha256);
    const std::size_t one[] = {2};
    SavePlan plan = PlanSave(rows, one, selection);  // one selected row: all Done rows
    EXPECT_EQ(plan.rows, (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(plan.algorithms, MaskOf(vms::kSha256));  // c lacks MD5
    const std::size_t two[] = {2, 0};
    plan = PlanSave(rows, two, selection);
    EXPECT_EQ(plan.rows, (std::vector<std::size_t>{0, 2}));
    const std::size_t waitingAndDone[] = {1, 0};
    plan = PlanSave(rows, waitingAndDone, selection);
    EXPECT_EQ(plan.rows, std::vector<std::size_t>{0});
    EXPECT_EQ(plan.algorithms, selection);
    EXPECT_TRUE(PlanSave(std::vector<FileRow>{rows[1], rows[3]}, {}, selection).rows.empty());
}

TEST(SaveChecksums, OfferedTypesAndTheDefault) {
    auto types = SaveFileTypes(MaskOf(vms::kCrc32) | MaskOf(vms::kSha256) | MaskOf(vms::kBlake3) | MaskOf(vms::kXxh3_64));
    std::vector<std::wstring> labels;
    for (const auto& type : types) labels.push_back(type.label);
    EXPECT_EQ(labels, (std::vector<std::wstring>{
                          L"CRC32 checksums, sha256sum format (*.crc32)", L"SHA-256 checksums, sha256sum format (*.sha256)",
                          L"BLAKE3 checksums, sha256sum format (*.b3)", L"XXH3-64 checksums, sha256sum format (*.xxh3)",
                          L"All algorithms, BSD tagged format (*.digests)", L"SFV (*.sfv)", L"CSV spreadsheet (*.csv)",
                          L"JSON (*.json)"}));
    EXPECT_EQ(types[2].pattern, L"*.b3");
    EXPECT_EQ(DefaultSaveType(types), 1u);
    types = SaveFileTypes(MaskOf(vms::kMd5));
    EXPECT_EQ(types.size(), 4u);  // no SFV without CRC32
    EXPECT_EQ(DefaultSaveType(types), 0u);
}

TEST(SaveChecksums, PathsRelativeToTheSavedFile) {
    const std::vector<FileRow> rows = {Row(L"C:\\dl\\a.iso", RowStatus::Done, {vms::kMd5, vms::kSha256}),
                                       Row(L"c:\\DL\\sub\\b.iso", RowStatus::Done, {vms::kMd5, vms::kSha256}),
                                       Row(L"D:\\else\\c.iso", RowStatus::Done, {vms::kMd5, vms::kSha256})};
    const SavePlan plan = PlanSave(rows, {}, MaskOf(vms::kMd5) | MaskOf(vms::kSha256));
    const auto types = SaveFileTypes(plan.algorithms);
    auto entries = SaveEntries(rows, plan, L"C:\\dl", types[DefaultSaveType(types)]);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].path, L"a.iso");
    EXPECT_EQ(entries[1].path, L"sub/b.iso");
    EXPECT_EQ(entries[2].path, L"D:/else/c.iso");
    ASSERT_EQ(entries[0].digests.size(), 1u);
    EXPECT_EQ(entries[0].digests[0].first, vms::kSha256);
    entries = SaveEntries(rows, plan, L"C:\\dl", types[2]);  // BSD: every algorithm
    EXPECT_EQ(entries[0].digests.size(), 2u);
    EXPECT_EQ(entries[0].digests[0].first, vms::kMd5);
}

}  // namespace
}  // namespace app
