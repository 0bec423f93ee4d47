// How rows of the window's list are named across threads.
#pragma once

#include <cstdint>

namespace app {

// Never reused within a run.
using RowId = std::uint64_t;

}  // namespace app
