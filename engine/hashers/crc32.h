// CRC-32/ISO-HDLC (zip, PNG, SFV) and the kernels that compute it. The
// register is kept inverted, as the hasher holds it between updates: it starts
// at 0xFFFFFFFF and the CRC is its complement.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vms::hashers {

enum class Crc32Kernel {
    Tables,      // slicing-by-8, any x86-64
    Pclmul128,   // folding 128-bit lanes by carry-less multiplication
    Vpclmul256,  // the same on 256-bit registers
};

const char* Crc32KernelName(Crc32Kernel kernel);
bool Crc32KernelSupported(Crc32Kernel kernel);

// The fastest kernel this processor supports, chosen once.
Crc32Kernel BestCrc32Kernel();

// Advances the register over the bytes with the kernel given, which must be
// supported. The folding kernels take the large aligned middle of the input;
// short inputs and the edges go through the tables.
std::uint32_t Crc32Update(std::uint32_t crc, const std::uint8_t* bytes, std::size_t length, Crc32Kernel kernel);

// The folding kernels proper, for the middle runs Crc32Update hands them:
// bytes 16-byte aligned and length a non-zero multiple of 64 for the first,
// 32-byte aligned and a non-zero multiple of 128 for the second.
std::uint32_t Crc32FoldPclmul128(std::uint32_t crc, const std::uint8_t* bytes, std::size_t length);
std::uint32_t Crc32FoldVpclmul256(std::uint32_t crc, const std::uint8_t* bytes, std::size_t length);

}  // namespace vms::hashers
