// How a signed document's bytes reach a check, whatever the format.
#pragma once

#include "signatures/common/byte_reader.h"

#include <functional>

namespace vms {

// Hands the signed file's bytes, in order, to sink; false when reading fails.
// Called at most once per check: every signature's digest is fed from that one read.
using DocumentReader = std::function<bool(const std::function<void(ByteSpan)>& sink)>;

}  // namespace vms
