#include "engine/hasher.h"
#include "engine/paired_reads.h"
#include "engine/pipeline.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <random>
#include <thread>
#include <tuple>

namespace vms {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::TempFolder;

constexpr std::uint32_t kMiB = 0x100000;

Bytes RandomBytes(std::size_t length, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(length);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

// Every selected digest is present and equals the one-shot digest of expected;
// the others are absent.
void ExpectDigestsOf(const HashResult& result, AlgorithmMask mask, const Bytes& expected) {
    ASSERT_EQ(result.error, 0u);
    ASSERT_FALSE(result.cancelled);
    EXPECT_EQ(result.bytesHashed, expected.size());
    for (const AlgorithmInfo& row : AllAlgorithms()) {
        const auto id = static_cast<AlgorithmId>(row.id);
        const auto& entry = result.digests[id];
        EXPECT_EQ(entry.present, (mask & MaskOf(id)) != 0) << row.cliName;
        if (entry.present) {
            EXPECT_EQ(DigestToHex(entry.digest, false), DigestToHex(HashBytes(id, expected), false))
                << row.cliName << " of " << expected.size() << " bytes";
        }
    }
}

void ExpectNoDigests(const HashResult& result) {
    for (const auto& entry : result.digests) EXPECT_FALSE(entry.present);
}

TEST(HashFile, BlockBoundarySizesGiveTheOneShotDigests) {
    TempFolder folder;
    constexpr std::size_t kShared = kSharedBlockSize;
    const std::size_t sizes[] = {0, 1, kShared - 1, kShared, kShared + 1, kMiB, kMiB + 1, 5 * kMiB + 1};
    for (std::size_t size : sizes) {
        const Bytes content = RandomBytes(size, static_cast<unsigned>(size));
        const std::wstring path = folder.Write(L"f" + std::to_wstring(size), content);
        // MD2 is slow in the system provider; it gets the smaller inputs only.
        const AlgorithmMask mask = size <= kMiB ? kAllAlgorithms : kAllAlgorithms & ~MaskOf(kMd2);
        // Several algorithms share smaller blocks than one algorithm reads
        // alone; a fast one is read by two threads in turns.
        const std::tuple<AlgorithmMask, std::size_t, bool> runs[] = {
            {mask, kShared, false}, {MaskOf(kSha256), kMiB, false}, {MaskOf(kXxh3_64), kMiB, true}};
        for (const auto& [algorithms, block, inTurns] : runs) {
            std::vector<std::uint64_t> progress;
            HashOptions options;
            options.progress = [&](std::uint64_t bytes) { progress.push_back(bytes); };
            const HashResult result = HashFile(path, algorithms, options);
            ExpectDigestsOf(result, algorithms, content);
            EXPECT_FALSE(result.changed);
            ASSERT_FALSE(progress.empty());
            EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
            EXPECT_EQ(progress.back(), size);
            // The ring: one call per block read, including the final empty one
            // of a whole-block file. Turns: at most that many.
            if (inTurns) {
                EXPECT_LE(progress.size(), size / block + 1) << size;
            } else {
                EXPECT_EQ(progress.size(), size / block + 1) << size;
            }
        }
    }
}

// Several algorithms wrap around the ring; one algorithm's two threads take
// hundreds of turns, and any block hashed out of order changes the digest.
TEST(HashFile, SmallBlocksWrapAroundTheRingAndTakeManyTurns) {
    TempFolder folder;
    const Bytes content = RandomBytes(10007, 7);
    const std::wstring path = folder.Write(L"small-blocks", content);
    HashOptions options;
    options.blockSize = 13;
    const AlgorithmMask mask = MaskOf(kCrc32) | MaskOf(kSha256) | MaskOf(kSha3_512) | MaskOf(kBlake3) | MaskOf(kXxh128);
    ExpectDigestsOf(HashFile(path, mask, options), mask, content);
    for (AlgorithmId id : {kXxh3_64, kCrc32, kSha256}) {
        ExpectDigestsOf(HashFile(path, MaskOf(id), options), MaskOf(id), content);
    }
}

TEST(HashFile, FoldersMissingFilesAndUnreadableHandlesGiveErrorCodes) {
    TempFolder folder;
    std::filesystem::create_directories(folder.Path() / L"sub");
    const HashResult onFolder = HashFile((folder.Path() / L"sub").wstring(), MaskOf(kSha256), {});
    EXPECT_EQ(onFolder.error, static_cast<std::uint32_t>(ERROR_DIRECTORY));
    ExpectNoDigests(onFolder);

    const HashResult missing = HashFile((folder.Path() / L"absent.bin").wstring(), MaskOf(kSha256), {});
    EXPECT_EQ(missing.error, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(missing.bytesHashed, 0u);
    ExpectNoDigests(missing);

    // A handle without read access fails on its first read.
    const std::wstring path = folder.Write(L"data", RandomBytes(100, 1));
    const HANDLE noRead = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(noRead, INVALID_HANDLE_VALUE);
    const HashResult unreadable = HashHandle(noRead, MaskOf(kSha256), {});
    CloseHandle(noRead);
    EXPECT_EQ(unreadable.error, static_cast<std::uint32_t>(ERROR_ACCESS_DENIED));
    ExpectNoDigests(unreadable);
}

TEST(HashFile, CancelBeforeTheFirstBlockStillReadsOneBlock) {
    TempFolder folder;
    const std::wstring path = folder.Write(L"data", RandomBytes(3 * kMiB, 3));
    std::atomic<bool> cancel{true};
    std::vector<std::uint64_t> progress;
    HashOptions options;
    options.cancel = &cancel;
    options.progress = [&](std::uint64_t bytes) { progress.push_back(bytes); };
    const HashResult result = HashFile(path, MaskOf(kSha256), options);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.error, 0u);
    EXPECT_EQ(progress, std::vector<std::uint64_t>{kMiB});
    ExpectNoDigests(result);
}

TEST(HashFile, CancelDuringHashingStopsAndGivesNoDigests) {
    TempFolder folder;
    const std::wstring path = folder.Write(L"data", RandomBytes(12 * kMiB, 4));
    for (AlgorithmMask mask : {MaskOf(kMd5) | MaskOf(kSha1) | MaskOf(kSha256), MaskOf(kXxh3_64)}) {
        std::atomic<bool> cancel{false};
        std::uint64_t lastProgress = 0;
        HashOptions options;
        options.cancel = &cancel;
        options.progress = [&](std::uint64_t bytes) {
            lastProgress = bytes;
            if (bytes >= 2 * kMiB) cancel = true;
        };
        const HashResult result = HashFile(path, mask, options);
        EXPECT_TRUE(result.cancelled);
        // The ring reports every block; one algorithm's turns two at a time.
        EXPECT_EQ(lastProgress, mask == MaskOf(kXxh3_64) ? 3u * kMiB : 2u * kMiB);
        ExpectNoDigests(result);
    }
}

// A read that fails after the first block (here: a handle without read
// access, as Wine does not refuse reads over another handle's lock) ends the
// turns with its error, whichever thread read it.
TEST(HashInPairedReads, AFailedReadEndsTheRunWithItsError) {
    TempFolder folder;
    const std::wstring path = folder.Write(L"data", RandomBytes(3 * kMiB, 12));
    const HANDLE noRead = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(noRead, INVALID_HANDLE_VALUE);
    BlockBuffers buffers;
    Block first;
    first.data = buffers.Get(0, kMiB);
    first.length = kMiB;
    const std::unique_ptr<Hasher> hasher = CreateHasher(kSha256);
    HashResult result;
    HashInPairedReads(noRead, *hasher, first, kMiB, {}, buffers, result);
    CloseHandle(noRead);
    EXPECT_EQ(result.error, static_cast<std::uint32_t>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(result.bytesHashed, kMiB);
    EXPECT_FALSE(result.cancelled);
}

TEST(HashFile, AFileAppendedToWhileReadIsReportedChangedWithDigests) {
    TempFolder folder;
    const Bytes content = RandomBytes(3 * kMiB, 5);
    const std::wstring path = folder.Write(L"growing", content);
    HashOptions options;
    bool appended = false;
    options.progress = [&](std::uint64_t) {
        if (appended) return;
        appended = true;
        const HANDLE writer = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
        DWORD written = 0;
        WriteFile(writer, "more", 4, &written, nullptr);
        CloseHandle(writer);
    };
    const HashResult result = HashFile(path, MaskOf(kSha256), options);
    ASSERT_EQ(result.error, 0u);
    EXPECT_TRUE(result.changed);
    EXPECT_TRUE(result.digests[kSha256].present);
}

TEST(HashHandle, APipeEndsCleanlyWhenItsWriterCloses) {
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 65536));
    const Bytes content = RandomBytes(3 * kMiB + 5, 6);
    std::thread writer([&] {
        std::size_t offset = 0;
        while (offset < content.size()) {
            DWORD written = 0;
            const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(content.size() - offset, 40000));
            if (!WriteFile(writeEnd, content.data() + offset, piece, &written, nullptr)) break;
            offset += written;
        }
        CloseHandle(writeEnd);
    });
    const AlgorithmMask mask = MaskOf(kSha256) | MaskOf(kXxh64);
    const HashResult result = HashHandle(readEnd, mask, {});
    writer.join();
    CloseHandle(readEnd);
    ExpectDigestsOf(result, mask, content);
}

