#include "engine/device_class.h"
#include "engine/text.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vms {
namespace {

using Penalties = std::vector<std::optional<bool>>;
constexpr auto kNoAnswer = std::nullopt;

VolumeAnswers Disks(std::vector<std::uint32_t> disks, Penalties seekPenalty) {
    return {.network = false,
            .extentsAnswered = true,
            .disks = std::move(disks),
            .seekPenalty = std::move(seekPenalty)};
}

// The volume's extents weren't answered.
VolumeAnswers NotSupported() { return {}; }

VolumeAnswers Network() {
    VolumeAnswers answers;
    answers.network = true;
    return answers;
}

TEST(NetworkServer, UncFormsNameTheirServerAndOtherPathsNone) {
    struct Case {
        const wchar_t* path;
        std::optional<std::wstring> server;
    };
    const Case cases[] = {
        {L"\\\\Server\\share\\dir\\f.txt", L"Server"},
        {L"//server/share/f.txt", L"server"},
        {L"\\\\server", L"server"},
        {L"\\\\?\\UNC\\Server\\share\\f.txt", L"Server"},
        {L"\\\\?\\unc\\server\\share", L"server"},
        {L"\\\\.\\UNC\\server\\share\\f.txt", L"server"},
        {L"\\\\?\\C:\\dir\\f.txt", std::nullopt},
        {L"\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\f.txt", std::nullopt},
        {L"\\\\.\\PhysicalDrive0", std::nullopt},
        {L"\\\\?\\UNCX\\server\\share", std::nullopt},
        {L"\\\\?\\UNC\\", std::nullopt},
        {L"\\\\\\share", std::nullopt},
        {L"\\\\", std::nullopt},
        {L"C:\\dir\\f.txt", std::nullopt},
        {L"\\dir\\f.txt", std::nullopt},
        {L"f.txt", std::nullopt},
        {L"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(NetworkServer(c.path), c.server) << ToUtf8(c.path);
}

TEST(ClassifyDevice, KeysAndLimitsFromTheAnswers) {
    struct Case {
        const char* name;
        VolumeAnswers answers;
        const wchar_t* volume;
        unsigned cores;
        DeviceClass expected;
    };
    const wchar_t* const kVolume = L"\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\";
    const Case cases[] = {
        {"seek penalty", Disks({0}, {true}), kVolume, 8, {L"disk:0", 1}},
        {"no seek penalty, 2 cores", Disks({1}, {false}), kVolume, 2, {L"disk:1", 2}},
        {"no seek penalty, 8 cores", Disks({1}, {false}), kVolume, 8, {L"disk:1", 4}},
        {"no seek penalty, 1 core", Disks({1}, {false}), kVolume, 1, {L"disk:1", 1}},
        {"no seek penalty, no cores counted", Disks({1}, {false}), kVolume, 0, {L"disk:1", 1}},
        {"no answer on the seek penalty", Disks({5}, {kNoAnswer}), kVolume, 8, {L"disk:5", 1}},
        {"fewer answers than disks", Disks({5, 6}, {false}), kVolume, 8, {L"disk:5", 1}},
        {"extents not supported", NotSupported(), kVolume, 8, {kUnknownDeviceKey, 1}},
        {"zero extents", Disks({}, {}), kVolume, 8, {kUnknownDeviceKey, 1}},
        {"several extents on one disk", Disks({2, 2, 2}, {false, false, false}), kVolume, 8, {L"disk:2", 4}},
        {"several disks, none seeks", Disks({3, 1, 2}, {false, false, false}), kVolume, 3, {L"disk:1", 3}},
        {"several disks, one seeks", Disks({3, 1}, {false, true}), kVolume, 8, {L"disk:1", 1}},
        {"several disks, one doesn't answer", Disks({1, 3}, {false, kNoAnswer}), kVolume, 8, {L"disk:1", 1}},
        {"several disks, mixed", Disks({4, 2, 3}, {true, kNoAnswer, false}), kVolume, 8, {L"disk:2", 1}},
        {"UNC path", Network(), L"\\\\FileServer\\Share\\dir\\", 8, {L"net:fileserver", 2}},
        {"UNC path, extended form", Network(), L"\\\\?\\UNC\\FileServer\\share\\", 8, {L"net:fileserver", 2}},
        {"UNC path, 1 core", Network(), L"\\\\fileserver\\share\\", 1, {L"net:fileserver", 2}},
        {"mapped drive", Network(), L"Z:\\", 8, {L"net:z:\\", 2}},
        {"network whatever the extents say",
         {.network = true, .extentsAnswered = true, .disks = {0}, .seekPenalty = {false}}, L"Y:\\", 8,
         {L"net:y:\\", 2}},
    };
    for (const Case& c : cases) EXPECT_EQ(ClassifyDevice(c.answers, c.volume, c.cores), c.expected) << c.name;
}

TEST(ClassifyDevice, PartitionsOfOneDiskShareItsKey) {
    const DeviceClass first = ClassifyDevice(Disks({1}, {false}), L"\\\\?\\Volume{first}\\", 8);
    const DeviceClass second = ClassifyDevice(Disks({1, 2}, {false, false}), L"\\\\?\\Volume{second}\\", 8);
    const DeviceClass other = ClassifyDevice(Disks({2}, {false}), L"\\\\?\\Volume{other}\\", 8);
    EXPECT_EQ(first.key, second.key);
    EXPECT_NE(first.key, other.key);
}

TEST(ClassifyDevice, VolumesOfUnknownDisksShareOneKey) {
    const DeviceClass unanswered = ClassifyDevice(NotSupported(), L"\\\\?\\Volume{first}\\", 8);
    const DeviceClass empty = ClassifyDevice(Disks({}, {}), L"\\\\?\\Volume{second}\\", 8);
    EXPECT_EQ(unanswered, empty);
    EXPECT_EQ(unanswered.parallel, 1u);
}

TEST(ClassifyDevice, SharesOfOneServerShareItsKey) {
    EXPECT_EQ(ClassifyDevice(Network(), L"\\\\SERVER\\one\\", 8), ClassifyDevice(Network(), L"\\\\server\\two\\", 8));
    EXPECT_NE(ClassifyDevice(Network(), L"\\\\server\\one\\", 8).key,
              ClassifyDevice(Network(), L"\\\\other\\one\\", 8).key);
}

// What Wine or Windows answers differs; the answers only have to agree with each other.
TEST(VolumeQuery, AFoldersAnswersAgree) {
    const testing::TempFolder folder;
    const std::wstring plain = folder.Path().wstring() + L"\\";
    const std::wstring root = VolumeRootOf(plain);
    ASSERT_FALSE(root.empty());
    EXPECT_EQ(VolumeRootOf(ToLongPath(plain)), root);
    EXPECT_EQ(root.back(), L'\\');
    EXPECT_TRUE(EqualsIgnoreCase(plain.substr(0, root.size()), root)) << ToUtf8(root);
    const std::wstring volume = VolumeNameOf(root);
    ASSERT_TRUE(volume.starts_with(L"\\\\?\\Volume{")) << ToUtf8(volume);
    const VolumeAnswers answers = QueryDisks(volume);
    EXPECT_FALSE(answers.network);
    EXPECT_EQ(answers.seekPenalty.size(), answers.disks.size());
    EXPECT_TRUE(answers.extentsAnswered || answers.disks.empty());
}

TEST(VolumeQuery, NoVolumeGivesEmptyAnswers) {
    EXPECT_EQ(VolumeNameOf(L"C:\\no such folder\\"), L"");
    const VolumeAnswers answers = QueryDisks(L"\\\\?\\Volume{00000000-0000-0000-0000-0000000000ff}\\");
    EXPECT_FALSE(answers.extentsAnswered);
    EXPECT_TRUE(answers.disks.empty());
    EXPECT_TRUE(answers.seekPenalty.empty());
}

}  // namespace
}  // namespace vms
