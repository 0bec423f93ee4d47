#include "cli/modes.h"
#include "cli/options.h"

int wmain(int argc, wchar_t** argv) {
    using namespace vms;
    Options options;
    const ParseOutcome outcome = ParseCommandLine(argc, argv, options);
    if (outcome.finished) return static_cast<int>(outcome.exitCode);

    const int modeCount = int{options.text.has_value()} + int{options.expect.has_value()} + int{options.check};
    if (modeCount >= 2) return UsageError(L"Use only one of --check, --expect and --text.");
    if (options.text) {
        if (!options.inputs.empty()) return UsageError(L"--text hashes the string only. Leave out the file names.");
        return RunText(options);
    }
    if (options.check) return RunCheck(options);
    if (options.expect) return RunExpect(options);
    return RunCompute(options);
}
