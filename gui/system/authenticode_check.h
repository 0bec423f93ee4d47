// Checking a file's Authenticode signature with WinVerifyTrust, embedded or
// through the system's security catalogs.
#pragma once

#include "gui/logic/authenticode.h"

#include <string>

namespace app {

// Verifies the file's embedded signature and, when it has none, looks it up
// in the system's catalogs (files up to 256 MiB). Can read the whole file.
AuthenticodeInfo CheckAuthenticode(const std::wstring& path);

}  // namespace app
