// The one-line progress display on a console's standard error, redrawn with
// carriage returns at most every 250 ms. Draws nothing when standard error
// is not a console.
#pragma once

#include "engine/pipeline.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace cli {

struct Progress {
    bool enabled = false;           // standard error is a console
    std::uint64_t shownWidth = 0;   // characters now on screen
    std::wstring name;              // shown after the percentage
    std::uint64_t total = 0;        // the size the percentage refers to
    std::uint64_t lastTick = 0;     // tick count of the last drawing; 0 before the first

    // Hashing options whose progress callable draws "<percent>%  <name>" here.
    // The progress object must outlive the hashing call.
    vms::HashOptions Options();

    // A progress display for this process's standard error.
    static Progress ForStandardError();
};

void ShowProgress(Progress& progress, std::wstring_view text);
void ClearProgress(Progress& progress);

}  // namespace cli
