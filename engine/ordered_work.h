// Numbered pieces of work (a file each) run on several threads as their
// devices allow, and handed back on the calling thread in number order: a
// piece is delivered once it and every piece before it are done. Output built
// in delivery is therefore the same, byte for byte, as one piece at a time
// would give.
#pragma once

#include "engine/file_concurrency.h"
#include "engine/pipeline.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace vms {

// A piece under way and how far it has gone, in bytes.
struct InFlight {
    std::size_t index = 0;
    std::uint64_t bytes = 0;
};

using ProgressTick = std::function<void(std::span<const InFlight>)>;

// What a piece of work is given.
class WorkSlot {
public:
    WorkSlot(std::size_t index, std::uint32_t threads, BlockBuffers& buffers, std::atomic<std::uint64_t>* bytes,
             const ProgressTick* tick)
        : index_(index), threads_(threads), buffers_(buffers), bytes_(bytes), tick_(tick) {}

    std::size_t Index() const { return index_; }
    // For HashOptions::threads: this piece's share of the cores.
    std::uint32_t Threads() const { return threads_; }
    // The running thread's read buffers.
    BlockBuffers& Buffers() const { return buffers_; }
    // Tells how many bytes the piece has read so far.
    void Report(std::uint64_t bytes) const;

private:
    std::size_t index_;
    std::uint32_t threads_;
    BlockBuffers& buffers_;
    std::atomic<std::uint64_t>* bytes_;  // a worker's counter, read by the calling thread
    const ProgressTick* tick_;           // when the piece runs on the calling thread
};

// How far a piece may start ahead of the oldest one not delivered yet: the
// results waiting for their turn stay few, whatever the number of pieces.
inline constexpr std::size_t kOrderWindow = 256;

// Runs work for every index of classes, each piece scheduled by its class,
// and calls deliver(index) on the calling thread in index order. A piece with
// index i starts only when i < (pieces delivered) + kOrderWindow, so results
// kept in a ring of kOrderWindow places by i % kOrderWindow never collide.
// tick is called on the calling thread with the pieces in flight, every
// tenth of a second or so, or at each report when one piece runs at a time.
// With one piece at a time everything runs on the calling thread. An
// exception in work or deliver stops the run and is thrown again here once
// every thread has ended.
void RunInOrder(FileConcurrency& concurrency, std::span<const DeviceClass> classes,
                const std::function<void(const WorkSlot&)>& work, const std::function<void(std::size_t)>& deliver,
                const ProgressTick& tick);

}  // namespace vms
