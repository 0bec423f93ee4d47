// Many files hashed several at once where their devices allow it, with the
// results handed back in list order.
#pragma once

#include "engine/ordered_work.h"
#include "engine/pipeline.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>

namespace vms {

struct BatchFile {
    std::wstring path;
    AlgorithmMask algorithms = 0;
    std::uint64_t size = kUnknownSize;  // as the caller last saw it (HashOptions::expectedSize)
    HANDLE input = nullptr;             // an open input (standard input) hashed instead of path
};

struct BatchOptions {
    // Files at once: 0 by each file's device, otherwise that many on any
    // device, up to the cores. 1 hashes one file after another on the calling
    // thread, each with every core.
    unsigned jobs = 0;
    // On the calling thread, with the files in flight (indices into the batch).
    ProgressTick progress;
};

// Hashes every file and calls done(index, result) on the calling thread in
// list order. Throws what HashFile throws.
void HashBatch(std::span<const BatchFile> files, const BatchOptions& options,
               const std::function<void(std::size_t, const HashResult&)>& done);

}  // namespace vms
