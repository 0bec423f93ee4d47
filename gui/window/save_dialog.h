// Save Checksums: where to, in which format, and the file written.
#pragma once

#include "gui/logic/file_row.h"
#include "gui/logic/settings.h"

#include <windows.h>

#include <span>
#include <vector>

namespace app {

// Saves the selected rows' checksums (every row's when none is selected) in
// the format the user picks, or says there is nothing to save yet.
void SaveChecksums(HWND owner, const std::vector<FileRow>& rows, std::span<const std::size_t> selected,
                   const Settings& settings);

}  // namespace app
