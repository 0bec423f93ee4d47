// The fifteen algorithms both programs know, in one constant table, and the
// lookups built on it. Everything here is constant data or pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vms {

// Index of a row in the algorithm table, 0 to 14.
using AlgorithmId = std::uint8_t;

// A set of algorithms: bit n stands for AlgorithmId n. Lists made from a mask
// are always in table order.
using AlgorithmMask = std::uint32_t;

inline constexpr std::size_t kAlgorithmCount = 15;
inline constexpr AlgorithmMask kAllAlgorithms = 0x7FFF;

// Row ids, for code that names a particular algorithm.
inline constexpr AlgorithmId kCrc32 = 0;
inline constexpr AlgorithmId kMd5 = 1;
inline constexpr AlgorithmId kSha1 = 2;
inline constexpr AlgorithmId kSha256 = 3;
inline constexpr AlgorithmId kSha384 = 4;
inline constexpr AlgorithmId kSha512 = 5;
inline constexpr AlgorithmId kSha3_256 = 6;
inline constexpr AlgorithmId kSha3_384 = 7;
inline constexpr AlgorithmId kSha3_512 = 8;
inline constexpr AlgorithmId kBlake3 = 9;
inline constexpr AlgorithmId kXxh64 = 10;
inline constexpr AlgorithmId kXxh3_64 = 11;
inline constexpr AlgorithmId kXxh128 = 12;
inline constexpr AlgorithmId kMd2 = 13;
inline constexpr AlgorithmId kMd4 = 14;

enum class AlgorithmFamily : std::uint8_t { Standard = 0, Modern = 1, Fast = 2, Legacy = 3 };

struct AlgorithmInfo {
    std::uint32_t id;              // equals the row index
    const wchar_t* displayName;    // shown to users: menus, headers, listings
    const char* cliName;           // lower case: command line and JSON keys
    const char* tag;               // upper case: opens a BSD-style checksum line
    std::uint32_t digestSize;      // bytes
    AlgorithmFamily family;
    std::uint8_t secure;           // 1 = fit for security use
};

constexpr AlgorithmMask MaskOf(AlgorithmId id) { return AlgorithmMask{1} << (id & 31); }

// All 15 rows in id order.
std::span<const AlgorithmInfo> AllAlgorithms();

// The row of an id below 15 (callers only pass ids that came from the table).
const AlgorithmInfo& GetAlgorithm(AlgorithmId id);

// Looks a name up ignoring case, "-", "_" and " ", then through the aliases
// ("b3", "sha2-256", ...). Names with any non-ASCII unit are unknown.
std::optional<AlgorithmId> FindAlgorithm(std::wstring_view name);
std::optional<AlgorithmId> FindAlgorithmAscii(std::string_view name);

// The algorithms whose digests have this many bytes, most likely first.
std::vector<AlgorithmId> AlgorithmsForDigestSize(std::size_t digestSize);

// The ids whose bits are set, in table order.
std::vector<AlgorithmId> AlgorithmsInMask(AlgorithmMask mask);

int CountAlgorithms(AlgorithmMask mask);

// Adds the algorithms of a comma-separated list ("sha256,md5", "all") to mask.
// Empty items are ignored. On an unknown item, stores it (trimmed) in offending
// and returns false; bits of earlier items stay set.
bool ParseAlgorithmList(std::wstring_view list, AlgorithmMask& mask, std::wstring& offending);

}  // namespace vms
