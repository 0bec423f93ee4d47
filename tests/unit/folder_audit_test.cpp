// An audit whose folder can't be listed, and a list update that can't be
// written: the system's error comes back with the result, not through the
// thread's last error, which later calls replace.
#include "checksums/checksum_reader.h"
#include "checksums/folder_audit.h"
#include "checksums/list_update.h"
#include "engine/text.h"
#include "engine/win_handles.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace vms {
namespace {

constexpr std::string_view kListText =
    "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855  empty.txt\n";

void NoOptions(std::span<const BatchFile> files, std::span<const std::wstring>,
               const std::function<void(std::size_t, const HashResult&)>& done) {
    HashBatch(files, {}, done);
}

std::vector<std::uint8_t> ListBytes() { return {kListText.begin(), kListText.end()}; }

ChecksumFile ParsedList(const std::wstring& listPath) { return ParseChecksumText(FromUtf8(kListText), listPath); }

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(testing::TempFolder::Extended(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(FolderAudit, AFolderThatCantBeListedGivesItsErrorAndNoItems) {
    testing::TempFolder folder;
    const std::wstring listPath = folder.Write(L"SHA256SUMS", {});
    const ChecksumFile list = ParseChecksumText(
        L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855  empty.txt\n", listPath);
    ASSERT_EQ(list.entries.size(), 1u);

    const Result<std::vector<AuditItem>> absent =
        AuditFolder(listPath, list, (folder.Path() / L"absent").wstring(), false, NoOptions);
    SetLastError(0);  // what a later call might leave
    EXPECT_TRUE(absent.GetError().systemCode == ERROR_PATH_NOT_FOUND ||
                absent.GetError().systemCode == ERROR_FILE_NOT_FOUND)
        << absent.GetError().systemCode;
    EXPECT_FALSE(absent);

    folder.Write(L"empty.txt", {});
    const Result<std::vector<AuditItem>> listed = AuditFolder(listPath, list, L"", false, NoOptions);
    EXPECT_EQ(listed.GetError().systemCode, 0u);
    EXPECT_FALSE(listed->empty());
}

TEST(FolderAudit, AnUnlistableFolderLeavesTheListUntouched) {
    testing::TempFolder folder;
    const std::wstring listPath = folder.Write(L"SHA256SUMS", ListBytes());
    const Result<std::vector<AuditItem>> items =
        AuditFolder(listPath, ParsedList(listPath), (folder.Path() / L"absent").wstring(), false, NoOptions, kSha256);
    ASSERT_FALSE(items);
    const std::uint32_t code = items.GetError().systemCode;
    EXPECT_TRUE(code == ERROR_PATH_NOT_FOUND || code == ERROR_FILE_NOT_FOUND) << code;
    EXPECT_EQ(ReadChecksumBytes(listPath).ValueOr({}), ListBytes());
    EXPECT_FALSE(Exists(listPath + L".vmsum-new"));
}

TEST(ListUpdate, AListThatCantBeReplacedGivesTheWritesError) {
    testing::TempFolder folder;
    const std::wstring listPath = folder.Write(L"SHA256SUMS", ListBytes());
    folder.Write(L"new.txt", {'n', 'e', 'w'});
    const ChecksumFile list = ParsedList(listPath);
    const Result<std::vector<AuditItem>> items = AuditFolder(listPath, list, L"", false, NoOptions, kSha256);
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 2u);  // empty.txt missing, new.txt new

    {
        // Held open without sharing, as another program might: it can't be replaced meanwhile.
        const UniqueFile held(CreateFileW(testing::TempFolder::Extended(listPath).c_str(), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.Valid());
        SetLastError(ERROR_FILE_NOT_FOUND);  // a stale code an earlier call might have left
        const Result<void> written = WriteUpdatedList(ListUpdateFor(listPath, ListBytes()), ListBytes(), list, *items);
        ASSERT_FALSE(written);
        const std::uint32_t code = written.GetError().systemCode;
        EXPECT_TRUE(code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION) << code;
    }
    EXPECT_EQ(ReadChecksumBytes(listPath).ValueOr({}), ListBytes());
    EXPECT_FALSE(Exists(listPath + L".vmsum-new"));

    EXPECT_TRUE(WriteUpdatedList(ListUpdateFor(listPath, ListBytes()), ListBytes(), list, *items));
    EXPECT_NE(ReadChecksumBytes(listPath).ValueOr({}), ListBytes());
}

}  // namespace
}  // namespace vms
