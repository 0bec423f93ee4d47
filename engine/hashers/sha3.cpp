// SHA3-256, SHA3-384 and SHA3-512 (FIPS 202) on our own Keccak-f[1600].
#include "engine/cpu_features.h"
#include "engine/hashers/hashers.h"

#include <algorithm>
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

using KeccakState = std::array<std::uint64_t, 25>;

// One round's chi step on a row of five lanes that rho and pi already moved.
// Written as ~b & c so that BMI1 makes each lane one andn and one xor.
[[gnu::always_inline]] inline void Chi(std::uint64_t* out, std::uint64_t b0, std::uint64_t b1, std::uint64_t b2,
                                       std::uint64_t b3, std::uint64_t b4) {
    out[0] = b0 ^ (~b1 & b2);
    out[1] = b1 ^ (~b2 & b3);
    out[2] = b2 ^ (~b3 & b4);
    out[3] = b3 ^ (~b4 & b0);
    out[4] = b4 ^ (~b0 & b1);
}

// One round of Keccak-f[1600] from a into e. Lane (x, y) is a[x + 5y]; each
// output row gathers the five lanes that pi moves there, rotated by rho.
[[gnu::always_inline]] inline void KeccakRound(const std::uint64_t* a, std::uint64_t* e,
                                               std::uint64_t roundConstant) {
    using std::rotl;
    const std::uint64_t c0 = a[0] ^ a[5] ^ a[10] ^ a[15] ^ a[20];
    const std::uint64_t c1 = a[1] ^ a[6] ^ a[11] ^ a[16] ^ a[21];
    const std::uint64_t c2 = a[2] ^ a[7] ^ a[12] ^ a[17] ^ a[22];
    const std::uint64_t c3 = a[3] ^ a[8] ^ a[13] ^ a[18] ^ a[23];
    const std::uint64_t c4 = a[4] ^ a[9] ^ a[14] ^ a[19] ^ a[24];
    const std::uint64_t d0 = c4 ^ rotl(c1, 1);
    const std::uint64_t d1 = c0 ^ rotl(c2, 1);
    const std::uint64_t d2 = c1 ^ rotl(c3, 1);
    const std::uint64_t d3 = c2 ^ rotl(c4, 1);
    const std::uint64_t d4 = c3 ^ rotl(c0, 1);
    Chi(e + 0, a[0] ^ d0, rotl(a[6] ^ d1, 44), rotl(a[12] ^ d2, 43), rotl(a[18] ^ d3, 21), rotl(a[24] ^ d4, 14));
    Chi(e + 5, rotl(a[3] ^ d3, 28), rotl(a[9] ^ d4, 20), rotl(a[10] ^ d0, 3), rotl(a[16] ^ d1, 45), rotl(a[22] ^ d2, 61));
    Chi(e + 10, rotl(a[1] ^ d1, 1), rotl(a[7] ^ d2, 6), rotl(a[13] ^ d3, 25), rotl(a[19] ^ d4, 8), rotl(a[20] ^ d0, 18));
    Chi(e + 15, rotl(a[4] ^ d4, 27), rotl(a[5] ^ d0, 36), rotl(a[11] ^ d1, 10), rotl(a[17] ^ d2, 15), rotl(a[23] ^ d3, 56));
    Chi(e + 20, rotl(a[2] ^ d2, 62), rotl(a[8] ^ d3, 55), rotl(a[14] ^ d4, 39), rotl(a[15] ^ d0, 41), rotl(a[21] ^ d1, 2));
    e[0] ^= roundConstant;
}

// 24 rounds, two per step, so the state moves between two arrays without copies.
[[gnu::always_inline]] inline void Permute(KeccakState& state) {
    std::uint64_t scratch[25];
    for (std::size_t round = 0; round < 24; round += 2) {
        KeccakRound(state.data(), scratch, kRoundConstants[round]);
        KeccakRound(scratch, state.data(), kRoundConstants[round + 1]);
    }
}

// The same code twice: once for any x86-64, once where BMI1's andn computes
// ~b & c in one instruction. Chosen once from CPUID.
void PermuteAnyCpu(KeccakState& state) { Permute(state); }
__attribute__((target("bmi"))) void PermuteWithAndn(KeccakState& state) { Permute(state); }

using Permutation = void (*)(KeccakState&);

Permutation FastestPermutation() { return DetectedCpuFeatures().bmi1 ? PermuteWithAndn : PermuteAnyCpu; }

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
                permute_(state_);
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
                permute_(state_);
                count_ = 0;
            }
        }
    }

    Digest Finish() override {
        XorByte(count_, 0x06);
        XorByte(rate_ - 1, 0x80);
        permute_(state_);
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
    const Permutation permute_ = FastestPermutation();
    std::uint32_t digestSize_;
    std::uint32_t rate_;
    std::uint32_t count_ = 0;  // bytes absorbed into the current block
};

}  // namespace

std::unique_ptr<Hasher> MakeSha3(std::uint32_t digestSize, std::uint32_t rate) {
    return std::make_unique<Sha3Hasher>(digestSize, rate);
}

}  // namespace vms::hashers
