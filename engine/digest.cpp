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

int HexDigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

std::optional<std::vector<std::uint8_t>> DecodeHexStrict(std::wstring_view text) {
    if (text.empty() || text.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes(text.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int high = HexDigitValue(text[2 * i]);
        const int low = HexDigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return bytes;
}

}  // namespace vms
