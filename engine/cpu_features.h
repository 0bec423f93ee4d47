// What the processor and the operating system let our own kernels use, read
// once from CPUID and XGETBV.
#pragma once

#include <string>

namespace vms {

struct CpuFeatures {
    bool sse41 = false;
    bool pclmulqdq = false;
    bool avx = false;     // the instructions, and the OS saving YMM state
    bool avx2 = false;
    bool vpclmulqdq = false;
    bool bmi1 = false;
    bool sha = false;
};

const CpuFeatures& DetectedCpuFeatures();

// "sse4.1 pclmulqdq avx avx2 ..." for the features present, for benchmarks and reports.
std::string DescribeCpuFeatures(const CpuFeatures& features);

}  // namespace vms
