#pragma once

#include <cstdint>
#include <string>

namespace vms {

// The system's text for a Windows error code without its final full stop and
// line end, or "Error " and the number when the system has no text for it.
std::wstring FormatErrorText(std::uint32_t code);

}  // namespace vms
