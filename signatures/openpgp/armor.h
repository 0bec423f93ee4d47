// OpenPGP's ASCII armour: base64 between "-----BEGIN PGP ...-----" and
// "-----END PGP ...-----" lines, with an optional CRC-24 line that, when
// present, must match.
#pragma once

#include "engine/result.h"
#include "signatures/common/byte_reader.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vms {

struct ArmorBlock {
    std::string label;               // "PGP SIGNATURE", "PGP PUBLIC KEY BLOCK"...
    std::vector<std::uint8_t> bytes;
};

// The CRC-24 of RFC 4880 section 6.1.
std::uint32_t Crc24(ByteSpan bytes);

// True when the data is text with an armour header line: at its start, or
// after other text, as in a key pasted into a message.
bool LooksArmored(std::string_view text);

// The blocks in text order, or Malformed naming the first fault. Text with no
// block at all is Malformed too.
Result<std::vector<ArmorBlock>> Dearmor(std::string_view text);

// One block with "-----BEGIN label-----", 64-character lines, the CRC line
// and LF line ends.
std::string Armor(std::string_view label, ByteSpan bytes);

}  // namespace vms
