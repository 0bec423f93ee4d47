#include "engine/device_class.h"
#include "engine/text.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <thread>

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

// A system of given answers that counts every call; any thread may call it.
struct CountingSystem {
    std::map<std::wstring, std::wstring> roots;   // lower-cased extended folder -> its volume's root
    std::map<std::wstring, bool> remote;          // root -> DRIVE_REMOTE
    std::map<std::wstring, std::wstring> names;   // root -> volume GUID path
    std::map<std::wstring, VolumeAnswers> disks;  // volume GUID path -> its disks
    std::atomic<int> rootCalls = 0, remoteCalls = 0, nameCalls = 0, diskCalls = 0;

    template <typename Value>
    static Value Lookup(const std::map<std::wstring, Value>& table, const std::wstring& key) {
        const auto found = table.find(key);
        return found == table.end() ? Value() : found->second;
    }

    VolumeSystem Calls() {
        return {
            .volumeRootOf = [this](const std::wstring& path) { ++rootCalls; return Lookup(roots, ToLowerW(path)); },
            .isRemoteDrive = [this](const std::wstring& root) { ++remoteCalls; return Lookup(remote, root); },
            .volumeNameOf = [this](const std::wstring& root) { ++nameCalls; return Lookup(names, root); },
            .queryDisks = [this](const std::wstring& volume) { ++diskCalls; return Lookup(disks, volume); },
        };
    }
};

TEST(DeviceClassifier, AsksOncePerFolderRootAndVolume) {
    CountingSystem system;
    system.roots = {{L"\\\\?\\c:\\data\\", L"C:\\"}, {L"\\\\?\\c:\\data\\sub\\", L"C:\\"},
                    {L"\\\\?\\c:\\mnt\\", L"C:\\mnt\\"}, {L"\\\\?\\e:\\", L"E:\\"}};
    system.names = {{L"C:\\", L"\\\\?\\Volume{c}\\"},
                    {L"C:\\mnt\\", L"\\\\?\\Volume{e}\\"},
                    {L"E:\\", L"\\\\?\\Volume{e}\\"}};
    system.disks = {{L"\\\\?\\Volume{c}\\", Disks({0}, {false})}, {L"\\\\?\\Volume{e}\\", Disks({1}, {true})}};
    DeviceClassifier classifier(8, system.Calls());
    struct Case {
        const wchar_t* path;
        DeviceClass expected;
    };
    const Case cases[] = {
        {L"C:\\Data\\a.txt", {L"disk:0", 4}},   {L"C:\\Data\\b.txt", {L"disk:0", 4}},
        {L"c:\\DATA\\c.txt", {L"disk:0", 4}},   {L"C:/Data/d.txt", {L"disk:0", 4}},
        {L"\\\\?\\C:\\Data\\e.txt", {L"disk:0", 4}}, {L"C:\\Data\\sub\\f.txt", {L"disk:0", 4}},
        {L"C:\\mnt\\g.txt", {L"disk:1", 1}},    {L"E:\\h.txt", {L"disk:1", 1}},
    };
    for (const Case& c : cases) EXPECT_EQ(classifier.ClassOf(c.path), c.expected) << ToUtf8(c.path);
    EXPECT_EQ(system.rootCalls, 4);    // one per folder, whatever its spelling
    EXPECT_EQ(system.remoteCalls, 3);  // one per root
    EXPECT_EQ(system.nameCalls, 3);
    EXPECT_EQ(system.diskCalls, 2);    // one per volume, however many roots it has
}

TEST(DeviceClassifier, UncPathsAreClassedWithoutAnyCall) {
    CountingSystem system;
    DeviceClassifier classifier(8, system.Calls());
    EXPECT_EQ(classifier.ClassOf(L"\\\\Server\\Share\\dir\\f.txt"), (DeviceClass{L"net:server", 2}));
    EXPECT_EQ(classifier.ClassOf(L"//server/other/g.txt"), (DeviceClass{L"net:server", 2}));
    EXPECT_EQ(classifier.ClassOf(L"\\\\?\\UNC\\nas\\share\\h.txt"), (DeviceClass{L"net:nas", 2}));
    EXPECT_EQ(system.rootCalls + system.remoteCalls + system.nameCalls + system.diskCalls, 0);
}

TEST(DeviceClassifier, MappedDrivesAreNotAskedForDisks) {
    CountingSystem system;
    system.roots = {{L"\\\\?\\z:\\share\\", L"Z:\\"}};
    system.remote = {{L"Z:\\", true}};
    DeviceClassifier classifier(8, system.Calls());
    EXPECT_EQ(classifier.ClassOf(L"Z:\\share\\f.txt"), (DeviceClass{L"net:z:\\", 2}));
    EXPECT_EQ(system.nameCalls + system.diskCalls, 0);
}

TEST(DeviceClassifier, AnyStepUnansweredIsTheUnknownDevice) {
    CountingSystem system;
    system.roots = {{L"\\\\?\\c:\\noname\\", L"C:\\"}, {L"\\\\?\\d:\\nodisks\\", L"D:\\"}};
    system.names = {{L"D:\\", L"\\\\?\\Volume{d}\\"}};
    DeviceClassifier classifier(8, system.Calls());
    const DeviceClass unknown{kUnknownDeviceKey, 1};
    EXPECT_EQ(classifier.ClassOf(L"Q:\\noroot\\f.txt"), unknown);
    EXPECT_EQ(classifier.ClassOf(L"C:\\noname\\f.txt"), unknown);
    EXPECT_EQ(classifier.ClassOf(L"D:\\nodisks\\f.txt"), unknown);
    EXPECT_EQ(classifier.ClassOf(L"Q:\\noroot\\g.txt"), unknown);
    EXPECT_EQ(system.rootCalls, 3);
}

// Under Wine the answers are whatever Wine gives; they only have to be a class
// the rules allow, and the same for every file of a volume.
TEST(DeviceClassifier, RealFilesOfOneVolumeShareASaneClass) {
    const testing::TempFolder folder;
    const std::wstring first = folder.Write(L"a.txt", {1});
    const std::wstring second = folder.Write(L"b.txt", {2});
    const std::wstring nested = folder.Write(L"sub\\c.txt", {3});
    DeviceClassifier classifier(8);
    const DeviceClass found = classifier.ClassOf(first);
    EXPECT_TRUE(found.key == kUnknownDeviceKey || found.key.starts_with(L"disk:")) << ToUtf8(found.key);
    EXPECT_GE(found.parallel, 1u);
    EXPECT_LE(found.parallel, found.key == kUnknownDeviceKey ? 1u : kMaxDiskParallel);
    EXPECT_EQ(classifier.ClassOf(second), found);
    EXPECT_EQ(classifier.ClassOf(ToLongPath(second)), found);
    EXPECT_EQ(classifier.ClassOf(nested), found);
    EXPECT_EQ(classifier.ClassOf(L"\\\\Server\\Share\\f.txt"), (DeviceClass{L"net:server", 2}));
}

TEST(DeviceClassifier, ThreadsAgreeOnEveryFile) {
    const testing::TempFolder folder;
    std::vector<std::wstring> paths;
    for (int i = 0; i < 40; ++i) {
        paths.push_back(folder.Write(L"d" + std::to_wstring(i % 8) + L"\\f" + std::to_wstring(i), {}));
    }
    const DeviceClass expected = DeviceClassifier(8).ClassOf(paths[0]);
    DeviceClassifier classifier(8);
    std::atomic<int> disagreements = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (const std::wstring& path : paths) {
                if (classifier.ClassOf(path) != expected) ++disagreements;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(disagreements, 0);
}

}  // namespace
}  // namespace vms
