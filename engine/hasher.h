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

// Where SHA-1 and SHA-2 come from: the system's CNG provider, libgcrypt (the
// DLL beside the programs), or whichever of the two this process found faster.
enum class ShaSource { System, Libgcrypt, Fastest };

// The algorithms a ShaSource applies to.
inline constexpr AlgorithmMask kShaSourceAlgorithms =
    MaskOf(kSha1) | MaskOf(kSha256) | MaskOf(kSha384) | MaskOf(kSha512);

// A new hasher for the algorithm; source matters only for SHA-1 and SHA-2.
// Fastest times both on its first use for each algorithm, which loads
// libgcrypt. Throws std::runtime_error with "unknown algorithm", "Windows
// cryptography provider unavailable", "BCryptCreateHash failed", "libgcrypt
// unavailable" or "gcry_md_open failed"; std::bad_alloc when memory runs out.
std::unique_ptr<Hasher> CreateHasher(AlgorithmId id, ShaSource source = ShaSource::System);

// The digest of a whole buffer in one call; throws as CreateHasher does.
Digest HashBytes(AlgorithmId id, std::span<const std::uint8_t> bytes);

}  // namespace vms
