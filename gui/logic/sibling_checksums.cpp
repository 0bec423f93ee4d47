#include "gui/logic/sibling_checksums.h"

#include "checksums/checksum_reader.h"
#include "checksums/entry_verification.h"
#include "checksums/hash_recognition.h"
#include "engine/text.h"
#include "engine/win_handles.h"
#include "gui/logic/verdict.h"

#include <algorithm>

namespace app {
namespace {

std::wstring_view NameOf(std::wstring_view path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring_view::npos ? path : path.substr(separator + 1);
}

// "sha256", "md5"... as they end checksum files named after a download.
bool IsAlgorithmName(std::wstring_view name) {
    return std::ranges::any_of(vms::AllAlgorithms(), [&](const vms::AlgorithmInfo& info) {
        const std::string cliName = info.cliName;
        return vms::EqualsIgnoreCase(name, std::wstring(cliName.begin(), cliName.end()));
    });
}

// NAME.<algorithm>, NAME.<algorithm>.txt or NAME.<algorithm>sum.
bool NamedAfter(std::wstring_view candidate, std::wstring_view fileName) {
    if (candidate.size() <= fileName.size() + 1 || !vms::EqualsIgnoreCase(candidate.substr(0, fileName.size()), fileName) ||
        candidate[fileName.size()] != L'.') {
        return false;
    }
    std::wstring_view ending = candidate.substr(fileName.size() + 1);
    if (vms::EndsWithIgnoreCase(ending, L".txt")) ending.remove_suffix(4);
    else if (vms::EndsWithIgnoreCase(ending, L"sum")) ending.remove_suffix(3);
    return IsAlgorithmName(ending);
}

bool IsSumsName(std::wstring_view name) { return name.size() > 4 && name.ends_with(L"SUMS"); }

}  // namespace

bool IsSiblingCandidate(std::wstring_view candidateName, std::wstring_view fileName) {
    if (vms::EqualsIgnoreCase(candidateName, fileName)) return false;
    return NamedAfter(candidateName, fileName) || IsSumsName(candidateName) ||
           LooksLikeChecksumFile(std::wstring(candidateName));
}

std::vector<std::wstring> SiblingCandidates(std::span<const std::wstring> folderNames, std::wstring_view fileName) {
    std::vector<std::wstring> candidates;
    for (const bool named : {true, false}) {
        for (const std::wstring& name : folderNames) {
            if (candidates.size() == kMaxSiblingCandidates) return candidates;
            if (NamedAfter(name, fileName) == named && IsSiblingCandidate(name, fileName)) candidates.push_back(name);
        }
    }
    return candidates;
}

std::optional<SiblingListing> ListingIn(const std::wstring& listPath, std::wstring_view text,
                                        const std::wstring& filePath) {
    const vms::ChecksumFile file = vms::ParseChecksumText(text, listPath);
    for (const vms::ChecksumEntry& entry : file.entries) {
        if (vms::EqualsIgnoreCase(vms::ToLongPath(vms::ResolveEntryPath(listPath, entry.name)),
                                  vms::ToLongPath(filePath))) {
            return SiblingListing{listPath, entry.bytes, entry.candidates, entry.line};
        }
    }
    if (!file.entries.empty() || !NamedAfter(NameOf(listPath), NameOf(filePath))) return std::nullopt;
    auto bare = vms::RecognizeHash(vms::TrimText(text), true);
    if (!bare || bare->candidates.empty()) return std::nullopt;
    // "NAME.sha256" says which of the algorithms of that length it is.
    if (const auto named = vms::ChecksumAlgorithmFromFileName(listPath);
        named && std::ranges::find(bare->candidates, *named) != bare->candidates.end()) {
        bare->candidates = {*named};
    }
    return SiblingListing{listPath, bare->bytes, bare->candidates, 0};
}

std::optional<SiblingListing> FindSiblingListing(const std::wstring& filePath) {
    const std::size_t separator = filePath.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return std::nullopt;
    const std::wstring folder = filePath.substr(0, separator + 1);
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const vms::UniqueFind search(FindFirstFileW(vms::ToLongPath(folder + L"*").c_str(), &found));
    if (!search.Valid()) return std::nullopt;
    do {
        const std::uint64_t size = (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && size <= kMaxSiblingSize) {
            names.emplace_back(found.cFileName);
        }
    } while (FindNextFileW(search.Get(), &found));
    std::ranges::sort(names, [](const std::wstring& a, const std::wstring& b) { return vms::ToLowerW(a) < vms::ToLowerW(b); });
    for (const std::wstring& name : SiblingCandidates(names, NameOf(filePath))) {
        const std::wstring listPath = folder + name;
        const vms::Result<std::wstring> text = vms::ReadChecksumText(listPath);
        if (!text) continue;
        if (auto listing = ListingIn(listPath, *text, filePath)) return listing;
    }
    return std::nullopt;
}

}  // namespace app
