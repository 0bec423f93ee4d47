#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vms {

// The layouts checksum text is written in; the values are stored and compared.
enum class OutputFormat : std::uint32_t { Gnu = 0, Bsd = 1, Sfv = 2, Csv = 3, Json = 4 };

// "gnu", "bsd" (or "tag"), "sfv", "csv" and "json", ignoring case, whole text only.
std::optional<OutputFormat> ParseFormatName(std::wstring_view name);

}  // namespace vms
