// An audit whose folder can't be listed: the system's error comes back with
// the result, not through the thread's last error, which later calls replace.
#include "checksums/checksum_reader.h"
#include "checksums/folder_audit.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace vms {
namespace {

TEST(FolderAudit, AFolderThatCantBeListedGivesItsErrorAndNoItems) {
    testing::TempFolder folder;
    const std::wstring listPath = folder.Write(L"SHA256SUMS", {});
    const ChecksumFile list = ParseChecksumText(
        L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855  empty.txt\n", listPath);
    ASSERT_EQ(list.entries.size(), 1u);
    const auto noOptions = [](const std::wstring&, std::uint64_t) { return HashOptions{}; };

    const AuditResult absent = AuditFolder(listPath, list, (folder.Path() / L"absent").wstring(), false, noOptions);
    SetLastError(0);  // what a later call might leave
    EXPECT_TRUE(absent.rootError == ERROR_PATH_NOT_FOUND || absent.rootError == ERROR_FILE_NOT_FOUND)
        << absent.rootError;
    EXPECT_TRUE(absent.items.empty());

    folder.Write(L"empty.txt", {});
    const AuditResult listed = AuditFolder(listPath, list, L"", false, noOptions);
    EXPECT_EQ(listed.rootError, 0u);
    EXPECT_FALSE(listed.items.empty());
}

}  // namespace
}  // namespace vms
