#include "cli/modes.h"

#include "cli/console.h"

namespace vms {
namespace {

int NotYetAvailable(std::wstring_view mode) {
    WriteErrLine(L"vmsum: " + std::wstring(mode) + L" is not available in this build.");
    return 2;
}

}  // namespace

int RunCheck(const Options&) { return NotYetAvailable(L"Checking"); }

}  // namespace vms
