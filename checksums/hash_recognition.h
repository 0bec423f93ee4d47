// Recognises a pasted or typed hash value: hexadecimal in many shapes, a gnu or
// bsd checksum line, a labelled value, a Subresource Integrity value or base64.
// Pure functions; recognition never hashes anything.
#pragma once

#include "engine/algorithms.h"
#include "engine/pipeline.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vms {

struct ParsedHash {
    std::vector<std::uint8_t> bytes;       // 4, 8, 16, 20, 32, 48 or 64 bytes
    std::vector<AlgorithmId> candidates;   // never empty, most likely first
    bool algorithm_named = false;          // the text named the one candidate
    std::wstring name;                     // the file name of a pasted checksum line
};

// A bsd (tagged) checksum line taken apart: "TAG (name) = hex", optionally
// behind the escape backslash. The name is as written, not unescaped.
struct BsdLineParts {
    bool escaped = false;
    AlgorithmId algorithm = 0;
    std::wstring_view name;
    std::vector<std::uint8_t> bytes;  // exactly the tag's digest size
};
std::optional<BsdLineParts> SplitBsdLine(std::wstring_view line);

// The first non-blank line of text as a hash, or nothing. strict refuses bare
// base64 and dash-separated hexadecimal (for text taken from the clipboard).
std::optional<ParsedHash> RecognizeHash(std::wstring_view text, bool strict);

// Standard or URL-safe base64, trimmed, trailing "=" optional.
std::optional<std::vector<std::uint8_t>> DecodeBase64(std::wstring_view text);

AlgorithmMask CandidateMask(const ParsedHash& parsed);

// The first candidate whose computed digest equals the expected bytes exactly;
// candidates without a computed digest are passed over.
std::optional<AlgorithmId> FindMatchingCandidate(std::span<const AlgorithmId> candidates,
                                                 std::span<const std::uint8_t> expected, const DigestSet& digests);
std::optional<AlgorithmId> FindMatchingCandidate(const ParsedHash& parsed, const DigestSet& digests);

// The candidates as a mask: the algorithms to compute.
AlgorithmMask CandidateMask(std::span<const AlgorithmId> candidates);

}  // namespace vms
