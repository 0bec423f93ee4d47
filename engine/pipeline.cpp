#include "engine/pipeline.h"

#include "engine/hasher.h"
#include "engine/paired_reads.h"
#include "engine/sync.h"
#include "engine/text.h"
#include "engine/win_handles.h"

#include <algorithm>
#include <bit>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace vms {
namespace {

constexpr DWORD kReadAccess = SYNCHRONIZE | FILE_READ_ATTRIBUTES | FILE_READ_DATA;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// One algorithm's way through the blocks: they go to its hasher in order, on
// whichever thread takes the next one, never on two threads at once.
struct Stream {
    Hasher* hasher = nullptr;
    std::uint64_t consumed = 0;  // blocks hashed so far
    bool busy = false;           // a thread is hashing its next block
};

// The blocks and the bookkeeping one call shares between its reader and its
// hashing threads. The mutex guards published, stop, the streams and every
// pending count; block data is written only while its pending count is 0.
//
// There are fewer hashing threads than algorithms when the processor has
// fewer cores: each thread takes, block by block, the stream furthest behind
// that has a block ready, so the slowest algorithm is never left waiting while
// the faster ones share what is left. The reader hashes too while the ring is
// full, instead of only waiting for a free slot.
struct Ring {
    std::array<Block, kRingSize> blocks;
    std::vector<Stream> streams;
    SlimLock mutex;
    ConditionVariable workReady;  // a block was published, or the reader stopped
    ConditionVariable slotFree;   // a block's last consumer finished it
    std::uint64_t published = 0;
    bool stop = false;

    // Under the lock: how many streams have a block ready and no thread.
    std::size_t ReadyStreams() const {
        return std::count_if(streams.begin(), streams.end(),
                             [&](const Stream& stream) { return !stream.busy && stream.consumed < published; });
    }

    // Under the lock: the stream to hash next, or null when none has a block ready.
    Stream* NextTask() {
        Stream* next = nullptr;
        for (Stream& stream : streams) {
            if (stream.busy || stream.consumed == published) continue;
            if (!next || stream.consumed < next->consumed) next = &stream;
        }
        return next;
    }

    // Under the lock, which it lets go while the block is hashed.
    void Run(Stream& stream, std::unique_lock<SlimLock>& lock) {
        Block& block = blocks[stream.consumed % kRingSize];
        stream.busy = true;
        lock.unlock();
        if (block.length != 0) stream.hasher->Update(block.data, block.length);
        lock.lock();
        stream.busy = false;
        ++stream.consumed;
        if (--block.pending == 0) slotFree.NotifyOne();
        // This thread takes one ready stream next; a second one wants another thread.
        if (ReadyStreams() > 1) {
            workReady.NotifyOne();
            slotFree.NotifyOne();
        }
    }

    // Wakes one waiting thread for each stream with work.
    void Publish(Block& block) {
        std::size_t ready;
        {
            std::lock_guard lock(mutex);
            block.pending = static_cast<std::uint32_t>(streams.size());
            ++published;
            ready = ReadyStreams();
        }
        for (std::size_t i = 0; i < ready; ++i) workReady.NotifyOne();
    }

    // The reader's wait for a slot, hashing what it can meanwhile.
    void WaitUntilFree(const Block& block) {
        std::unique_lock lock(mutex);
        while (block.pending != 0) {
            if (Stream* stream = NextTask()) {
                Run(*stream, lock);
            } else {
                slotFree.Wait(mutex, [&] { return block.pending == 0 || NextTask() != nullptr; });
            }
        }
    }

    // The reader's wait for the last blocks, hashing what it can meanwhile:
    // without hashing threads it hashes them all.
    void Drain() {
        std::unique_lock lock(mutex);
        const auto finished = [&] {
            return std::ranges::all_of(streams, [&](const Stream& stream) { return stream.consumed == published; });
        };
        while (!finished()) {
            if (Stream* stream = NextTask()) {
                Run(*stream, lock);
            } else {
                slotFree.Wait(mutex, [&] { return finished() || NextTask() != nullptr; });
            }
        }
    }

