// minisign and signify public keys: "Ed", an 8-byte key ID and a 32-byte
// Ed25519 key, in base64, as a .pub file, as the bare string projects print,
// or as Tauri's base64 of a whole .pub file.
#pragma once

#include "engine/result.h"
#include "signatures/common/byte_reader.h"

#include <array>
#include <cstdint>
#include <string>

namespace vms {

// A key file is two short lines; anything larger isn't one.
inline constexpr std::size_t kMaxMinisignKeySize = 4 * 1024;

struct MinisignKey {
    std::array<std::uint8_t, 8> keyId{};
    std::array<std::uint8_t, 32> publicKey{};
    std::string comment;  // the untrusted comment as written, for display only; empty for a bare key
};

// A .pub file of minisign or signify ("untrusted comment: ..." then the key
// line), the key line alone with blanks around it, or Tauri's base64 of a .pub
// file; or Malformed saying what is wrong. CR LF line ends are accepted.
Result<MinisignKey> ParseMinisignKey(ByteSpan text);

// The key ID as minisign prints it ("minisign public key E7620F1842B4E81F",
// "Signature key id in ... is ..."): its bytes read as a little-endian number,
// in upper-case hexadecimal digits without leading zeros. Checked against
// minisign 0.11's output: the key 1F E8 B4 42 18 0F 62 E7 prints as
// E7620F1842B4E81F, and a key whose last byte is 00 with fifteen digits.
std::string FormatMinisignKeyId(const std::array<std::uint8_t, 8>& keyId);

}  // namespace vms
