// What the Hash Text dialog computes: the bytes of a typed text under the
// chosen encoding and line-break convention, and the digest lines.
#pragma once

#include "engine/algorithms.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace app {

enum class TextEncoding { Utf8 = 0, Utf16Le = 1 };
enum class LineBreaks { Windows = 0, Unix = 1 };

// The edit box's text (CR LF line breaks) as bytes, with a final line break when asked.
std::vector<std::uint8_t> TextBytes(std::wstring_view text, TextEncoding encoding, LineBreaks breaks, bool finalBreak);

// "SHA-256:\t<hex>" lines for the algorithms in table order, a blank line and the byte count.
std::wstring HashTextResult(const std::vector<std::uint8_t>& bytes, vms::AlgorithmMask algorithms, bool upper);

// The digest lines of a result, without the byte count.
std::wstring DigestLinesOf(const std::wstring& result);

}  // namespace app
