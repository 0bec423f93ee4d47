#include "engine/paired_reads.h"

#include "engine/hashers/crc32.h"
#include "engine/sync.h"

#include <mutex>
#include <system_error>
#include <thread>

namespace vms {
namespace {

// Fills data with up to blockSize bytes from offset; fewer only at the end of
// the file. A read at or past the end gives 0 bytes.
DWORD ReadAt(HANDLE file, std::uint64_t offset, std::uint8_t* data, std::uint32_t blockSize, std::uint32_t& length) {
    length = 0;
    while (length < blockSize) {
        const std::uint64_t position = offset + length;
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD read = 0;
        if (!ReadFile(file, data + length, blockSize - length, &read, &at)) {
            const DWORD error = GetLastError();
            return error == ERROR_HANDLE_EOF ? 0 : error;
        }
        if (read == 0) break;
        length += read;
    }
    return 0;
}

// The turn order between the two threads. The mutex guards every member; the
// hasher belongs to the thread whose block is next, and only until it counts
// that block done.
class Turns {
public:
    Turns(HANDLE file, Hasher& hasher, std::uint32_t blockSize)
        : file_(file), hasher_(hasher), blockSize_(blockSize) {}

    // Hashes a block already read as block number `index` when its turn comes.
    void Take(std::uint64_t index, const std::uint8_t* data, std::uint32_t length, DWORD readError) {
        std::unique_lock lock(mutex_);
        turnTaken_.Wait(mutex_, [&] { return over_ || next_ == index; });
        if (over_) return;
        if (readError != 0) {
            error_ = readError;
            EndLocked(lock);
            return;
        }
        lock.unlock();
        if (length != 0) hasher_.Update(data, length);
        lock.lock();
        bytesHashed_ += length;
        ++next_;
        // A block short of full is the end of the file.
        if (length < blockSize_) over_ = true;
        lock.unlock();
        turnTaken_.NotifyAll();
    }

    // Reads and hashes blocks first, first + step, ... until the run is over.
    // onTurn runs after each block this thread hashed; it returns false to
    // cancel.
    template <typename OnTurn>
    void Run(std::uint64_t first, std::uint64_t step, std::uint8_t* buffer, OnTurn onTurn) {
        for (std::uint64_t index = first; !Over(); index += step) {
            std::uint32_t length = 0;
            const DWORD error = ReadAt(file_, index * blockSize_, buffer, blockSize_, length);
            Take(index, buffer, length, error);
            if (!onTurn()) {
                Cancel();
                return;
            }
        }
    }

    void Cancel() {
        std::unique_lock lock(mutex_);
        if (over_) return;
        cancelled_ = true;
        EndLocked(lock);
    }

    // Ends the run where it stands; a thread waiting for its turn returns.
    void End() {
        std::unique_lock lock(mutex_);
        EndLocked(lock);
    }

    bool Over() {
        std::lock_guard lock(mutex_);
        return over_;
    }

    std::uint64_t BytesHashed() {
        std::lock_guard lock(mutex_);
        return bytesHashed_;
    }

    void StoreOutcome(HashResult& result) {
        std::lock_guard lock(mutex_);
        result.bytesHashed = bytesHashed_;
        result.error = error_;
        result.cancelled = cancelled_;
    }

private:
    void EndLocked(std::unique_lock<SlimLock>& lock) {
        over_ = true;
        lock.unlock();
        turnTaken_.NotifyAll();
    }

    const HANDLE file_;
    Hasher& hasher_;
    const std::uint32_t blockSize_;
    SlimLock mutex_;
    ConditionVariable turnTaken_;
    std::uint64_t next_ = 0;  // the block whose turn it is
    bool over_ = false;       // the end, a read error or a cancel: no turn follows
    std::uint64_t bytesHashed_ = 0;
    DWORD error_ = 0;
    bool cancelled_ = false;
};

// The second thread, which reads the odd blocks. Leaving scope ends the run
// (when the caller leaves early) and joins it.
class PairedThread {
public:
    PairedThread(Turns& turns, std::uint8_t* buffer) : turns_(turns) {
        if (std::thread::hardware_concurrency() < 2) return;
        try {
            thread_ = std::thread([&turns, buffer] { turns.Run(1, 2, buffer, [] { return true; }); });
        } catch (const std::system_error&) {
            // The calling thread then reads every block itself.
        }
    }
    ~PairedThread() {
        if (!thread_.joinable()) return;
        turns_.End();
        thread_.join();
    }
    PairedThread(const PairedThread&) = delete;
    PairedThread& operator=(const PairedThread&) = delete;

    bool Running() const { return thread_.joinable(); }

private:
    Turns& turns_;
    std::thread thread_;
};

}  // namespace

bool OutpacesReading(AlgorithmId id) {
    switch (id) {
    case kCrc32:
        return hashers::BestCrc32Kernel() != hashers::Crc32Kernel::Tables;
    case kXxh64:
    case kXxh3_64:
    case kXxh128:
        return true;
    default:
        return false;
    }
}

void HashInPairedReads(HANDLE file, Hasher& hasher, const Block& first, std::uint32_t blockSize,
                       const HashOptions& options, BlockBuffers& buffers, HashResult& result) {
    Turns turns(file, hasher, blockSize);
    std::uint64_t reported = first.length;
    const auto report = [&](std::uint64_t bytes) {
        if (options.progress && bytes != reported) options.progress(bytes);
        reported = bytes;
    };
    const auto onTurn = [&] {
        report(turns.BytesHashed());
        return !(options.cancel && options.cancel->load(std::memory_order_relaxed));
    };
    {
        PairedThread second(turns, buffers.Get(1, blockSize));
        turns.Take(0, first.data, first.length, 0);
        if (second.Running()) {
            turns.Run(2, 2, first.data, onTurn);
        } else {
            turns.Run(1, 1, first.data, onTurn);
        }
    }
    turns.StoreOutcome(result);
    if (result.error == 0 && !result.cancelled) report(result.bytesHashed);
}

}  // namespace vms
