#include "engine/pipeline.h"

#include "engine/hasher.h"
#include "engine/sync.h"
#include "engine/text.h"
#include "engine/win_handles.h"

#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace vms {
namespace {

constexpr DWORD kReadAccess = SYNCHRONIZE | FILE_READ_ATTRIBUTES | FILE_READ_DATA;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The blocks and the bookkeeping one call shares between its reader and its
// hashing threads. The mutex guards published, stop and every pending count;
// block data is written only while its pending count is 0.
struct Ring {
    std::array<Block, kRingSize> blocks;
    SlimLock mutex;
    ConditionVariable dataReady;  // the reader published a block or stopped
    ConditionVariable slotFree;   // a block's last consumer finished it
    std::uint64_t published = 0;
    bool stop = false;

    void Publish(Block& block, std::uint32_t consumers) {
        {
            std::lock_guard lock(mutex);
            block.pending = consumers;
            ++published;
        }
        dataReady.NotifyAll();
    }

    void WaitUntilFree(const Block& block) {
        std::lock_guard lock(mutex);
        slotFree.Wait(mutex, [&] { return block.pending == 0; });
    }

    void Stop() {
        {
            std::lock_guard lock(mutex);
            stop = true;
        }
        dataReady.NotifyAll();
    }
};

// One hasher's thread: consumes every published block in order until the last
// one, or until the reader stops and nothing published is left.
void HashBlocks(Ring& ring, Hasher& hasher) {
    for (std::uint64_t consumed = 0;; ++consumed) {
        Block* block;
        {
            std::lock_guard lock(ring.mutex);
            ring.dataReady.Wait(ring.mutex, [&] { return ring.published > consumed || ring.stop; });
            if (ring.published <= consumed) return;
            block = &ring.blocks[consumed % kRingSize];
        }
        if (block->length != 0) hasher.Update(block->data, block->length);
        const bool last = block->last;
        bool freed;
        {
            std::lock_guard lock(ring.mutex);
            freed = --block->pending == 0;
        }
        if (freed) ring.slotFree.NotifyOne();
        if (last) return;
    }
}

// The hashing threads of one call. Leaving scope stops the ring and joins
// every thread started so far, also when starting a later one failed.
class HashingThreads {
public:
    explicit HashingThreads(Ring& ring) : ring_(ring) {}
    ~HashingThreads() { StopAndJoin(); }
    HashingThreads(const HashingThreads&) = delete;
    HashingThreads& operator=(const HashingThreads&) = delete;

    void Start(std::vector<std::unique_ptr<Hasher>>& hashers) {
        threads_.reserve(hashers.size());
        for (auto& hasher : hashers) threads_.emplace_back(HashBlocks, std::ref(ring_), std::ref(*hasher));
    }

    // Threads still finish every block published before the stop.
    void StopAndJoin() {
        ring_.Stop();
        for (std::thread& thread : threads_) {
            if (thread.joinable()) thread.join();
        }
    }

private:
    Ring& ring_;
    std::vector<std::thread> threads_;
};

bool CreateHashers(AlgorithmMask algorithms, std::vector<std::unique_ptr<Hasher>>& hashers) {
    try {
        for (AlgorithmId id : AlgorithmsInMask(algorithms)) hashers.push_back(CreateHasher(id));
        return true;
    } catch (const std::runtime_error&) {
        hashers.clear();
        return false;
    }
}

void StoreDigests(AlgorithmMask algorithms, std::vector<std::unique_ptr<Hasher>>& hashers, HashResult& result) {
    const std::vector<AlgorithmId> ids = AlgorithmsInMask(algorithms);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        result.digests[ids[i]] = {hashers[i]->Finish(), true};
    }
}

bool IsCancelled(const HashOptions& options) {
    return options.cancel && options.cancel->load(std::memory_order_relaxed);
}

// What change detection compares: size and last-write time, and whether the
// handle is a folder. Read with the basic and standard information classes:
// under Wine the all-in-one GetFileInformationByHandle also asks for the volume
// serial number, which costs a round trip of some 200 microseconds per call.
struct FileSnapshot {
    std::uint64_t size = 0;
    std::int64_t lastWrite = 0;
    bool directory = false;
};

std::optional<FileSnapshot> TakeSnapshot(HANDLE file) {
    FILE_BASIC_INFO basic;
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard)) {
        return std::nullopt;
    }
    return FileSnapshot{static_cast<std::uint64_t>(standard.EndOfFile.QuadPart), basic.LastWriteTime.QuadPart,
                        standard.Directory || (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)};
}

}  // namespace

