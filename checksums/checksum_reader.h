// Reads checksum files in the gnu (sha256sum), bsd (tagged) and sfv layouts,
// also inside an OpenPGP clear-text signature (not checked). Parsing never
// fails: lines that are not checksum lines are counted by number.
#pragma once

#include "engine/algorithms.h"
#include "engine/result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vms {

inline constexpr std::uint64_t kMaxChecksumFileSize = 0x4000000;  // 64 MiB

struct ChecksumEntry {
    std::wstring name;                    // as written on the line, unescaped when marked
    std::vector<std::uint8_t> bytes;      // the expected digest
    std::vector<AlgorithmId> candidates;  // never empty, most likely first
    std::uint32_t line = 0;               // counting from 1
};

struct ChecksumFile {
    std::vector<ChecksumEntry> entries;          // file order
    std::vector<std::uint32_t> skipped_lines;    // ascending line numbers
};

// The decoded text of a checksum file (byte-order marks, UTF-16 and the ANSI
// code page handled), or the system error: ERROR_FILE_TOO_LARGE when the file
// is larger than 64 MiB.
Result<std::wstring> ReadChecksumText(const std::wstring& path);

// The same file's raw bytes, for checking its signature over exactly what is parsed.
Result<std::vector<std::uint8_t>> ReadChecksumBytes(const std::wstring& path);

// The algorithm a file name implies: "x.sha256", "SHA256SUMS", "MD5SUMS.asc"...
std::optional<AlgorithmId> ChecksumAlgorithmFromFileName(std::wstring_view path);

// The entries of a checksum text; checksumPath only decides the algorithm the
// file name implies and whether sfv lines are tried first.
ChecksumFile ParseChecksumText(std::wstring_view text, std::wstring_view checksumPath);

}  // namespace vms