    void Stop() {
        {
            std::lock_guard lock(mutex);
            stop = true;
        }
        workReady.NotifyAll();
    }
};

// A hashing thread: takes tasks until the reader has stopped and none is left.
// Blocks published before the stop are all hashed.
void HashBlocks(Ring& ring) {
    std::unique_lock lock(ring.mutex);
    for (;;) {
        Stream* stream = nullptr;
        ring.workReady.Wait(ring.mutex, [&] {
            stream = ring.NextTask();
            return stream != nullptr || ring.stop;
        });
        if (!stream) return;
        ring.Run(*stream, lock);
    }
}

// The threads a call may use, its own included.
std::size_t ThreadBudget(const HashOptions& options) {
    if (options.threads != 0) return options.threads;
    return std::max(1u, std::thread::hardware_concurrency());
}

// As many hashing threads as there are algorithms, but no more than the budget
// has besides the reader, and at least one; a budget of one thread starts none,
// and the reader hashes every block itself.
std::size_t HashingThreadCount(std::size_t algorithms, const HashOptions& options) {
    const std::size_t budget = ThreadBudget(options);
    if (options.threads == 1) return 0;
    return std::min(algorithms, std::max<std::size_t>(1, budget - 1));
}

// The hashing threads of one call. Leaving scope stops the ring and joins
// every thread started so far, also when starting a later one failed.
class HashingThreads {
public:
    explicit HashingThreads(Ring& ring) : ring_(ring) {}
    ~HashingThreads() { StopAndJoin(); }
    HashingThreads(const HashingThreads&) = delete;
    HashingThreads& operator=(const HashingThreads&) = delete;

