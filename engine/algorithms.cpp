#include "engine/algorithms.h"

#include "engine/text.h"

#include <array>
#include <bit>

namespace vms {
namespace {

using enum AlgorithmFamily;

constexpr std::array<AlgorithmInfo, kAlgorithmCount> kTable{{
    {0, L"CRC32", "crc32", "CRC32", 4, Fast, 0},
    {1, L"MD5", "md5", "MD5", 16, Standard, 0},
    {2, L"SHA-1", "sha1", "SHA1", 20, Standard, 0},
    {3, L"SHA-256", "sha256", "SHA256", 32, Standard, 1},
    {4, L"SHA-384", "sha384", "SHA384", 48, Standard, 1},
    {5, L"SHA-512", "sha512", "SHA512", 64, Standard, 1},
    {6, L"SHA3-256", "sha3-256", "SHA3-256", 32, Modern, 1},
    {7, L"SHA3-384", "sha3-384", "SHA3-384", 48, Modern, 1},
    {8, L"SHA3-512", "sha3-512", "SHA3-512", 64, Modern, 1},
    {9, L"BLAKE3", "blake3", "BLAKE3", 32, Modern, 1},
    {10, L"XXH64", "xxh64", "XXH64", 8, Fast, 0},
    {11, L"XXH3-64", "xxh3", "XXH3", 8, Fast, 0},
    {12, L"XXH128", "xxh128", "XXH128", 16, Fast, 0},
    {13, L"MD2", "md2", "MD2", 16, Legacy, 0},
    {14, L"MD4", "md4", "MD4", 16, Legacy, 0},
}};

struct Alias {
    std::string_view normalized;
    AlgorithmId id;
};

constexpr Alias kAliases[] = {
    {"b3", kBlake3},       {"blake3256", kBlake3}, {"crc", kCrc32},
    {"xxh364", kXxh3_64},  {"xxh364bits", kXxh3_64}, {"xxh3128", kXxh128},
    {"sha", kSha1},        {"sha160", kSha1},      {"sha2256", kSha256},
    {"sha2384", kSha384},  {"sha2512", kSha512},
};

struct SizeCandidates {
    std::size_t digestSize;
    std::size_t count;
    std::array<AlgorithmId, 4> ids;  // the first count entries, most likely first
};

constexpr SizeCandidates kCandidatesBySize[] = {
    {4, 1, {kCrc32}},
    {8, 2, {kXxh64, kXxh3_64}},
    {16, 4, {kMd5, kXxh128, kMd4, kMd2}},
    {20, 1, {kSha1}},
    {32, 3, {kSha256, kSha3_256, kBlake3}},
    {48, 2, {kSha384, kSha3_384}},
    {64, 2, {kSha512, kSha3_512}},
};

// Drops "-", "_" and " " and lower-cases ASCII letters; other bytes stay.
std::string Normalize(std::string_view name) {
    std::string result;
    result.reserve(name.size());
    for (char c : name) {
        if (c == '-' || c == '_' || c == ' ') continue;
        result += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return result;
}

std::string NarrowAscii(const wchar_t* text) {
    std::string narrow;
    for (; *text; ++text) narrow += static_cast<char>(*text);
    return narrow;
}

}  // namespace

std::span<const AlgorithmInfo> AllAlgorithms() { return kTable; }

const AlgorithmInfo& GetAlgorithm(AlgorithmId id) { return kTable[id]; }

std::optional<AlgorithmId> FindAlgorithm(std::wstring_view name) {
    std::string narrow;
    narrow.reserve(name.size());
    for (wchar_t c : name) {
        if (c > 127) return std::nullopt;
        narrow += static_cast<char>(c);
    }
    return FindAlgorithmAscii(narrow);
}

std::optional<AlgorithmId> FindAlgorithmAscii(std::string_view name) {
    const std::string wanted = Normalize(name);
    if (wanted.empty()) return std::nullopt;
    for (const AlgorithmInfo& row : kTable) {
        if (Normalize(row.cliName) == wanted || Normalize(row.tag) == wanted ||
            Normalize(NarrowAscii(row.displayName)) == wanted) {
            return static_cast<AlgorithmId>(row.id);
        }
    }
    for (const Alias& alias : kAliases) {
        if (alias.normalized == wanted) return alias.id;
    }
    return std::nullopt;
}

std::vector<AlgorithmId> AlgorithmsForDigestSize(std::size_t digestSize) {
    for (const SizeCandidates& entry : kCandidatesBySize) {
        if (entry.digestSize == digestSize) return {entry.ids.begin(), entry.ids.begin() + entry.count};
    }
    return {};
}

std::vector<AlgorithmId> AlgorithmsInMask(AlgorithmMask mask) {
    std::vector<AlgorithmId> ids;
    for (const AlgorithmInfo& row : kTable) {
        if (mask & MaskOf(static_cast<AlgorithmId>(row.id))) ids.push_back(static_cast<AlgorithmId>(row.id));
    }
    return ids;
}

int CountAlgorithms(AlgorithmMask mask) { return std::popcount(mask); }

bool ParseAlgorithmList(std::wstring_view list, AlgorithmMask& mask, std::wstring& offending) {
    for (;;) {
        const size_t comma = list.find(L',');
        const std::wstring_view item = TrimText(list.substr(0, comma));
        if (EqualsIgnoreCase(item, L"all")) {
            mask |= kAllAlgorithms;
        } else if (const auto id = FindAlgorithm(item)) {
            mask |= MaskOf(*id);
        } else if (!item.empty()) {
            offending.assign(item);
            return false;
        }
        if (comma == std::wstring_view::npos) return true;
        list.remove_prefix(comma + 1);
    }
}

}  // namespace vms
