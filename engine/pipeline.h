// Reads a file or an open input once, in blocks, and hashes it with any set of
// algorithms in parallel when the input is longer than one block: hashing
// threads, one per algorithm up to the cores besides the calling thread's,
// take the blocks algorithm by algorithm, and the calling thread reads and
// hashes while the ring is full. One fast algorithm over a disk file is read by
// two threads taking turns instead (paired_reads.h).
#pragma once

#include "engine/algorithms.h"
#include "engine/digest.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vms {

// One algorithm reads in large blocks: under Wine every read has a cost of its
// own. Several algorithms share smaller ones, which stay in a core's cache
// while each hasher passes over them (measured: ten algorithms on a cached
// 1 GiB file, 11.4 s with 256 KiB blocks against 13.2 s with 1 MiB).
inline constexpr std::uint32_t kDefaultBlockSize = 0x100000;
inline constexpr std::uint32_t kSharedBlockSize = 0x40000;
inline constexpr std::size_t kRingSize = 4;
inline constexpr std::uint64_t kUnknownSize = ~std::uint64_t{0};

// The read buffers of the block ring, kept by a caller that hashes many files
// one after another. Under Wine a read into memory no read has touched yet
// first touches every page of the buffer: for a small file in a fresh 1 MiB
// block that costs ten times the read itself. Used by one call at a time.
class BlockBuffers {
public:
    // Buffer index (0 to 3) of at least blockSize bytes, allocated on first use.
    std::uint8_t* Get(std::size_t index, std::uint32_t blockSize);

private:
    std::array<std::unique_ptr<std::uint8_t[]>, kRingSize> buffers_;
    std::array<std::uint32_t, kRingSize> sizes_{};
};

struct HashOptions {
    // When it points to true, hashing stops at the next check. Any thread may set it.
    const std::atomic<bool>* cancel = nullptr;
    // Called on the calling thread with the cumulative number of bytes read.
    std::function<void(std::uint64_t)> progress;
    // 0: kDefaultBlockSize for one algorithm, kSharedBlockSize for several.
    std::uint32_t blockSize = 0;
    // Buffers to reuse; when null, the call allocates and frees its own.
    BlockBuffers* buffers = nullptr;
    // The file's size as the caller last saw it (a folder listing, say). A
    // read that reaches it short of a full block is taken as the end, which
    // spares a small file the second read that would only find the end. A
    // file that is longer when read is still read to its end.
    std::uint64_t expectedSize = kUnknownSize;
    // The threads this call may keep busy, its own included: a share of the
    // cores when several files are hashed at once. 0: every core.
    std::uint32_t threads = 0;
};

// One entry per algorithm, indexed by AlgorithmId.
using DigestSet = std::array<DigestEntry, kAlgorithmCount>;

struct HashResult {
    DigestSet digests{};
    std::uint64_t bytesHashed = 0;
    std::uint32_t error = 0;  // a Windows error code
    bool cancelled = false;
    bool changed = false;     // size or write time moved while the file was read
};

// One slot of the read ring.
struct Block {
    std::uint8_t* data = nullptr;  // blockSize bytes, owned by BlockBuffers
    std::uint32_t length = 0;
    bool last = false;         // nothing follows: end of input or a read error
    std::uint32_t pending = 0; // algorithms that have not hashed it yet
};

struct ReadOutcome {
    bool endOfInput = false;
    std::uint32_t error = 0;
};

// Hashes the file at path (any form; opened through its extended-length form)
// and tells whether it changed while it was read. Digests are present only
// when error is 0 and the run was not cancelled. Errors: the open's or read's
// code, ERROR_DIRECTORY for a folder, ERROR_NOT_SUPPORTED when a hasher cannot
// be created. Throws only std::bad_alloc, or std::system_error when a thread
// cannot be started.
HashResult HashFile(const std::wstring& path, AlgorithmMask algorithms, const HashOptions& options);

// The same for an input that is already open (standard input, say); the handle
// stays open and belongs to the caller. No change detection.
HashResult HashHandle(HANDLE input, AlgorithmMask algorithms, const HashOptions& options);

// Fills block.data up to blockSize bytes unless the input ends first. A broken
// pipe or end-of-file error counts as the end of input; other errors are
// returned with the bytes read so far kept in the block. expectedRest is what
// the input's size says is left to read: a short read that reaches it ends the
// input without a further read.
ReadOutcome ReadBlock(HANDLE input, Block& block, std::uint32_t blockSize, std::uint64_t expectedRest = kUnknownSize);

}  // namespace vms
