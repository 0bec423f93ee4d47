// The Digest value, and bytes as hexadecimal text and back.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vms {

// Up to 64 bytes in the algorithm's canonical order; bytes past size are zero.
struct Digest {
    std::array<std::uint8_t, 64> bytes{};
    std::uint8_t size = 0;

    std::span<const std::uint8_t> View() const { return {bytes.data(), size}; }
};

// A digest that may or may not have been computed.
struct DigestEntry {
    Digest digest;
    bool present = false;
};

// True when the span has exactly the digest's bytes (a prefix is not enough).
bool DigestEquals(const Digest& digest, std::span<const std::uint8_t> bytes);

// Two hex digits per byte, high nibble first, no separators.
std::string DigestToHex(const Digest& digest, bool upper);
std::wstring DigestToHexW(const Digest& digest, bool upper);
std::string BytesToHex(std::span<const std::uint8_t> bytes, bool upper);

// The value of one hexadecimal digit, either case; -1 for any other character.
int HexDigitValue(wchar_t c);

// Non-empty, even-length text of hexadecimal digits only.
std::optional<std::vector<std::uint8_t>> DecodeHexStrict(std::wstring_view text);

}  // namespace vms