// A short read that reaches the expected size ends the input at once: on a
// pipe whose writer stays open, a further read would wait for ever. A size
// that is wrong only costs that further read.
TEST(ReadBlock, AShortReadReachingTheExpectedSizeIsTheEnd) {
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 65536));
    const Bytes content = RandomBytes(1000, 10);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(writeEnd, content.data(), 1000, &written, nullptr));
    BlockBuffers buffers;
    Block block;
    block.data = buffers.Get(0, kMiB);
    auto read = std::async(std::launch::async, [&] { return ReadBlock(readEnd, block, kMiB, 1000); });
    const bool returned = read.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    CloseHandle(writeEnd);
    const ReadOutcome outcome = read.get();
    CloseHandle(readEnd);
    ASSERT_TRUE(returned);
    EXPECT_TRUE(outcome.endOfInput && block.last);
    EXPECT_EQ(block.length, 1000u);

    TempFolder folder;
    const Bytes longer = RandomBytes(3000, 11);
    const std::wstring path = folder.Write(L"grew", longer);
    HashOptions options;
    options.expectedSize = 1000;
    ExpectDigestsOf(HashFile(path, MaskOf(kSha256), options), MaskOf(kSha256), longer);
    options.expectedSize = 5000;
    ExpectDigestsOf(HashFile(path, MaskOf(kSha256), options), MaskOf(kSha256), longer);
}

