// vmsum's inputs turned into the files to hash, in command-line order.
#pragma once

#include "cli/options.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct Target {
    std::wstring path;     // what is opened; empty means standard input
    std::wstring display;  // the name reported and written to checksum output
    std::optional<std::uint64_t> size;  // as the folder listing gave it, when it came from one
};

// Expands "-", wildcard patterns, folders and file names into targets. Inputs
// that fail are reported on standard error; returns false if any did.
bool CollectTargets(const Options& options, std::vector<Target>& targets);

}  // namespace cli
