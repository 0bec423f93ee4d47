#include "signatures/openpgp/packets.h"

#include <optional>

namespace vms {
namespace {

struct Length {
    std::size_t size = 0;
    bool partial = false;
};

// A new-format length; nothing when the length octets are cut off.
std::optional<Length> NewFormatLength(ByteReader& reader) {
    const std::uint8_t first = reader.Byte();
    if (first < 192) return Length{first, false};
    if (first < 224) return Length{((std::size_t{first} - 192) << 8) + reader.Byte() + 192, false};
    if (first == 255) return Length{reader.Number32(), false};
    return Length{std::size_t{1} << (first & 0x1F), true};
}

std::optional<Length> OldFormatLength(ByteReader& reader, std::uint8_t lengthType) {
    switch (lengthType) {
    case 0: return Length{reader.Byte(), false};
    case 1: return Length{reader.Number16(), false};
    case 2: return Length{reader.Number32(), false};
    default: return Length{reader.Left(), false};  // to the end of the input
    }
}

}  // namespace

Result<std::vector<Packet>> ReadPackets(ByteSpan bytes) {
    std::vector<Packet> packets;
    ByteReader reader(bytes);
    while (!reader.AtEnd()) {
        if (packets.size() == kMaxPackets) return MalformedError("too many packets");
        const std::uint8_t header = reader.Byte();
        if (!(header & 0x80)) return MalformedError("a packet header is invalid");
        const bool newFormat = header & 0x40;
        Packet packet;
        packet.tag = static_cast<PacketTag>(newFormat ? header & 0x3F : (header >> 2) & 0x0F);
        std::optional<Length> length = newFormat ? NewFormatLength(reader) : OldFormatLength(reader, header & 3);
        while (true) {
            if (reader.Failed() || !length || length->size > reader.Left()) {
                return MalformedError("a packet is longer than the data");
            }
            const ByteSpan part = reader.Take(length->size);
            packet.body.insert(packet.body.end(), part.begin(), part.end());
            if (!length->partial) break;
            length = NewFormatLength(reader);
        }
        if (static_cast<std::uint8_t>(packet.tag) == 0) return MalformedError("a packet has the reserved tag 0");
        packets.push_back(std::move(packet));
    }
    return packets;
}

}  // namespace vms
