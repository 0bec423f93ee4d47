#include "gui/logic/download_origin.h"

#include "engine/text.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace app {
namespace {

TEST(DownloadOrigin, ParsesTheKeysAndIgnoresTheRest) {
    const DownloadOrigin both = ParseZoneIdentifier(
        L"[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=https://example.org/download\r\n"
        L"HostUrl = https://cdn.example.org/setup.exe \r\nhosturl=https://later.example.org/setup.exe\r\nnonsense\r\n");
    EXPECT_TRUE(both.present);
    EXPECT_EQ(both.zoneId, 3);
    EXPECT_EQ(both.hostUrl, L"https://later.example.org/setup.exe");  // a later line wins
    EXPECT_EQ(both.referrerUrl, L"https://example.org/download");
    EXPECT_EQ(OriginLines(both),
              L"\r\nDownloaded from:\thttps://later.example.org/setup.exe\r\nFrom the page:\thttps://example.org/download");

    EXPECT_EQ(OriginLines(ParseZoneIdentifier(L"[ZoneTransfer]\nZoneId=3\n")),
              L"\r\nDownloaded from:\tthe Internet (no address recorded)");
    EXPECT_EQ(OriginLines(ParseZoneIdentifier(L"ZoneId=2")), L"\r\nDownloaded from:\tanother computer (no address recorded)");
    EXPECT_EQ(OriginLines(ParseZoneIdentifier(L"ReferrerUrl=https://example.org/")),
              L"\r\nDownloaded from:\thttps://example.org/");
    EXPECT_EQ(OriginLines(DownloadOrigin{}), L"");
    using namespace std::string_view_literals;
    EXPECT_EQ(ParseZoneIdentifier(vms::DecodeText("\xFF\xFEZ\0o\0n\0e\0I\0d\0=\0" "3\0"sv)).zoneId, 3);
}

TEST(DownloadOrigin, ReadsTheStreamBesideTheFile) {
    vms::testing::TempFolder folder;
    const std::wstring file = folder.Write(L"setup.exe", {'M', 'Z'});
    EXPECT_FALSE(ReadDownloadOrigin(file).present);
    const std::string stream = "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://example.org/setup.exe\r\n";
    folder.Write(L"setup.exe:Zone.Identifier", {stream.begin(), stream.end()});
    const DownloadOrigin origin = ReadDownloadOrigin(file);
    EXPECT_TRUE(origin.present);
    EXPECT_EQ(origin.hostUrl, L"https://example.org/setup.exe");
}

}  // namespace
}  // namespace app
