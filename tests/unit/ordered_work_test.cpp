// Pieces run side by side as their devices allow and come back in order,
// whatever order they finish in; the thread budget keeps within the cores.
#include "engine/file_batch.h"
#include "engine/ordered_work.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>

namespace vms {
namespace {

using namespace std::chrono_literals;

FileConcurrency Forced(unsigned jobs, unsigned cores) {
    return FileConcurrency(jobs, [](const std::wstring&) { return DeviceClass{L"unused", 1}; }, cores);
}

// What the pieces of one run saw: how many ran at once, on each device and in all.
struct Observed {
    std::mutex mutex;
    std::map<std::wstring, unsigned> running, most;
    unsigned total = 0, mostTotal = 0;
    bool devicesOverlapped = false;

    void Enter(const std::wstring& key) {
        std::lock_guard lock(mutex);
        most[key] = std::max(most[key], ++running[key]);
        mostTotal = std::max(mostTotal, ++total);
        devicesOverlapped |= std::ranges::count_if(running, [](const auto& device) { return device.second > 0; }) > 1;
    }
    void Leave(const std::wstring& key) {
        std::lock_guard lock(mutex);
        --running[key];
        --total;
    }
};

TEST(RunInOrder, PiecesWithRandomDelaysAreDeliveredInOrderAfterTheyFinish) {
    for (unsigned jobs : {1u, 2u, 4u}) {
        for (int round = 0; round < 20; ++round) {
            std::mt19937 random(jobs * 100 + round);
            constexpr std::size_t kPieces = 40;
            std::vector<int> delays(kPieces);
            for (int& delay : delays) delay = static_cast<int>(random() % 4);
            FileConcurrency concurrency = Forced(jobs, 4);
            const std::vector<DeviceClass> classes(kPieces, concurrency.ClassOf(L"x"));
            std::vector<std::atomic<bool>> finished(kPieces);
            std::vector<std::size_t> delivered;
            Observed observed;
            RunInOrder(
                concurrency, classes,
                [&](const WorkSlot& slot) {
                    observed.Enter(L"");
                    std::this_thread::sleep_for(std::chrono::milliseconds(delays[slot.Index()]));
                    finished[slot.Index()] = true;
                    observed.Leave(L"");
                },
                [&](std::size_t index) {
                    EXPECT_TRUE(finished[index]);
                    delivered.push_back(index);
                },
                {});
            ASSERT_EQ(delivered.size(), kPieces);
            EXPECT_TRUE(std::ranges::is_sorted(delivered)) << "jobs " << jobs << ", round " << round;
            EXPECT_LE(observed.mostTotal, jobs);
        }
    }
}

TEST(RunInOrder, EachDeviceKeepsItsLimitWhileDevicesRunSideBySide) {
    FileConcurrency concurrency(0, [](const std::wstring& path) {
        return path.starts_with(L"hdd") ? DeviceClass{L"disk:0", 1} : DeviceClass{L"disk:1", 2};
    }, 4);
    std::vector<DeviceClass> classes;
    for (int i = 0; i < 30; ++i) classes.push_back(concurrency.ClassOf(i % 3 == 0 ? L"hdd" : L"ssd"));
    Observed observed;
    std::size_t next = 0;
    RunInOrder(
        concurrency, classes,
        [&](const WorkSlot& slot) {
            observed.Enter(classes[slot.Index()].key);
            std::this_thread::sleep_for(5ms);
            observed.Leave(classes[slot.Index()].key);
        },
        [&](std::size_t index) { EXPECT_EQ(index, next++); },
        {});
    EXPECT_EQ(next, classes.size());
    EXPECT_EQ(observed.most[L"disk:0"], 1u);
    EXPECT_EQ(observed.most[L"disk:1"], 2u);
    EXPECT_TRUE(observed.devicesOverlapped);
}

TEST(RunInOrder, ASlowFirstPieceHoldsBackNoMoreThanTheWindow) {
    FileConcurrency concurrency = Forced(2, 2);
    const std::vector<DeviceClass> classes(kOrderWindow * 3, concurrency.ClassOf(L"x"));
    std::atomic<bool> firstDone{false};
    std::atomic<std::size_t> furthestWhileFirstRan{0};
    std::vector<InFlight> seen;
    RunInOrder(
        concurrency, classes,
        [&](const WorkSlot& slot) {
            if (slot.Index() == 0) {
                slot.Report(7);
                std::this_thread::sleep_for(400ms);
                firstDone = true;
            } else if (!firstDone) {
                std::size_t furthest = furthestWhileFirstRan;
                while (slot.Index() > furthest && !furthestWhileFirstRan.compare_exchange_weak(furthest, slot.Index())) {
                }
            }
        },
        [](std::size_t) {},
        [&](std::span<const InFlight> inFlight) {
            if (seen.empty() && !inFlight.empty()) seen.assign(inFlight.begin(), inFlight.end());
        });
    EXPECT_EQ(furthestWhileFirstRan, kOrderWindow - 1);
    // The tick saw the first piece in flight with what it reported.
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front().index, 0u);
    EXPECT_EQ(seen.front().bytes, 7u);
}

TEST(RunInOrder, AFailureInAPieceStopsTheRunAndIsThrownOnTheCallingThread) {
    for (unsigned jobs : {1u, 3u}) {
        FileConcurrency concurrency = Forced(jobs, 4);
        const std::vector<DeviceClass> classes(50, concurrency.ClassOf(L"x"));
        std::atomic<int> ran{0};
        std::size_t delivered = 0;
        EXPECT_THROW(RunInOrder(
                         concurrency, classes,
                         [&](const WorkSlot& slot) {
                             ++ran;
                             if (slot.Index() == 5) throw std::runtime_error("read failed");
                         },
                         [&](std::size_t) { ++delivered; }, {}),
                     std::runtime_error);
        EXPECT_EQ(delivered, 5u);
        EXPECT_LT(ran, 50);
    }
}

TEST(FileConcurrency, ThreadsPerFileShareTheCoresAndAFileAloneKeepsThemAll) {
    FileConcurrency forced = Forced(2, 8);
    EXPECT_EQ(forced.Workers(), 2u);
    forced.Expect(forced.ClassOf(L"a"));
    EXPECT_EQ(forced.Start(forced.ClassOf(L"a")), 4u);
    EXPECT_EQ(Forced(16, 4).Workers(), 4u);  // never more files than cores

    FileConcurrency automatic(0, [](const std::wstring& path) { return DeviceClass{path, path == L"ssd" ? 4u : 1u}; },
                              8);
    const DeviceClass hdd = automatic.ClassOf(L"hdd");
    automatic.Expect(hdd);
    EXPECT_EQ(automatic.Capacity(), 1u);
    EXPECT_EQ(automatic.Start(hdd), 0u);  // alone: every core, as one file at a time has
    EXPECT_FALSE(automatic.CanStart(hdd));
    const DeviceClass ssd = automatic.ClassOf(L"ssd");
    EXPECT_TRUE(automatic.CanStart(ssd));
    EXPECT_EQ(automatic.Start(ssd), 1u);  // 5 files may run: 8 cores / 5
    automatic.Finish(hdd);
    EXPECT_TRUE(automatic.CanStart(hdd));
}

TEST(HashBatch, ResultsMatchOneFileAtATimeWithErrorsInPlace) {
    testing::TempFolder folder;
    std::vector<BatchFile> files;
    std::mt19937 random(7);
    for (int i = 0; i < 24; ++i) {
        std::vector<std::uint8_t> bytes(random() % 3000000);
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
        files.push_back({folder.Write(L"f" + std::to_wstring(i), bytes), MaskOf(kSha256) | MaskOf(kCrc32), bytes.size()});
        if (i % 7 == 3) files.push_back({(folder.Path() / L"missing").wstring(), MaskOf(kSha256)});
    }
    const auto digests = [&](unsigned jobs) {
        std::vector<std::string> lines;
        HashBatch(files, {jobs, {}}, [&](std::size_t index, const HashResult& result) {
            EXPECT_EQ(index, lines.size());
            lines.push_back(std::to_string(result.error) + " " + DigestToHex(result.digests[kSha256].digest, false) +
                            " " + DigestToHex(result.digests[kCrc32].digest, false));
        });
        return lines;
    };
    const std::vector<std::string> oneAtATime = digests(1);
    ASSERT_EQ(oneAtATime.size(), files.size());
    EXPECT_EQ(oneAtATime[4].substr(0, 2), "2 ");  // ERROR_FILE_NOT_FOUND in its place
    EXPECT_EQ(digests(2), oneAtATime);
    EXPECT_EQ(digests(4), oneAtATime);
}

}  // namespace
}  // namespace vms