    void Start(std::size_t count) {
        threads_.reserve(count);
        for (std::size_t i = 0; i < count; ++i) threads_.emplace_back(HashBlocks, std::ref(ring_));
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

// Makes the SHA-1 and SHA-2 hashers, which have absorbed nothing yet, again
// from the fastest code the process has for them: only an input longer than
// one block pays for loading libgcrypt, which under Wine costs a small file
// more than it saves.
void UseFastestSha(AlgorithmMask algorithms, std::vector<std::unique_ptr<Hasher>>& hashers) {
    const std::vector<AlgorithmId> ids = AlgorithmsInMask(algorithms);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if ((MaskOf(ids[i]) & kShaSourceAlgorithms) == 0) continue;
        try {
            hashers[i] = CreateHasher(ids[i], ShaSource::Fastest);
        } catch (const std::runtime_error&) {
            // The one made first, which works, goes on.
        }
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

// The last-write time and whether the handle is a folder, from the basic
// information class. Change detection reads it before and after the file is
// read, and the size only after: that size must equal the bytes read. Under
// Wine each of these queries costs a status and an attribute read, and the
// all-in-one GetFileInformationByHandle also asks the server for the volume
// serial number.
struct WriteStamp {
    std::int64_t lastWrite = 0;
    bool directory = false;
};

std::optional<WriteStamp> ReadWriteStamp(HANDLE file) {
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) return std::nullopt;
    return WriteStamp{basic.LastWriteTime.QuadPart, (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0};
}

std::optional<std::uint64_t> ReadSize(HANDLE file) {
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard)) return std::nullopt;
    return static_cast<std::uint64_t>(standard.EndOfFile.QuadPart);
}

}  // namespace

std::uint8_t* BlockBuffers::Get(std::size_t index, std::uint32_t blockSize) {
    if (!buffers_[index] || sizes_[index] < blockSize) {
        buffers_[index] = std::make_unique_for_overwrite<std::uint8_t[]>(blockSize);
        sizes_[index] = blockSize;
    }
    return buffers_[index].get();
}

ReadOutcome ReadBlock(HANDLE input, Block& block, std::uint32_t blockSize, std::uint64_t expectedRest) {
    block.length = 0;
    if (blockSize == 0) {
        block.last = false;
        return {};
    }
    for (;;) {
        const DWORD wanted = blockSize - block.length;
        DWORD read = 0;
        if (!ReadFile(input, block.data + block.length, wanted, &read, nullptr)) {
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
        // A short read that ends where the file's size said is its end: a
        // small file takes one read, not a second one that returns nothing.
        if (read < wanted && block.length == expectedRest) {
            block.last = true;
            return {true, 0};
        }
        if (block.length == blockSize) {
            block.last = false;
            return {};
        }
    }
}

namespace {

// ownFile: a file this module opened, at offset 0. When it is on disk, one
// fast algorithm reads it at offsets from two threads. Any other input is
// read in order. The file type is asked only for files longer than one block: under
// Wine each query is a call to the server.
HashResult HashInput(HANDLE input, AlgorithmMask algorithms, const HashOptions& options, bool ownFile) {
    const auto expectedRest = [&](std::uint64_t offset) {
        return options.expectedSize >= offset ? options.expectedSize - offset : kUnknownSize;
    };
    HashResult result;
    std::vector<std::unique_ptr<Hasher>> hashers;
    if (!CreateHashers(algorithms, hashers)) {
        result.error = ERROR_NOT_SUPPORTED;
        return result;
    }

    BlockBuffers ownBuffers;
    BlockBuffers& buffers = options.buffers ? *options.buffers : ownBuffers;
    Ring ring;
    const std::uint32_t blockSize = options.blockSize != 0 ? options.blockSize
                                    : hashers.size() > 1  ? kSharedBlockSize
                                                          : kDefaultBlockSize;
    ring.blocks[0].data = buffers.Get(0, blockSize);
    const ReadOutcome first = ReadBlock(input, ring.blocks[0], blockSize, expectedRest(0));
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
    UseFastestSha(algorithms, hashers);
    const bool oneFast = hashers.size() == 1 && OutpacesReading(static_cast<AlgorithmId>(std::countr_zero(algorithms)));
    if (ownFile && oneFast && ThreadBudget(options) > 1 && GetFileType(input) == FILE_TYPE_DISK) {
        HashInPairedReads(input, *hashers[0], ring.blocks[0], blockSize, options, buffers, result);
        if (result.error == 0 && !result.cancelled) StoreDigests(algorithms, hashers, result);
        return result;
    }

    for (std::size_t i = 1; i < kRingSize; ++i) ring.blocks[i].data = buffers.Get(i, blockSize);
    for (auto& hasher : hashers) ring.streams.push_back({hasher.get()});
    {
        HashingThreads threads(ring);
        threads.Start(HashingThreadCount(hashers.size(), options));
        ring.Publish(ring.blocks[0]);
        for (std::uint64_t k = 1;; ++k) {
            Block& block = ring.blocks[k % kRingSize];
            ring.WaitUntilFree(block);
            if (IsCancelled(options)) {
                result.cancelled = true;
                break;
            }
            const ReadOutcome outcome = ReadBlock(input, block, blockSize, expectedRest(result.bytesHashed));
            if (outcome.error != 0) {
                result.error = outcome.error;
                break;
            }
            result.bytesHashed += block.length;
            ring.Publish(block);
            if (options.progress) options.progress(result.bytesHashed);
            if (block.last) {
                ring.Drain();
                break;
            }
        }
        threads.StopAndJoin();
    }

    if (result.error == 0 && !result.cancelled) StoreDigests(algorithms, hashers, result);
    return result;
}

}  // namespace

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

    const std::optional<WriteStamp> before = ReadWriteStamp(file.Get());
    if (before && before->directory) {
        result.error = ERROR_DIRECTORY;
        return result;
    }

    result = HashInput(file.Get(), algorithms, options, true);
    if (result.error == 0 && !result.cancelled && before) {
        const std::optional<WriteStamp> after = ReadWriteStamp(file.Get());
        const std::optional<std::uint64_t> sizeAfter = ReadSize(file.Get());
        if (after && sizeAfter) {
            result.changed = result.bytesHashed != *sizeAfter || before->lastWrite != after->lastWrite;
        }
    }
    return result;
}

HashResult HashHandle(HANDLE input, AlgorithmMask algorithms, const HashOptions& options) {
    return HashInput(input, algorithms, options, false);
}

}  // namespace vms
