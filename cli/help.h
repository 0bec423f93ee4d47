#pragma once

namespace cli {

// The help text, whole, to standard output.
void WriteHelp();

// One line per algorithm: command-line name, display name, bits, and a note for
// algorithms that only detect corruption.
void WriteAlgorithmList();

}  // namespace cli
