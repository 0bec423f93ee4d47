// CRC-32/ISO-HDLC (zip, PNG, SFV), eight bytes per step with eight tables.
#include "engine/hashers/hashers.h"

#include <array>
#include <cstring>

namespace vms::hashers {
namespace {

using Crc32Tables = std::array<std::array<std::uint32_t, 256>, 8>;

// T0 is the byte table of the reflected polynomial 0xEDB88320; each further
// table advances the previous one by one zero byte. Built by the compiler.
constexpr Crc32Tables MakeTables() {
    Crc32Tables tables{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        tables[0][i] = value;
    }
    for (std::size_t k = 1; k < 8; ++k) {
        for (std::size_t i = 0; i < 256; ++i) {
            tables[k][i] = (tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFF];
        }
    }
    return tables;
}

constexpr Crc32Tables kTables = MakeTables();
static_assert(kTables[0][1] == 0x77073096u && kTables[1][1] == 0x191B3141u);

std::uint32_t LoadLittleEndian32(const std::uint8_t* bytes) {
    std::uint32_t word;
    std::memcpy(&word, bytes, sizeof word);  // x86-64 is little-endian
    return word;
}

class Crc32Hasher final : public Hasher {
public:
    void Update(const void* data, std::uint64_t length) override {
        auto bytes = static_cast<const std::uint8_t*>(data);
        std::uint32_t crc = register_;
        const auto& t = kTables;
        for (; length >= 8; bytes += 8, length -= 8) {
            const std::uint32_t c = crc ^ LoadLittleEndian32(bytes);
            const std::uint32_t d = LoadLittleEndian32(bytes + 4);
            crc = t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
                  t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
        }
        for (; length > 0; ++bytes, --length) crc = (crc >> 8) ^ t[0][(crc ^ *bytes) & 0xFF];
        register_ = crc;
    }

    Digest Finish() override {
        const std::uint32_t value = ~register_;
        Digest digest;
        digest.size = 4;
        for (int i = 0; i < 4; ++i) digest.bytes[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
        return digest;
    }

private:
    std::uint32_t register_ = 0xFFFFFFFFu;
};

}  // namespace

std::unique_ptr<Hasher> MakeCrc32() { return std::make_unique<Crc32Hasher>(); }

}  // namespace vms::hashers
