// The check events posted to a window, handed to its checking session.
#pragma once

#include "gui/logic/check_session.h"

#include <windows.h>

#include <optional>

namespace app {

// What the session changed for a posted check event; nothing for another
// message, which the caller keeps.
std::optional<Changes> DeliverPostedEvent(CheckSession& session, UINT message, LPARAM lParam,
                                          FinishedCommands& finished);

}  // namespace app
