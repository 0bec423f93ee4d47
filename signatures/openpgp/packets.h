// The OpenPGP packet layer: old and new header formats, every length form,
// partial lengths joined. Nothing is nested: compressed or other container
// packets come back as opaque bodies.
#pragma once

#include "signatures/common/byte_reader.h"

#include <cstdint>
#include <string>
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

// The packets in input order; on a damaged or truncated header, error names
// the fault and the packets read so far stay. At most kMaxPackets are read.
struct PacketList {
    std::vector<Packet> packets;
    std::string error;
};

inline constexpr std::size_t kMaxPackets = 100000;

PacketList ReadPackets(ByteSpan bytes);

}  // namespace vms
