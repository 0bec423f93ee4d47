#include "gui/logic/status_line.h"

#include "test_rows.h"

#include <gtest/gtest.h>

namespace app {
namespace {

using testing::Row;

TEST(StatusLine, BusyTextsAtTheSpeedAndTimeBoundaries) {
    ProgressSnapshot snapshot;
    snapshot.busy = true;
    snapshot.running = {{1, L"C:\\dl\\big.iso", 1000, 250}};
    snapshot.done = 250;
    snapshot.total = 1000;
    snapshot.filesLeft = 1;
    StatusLine line = BuildStatusLine(snapshot, {});
    EXPECT_EQ(line.text, L"Hashing big.iso (25%)");  // no speed in a batch's first 500 ms
    EXPECT_TRUE(line.showProgress);
    EXPECT_EQ(line.barPosition, 2500);
    snapshot.filesLeft = 3;
    snapshot.speed = 500;  // 750 bytes left: 1 second, not shown
    EXPECT_EQ(BuildStatusLine(snapshot, {}).text, L"Hashing big.iso (25%), 2 more, 500 bytes/s");
    snapshot.speed = 375;  // 2 seconds left
    EXPECT_EQ(BuildStatusLine(snapshot, {}).text, L"Hashing big.iso (25%), 2 more, 375 bytes/s, 0:02 left");
    snapshot.total = 250 + 1024 * 130;
    snapshot.speed = 1024;
    EXPECT_EQ(BuildStatusLine(snapshot, {}).text, L"Hashing big.iso (25%), 2 more, 1.0 KB/s, 2:10 left");
    snapshot.running[0].size = 0;  // an empty file shows no percentage
    snapshot.filesLeft = 1;
    snapshot.speed = 0;
    EXPECT_EQ(BuildStatusLine(snapshot, {}).text, L"Hashing big.iso");

    // Several in flight: each with how far it is; the rest are "more".
    snapshot.running = {{1, L"C:\\dl\\a.iso", 1000, 500}, {2, L"D:\\b.img", 400, 100}, {3, L"e.txt", 0, 0}};
    snapshot.filesLeft = 5;
    EXPECT_EQ(BuildStatusLine(snapshot, {}).text, L"Hashing a.iso (50%), b.img (25%), e.txt, 2 more");

    const ProgressSnapshot idle;
    EXPECT_EQ(BuildStatusLine(idle, {}).text, L"");
    EXPECT_FALSE(BuildStatusLine(idle, {}).showProgress);
    EXPECT_EQ(BuildStatusLine(idle, {Row(L"a", 1536)}).text, L"1 file, 1.5 KB");
    EXPECT_EQ(BuildStatusLine(idle, {Row(L"a", 1), Row(L"b", 2)}).text, L"2 files, 3 bytes");
}

}  // namespace
}  // namespace app
