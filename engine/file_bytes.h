// Whole small files as bytes: checksum files, keys and signatures.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vms {

// The file's bytes; nothing when it can't be read, with the system error:
// ERROR_FILE_TOO_LARGE (223) when it is larger than maxSize.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::wstring& path, std::uint64_t maxSize, DWORD& error);

// Creates or replaces the file with these bytes; false with the system error.
// A failed write removes what it wrote.
bool WriteFileBytes(const std::wstring& path, std::string_view bytes, DWORD& error);

// Writes the bytes to a temporary file beside path, then moves it in place,
// so a failure leaves what was at path as it was. False with the system error.
bool ReplaceFileWith(const std::wstring& path, std::string_view bytes, DWORD& error);

}  // namespace vms
