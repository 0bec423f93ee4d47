#include "gui/system/single_instance.h"

#include <gtest/gtest.h>

namespace app {
namespace {

TEST(SingleInstance, PathListsRoundTrip) {
    const std::wstring list = BuildPathList({L"C:\\a b\\x.iso", L"D:\\y"});
    EXPECT_EQ(list, std::wstring(L"C:\\a b\\x.iso\0D:\\y\0", 18));
    EXPECT_EQ(ParsePathList(list), (std::vector<std::wstring>{L"C:\\a b\\x.iso", L"D:\\y"}));
    EXPECT_EQ(ParsePathList(std::wstring(L"a\0\0b", 4)), (std::vector<std::wstring>{L"a", L"b"}));  // last without U+0000
    EXPECT_TRUE(ParsePathList(L"").empty());
}

}  // namespace
}  // namespace app
