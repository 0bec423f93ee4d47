#include "engine/algorithms.h"

#include <gtest/gtest.h>

#include <string>

namespace vms {
namespace {

struct NameCase {
    const wchar_t* name;
    AlgorithmId expected;
};

TEST(FindAlgorithm, NamesSpellingsAndAliasesReachTheirRow) {
    const NameCase cases[] = {
        {L"SHA-256", kSha256}, {L"sha_256", kSha256}, {L"sha 256", kSha256}, {L"Sha256", kSha256},
        {L"sha2-256", kSha256}, {L"SHA2_256", kSha256}, {L"sha2-384", kSha384}, {L"sha2-512", kSha512},
        {L"xxh3", kXxh3_64}, {L"XXH3-64", kXxh3_64}, {L"xxh3_64bits", kXxh3_64}, {L"XXH3-64bits", kXxh3_64},
        {L"xxh3-128", kXxh128}, {L"XXH3_128", kXxh128}, {L"XXH128", kXxh128}, {L"xxh64", kXxh64},
        {L"b3", kBlake3}, {L"B3", kBlake3}, {L"blake3-256", kBlake3}, {L"BLAKE3", kBlake3},
        {L"crc", kCrc32}, {L"CRC-32", kCrc32}, {L"sha", kSha1}, {L"sha-160", kSha1}, {L"SHA-1", kSha1},
        {L"SHA3_256", kSha3_256}, {L"sha3256", kSha3_256}, {L"SHA3-384", kSha3_384}, {L"sha3-512", kSha3_512},
        {L"md2", kMd2}, {L"MD4", kMd4}, {L"md5", kMd5}, {L"SHA-384", kSha384}, {L"sha512", kSha512},
    };
    for (const NameCase& c : cases) {
        const auto id = FindAlgorithm(c.name);
        ASSERT_TRUE(id.has_value()) << std::string(c.name, c.name + wcslen(c.name));
        EXPECT_EQ(*id, c.expected) << std::string(c.name, c.name + wcslen(c.name));
    }
}

TEST(FindAlgorithm, RejectsUnknownEmptyAndNonAsciiNames) {
    for (const wchar_t* name : {L"", L"-", L"_ -", L"   ", L"sha255", L"sha2", L"md", L"blake2b",
                                L"\xFF53\xFF48\xFF41\x0032\x0035\x0036",  // full-width "sha" + 256
                                L"md5\x00E9", L"sha256\t"}) {
        EXPECT_FALSE(FindAlgorithm(name).has_value()) << std::string(name, name + wcslen(name));
    }
}

TEST(FindAlgorithm, EveryRowIsFoundByItsOwnNames) {
    for (const AlgorithmInfo& row : AllAlgorithms()) {
        EXPECT_EQ(FindAlgorithmAscii(row.cliName), row.id);
        EXPECT_EQ(FindAlgorithmAscii(row.tag), row.id);
        EXPECT_EQ(FindAlgorithm(row.displayName), row.id);
    }
}

TEST(AlgorithmTable, RowsMatchTheirIdsAndDigestSizes) {
    const auto rows = AllAlgorithms();
    ASSERT_EQ(rows.size(), kAlgorithmCount);
    const unsigned sizes[] = {4, 16, 20, 32, 48, 64, 32, 48, 64, 32, 8, 8, 16, 16, 16};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].id, i);
        EXPECT_EQ(rows[i].digestSize, sizes[i]);
        EXPECT_EQ(&GetAlgorithm(static_cast<AlgorithmId>(i)), &rows[i]);
    }
    EXPECT_STREQ(GetAlgorithm(kXxh3_64).displayName, L"XXH3-64");
    EXPECT_STREQ(GetAlgorithm(kXxh3_64).cliName, "xxh3");
    EXPECT_STREQ(GetAlgorithm(kXxh3_64).tag, "XXH3");
}

TEST(AlgorithmsForDigestSize, GivesCandidatesMostLikelyFirst) {
    using V = std::vector<AlgorithmId>;
    EXPECT_EQ(AlgorithmsForDigestSize(16), (V{kMd5, kXxh128, kMd4, kMd2}));
    EXPECT_EQ(AlgorithmsForDigestSize(32), (V{kSha256, kSha3_256, kBlake3}));
    EXPECT_EQ(AlgorithmsForDigestSize(8), (V{kXxh64, kXxh3_64}));
    EXPECT_EQ(AlgorithmsForDigestSize(4), (V{kCrc32}));
    EXPECT_EQ(AlgorithmsForDigestSize(64), (V{kSha512, kSha3_512}));
    EXPECT_TRUE(AlgorithmsForDigestSize(28).empty());
    EXPECT_TRUE(AlgorithmsForDigestSize(0).empty());
}

TEST(AlgorithmMask, ListsAreInTableOrderAndCountsArePopulation) {
    EXPECT_EQ(AlgorithmsInMask(MaskOf(kSha256) | MaskOf(kMd5)), (std::vector<AlgorithmId>{kMd5, kSha256}));
    EXPECT_EQ(AlgorithmsInMask(kAllAlgorithms).size(), 15u);
    EXPECT_TRUE(AlgorithmsInMask(0).empty());
    EXPECT_TRUE(AlgorithmsInMask(0xFFFF8000u).empty());  // bits beyond the table name nothing
    EXPECT_EQ(CountAlgorithms(kAllAlgorithms), 15);
    EXPECT_EQ(CountAlgorithms(MaskOf(kMd2) | MaskOf(kCrc32)), 2);
}

struct ListCase {
    const wchar_t* list;
    bool ok;
    AlgorithmMask mask;
    const wchar_t* offending;
};

TEST(ParseAlgorithmList, AcceptsListsWithBlanksEmptyItemsAndAll) {
    const AlgorithmMask md5Sha256 = MaskOf(kMd5) | MaskOf(kSha256);
    const ListCase cases[] = {
        {L"md5,sha256", true, md5Sha256, L""},
        {L"sha256,md5,md5", true, md5Sha256, L""},
        {L" md5 , sha256 ", true, md5Sha256, L""},
        {L"\xFEFF\tmd5\r\n,\x00A0sha256\x200B", true, md5Sha256, L""},
        {L"sha256,,md5,", true, md5Sha256, L""},
        {L"", true, 0, L""},
        {L",", true, 0, L""},
        {L"all", true, kAllAlgorithms, L""},
        {L"ALL", true, kAllAlgorithms, L""},
        {L"all,md5", true, kAllAlgorithms, L""},
        {L"md5,foo,sha1", false, MaskOf(kMd5), L"foo"},
        {L"md5, f o o ,sha1", false, MaskOf(kMd5), L"f o o"},
        {L"\vmd5", false, 0, L"\vmd5"},  // vertical tab is not trimmed
        {L"alll", false, 0, L"alll"},
    };
    for (const ListCase& c : cases) {
        AlgorithmMask mask = 0;
        std::wstring offending;
        EXPECT_EQ(ParseAlgorithmList(c.list, mask, offending), c.ok);
        EXPECT_EQ(mask, c.mask);
        EXPECT_EQ(offending, c.offending);
    }
}

TEST(ParseAlgorithmList, AddsToTheCallersMask) {
    AlgorithmMask mask = MaskOf(kCrc32);
    std::wstring offending;
    ASSERT_TRUE(ParseAlgorithmList(L"sha1", mask, offending));
    EXPECT_EQ(mask, MaskOf(kCrc32) | MaskOf(kSha1));
}

}  // namespace
}  // namespace vms
