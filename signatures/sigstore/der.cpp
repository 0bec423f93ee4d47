#include "signatures/sigstore/der.h"

namespace vms {

std::optional<DerNode> DerReader::Next() {
    if (AtEnd()) return std::nullopt;
    ByteReader reader(bytes_.subspan(offset_));
    const std::uint8_t tag = reader.Byte();
    const std::uint8_t first = reader.Byte();
    std::size_t length = first;
    if ((tag & 0x1F) == 0x1F || first == 0x80) {  // high tag numbers and indefinite lengths
        failed_ = true;
        return std::nullopt;
    }
    if (first & 0x80) {
        const std::size_t count = first & 0x7F;
        if (count > 4) {
            failed_ = true;
            return std::nullopt;
        }
        length = 0;
        for (std::uint8_t byte : reader.Take(count)) length = (length << 8) | byte;
        // The shortest form: no leading zero byte, and the long form only from 128.
        if (reader.Failed() || length < 0x80 || (count > 1 && (length >> (8 * (count - 1))) == 0)) {
            failed_ = true;
            return std::nullopt;
        }
    }
    const std::size_t header = reader.Offset();
    const ByteSpan content = reader.Take(length);
    if (reader.Failed()) {
        failed_ = true;
        return std::nullopt;
    }
    DerNode node{tag, bytes_.subspan(offset_, header + length), content};
    offset_ += header + length;
    return node;
}

std::optional<DerNode> DerReader::Expect(std::uint8_t tag) {
    std::optional<DerNode> node = Next();
    if (node && node->tag == tag) return node;
    failed_ = true;
    return std::nullopt;
}

std::optional<DerNode> DerReader::Optional(std::uint8_t tag) {
    if (AtEnd() || bytes_[offset_] != tag) return std::nullopt;
    return Next();
}

std::optional<DerNode> ReadSingleDer(ByteSpan bytes, std::uint8_t tag) {
    DerReader reader(bytes);
    std::optional<DerNode> node = reader.Expect(tag);
    if (!node || !reader.AtEnd()) return std::nullopt;
    return node;
}

std::optional<ByteSpan> UnsignedInteger(const DerNode& node) {
    ByteSpan value = node.content;
    if (node.tag != der::kInteger || value.empty() || (value[0] & 0x80)) return std::nullopt;
    if (value.size() > 1 && value[0] == 0) value = value.subspan(1);
    return value;
}

Bytes DerLength(std::size_t length) {
    if (length < 0x80) return {static_cast<std::uint8_t>(length)};
    Bytes digits;
    for (std::size_t rest = length; rest != 0; rest >>= 8) digits.insert(digits.begin(), static_cast<std::uint8_t>(rest));
    digits.insert(digits.begin(), static_cast<std::uint8_t>(0x80 | digits.size()));
    return digits;
}

}  // namespace vms
