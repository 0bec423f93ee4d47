// Deterministic mutations of bytes for the parsers' fuzz tests: bit flips,
// random bytes, cuts, deletions and insertions of bytes that mean something
// to text and binary formats alike.
#pragma once

#include "signatures/common/byte_reader.h"

#include <cstdint>
#include <iterator>
#include <random>

namespace vms::testing {

class Mutator {
public:
    explicit Mutator(std::uint32_t seed) : random_(seed) {}

    // One to three edits of the bytes; an empty input only grows.
    Bytes Mutate(Bytes bytes) {
        const std::size_t edits = 1 + Below(3);
        for (std::size_t i = 0; i < edits; ++i) {
            const std::size_t at = Below(bytes.size() + 1);
            const auto where = bytes.begin() + static_cast<std::ptrdiff_t>(at);
            switch (bytes.empty() ? 4 : Below(5)) {
            case 0: bytes[at % bytes.size()] ^= static_cast<std::uint8_t>(1u << Below(8)); break;
            case 1: bytes[at % bytes.size()] = static_cast<std::uint8_t>(Below(256)); break;
            case 2: bytes.resize(at); break;
            case 3: bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at % bytes.size())); break;
            default: bytes.insert(where, Interesting()); break;
            }
        }
        return bytes;
    }

    // A number from 0 to bound - 1.
    std::size_t Below(std::size_t bound) { return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_); }

private:
    // Bytes that mean something to the parsers, as often as any other.
    std::uint8_t Interesting() {
        constexpr std::uint8_t kSpecial[] = {'\n', '\r', '=', ' ', 'A', '/', '+', 0, 0xFF};
        return Below(2) ? kSpecial[Below(std::size(kSpecial))] : static_cast<std::uint8_t>(Below(256));
    }

    std::mt19937 random_;
};

}  // namespace vms::testing
