// The OpenPGP packet layer: old and new header formats, every length form,
// partial lengths joined. Nothing is nested: compressed or other container
// packets come back as opaque bodies.
#pragma once

#include "engine/result.h"
#include "signatures/common/byte_reader.h"

#include <cstdint>
#include <vector>

namespace vms {

enum class PacketTag : std::uint8_t {
    Signature = 2,
    SecretKey = 5,
    PublicKey = 6,
    SecretSubkey = 7,
    Compressed = 8,
    Marker = 10,
    Literal = 11,
    Trust = 12,
    UserId = 13,
    PublicSubkey = 14,
    UserAttribute = 17,
    Padding = 21,
};

struct Packet {
    PacketTag tag{};
    std::vector<std::uint8_t> body;
};

inline constexpr std::size_t kMaxPackets = 100000;

// The packets in input order, or Malformed naming the fault of a damaged or
// truncated header. At most kMaxPackets are read.
Result<std::vector<Packet>> ReadPackets(ByteSpan bytes);

}  // namespace vms
