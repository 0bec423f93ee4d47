// OpenPGP's multiprecision integers: a two-octet bit count, then the
// big-endian value with no leading zero bits.
#pragma once

#include "signatures/common/byte_reader.h"

#include <bit>
#include <vector>

namespace vms {

// The value's bytes; false (and the reader failed) when the value is cut off
// or its bit count doesn't match its leading octet.
inline bool ReadMpi(ByteReader& reader, std::vector<std::uint8_t>& value) {
    const std::size_t bits = reader.Number16();
    const ByteSpan bytes = reader.Take((bits + 7) / 8);
    if (reader.Failed()) return false;
    if (!bytes.empty() && static_cast<std::size_t>(std::bit_width(bytes[0])) != bits - 8 * (bytes.size() - 1)) {
        reader.Fail();
        return false;
    }
    value.assign(bytes.begin(), bytes.end());
    return true;
}

}  // namespace vms
