// Bounded reading of OpenPGP's big-endian fields. Every read checks what is
// left first; a short input sets the failed flag and gives zeros or an empty
// span, so parsers test Failed() once instead of after every field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vms {

using ByteSpan = std::span<const std::uint8_t>;
using Bytes = std::vector<std::uint8_t>;

class ByteReader {
public:
    explicit ByteReader(ByteSpan bytes) : bytes_(bytes) {}

    std::size_t Left() const { return failed_ ? 0 : bytes_.size() - offset_; }
    std::size_t Offset() const { return offset_; }
    bool Failed() const { return failed_; }
    bool AtEnd() const { return failed_ || offset_ == bytes_.size(); }
    void Fail() { failed_ = true; }

    std::uint8_t Byte() { return static_cast<std::uint8_t>(Number(1)); }
    std::uint16_t Number16() { return static_cast<std::uint16_t>(Number(2)); }
    std::uint32_t Number32() { return static_cast<std::uint32_t>(Number(4)); }

    ByteSpan Take(std::size_t count) {
        if (count > Left()) {
            failed_ = true;
            return {};
        }
        const ByteSpan taken = bytes_.subspan(offset_, count);
        offset_ += count;
        return taken;
    }

    ByteSpan Rest() { return Take(Left()); }

private:
    std::uint64_t Number(std::size_t size) {
        std::uint64_t value = 0;
        for (std::uint8_t byte : Take(size)) value = (value << 8) | byte;
        return value;
    }

    ByteSpan bytes_;
    std::size_t offset_ = 0;
    bool failed_ = false;
};

}  // namespace vms
