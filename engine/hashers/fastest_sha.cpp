#include "engine/hashers/fastest_sha.h"

#include "engine/hashers/hashers.h"

#include <windows.h>

#include <optional>
#include <stdexcept>
#include <vector>

namespace vms::hashers {
namespace {

// Large enough that a round is mostly hashing, small enough that the choice
// costs a few milliseconds even at the slower rate. The best of three rounds
// leaves out the first one's page faults and cold caches.
constexpr std::size_t kSampleSize = 0x40000;
constexpr int kRounds = 3;

using Maker = std::unique_ptr<Hasher> (*)(AlgorithmId);

// The fastest round over the sample, in performance-counter ticks; none when
// the maker can't make a hasher.
std::optional<LONGLONG> BestTicks(Maker make, AlgorithmId id, const std::vector<std::uint8_t>& sample) {
    std::optional<LONGLONG> best;
    for (int round = 0; round < kRounds; ++round) {
        std::unique_ptr<Hasher> hasher;
        try {
            hasher = make(id);
        } catch (const std::runtime_error&) {
            return std::nullopt;
        }
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        hasher->Update(sample.data(), sample.size());
        hasher->Finish();
        QueryPerformanceCounter(&end);
        const LONGLONG ticks = end.QuadPart - start.QuadPart;
        if (!best || ticks < *best) best = ticks;
    }
    return best;
}

ShaSource Choose(AlgorithmId id) {
    const std::vector<std::uint8_t> sample(kSampleSize);
    const std::optional<LONGLONG> system = BestTicks(MakeCng, id, sample);
    const std::optional<LONGLONG> library = BestTicks(MakeGcrypt, id, sample);
    if (library && (!system || *library < *system)) return ShaSource::Libgcrypt;
    return ShaSource::System;
}

// One choice per algorithm; a static's initialisation is thread-safe, and
// tried again by the next caller when it throws.
template <AlgorithmId id>
ShaSource Chosen() {
    static const ShaSource source = Choose(id);
    return source;
}

}  // namespace

ShaSource FastestShaSource(AlgorithmId id) {
    switch (id) {
    case kSha1: return Chosen<kSha1>();
    case kSha256: return Chosen<kSha256>();
    case kSha384: return Chosen<kSha384>();
    case kSha512: return Chosen<kSha512>();
    default: return ShaSource::System;
    }
}

}  // namespace vms::hashers
