// SHA3-256, SHA3-384 and SHA3-512 (FIPS 202) on our own Keccak-f[1600].
#include "engine/hashers/hashers.h"

#include <array>
#include <bit>
#include <cstring>

namespace vms::hashers {
namespace {

constexpr std::uint64_t kRoundConstants[24] = {
    0x0000000000000001, 0x0000000000008082, 0x800000000000808A, 0x8000000080008000,
    0x000000000000808B, 0x0000000080000001, 0x8000000080008081, 0x8000000000008009,
    0x000000000000008A, 0x0000000000000088, 0x0000000080008009, 0x000000008000000A,
    0x000000008000808B, 0x800000000000008B, 0x8000000000008089, 0x8000000000008003,
    0x8000000000008002, 0x8000000000000080, 0x000000000000800A, 0x800000008000000A,
    0x8000000080008081, 0x8000000000008080, 0x0000000080000001, 0x8000000080008008,
};

// Rho rotations and pi lane order, walked together along the pi cycle from lane 1.
constexpr int kRotations[24] = {1, 3, 6, 10, 15, 21, 28, 36, 45, 55, 2, 14,
                                27, 41, 56, 8, 25, 43, 62, 18, 39, 61, 20, 44};
constexpr int kPiLanes[24] = {10, 7, 11, 17, 18, 3, 5, 16, 8, 21, 24, 4,
                              15, 23, 19, 13, 12, 2, 20, 14, 22, 9, 6, 1};

using KeccakState = std::array<std::uint64_t, 25>;

void KeccakF1600(KeccakState& a) {
    for (std::uint64_t roundConstant : kRoundConstants) {
        std::uint64_t c[5];
        for (int x = 0; x < 5; ++x) c[x] = a[x] ^ a[x + 5] ^ a[x + 10] ^ a[x + 15] ^ a[x + 20];
        for (int x = 0; x < 5; ++x) {
            const std::uint64_t d = c[(x + 4) % 5] ^ std::rotl(c[(x + 1) % 5], 1);
            for (int y = 0; y < 25; y += 5) a[y + x] ^= d;
        }
        std::uint64_t carried = a[1];
        for (int i = 0; i < 24; ++i) {
            const int lane = kPiLanes[i];
            const std::uint64_t next = a[lane];
            a[lane] = std::rotl(carried, kRotations[i]);
            carried = next;
        }
        for (int y = 0; y < 25; y += 5) {
            const std::uint64_t row[5] = {a[y], a[y + 1], a[y + 2], a[y + 3], a[y + 4]};
            for (int x = 0; x < 5; ++x) a[y + x] = row[x] ^ (~row[(x + 1) % 5] & row[(x + 2) % 5]);
        }
        a[0] ^= roundConstant;
    }
}

class Sha3Hasher final : public Hasher {
public:
    Sha3Hasher(std::uint32_t digestSize, std::uint32_t rate) : digestSize_(digestSize), rate_(rate) {}

    void Update(const void* data, std::uint64_t length) override {
        auto input = static_cast<const std::uint8_t*>(data);
        while (length > 0) {
            if (count_ == 0 && length >= rate_) {
                // Whole block: XOR it in word by word, straight from the input.
                for (std::uint32_t i = 0; i < rate_ / 8; ++i) {
                    std::uint64_t word;
                    std::memcpy(&word, input + 8 * i, 8);  // lanes are little-endian, as is x86-64
                    state_[i] ^= word;
                }
                KeccakF1600(state_);
                input += rate_;
                length -= rate_;
                continue;
            }
            const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::uint64_t>(rate_ - count_, length));
            for (std::uint32_t i = 0; i < n; ++i) XorByte(count_ + i, input[i]);
            count_ += n;
            input += n;
            length -= n;
            if (count_ == rate_) {
                KeccakF1600(state_);
                count_ = 0;
            }
        }
    }

    Digest Finish() override {
        XorByte(count_, 0x06);
        XorByte(rate_ - 1, 0x80);
        KeccakF1600(state_);
        Digest digest;
        digest.size = static_cast<std::uint8_t>(digestSize_);
        std::memcpy(digest.bytes.data(), state_.data(), digestSize_);
        return digest;
    }

private:
    void XorByte(std::uint32_t position, std::uint8_t value) {
        state_[position / 8] ^= std::uint64_t{value} << (8 * (position % 8));
    }

    KeccakState state_{};
    std::uint32_t digestSize_;
    std::uint32_t rate_;
    std::uint32_t count_ = 0;  // bytes absorbed into the current block
};

}  // namespace

std::unique_ptr<Hasher> MakeSha3(std::uint32_t digestSize, std::uint32_t rate) {
    return std::make_unique<Sha3Hasher>(digestSize, rate);
}

}  // namespace vms::hashers
