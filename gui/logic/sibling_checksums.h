// Finding, in a download's own folder, the checksum file that lists it: a
// list such as SHA256SUMS, a file named after the download (NAME.sha256,
// NAME.sha256.txt, NAME.sha256sum), or one that holds only its bare hash.
#pragma once

#include "engine/algorithms.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace app {

inline constexpr std::size_t kMaxSiblingCandidates = 20;
inline constexpr std::uint64_t kMaxSiblingSize = 64 * 1024 * 1024;

// True when a file of this name, in the same folder as fileName, may hold its checksum.
bool IsSiblingCandidate(std::wstring_view candidateName, std::wstring_view fileName);

// The candidates among a folder's names, in the order they are tried: those
// named after the file first, then the others in the given order; at most
// kMaxSiblingCandidates, and never the file itself.
std::vector<std::wstring> SiblingCandidates(std::span<const std::wstring> folderNames, std::wstring_view fileName);

// Where a checksum for the file was found.
struct SiblingListing {
    std::wstring listPath;
    std::vector<std::uint8_t> expectedBytes;
    std::vector<vms::AlgorithmId> candidates;
    std::uint32_t line = 0;  // 0 for a file that holds only the hash
};

// The entry for filePath in one candidate's text: a line whose name resolves
// to it (letter case ignored, as Windows does), or, in a file named after it,
// a bare hash that is the whole text.
std::optional<SiblingListing> ListingIn(const std::wstring& listPath, std::wstring_view text,
                                        const std::wstring& filePath);

// The whole search for one file: lists its folder, reads the candidates (each
// at most kMaxSiblingSize) and gives the first listing found. Reads files:
// call it on a worker thread.
std::optional<SiblingListing> FindSiblingListing(const std::wstring& filePath);

}  // namespace app
