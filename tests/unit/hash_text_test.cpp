#include "gui/logic/hash_text.h"

#include <gtest/gtest.h>

namespace app {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(HashText, BytesOfTheTypedText) {
    EXPECT_EQ(TextBytes(L"abc", TextEncoding::Utf8, LineBreaks::Unix, false), (Bytes{'a', 'b', 'c'}));
    EXPECT_EQ(TextBytes(L"abc", TextEncoding::Utf8, LineBreaks::Unix, true), (Bytes{'a', 'b', 'c', '\n'}));
    EXPECT_EQ(TextBytes(L"abc", TextEncoding::Utf8, LineBreaks::Windows, true), (Bytes{'a', 'b', 'c', '\r', '\n'}));
    EXPECT_EQ(TextBytes(L"a\r\nb", TextEncoding::Utf8, LineBreaks::Unix, false), (Bytes{'a', '\n', 'b'}));
    EXPECT_EQ(TextBytes(L"a\r\nb", TextEncoding::Utf8, LineBreaks::Windows, false), (Bytes{'a', '\r', '\n', 'b'}));
    EXPECT_EQ(TextBytes(L"a\rb\r", TextEncoding::Utf8, LineBreaks::Unix, false), (Bytes{'a', '\r', 'b', '\r'}));  // CR alone stays
    EXPECT_EQ(TextBytes(L"ab", TextEncoding::Utf16Le, LineBreaks::Unix, false), (Bytes{'a', 0, 'b', 0}));  // no BOM
    EXPECT_EQ(TextBytes(L"\xD83D\xDE00", TextEncoding::Utf8, LineBreaks::Unix, false).size(), 4u);
    EXPECT_EQ(TextBytes(L"\xD83D\xDE00", TextEncoding::Utf16Le, LineBreaks::Unix, false),
              (Bytes{0x3D, 0xD8, 0x00, 0xDE}));
    EXPECT_TRUE(TextBytes(L"", TextEncoding::Utf8, LineBreaks::Windows, false).empty());
}

TEST(HashText, ResultLinesAndCopy) {
    const std::wstring result = HashTextResult({'a', 'b', 'c'}, vms::MaskOf(vms::kSha256) | vms::MaskOf(vms::kMd5), true);
    EXPECT_EQ(result, L"MD5:\t900150983CD24FB0D6963F7D28E17F72\r\n"
                      L"SHA-256:\tBA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD\r\n\r\n3 bytes");
    EXPECT_EQ(DigestLinesOf(result), L"MD5:\t900150983CD24FB0D6963F7D28E17F72\r\n"
                                     L"SHA-256:\tBA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
    EXPECT_EQ(HashTextResult({'x'}, vms::MaskOf(vms::kCrc32), false), L"CRC32:\t8cdc1683\r\n\r\n1 byte");
    EXPECT_EQ(HashTextResult({}, vms::MaskOf(vms::kCrc32), false), L"CRC32:\t00000000\r\n\r\n0 bytes");
}

}  // namespace
}  // namespace app
