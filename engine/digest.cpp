#include "engine/digest.h"

#include <algorithm>

namespace vms {

bool DigestEquals(const Digest& digest, std::span<const std::uint8_t> bytes) {
    return std::ranges::equal(digest.View(), bytes);
}

std::string BytesToHex(std::span<const std::uint8_t> bytes, bool upper) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (std::uint8_t byte : bytes) {
        hex += digits[byte >> 4];
        hex += digits[byte & 0x0F];
    }
    return hex;
}

std::string DigestToHex(const Digest& digest, bool upper) { return BytesToHex(digest.View(), upper); }

std::wstring DigestToHexW(const Digest& digest, bool upper) {
    const std::string hex = DigestToHex(digest, upper);
    return {hex.begin(), hex.end()};
}

}  // namespace vms
