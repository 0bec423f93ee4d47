// The code that hashes SHA-1 and SHA-2 fastest in this process, the system's
// CNG provider or libgcrypt, found by timing both: which one wins depends on
// the processor's extensions and on the system (under Wine here, libgcrypt's
// SHA-256 ran 1,734 MB/s against CNG's 292; Windows' own CNG has SHA kernels).
#pragma once

#include "engine/hasher.h"

namespace vms::hashers {

// ShaSource::System or ShaSource::Libgcrypt for SHA-1, SHA-256, SHA-384 or
// SHA-512: the one that hashed the same buffer in memory faster, or the only
// one that could make a hasher. System when neither could, so CreateHasher
// gives the provider's error. Chosen on the first call for each algorithm and
// kept for the life of the process; thread-safe.
ShaSource FastestShaSource(AlgorithmId id);

}  // namespace vms::hashers
