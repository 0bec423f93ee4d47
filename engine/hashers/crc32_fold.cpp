// CRC-32 by folding with carry-less multiplication, after Gopal et al., "Fast
// CRC Computation for Generic Polynomials Using PCLMULQDQ Instruction" (Intel,
// 2009), in the bit-reflected form the CRC uses.
//
// A 128-bit lane holds 16 message bytes; its first eight bytes are the
// polynomial's high half H, the last eight its low half L. Moving the lane
// n bits further along the message multiplies it by x^n, and modulo P
//   (H x^64 + L) x^n  =  H (x^(n+64) mod P) + L (x^n mod P),
// two 64 x 32-bit carry-less products that fit the lane again. Several lanes
// fold independently over the input, then into one another, and the last
// lane is reduced to 32 bits by two more folds and Barrett's reduction.
#include "engine/hashers/crc32.h"

#include <immintrin.h>

namespace vms::hashers {
namespace {

constexpr std::uint32_t kReflectedPolynomial = 0xEDB88320u;

// x^n mod P, bit-reflected, times x^31: the form in which a carry-less product
// with a reflected lane lands aligned. (Reflected operands multiply into a
// product one bit short of their widths' sum, and the shift by one makes up
// for it.)
constexpr std::uint64_t FoldConstant(unsigned n) {
    std::uint32_t value = 0x80000000u;  // x^0, reflected
    for (unsigned i = 0; i < n; ++i) value = (value & 1) ? (value >> 1) ^ kReflectedPolynomial : value >> 1;
    return std::uint64_t{value} << 1;
}

// floor(x^64 / P), the Barrett constant, as a reflected 33-bit value.
constexpr std::uint64_t BarrettConstant() {
    const unsigned __int128 polynomial = (static_cast<unsigned __int128>(1) << 32) | 0x04C11DB7u;
    unsigned __int128 remainder = static_cast<unsigned __int128>(1) << 64;
    std::uint64_t quotient = 0;
    for (int degree = 64; degree >= 32; --degree) {
        if ((remainder >> degree) & 1) {
            quotient |= std::uint64_t{1} << (degree - 32);
            remainder ^= polynomial << (degree - 32);
        }
    }
    std::uint64_t reflected = 0;
    for (int bit = 0; bit <= 32; ++bit) reflected |= ((quotient >> bit) & 1) << (32 - bit);
    return reflected;
}

// P itself, reflected over 33 bits.
constexpr std::uint64_t kPolynomial33 = (std::uint64_t{kReflectedPolynomial} << 1) | 1;
constexpr std::uint64_t kBarrett = BarrettConstant();

// The constants as the paper lists them for this polynomial.
static_assert(FoldConstant(4 * 128 + 32) == 0x154442BD4 && FoldConstant(4 * 128 - 32) == 0x1C6E41596);
static_assert(FoldConstant(128 + 32) == 0x1751997D0 && FoldConstant(128 - 32) == 0x0CCAA009E);
static_assert(FoldConstant(64) == 0x163CD6124 && kBarrett == 0x1F7011641 && kPolynomial33 == 0x1DB710641);

// The pair that moves a lane by distance bits: low half for H, high half for L.
__attribute__((target("sse2"))) inline __m128i FoldPair(unsigned distance) {
    return _mm_set_epi64x(static_cast<long long>(FoldConstant(distance - 32)),
                          static_cast<long long>(FoldConstant(distance + 32)));
}

__attribute__((target("sse2"))) inline __m128i Load128(const std::uint8_t* at) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(at));
}

