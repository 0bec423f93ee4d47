// The text under the list: what is being hashed, each file in flight with how
// far it is, how fast and how long it will take; or, when idle, how many files
// the list holds.
#pragma once

#include "gui/logic/file_row.h"
#include "gui/logic/hash_worker.h"

#include <string>
#include <vector>

namespace app {

struct StatusLine {
    std::wstring text;
    bool showProgress = false;  // the bar, the Cancel button and the taskbar progress
    int barPosition = 0;        // 0 to 10,000
};

StatusLine BuildStatusLine(const ProgressSnapshot& snapshot, const std::vector<FileRow>& rows);

}  // namespace app
