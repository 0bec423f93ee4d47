#include "gui/logic/sibling_checksums.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace app {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kSha256Abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST(SiblingChecksums, WhichNamesAreCandidatesAndInWhatOrder) {
    struct Case {
        const wchar_t* name;
        bool candidate;
    };
    const Case cases[] = {
        {L"SHA256SUMS", true}, {L"B2SUMS", true}, {L"ubuntu.iso.sha256", true}, {L"UBUNTU.ISO.SHA256.txt", true},
        {L"ubuntu.iso.sha256sum", true}, {L"ubuntu.iso.md5sum", true}, {L"checksums.txt", true},
        {L"other.iso.sha512", true}, {L"ubuntu.iso", false}, {L"notes.txt", false}, {L"ubuntu.iso.sig", false},
        {L"ubuntu.iso.frobsum", false}, {L"SUMS", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsSiblingCandidate(c.name, L"ubuntu.iso"), c.candidate) << c.name;

    std::vector<std::wstring> names = {L"MD5SUMS", L"readme.txt", L"ubuntu.iso", L"ubuntu.iso.sha256", L"SHA256SUMS"};
    EXPECT_EQ(SiblingCandidates(names, L"ubuntu.iso"),
              (std::vector<std::wstring>{L"ubuntu.iso.sha256", L"MD5SUMS", L"SHA256SUMS"}));
    for (int i = 0; i < 30; ++i) names.push_back(L"list" + std::to_wstring(i) + L".sha1");
    EXPECT_EQ(SiblingCandidates(names, L"ubuntu.iso").size(), kMaxSiblingCandidates);
}

TEST(SiblingChecksums, ListingsLinesAndBareHashes) {
    const std::wstring file = L"C:\\dl\\Ubuntu.iso";
    const std::wstring list = L"0000  other\n" + std::wstring(kSha256Abc.begin(), kSha256Abc.end()) + L" *ubuntu.ISO\n";
    const auto listed = ListingIn(L"C:\\dl\\SHA256SUMS", list, file);
    ASSERT_TRUE(listed.has_value());
    EXPECT_EQ(listed->line, 2u);
    EXPECT_EQ(listed->expectedBytes.size(), 32u);
    EXPECT_FALSE(ListingIn(L"C:\\elsewhere\\SHA256SUMS", list, file).has_value());

    const std::wstring bare = std::wstring(kSha256Abc.begin(), kSha256Abc.end()) + L"\r\n";
    const auto named = ListingIn(L"C:\\dl\\Ubuntu.iso.sha256", bare, file);
    ASSERT_TRUE(named.has_value());
    EXPECT_EQ(named->line, 0u);
    EXPECT_EQ(named->candidates, (std::vector<vms::AlgorithmId>{vms::kSha256}));
    EXPECT_FALSE(ListingIn(L"C:\\dl\\SHA256SUMS", bare, file).has_value());  // not named after the file
    EXPECT_FALSE(ListingIn(L"C:\\dl\\Ubuntu.iso.sha256", L"not a hash", file).has_value());
}

TEST(SiblingChecksums, SearchOfARealFolderWithItsLimits) {
    vms::testing::TempFolder folder;
    const std::wstring iso = folder.Write(L"download.iso", Text("abc"));
    EXPECT_FALSE(FindSiblingListing(iso).has_value());

    // A listing larger than the limit is passed over; the size costs nothing to make.
    const std::wstring big = folder.Write(L"download.iso.sha256", Text(kSha256Abc));
    const HANDLE handle = CreateFileW(vms::testing::TempFolder::Extended(big).c_str(), GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER size{};
    size.QuadPart = static_cast<LONGLONG>(kMaxSiblingSize) + 1;
    SetFilePointerEx(handle, size, nullptr, FILE_BEGIN);
    SetEndOfFile(handle);
    CloseHandle(handle);
    EXPECT_FALSE(FindSiblingListing(iso).has_value());

    folder.Write(L"sub\\SHA256SUMS", Text(kSha256Abc + "  ../download.iso\n"));  // not the file's own folder
    EXPECT_FALSE(FindSiblingListing(iso).has_value());
    folder.Write(L"SHA256SUMS", Text(kSha256Abc + "  download.iso\n"));
    const auto found = FindSiblingListing(iso);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->listPath, (folder.Path() / L"SHA256SUMS").wstring());
    EXPECT_EQ(found->line, 1u);

    // Twenty earlier candidates that don't list it hide a later one.
    vms::testing::TempFolder crowded;
    const std::wstring crowdedIso = crowded.Write(L"download.iso", Text("abc"));
    for (int i = 0; i < 20; ++i) crowded.Write(L"a" + std::to_wstring(i + 10) + L".sha256", Text(kSha256Abc + "  x\n"));
    crowded.Write(L"zz.sha256", Text(kSha256Abc + "  download.iso\n"));
    EXPECT_FALSE(FindSiblingListing(crowdedIso).has_value());
}

}  // namespace
}  // namespace app
