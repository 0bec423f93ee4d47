// CRC-32/ISO-HDLC by tables, and the choice of kernel at run time.
#include "engine/hashers/crc32.h"

#include "engine/cpu_features.h"
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

// Slicing-by-8: eight bytes per step with eight tables.
std::uint32_t UpdateByTables(std::uint32_t crc, const std::uint8_t* bytes, std::size_t length) {
    const auto& t = kTables;
    for (; length >= 8; bytes += 8, length -= 8) {
        const std::uint32_t c = crc ^ LoadLittleEndian32(bytes);
        const std::uint32_t d = LoadLittleEndian32(bytes + 4);
        crc = t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
              t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
    }
    for (; length > 0; ++bytes, --length) crc = (crc >> 8) ^ t[0][(crc ^ *bytes) & 0xFF];
    return crc;
}

struct FoldingKernel {
    Crc32Kernel kernel;
    std::uint32_t (*fold)(std::uint32_t, const std::uint8_t*, std::size_t);
    std::size_t alignment;
    std::size_t granule;    // the fold takes a multiple of this many bytes
    std::size_t minimum;    // below this the tables are as quick
};

constexpr FoldingKernel kFoldingKernels[] = {
    {Crc32Kernel::Pclmul128, Crc32FoldPclmul128, 16, 64, 256},
    {Crc32Kernel::Vpclmul256, Crc32FoldVpclmul256, 32, 128, 512},
};

class Crc32Hasher final : public Hasher {
public:
    void Update(const void* data, std::uint64_t length) override {
        register_ = Crc32Update(register_, static_cast<const std::uint8_t*>(data), length, kernel_);
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
    Crc32Kernel kernel_ = BestCrc32Kernel();
};

}  // namespace

const char* Crc32KernelName(Crc32Kernel kernel) {
    switch (kernel) {
    case Crc32Kernel::Tables: return "slicing-by-8 tables";
    case Crc32Kernel::Pclmul128: return "PCLMULQDQ folding, 128-bit";
    case Crc32Kernel::Vpclmul256: return "VPCLMULQDQ folding, 256-bit";
    }
    return "?";
}

bool Crc32KernelSupported(Crc32Kernel kernel) {
    const CpuFeatures& cpu = DetectedCpuFeatures();
    const bool pclmul = cpu.pclmulqdq && cpu.sse41;
    switch (kernel) {
    case Crc32Kernel::Tables: return true;
    case Crc32Kernel::Pclmul128: return pclmul;
    case Crc32Kernel::Vpclmul256: return pclmul && cpu.avx && cpu.avx2 && cpu.vpclmulqdq;
    }
    return false;
}

Crc32Kernel BestCrc32Kernel() {
    static const Crc32Kernel best = Crc32KernelSupported(Crc32Kernel::Vpclmul256)  ? Crc32Kernel::Vpclmul256
                                    : Crc32KernelSupported(Crc32Kernel::Pclmul128) ? Crc32Kernel::Pclmul128
                                                                                   : Crc32Kernel::Tables;
    return best;
}

std::uint32_t Crc32Update(std::uint32_t crc, const std::uint8_t* bytes, std::size_t length, Crc32Kernel kernel) {
    for (const FoldingKernel& folding : kFoldingKernels) {
        if (folding.kernel != kernel || length < folding.minimum) continue;
        const std::size_t head = -reinterpret_cast<std::uintptr_t>(bytes) & (folding.alignment - 1);
        crc = UpdateByTables(crc, bytes, head);
        bytes += head;
        length -= head;
        const std::size_t middle = length - length % folding.granule;
        crc = folding.fold(crc, bytes, middle);
        bytes += middle;
        length -= middle;
    }
    return UpdateByTables(crc, bytes, length);
}

std::unique_ptr<Hasher> MakeCrc32() { return std::make_unique<Crc32Hasher>(); }

}  // namespace vms::hashers