__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i lane, __m128i pair, __m128i next) {
    const __m128i high = _mm_clmulepi64_si128(lane, pair, 0x00);
    const __m128i low = _mm_clmulepi64_si128(lane, pair, 0x11);
    return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

// The register that follows a last lane V: V x^32 mod P.
__attribute__((target("pclmul,sse4.1"))) std::uint32_t Reduce(__m128i lane) {
    const __m128i constants = _mm_set_epi64x(static_cast<long long>(FoldConstant(64)),
                                             static_cast<long long>(FoldConstant(96)));
    const __m128i low32 = _mm_set_epi32(0, 0, 0, -1);
    // 128 to 96 bits: H x^96 + L x^32.
    const __m128i t = _mm_xor_si128(_mm_clmulepi64_si128(lane, constants, 0x00), _mm_srli_si128(lane, 8));
    // 96 to 64 bits: the top 32 moved down by x^64.
    const __m128i u = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(t, low32), constants, 0x10),
                                    _mm_srli_si128(t, 4));
    // Barrett: q = floor(floor(u / x^32) mu / x^32), then u - q P.
    const __m128i barrett = _mm_set_epi64x(static_cast<long long>(kPolynomial33), static_cast<long long>(kBarrett));
    const __m128i q = _mm_clmulepi64_si128(_mm_and_si128(u, low32), barrett, 0x00);
    const __m128i qp = _mm_clmulepi64_si128(_mm_and_si128(q, low32), barrett, 0x10);
    return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(u, qp), 1));
}

}  // namespace

__attribute__((target("pclmul,sse4.1"))) std::uint32_t Crc32FoldPclmul128(std::uint32_t crc, const std::uint8_t* bytes,
                                                                           std::size_t length) {
    // Four lanes, 64 bytes apart; the register enters as the first four bytes' partner.
    __m128i x0 = _mm_xor_si128(Load128(bytes), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x1 = Load128(bytes + 16), x2 = Load128(bytes + 32), x3 = Load128(bytes + 48);
    const __m128i by512 = FoldPair(512);
    for (std::size_t at = 64; at < length; at += 64) {
        x0 = Fold(x0, by512, Load128(bytes + at));
        x1 = Fold(x1, by512, Load128(bytes + at + 16));
        x2 = Fold(x2, by512, Load128(bytes + at + 32));
        x3 = Fold(x3, by512, Load128(bytes + at + 48));
    }
    const __m128i by128 = FoldPair(128);
    return Reduce(Fold(Fold(Fold(x0, by128, x1), by128, x2), by128, x3));
}

namespace {

__attribute__((target("avx2"))) inline __m256i Load256(const std::uint8_t* at) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(at));
}

__attribute__((target("vpclmulqdq,avx2,pclmul,sse4.1"))) inline __m256i Fold256(__m256i lanes, __m256i pairs,
                                                                               __m256i next) {
    const __m256i high = _mm256_clmulepi64_epi128(lanes, pairs, 0x00);
    const __m256i low = _mm256_clmulepi64_epi128(lanes, pairs, 0x11);
    return _mm256_xor_si256(_mm256_xor_si256(high, low), next);
}

}  // namespace

__attribute__((target("vpclmulqdq,avx2,pclmul,sse4.1"))) std::uint32_t Crc32FoldVpclmul256(
    std::uint32_t crc, const std::uint8_t* bytes, std::size_t length) {
    // Eight 128-bit lanes in four registers, 128 bytes apart from one turn to the next.
    __m256i y0 = _mm256_xor_si256(Load256(bytes), _mm256_zextsi128_si256(_mm_cvtsi32_si128(static_cast<int>(crc))));
    __m256i y1 = Load256(bytes + 32), y2 = Load256(bytes + 64), y3 = Load256(bytes + 96);
    const __m256i by1024 = _mm256_broadcastsi128_si256(FoldPair(1024));
    for (std::size_t at = 128; at < length; at += 128) {
        y0 = Fold256(y0, by1024, Load256(bytes + at));
        y1 = Fold256(y1, by1024, Load256(bytes + at + 32));
        y2 = Fold256(y2, by1024, Load256(bytes + at + 64));
        y3 = Fold256(y3, by1024, Load256(bytes + at + 96));
    }
    const __m256i by256 = _mm256_broadcastsi128_si256(FoldPair(256));
    const __m256i last = Fold256(Fold256(Fold256(y0, by256, y1), by256, y2), by256, y3);
    return Reduce(Fold(_mm256_castsi256_si128(last), FoldPair(128), _mm256_extracti128_si256(last, 1)));
}

}  // namespace vms::hashers
