#include "engine/cpu_features.h"

#include <cpuid.h>
#include <immintrin.h>

namespace vms {
namespace {

constexpr unsigned kYmmStateEnabled = 0x6;  // XCR0: SSE and AVX state saved by the OS

__attribute__((target("xsave"))) unsigned long long ReadXcr0() { return _xgetbv(0); }

CpuFeatures Detect() {
    CpuFeatures features;
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return features;
    features.sse41 = ecx & bit_SSE4_1;
    features.pclmulqdq = ecx & bit_PCLMUL;
    const bool osSavesYmm = (ecx & bit_OSXSAVE) && (ReadXcr0() & kYmmStateEnabled) == kYmmStateEnabled;
    features.avx = osSavesYmm && (ecx & bit_AVX);
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) {
        features.avx2 = features.avx && (ebx & bit_AVX2);
        features.vpclmulqdq = features.avx && (ecx & bit_VPCLMULQDQ);
        features.bmi1 = ebx & bit_BMI;
        features.sha = ebx & bit_SHA;
    }
    return features;
}

}  // namespace

const CpuFeatures& DetectedCpuFeatures() {
    static const CpuFeatures features = Detect();
    return features;
}

std::string DescribeCpuFeatures(const CpuFeatures& features) {
    const struct {
        bool present;
        const char* name;
    } rows[] = {{features.sse41, "sse4.1"}, {features.pclmulqdq, "pclmulqdq"}, {features.avx, "avx"},
                {features.avx2, "avx2"},    {features.vpclmulqdq, "vpclmulqdq"}, {features.bmi1, "bmi1"},
                {features.sha, "sha"}};
    std::string text;
    for (const auto& row : rows) {
        if (!row.present) continue;
        if (!text.empty()) text += ' ';
        text += row.name;
    }
    return text.empty() ? "none of note" : text;
}

}  // namespace vms
