#include "checksums/hash_recognition.h"
#include "cli/compute.h"
#include "cli/console.h"
#include "cli/run_modes.h"

namespace cli {

using namespace vms;

int RunExpect(const Options& given) {
    Options options = given;
    const auto parsed = RecognizeHash(*options.expect, false);
    if (!parsed) return UsageError(L"\"" + *options.expect + L"\" doesn't look like a hash.");
    if (options.inputs.empty() && !parsed->name.empty()) options.inputs.push_back(parsed->name);
    if (options.inputs.empty()) return UsageError(L"--expect needs the file to compare.");

    std::vector<Target> targets;
    int exitCode = CollectTargets(options, targets) ? 0 : 3;
    // Every candidate algorithm in the same pass over each file.
    const AlgorithmMask algorithms = CandidateMask(*parsed);
    Progress progress = Progress::ForStandardError();
    const Batch batch = BatchOf(targets, algorithms);
    HashInOrder(batch.files, batch.names, options.jobs, progress, [&](std::size_t index, const HashResult& result) {
        const Target& target = targets[index];
        if (result.error != 0 || result.cancelled) {
            ReportHashError(target, result);
            if (exitCode != 1) exitCode = 3;
            return;
        }
        if (const auto match = FindMatchingCandidate(*parsed, result.digests)) {
            if (!options.status) {
                WriteOutLine(L"MATCH (" + std::wstring(GetAlgorithm(*match).displayName) + L"): " + target.display);
            }
        } else {
            if (!options.status) WriteOutLine(L"NO MATCH: " + target.display);
            exitCode = 1;  // a mismatch outweighs read errors
        }
    });
    return exitCode;
}

}  // namespace cli
