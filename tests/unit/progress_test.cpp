#include "cli/progress.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace cli {

using vms::testing::TempFolder;
namespace {

// Points standard error at a file for the life of the object.
class CapturedStandardError {
public:
    explicit CapturedStandardError(const TempFolder& folder)
        : path_((folder.Path() / L"stderr.txt").wstring()), saved_(GetStdHandle(STD_ERROR_HANDLE)) {
        file_ = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
        SetStdHandle(STD_ERROR_HANDLE, file_);
    }
    ~CapturedStandardError() {
        SetStdHandle(STD_ERROR_HANDLE, saved_);
        CloseHandle(file_);
    }

    std::string Text() const {
        std::ifstream in(std::filesystem::path(path_), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::wstring path_;
    HANDLE saved_;
    HANDLE file_;
};

TEST(Progress, DrawsPadsAndClearsWhenEnabled) {
    TempFolder folder;
    CapturedStandardError captured(folder);
    Progress progress;
    progress.enabled = true;
    ShowProgress(progress, L"10%  long-name.iso");
    ShowProgress(progress, L"55%  a.iso");
    EXPECT_EQ(progress.shownWidth, 10u);
    ClearProgress(progress);
    EXPECT_EQ(progress.shownWidth, 0u);
    ClearProgress(progress);  // nothing on screen: nothing written
    EXPECT_EQ(captured.Text(), "\r10%  long-name.iso\r55%  a.iso        \r          \r");
}

TEST(Progress, CutsTextAt78Characters) {
    TempFolder folder;
    CapturedStandardError captured(folder);
    Progress progress;
    progress.enabled = true;
    ShowProgress(progress, L"7%  " + std::wstring(100, L'n'));
    EXPECT_EQ(progress.shownWidth, 78u);
    EXPECT_EQ(captured.Text(), "\r7%  " + std::string(74, 'n'));
}

TEST(Progress, DisabledWritesNothing) {
    TempFolder folder;
    CapturedStandardError captured(folder);
    Progress progress = Progress::ForStandardError();  // a file is no console
    EXPECT_FALSE(progress.enabled);
    ShowProgress(progress, L"50%  x");
    ClearProgress(progress);
    EXPECT_EQ(captured.Text(), "");
}

TEST(Progress, FilesInFlightAddUpAtMostEvery250Milliseconds) {
    TempFolder folder;
    CapturedStandardError captured(folder);
    Progress progress;
    progress.enabled = true;
    constexpr std::uint64_t kLarge = kProgressThreshold;
    const std::vector<vms::BatchFile> files = {{L"a", 0, kLarge}, {L"b", 0, 2 * kLarge}, {L"c", 0, kLarge - 1},
                                               {L"", 0, vms::kUnknownSize}};
    const std::vector<std::wstring> names = {L"a.iso", L"b.iso", L"small.txt", L"-"};
    const auto show = [&](std::vector<vms::InFlight> inFlight) { ShowFilesInFlight(progress, inFlight, files, names); };
    show({{0, kLarge / 4}});   // one file: its name
    show({{0, kLarge / 2}});   // within 250 ms: skipped
    EXPECT_EQ(captured.Text(), "\r25%  a.iso");
    progress.lastTick -= 250;
    // Several: their bytes against their sizes; small files and standard input have no line.
    show({{0, kLarge}, {1, kLarge / 2}, {2, 5}, {3, 9}});
    EXPECT_EQ(captured.Text(), "\r25%  a.iso\r50%  2 files: a.iso, b.iso");
    progress.lastTick -= 250;
    show({{0, 3 * kLarge}});  // a file that grew while read stops at its size
    EXPECT_EQ(captured.Text(), "\r25%  a.iso\r50%  2 files: a.iso, b.iso\r100%  a.iso               ");
    ClearProgress(progress);
    show({{2, 5}, {3, 9}});  // nothing to show, and the cleared line stays cleared
    EXPECT_EQ(progress.shownWidth, 0u);
}

}  // namespace
}  // namespace cli
