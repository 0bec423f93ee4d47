#include "engine/text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace vms {
namespace {

std::wstring CurrentDirectory() {
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, buffer);
    return {buffer, length};
}

TEST(ToLongPath, PrefixesDriveAndUncPathsAndKeepsExtendedOnes) {
    EXPECT_EQ(ToLongPath(L"C:\\Temp\\a.txt"), L"\\\\?\\C:\\Temp\\a.txt");
    EXPECT_EQ(ToLongPath(L"C:\\Temp\\.\\x\\..\\a.txt"), L"\\\\?\\C:\\Temp\\a.txt");
    EXPECT_EQ(ToLongPath(L"C:/Temp/a.txt"), L"\\\\?\\C:\\Temp\\a.txt");
    EXPECT_EQ(ToLongPath(L"\\\\server\\share\\a.txt"), L"\\\\?\\UNC\\server\\share\\a.txt");
    EXPECT_EQ(ToLongPath(L"\\\\?\\C:\\x\\..\\y"), L"\\\\?\\C:\\x\\..\\y");
    EXPECT_EQ(ToLongPath(L"\\\\.\\PhysicalDrive0"), L"\\\\.\\PhysicalDrive0");
    EXPECT_EQ(ToLongPath(L""), L"");
}

TEST(ToLongPath, ResolvesRelativePathsAgainstTheCurrentDirectory) {
    std::wstring folder = CurrentDirectory();
    if (folder.back() != L'\\') folder += L'\\';
    EXPECT_EQ(ToLongPath(L"a.txt"), L"\\\\?\\" + folder + L"a.txt");
    const std::wstring longName(300, L'n');
    EXPECT_EQ(ToLongPath(longName), L"\\\\?\\" + folder + longName);
}

TEST(Utf8, RoundTripsNonAsciiTextAndReplacesInvalidBytes) {
    const std::wstring text = L"Gr\x00FC\x00DF" L"e \x65E5\x672C \xD83D\xDE00";
    const std::string utf8 = ToUtf8(text);
    EXPECT_EQ(utf8, "Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80");
    EXPECT_EQ(FromUtf8(utf8), text);
    EXPECT_EQ(FromUtf8("a\xFF" "b"), L"a\xFFFD" L"b");
    EXPECT_EQ(FromUtf8(""), L"");
    EXPECT_EQ(ToUtf8(L""), "");
}

TEST(DecodeText, ByteOrderMarksDecideAndAreDropped) {
    using namespace std::string_view_literals;
    EXPECT_EQ(DecodeText("\xFF\xFE\x41\x00"sv), L"A");
    EXPECT_EQ(DecodeText("\xFE\xFF\x00\x41"sv), L"A");
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF\x41"sv), L"A");
    EXPECT_EQ(DecodeText("\xFF\xFE\x41\x00\x42"sv), L"A");  // a trailing odd byte is ignored
    EXPECT_EQ(DecodeText("\xFF\xFE"sv), L"");
    EXPECT_EQ(DecodeText("\xFE\xFF\x00"sv), L"");
    EXPECT_EQ(DecodeText("\xFF\xFE\x3D\xD8\x00\xDE"sv), L"\xD83D\xDE00");
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF"sv), L"");
    EXPECT_EQ(DecodeText(""sv), L"");
}

TEST(DecodeText, ValidUtf8IsUtf8AndAnythingElseIsTheAnsiCodePage) {
    EXPECT_EQ(DecodeText("caf\xC3\xA9"), L"caf\x00E9");
    wchar_t ansiE9 = 0;
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xE9", 1, &ansiE9, 1), 1);
    EXPECT_EQ(DecodeText("\xE9"), std::wstring(1, ansiE9));
    EXPECT_EQ(DecodeText("caf\xE9 \x80"), L"caf" + std::wstring(1, ansiE9) + L" \x20AC");
}

TEST(TrimText, RemovesExactlyTheBlankSet) {
    EXPECT_EQ(TrimText(L"\xFEFF" L"abc\r\n"), L"abc");
    EXPECT_EQ(TrimText(L" \t\x00A0\x200B" L"a b\n\r "), L"a b");
    EXPECT_EQ(TrimText(L"\v a \f"), L"\v a \f");
    EXPECT_EQ(TrimText(L" \t\r\n\xFEFF"), L"");
    EXPECT_EQ(TrimText(L""), L"");
}

TEST(CaseHelpers, CompareOrdinallyIgnoringCase) {
    EXPECT_EQ(ToLowerW(L"SHA256SUMS.Txt"), L"sha256sums.txt");
    EXPECT_TRUE(EqualsIgnoreCase(L"All", L"aLL"));
    EXPECT_TRUE(EqualsIgnoreCase(L"", L""));
    EXPECT_TRUE(EqualsIgnoreCase(L"\x00C9t\x00C9", L"\x00E9T\x00E9"));
    EXPECT_FALSE(EqualsIgnoreCase(L"all", L"all "));
    EXPECT_FALSE(EqualsIgnoreCase(L"all", L"alm"));
    EXPECT_TRUE(EndsWithIgnoreCase(L"FILE.SHA256", L".sha256"));
    EXPECT_TRUE(EndsWithIgnoreCase(L".sha256", L".SHA256"));
    EXPECT_FALSE(EndsWithIgnoreCase(L"a", L".sha256"));
    EXPECT_FALSE(EndsWithIgnoreCase(L"file.sha25", L".sha256"));
    EXPECT_TRUE(EndsWithIgnoreCase(L"x", L""));
}

}  // namespace
}  // namespace vms
