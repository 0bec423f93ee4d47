// The Digest value and its hexadecimal text.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

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

}  // namespace vms
