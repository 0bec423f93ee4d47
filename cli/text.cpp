#include "cli/console.h"
#include "cli/run_modes.h"
#include "engine/hasher.h"
#include "engine/text.h"

namespace cli {

using namespace vms;

int RunText(const Options& options) {
    const AlgorithmMask algorithms = options.algorithms == 0 ? MaskOf(kSha256) : options.algorithms;
    const std::string utf8 = ToUtf8(*options.text);
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size());
    const bool labelled = CountAlgorithms(algorithms) > 1;
    std::wstring lines;
    for (AlgorithmId id : AlgorithmsInMask(algorithms)) {
        if (labelled) lines += std::wstring(GetAlgorithm(id).displayName) + L"  ";
        lines += DigestToHexW(HashBytes(id, bytes), options.upper) + L"\n";
    }
    WriteOut(lines);
    return 0;
}

}  // namespace cli