TEST(HashFile, LongPathsAndNonAsciiNamesHashLikeAnyOther) {
    TempFolder folder;
    std::wstring relative;
    for (int i = 0; i < 12; ++i) relative += L"folder-with-a-rather-long-name-" + std::to_wstring(i) + L"\\";
    relative += L"Gr\x00FC\x00DF" L"e-\x65E5\x672C.txt";
    const Bytes content = RandomBytes(kMiB + 17, 8);
    const std::wstring path = folder.Write(relative, content);
    ASSERT_GT(path.size(), 260u);
    ExpectDigestsOf(HashFile(path, MaskOf(kSha1) | MaskOf(kCrc32), {}), MaskOf(kSha1) | MaskOf(kCrc32), content);
}

TEST(ReadBlock, FillsWholeBlocksAndMarksTheEnd) {
    TempFolder folder;
    const std::wstring path = folder.Write(L"data", RandomBytes(10, 9));
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    BlockBuffers buffers;
    Block block;
    block.data = buffers.Get(0, 8);
    ReadOutcome outcome = ReadBlock(file, block, 8);
    EXPECT_FALSE(outcome.endOfInput);
    EXPECT_EQ(block.length, 8u);
    EXPECT_FALSE(block.last);
    outcome = ReadBlock(file, block, 8);
    EXPECT_TRUE(outcome.endOfInput);
    EXPECT_EQ(block.length, 2u);
    EXPECT_TRUE(block.last);
    outcome = ReadBlock(file, block, 0);
    EXPECT_FALSE(outcome.endOfInput);
    EXPECT_EQ(block.length, 0u);
    EXPECT_FALSE(block.last);
    CloseHandle(file);
}

}  // namespace
}  // namespace vms
