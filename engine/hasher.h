// One incremental interface over all fifteen digest algorithms.
#pragma once

#include "engine/algorithms.h"
#include "engine/digest.h"

#include <cstdint>
#include <memory>
#include <span>

namespace vms {

// Absorbs bytes with Update, then gives the digest once with Finish; there is
// no reset. A hasher is used by one thread at a time.
class Hasher {
public:
    virtual ~Hasher() = default;
    virtual void Update(const void* data, std::uint64_t length) = 0;
    virtual Digest Finish() = 0;
};

// A new hasher for the algorithm. Throws std::runtime_error with
// "unknown algorithm", "Windows cryptography provider unavailable" or
// "BCryptCreateHash failed"; std::bad_alloc when memory runs out.
std::unique_ptr<Hasher> CreateHasher(AlgorithmId id);

// The digest of a whole buffer in one call; throws as CreateHasher does.
Digest HashBytes(AlgorithmId id, std::span<const std::uint8_t> bytes);

}  // namespace vms
