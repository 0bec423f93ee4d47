// One algorithm over a file of its own, read by two threads that take turns:
// each reads every other block at its offset, so two copies out of the
// system's file cache run at once, and hashes its block as soon as the block
// before it is hashed. Each block is hashed by the thread that read it, while
// it is still in that core's cache.
//
// Measured under Wine on a cached 1 GiB file, whole runs: the copy of a read
// is the larger part of a fast algorithm's time (CRC32 hashes it in some 45 ms
// and the reads take some 100 ms), and in twenty alternate runs one reader
// feeding one hashing thread took a median of 203 ms (158 at best), the two
// threads in turns 178 ms (170 at best). An algorithm slower than the copy
// keeps the ring instead: there the hasher never waits for another thread to
// wake before its next block (MD5 and SHA-256 measured 2 to 3% slower in
// turns).
#pragma once

#include "engine/hasher.h"
#include "engine/pipeline.h"

#include <windows.h>

namespace vms {

// Whether the algorithm hashes a block faster than it is copied out of the
// file cache (some 10 GB/s): CRC32 by folding, and the xxHash family.
bool OutpacesReading(AlgorithmId id);

// Goes on from first, block 0 read at offset 0 and not hashed yet, which did
// not end the file. The handle is a disk file opened for synchronous reading.
// Hashes every block into hasher in order, adds them to result.bytesHashed,
// and sets result.error or result.cancelled when the run stops early.
// options.progress is called on the calling thread after each block it
// hashes and once more at the end. Throws only std::bad_alloc.
void HashInPairedReads(HANDLE file, Hasher& hasher, const Block& first, std::uint32_t blockSize,
                       const HashOptions& options, BlockBuffers& buffers, HashResult& result);

}  // namespace vms