std::uint8_t* BlockBuffers::Get(std::size_t index, std::uint32_t blockSize) {
    if (!buffers_[index] || sizes_[index] < blockSize) {
        buffers_[index] = std::make_unique_for_overwrite<std::uint8_t[]>(blockSize);
        sizes_[index] = blockSize;
    }
    return buffers_[index].get();
}

ReadOutcome ReadBlock(HANDLE input, Block& block, std::uint32_t blockSize) {
    block.length = 0;
    if (blockSize == 0) {
        block.last = false;
        return {};
    }
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(input, block.data + block.length, blockSize - block.length, &read, nullptr)) {
            const DWORD error = GetLastError();
            block.last = true;
            if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return {true, 0};
            return {false, error};
        }
        if (read == 0) {
            block.last = true;
            return {true, 0};
        }
        block.length += read;
        if (block.length == blockSize) {
            block.last = false;
            return {};
        }
    }
}

HashResult HashHandle(HANDLE input, AlgorithmMask algorithms, const HashOptions& options) {
    HashResult result;
    std::vector<std::unique_ptr<Hasher>> hashers;
    if (!CreateHashers(algorithms, hashers)) {
        result.error = ERROR_NOT_SUPPORTED;
        return result;
    }

    BlockBuffers ownBuffers;
    BlockBuffers& buffers = options.buffers ? *options.buffers : ownBuffers;
    Ring ring;
    ring.blocks[0].data = buffers.Get(0, options.blockSize);
    const ReadOutcome first = ReadBlock(input, ring.blocks[0], options.blockSize);
    result.bytesHashed = ring.blocks[0].length;
    if (first.error != 0) {
        result.error = first.error;
        return result;
    }
    if (options.progress) options.progress(result.bytesHashed);
    if (IsCancelled(options)) {
        result.cancelled = true;
        return result;
    }

    if (first.endOfInput) {
        // One block: hash it here, no thread needed.
        for (auto& hasher : hashers) hasher->Update(ring.blocks[0].data, ring.blocks[0].length);
        StoreDigests(algorithms, hashers, result);
        return result;
    }

    for (std::size_t i = 1; i < kRingSize; ++i) ring.blocks[i].data = buffers.Get(i, options.blockSize);
    const auto consumers = static_cast<std::uint32_t>(hashers.size());
    {
        HashingThreads threads(ring);
        threads.Start(hashers);
        ring.Publish(ring.blocks[0], consumers);
        for (std::uint64_t k = 1;; ++k) {
            Block& block = ring.blocks[k % kRingSize];
            ring.WaitUntilFree(block);
            if (IsCancelled(options)) {
                result.cancelled = true;
                break;
            }
            const ReadOutcome outcome = ReadBlock(input, block, options.blockSize);
            if (outcome.error != 0) {
                result.error = outcome.error;
                break;
            }
            result.bytesHashed += block.length;
            ring.Publish(block, consumers);
            if (options.progress) options.progress(result.bytesHashed);
            if (block.last) break;
        }
        threads.StopAndJoin();
    }

    if (result.error == 0 && !result.cancelled) StoreDigests(algorithms, hashers, result);
    return result;
}

HashResult HashFile(const std::wstring& path, AlgorithmMask algorithms, const HashOptions& options) {
    const std::wstring longPath = ToLongPath(path);
    const UniqueFile file(CreateFileW(longPath.c_str(), kReadAccess, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    HashResult result;
    if (!file.Valid()) {
        result.error = GetLastError();
        if (result.error == ERROR_ACCESS_DENIED) {
            const DWORD attributes = GetFileAttributesW(longPath.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                result.error = ERROR_DIRECTORY;
            }
        }
        return result;
    }

    const std::optional<FileSnapshot> before = TakeSnapshot(file.Get());
    if (before && before->directory) {
        result.error = ERROR_DIRECTORY;
        return result;
    }

    result = HashHandle(file.Get(), algorithms, options);
    if (result.error == 0 && !result.cancelled && before) {
        if (const auto after = TakeSnapshot(file.Get())) {
            result.changed = before->size != after->size || result.bytesHashed != after->size ||
                             before->lastWrite != after->lastWrite;
        }
    }
    return result;
}

}  // namespace vms
