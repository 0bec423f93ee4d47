#include "signatures/minisign/minisign_lines.h"

#include "signatures/common/strict_base64.h"

#include <algorithm>

namespace vms {
namespace {

// "untrusted comment:" is 18 bytes, so its base64 is these 24 characters at the
// start of any wrapped file: a cheap test before decoding.
constexpr std::string_view kWrappedPrefix = "dW50cnVzdGVkIGNvbW1lbnQ6";

}  // namespace

std::string_view AsText(ByteSpan bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

std::optional<std::string_view> LineReader::Next() {
    if (offset_ >= text_.size()) return std::nullopt;
    const std::size_t end = std::min(text_.find('\n', offset_), text_.size());
    std::string_view line = text_.substr(offset_, end - offset_);
    if (line.ends_with('\r')) line.remove_suffix(1);
    offset_ = std::min(end + 1, text_.size());
    return line;
}

bool LineReader::OnlyEmptyLinesLeft() {
    while (const auto line = Next()) {
        if (!line->empty()) return false;
    }
    return true;
}

std::optional<KeyedValue> DecodeKeyedValue(std::string_view line, std::size_t valueSize) {
    // Refused before decoding when longer than the value's base64 can be.
    if (line.size() > 4 * ((2 + kKeyIdSize + valueSize + 2) / 3)) return std::nullopt;
    const std::optional<Bytes> bytes = DecodeStrictBase64(line);
    if (!bytes || bytes->size() != 2 + kKeyIdSize + valueSize) return std::nullopt;
    ByteReader reader(*bytes);
    KeyedValue keyed;
    const ByteSpan algorithm = reader.Take(2);
    std::ranges::copy(algorithm, keyed.algorithm.begin());
    std::ranges::copy(reader.Take(kKeyIdSize), keyed.keyId.begin());
    const ByteSpan value = reader.Rest();
    keyed.value.assign(value.begin(), value.end());
    return keyed;
}

std::optional<std::string> UnwrapBase64File(std::string_view text) {
    if (text.size() > kMaxWrappedFileSize || !text.starts_with(kWrappedPrefix)) return std::nullopt;
    if (text.ends_with('\n')) text.remove_suffix(1);
    if (text.ends_with('\r')) text.remove_suffix(1);
    const std::optional<Bytes> bytes = DecodeStrictBase64(text);
    if (!bytes) return std::nullopt;
    std::string inner(bytes->begin(), bytes->end());
    if (!inner.starts_with(kUntrustedCommentPrefix)) return std::nullopt;
    return inner;
}

}  // namespace vms
