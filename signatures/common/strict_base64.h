// Base64 read strictly, for signature formats where each value has exactly one
// written form: checksums' DecodeBase64 is lenient on purpose (blanks, the URL
// alphabet, missing padding) and would let two texts stand for one signature.
#pragma once

#include "signatures/common/byte_reader.h"

#include <optional>
#include <string>
#include <string_view>

namespace vms {

// RFC 4648's standard alphabet, "=" padding to a multiple of four characters
// and the unused bits of the last character zero; nothing else, not even a
// line end. Empty text is refused.
std::optional<Bytes> DecodeStrictBase64(std::string_view text);

// A character's value in the standard alphabet, 0 to 63; -1 for any other.
int Base64Digit(char c);

// The standard alphabet with "=" padding, on one line: what DecodeStrictBase64 reads back.
std::string EncodeBase64(ByteSpan bytes);

}  // namespace vms
