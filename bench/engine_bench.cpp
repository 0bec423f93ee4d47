// Engine throughput on this machine: each hasher on a buffer in memory, SHA-1
// and SHA-2 from each source, then the file pipeline with 1, 3 and 15
// algorithms on a file in the page cache.
//   engine_bench [folder for the scratch file]
//   engine_bench --kernels      CPU features, the CRC32 kernels and SHA3-256 only
#include "engine/cpu_features.h"
#include "engine/hasher.h"
#include "engine/hashers/crc32.h"
#include "engine/hashers/fastest_sha.h"
#include "engine/pipeline.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace vms;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kMiB = 0x100000;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double MegabytesPerSecond(std::uint64_t bytes, double seconds) { return bytes / 1e6 / seconds; }

// Best of three, to keep the page cache and the scheduler out of the figure.
template <typename Work>
double BestSeconds(Work work) {
    double best = 1e300;
    for (int run = 0; run < 3; ++run) {
        const auto start = Clock::now();
        work();
        best = std::min(best, Seconds(start));
    }
    return best;
}

void BenchSha3_256(const std::vector<std::uint8_t>& buffer) {
    const double seconds = BestSeconds([&] { HashBytes(kSha3_256, buffer); });
    std::printf("SHA3-256, in memory, one thread (MB/s): %.0f\n", MegabytesPerSecond(buffer.size(), seconds));
}

void BenchHashers(const std::vector<std::uint8_t>& buffer) {
    std::printf("In memory, one thread (MB/s):\n");
    for (const AlgorithmInfo& row : AllAlgorithms()) {
        const auto id = static_cast<AlgorithmId>(row.id);
        // MD2 runs at a few MB/s; a smaller share of the buffer keeps the run short.
        const std::size_t length = id == kMd2 ? buffer.size() / 16 : buffer.size();
        const double seconds = BestSeconds([&] { HashBytes(id, {buffer.data(), length}); });
        std::printf("  %-10ls %9.0f\n", row.displayName, MegabytesPerSecond(length, seconds));
    }
}

// The system's provider and libgcrypt side by side, and the one ShaSource::Fastest took.
void BenchShaSources(const std::vector<std::uint8_t>& buffer) {
    std::printf("SHA-1 and SHA-2 by source, in memory, one thread (MB/s):\n");
    std::printf("  %-10s %9s %9s  %s\n", "", "system", "libgcrypt", "fastest");
    for (AlgorithmId id : AlgorithmsInMask(kShaSourceAlgorithms)) {
        std::printf("  %-10ls", GetAlgorithm(id).displayName);
        for (ShaSource source : {ShaSource::System, ShaSource::Libgcrypt}) {
            try {
                const double seconds = BestSeconds([&] {
                    const auto hasher = CreateHasher(id, source);
                    hasher->Update(buffer.data(), buffer.size());
                    hasher->Finish();
                });
                std::printf(" %9.0f", MegabytesPerSecond(buffer.size(), seconds));
            } catch (const std::runtime_error&) {
                std::printf(" %9s", "-");
            }
        }
        std::printf("  %s\n", hashers::FastestShaSource(id) == ShaSource::Libgcrypt ? "libgcrypt" : "system");
    }
}

void BenchCrc32Kernels(const std::vector<std::uint8_t>& buffer) {
    using namespace vms::hashers;
    std::printf("CPU features: %s\n", DescribeCpuFeatures(DetectedCpuFeatures()).c_str());
    std::printf("CRC32 kernel chosen: %s\n", Crc32KernelName(BestCrc32Kernel()));
    std::printf("CRC32 kernels, in memory, one thread (GB/s):\n");
    for (Crc32Kernel kernel : {Crc32Kernel::Tables, Crc32Kernel::Pclmul128, Crc32Kernel::Vpclmul256}) {
        if (!Crc32KernelSupported(kernel)) continue;
        const double seconds = BestSeconds([&] { Crc32Update(0xFFFFFFFFu, buffer.data(), buffer.size(), kernel); });
        std::printf("  %-30s %6.1f\n", Crc32KernelName(kernel), buffer.size() / 1e9 / seconds);
    }
}

double BenchPipeline(const std::wstring& path, AlgorithmMask mask, std::uint64_t size, const char* label) {
    const double seconds = BestSeconds([&] {
        const HashResult result = HashFile(path, mask, {});
        if (result.error != 0) std::printf("  error %u\n", result.error);
    });
    std::printf("  %-44s %7.3f s %9.0f MB/s\n", label, seconds, MegabytesPerSecond(size, seconds));
    return seconds;
}

void WriteScratchFile(const std::wstring& path, const std::vector<std::uint8_t>& buffer, std::size_t copies) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    for (std::size_t i = 0; i < copies; ++i) {
        DWORD written = 0;
        WriteFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &written, nullptr);
    }
    CloseHandle(file);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::uint8_t> buffer(64 * kMiB);
    std::mt19937_64 random(1);
    for (auto& byte : buffer) byte = static_cast<std::uint8_t>(random());
    BenchCrc32Kernels(buffer);
    if (argc > 1 && std::wstring_view(argv[1]) == L"--kernels") {
        BenchSha3_256(buffer);
        return 0;
    }
    BenchHashers(buffer);
    BenchShaSources(buffer);

    const std::filesystem::path folder = argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const std::wstring path = (folder / L"verimond-bench.bin").wstring();
    constexpr std::size_t kCopies = 4;  // 256 MiB
    const std::uint64_t size = kCopies * buffer.size();
    WriteScratchFile(path, buffer, kCopies);
    HashFile(path, MaskOf(kCrc32), {});  // warm the page cache

    std::printf("Pipeline on a cached %llu MiB file:\n", static_cast<unsigned long long>(size / kMiB));
    const double md5 = BenchPipeline(path, MaskOf(kMd5), size, "md5");
    const double sha1 = BenchPipeline(path, MaskOf(kSha1), size, "sha1");
    const double sha256 = BenchPipeline(path, MaskOf(kSha256), size, "sha256");
    const double three = BenchPipeline(path, MaskOf(kMd5) | MaskOf(kSha1) | MaskOf(kSha256), size, "md5,sha1,sha256");
    BenchPipeline(path, kAllAlgorithms & ~MaskOf(kMd2), size, "all but md2 (14)");
    std::printf("  md5,sha1,sha256 / (md5 + sha1 + sha256) = %.2f\n", three / (md5 + sha1 + sha256));

    // All fifteen, MD2 included, on a smaller file: MD2 alone runs at a few MB/s.
    const std::uint64_t smallSize = buffer.size() / 2;
    WriteScratchFile(path, std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + smallSize), 1);
    std::printf("Pipeline on a cached %llu MiB file:\n", static_cast<unsigned long long>(smallSize / kMiB));
    BenchPipeline(path, kAllAlgorithms, smallSize, "all 15");
    DeleteFileW(path.c_str());
    return 0;
}
