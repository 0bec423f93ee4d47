// The one-line progress display on a console's standard error, redrawn with
// carriage returns at most every 250 ms. Draws nothing when standard error
// is not a console.
#pragma once

#include "engine/file_batch.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace cli {

struct Progress {
    bool enabled = false;           // standard error is a console
    std::uint64_t shownWidth = 0;   // characters now on screen
    std::uint64_t lastTick = 0;     // tick count of the last drawing; 0 before the first

    // A progress display for this process's standard error.
    static Progress ForStandardError();
};

// Files smaller than this are done too soon to show how far they are.
inline constexpr std::uint64_t kProgressThreshold = 0x4000000;  // 64 MiB

void ShowProgress(Progress& progress, std::wstring_view text);

// The line for a batch's files in flight that have a progress line: their
// bytes read against their sizes together, then the name of the one, or
// "<n> files: <name>, <name>..." of several. names holds each file's.
void ShowFilesInFlight(Progress& progress, std::span<const vms::InFlight> inFlight,
                       std::span<const vms::BatchFile> files, std::span<const std::wstring> names);
// Clears the line; the next one is drawn at once.
void ClearProgress(Progress& progress);

}  // namespace cli
