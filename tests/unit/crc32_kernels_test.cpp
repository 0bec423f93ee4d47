// Each CRC-32 kernel against the tables, forced one by one.
#include "engine/hashers/crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <string_view>
#include <vector>

namespace vms::hashers {
namespace {

constexpr Crc32Kernel kFoldingKernels[] = {Crc32Kernel::Pclmul128, Crc32Kernel::Vpclmul256};

std::vector<std::uint8_t> RandomBytes(std::size_t length, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(length);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

std::uint32_t Crc(const std::uint8_t* bytes, std::size_t length, Crc32Kernel kernel) {
    return ~Crc32Update(0xFFFFFFFFu, bytes, length, kernel);
}

class Crc32KernelTest : public testing::TestWithParam<Crc32Kernel> {
protected:
    void SetUp() override {
        if (!Crc32KernelSupported(GetParam())) GTEST_SKIP() << Crc32KernelName(GetParam()) << " not on this CPU";
    }
};

TEST_P(Crc32KernelTest, CheckValueAndEveryLengthAtEveryAlignment) {
    constexpr std::string_view kDigits = "123456789";
    EXPECT_EQ(Crc(reinterpret_cast<const std::uint8_t*>(kDigits.data()), kDigits.size(), GetParam()), 0xCBF43926u);

    constexpr std::size_t kMaxLength = 4096, kAlignments = 64;
    const std::vector<std::uint8_t> buffer = RandomBytes(kMaxLength + kAlignments + 64, 17);
    const std::uint8_t* base = buffer.data() + (-reinterpret_cast<std::uintptr_t>(buffer.data()) & 63);
    for (std::size_t alignment = 0; alignment < kAlignments; ++alignment) {
        for (std::size_t length = 0; length <= kMaxLength; ++length) {
            const std::uint8_t* bytes = base + alignment;
            const std::uint32_t expected = Crc(bytes, length, Crc32Kernel::Tables);
            ASSERT_EQ(Crc(bytes, length, GetParam()), expected) << "length " << length << ", alignment " << alignment;
        }
    }
}

TEST_P(Crc32KernelTest, RandomSplitsOfOneMebibyteCarryTheRegister) {
    const std::vector<std::uint8_t> input = RandomBytes(1 << 20, 29);
    const std::uint32_t whole = Crc(input.data(), input.size(), Crc32Kernel::Tables);
    std::mt19937 random(41);
    for (int trial = 0; trial < 20; ++trial) {
        std::uint32_t crc = 0xFFFFFFFFu;
        for (std::size_t at = 0; at < input.size();) {
            const std::size_t piece = std::min<std::size_t>(input.size() - at, random() % (trial < 10 ? 5000 : 300000));
            crc = Crc32Update(crc, input.data() + at, piece, GetParam());
            at += piece;
        }
        ASSERT_EQ(~crc, whole) << "trial " << trial;
    }
}

TEST_P(Crc32KernelTest, FoldingKernelsDirectlyOnAlignedRuns) {
    const std::vector<std::uint8_t> buffer = RandomBytes(8192 + 64, 53);
    const std::uint8_t* base = buffer.data() + (-reinterpret_cast<std::uintptr_t>(buffer.data()) & 63);
    for (std::size_t length = 128; length <= 8192; length += 128) {
        const std::uint32_t expected = Crc32Update(0x12345678u, base, length, Crc32Kernel::Tables);
        const std::uint32_t folded = GetParam() == Crc32Kernel::Pclmul128 ? Crc32FoldPclmul128(0x12345678u, base, length)
                                                                          : Crc32FoldVpclmul256(0x12345678u, base, length);
        ASSERT_EQ(folded, expected) << "length " << length;
    }
}

INSTANTIATE_TEST_SUITE_P(Folding, Crc32KernelTest, testing::ValuesIn(kFoldingKernels),
                         [](const testing::TestParamInfo<Crc32Kernel>& info) {
                             return info.param == Crc32Kernel::Pclmul128 ? std::string("Pclmul128")
                                                                         : std::string("Vpclmul256");
                         });

TEST(Crc32Kernels, TheBestSupportedKernelIsChosen) {
    const Crc32Kernel best = BestCrc32Kernel();
    EXPECT_TRUE(Crc32KernelSupported(best));
    if (Crc32KernelSupported(Crc32Kernel::Vpclmul256)) {
        EXPECT_EQ(best, Crc32Kernel::Vpclmul256);
    }
}

}  // namespace
}  // namespace vms::hashers
