// The text layout minisign and signify share: an "untrusted comment: " line,
// then base64 lines. Keys and signatures are both read with these.
#pragma once

#include "signatures/common/byte_reader.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vms {

inline constexpr std::string_view kUntrustedCommentPrefix = "untrusted comment: ";
inline constexpr std::string_view kTrustedCommentPrefix = "trusted comment: ";

// minisign writes trusted comments of up to about 4 KiB.
inline constexpr std::size_t kMaxCommentLength = 8 * 1024;
// Tauri's whole-file base64 of a signature or key; a real one is well under this.
inline constexpr std::size_t kMaxWrappedFileSize = 64 * 1024;

inline constexpr std::size_t kKeyIdSize = 8;
inline constexpr std::size_t kEd25519KeySize = 32;
inline constexpr std::size_t kEd25519SignatureSize = 64;

std::string_view AsText(ByteSpan bytes);

// Splits at LF. A CR before the LF, or at the very end, belongs to the line
// end, so CR LF files read as LF ones.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    std::optional<std::string_view> Next();
    // Where the next line starts; the text's size once every line was read.
    std::size_t Offset() const { return offset_; }
    // True when only empty lines are left.
    bool OnlyEmptyLinesLeft();

private:
    std::string_view text_;
    std::size_t offset_ = 0;
};

// A decoded base64 line of "Ed" or "ED", a key ID, then the key or signature.
struct KeyedValue {
    std::array<char, 2> algorithm{};
    std::array<std::uint8_t, kKeyIdSize> keyId{};
    Bytes value;
};

// The line decoded when it is strict base64 of exactly 2 + 8 + valueSize bytes.
std::optional<KeyedValue> DecodeKeyedValue(std::string_view line, std::size_t valueSize);

// The file that Tauri's form wraps: the whole text, less a final line end, is
// strict base64 of a text whose first line is an untrusted comment.
std::optional<std::string> UnwrapBase64File(std::string_view text);

}  // namespace vms
