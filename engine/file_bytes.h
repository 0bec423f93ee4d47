// Whole small files as bytes: checksum files, keys and signatures.
#pragma once

#include "engine/result.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vms {

// The file's bytes, or the system error: ERROR_FILE_TOO_LARGE when it is
// larger than maxSize.
Result<std::vector<std::uint8_t>> ReadFileBytes(const std::wstring& path, std::uint64_t maxSize);

// Creates or replaces the file with these bytes. A failed write removes what
// it wrote.
Result<void> WriteFileBytes(const std::wstring& path, std::string_view bytes);

// Writes the bytes to a temporary file beside path, then moves it in place,
// so a failure leaves what was at path as it was.
Result<void> ReplaceFileWith(const std::wstring& path, std::string_view bytes);

}  // namespace vms
