#include "checksums/hash_recognition.h"

#include "engine/digest.h"
#include "engine/text.h"

#include <algorithm>

namespace vms {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kMaxLineLength = 4096;

int Base64Value(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return c - L'A';
    if (c >= L'a' && c <= L'z') return c - L'a' + 26;
    if (c >= L'0' && c <= L'9') return c - L'0' + 52;
    if (c == L'+' || c == L'-') return 62;
    if (c == L'/' || c == L'_') return 63;
    return -1;
}

bool StartsWithIgnoreCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

std::wstring_view FirstNonBlankLine(std::wstring_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find(L'\n');
        const std::wstring_view line = TrimText(text.substr(0, end));
        if (!line.empty()) return line;
        if (end == std::wstring_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return {};
}

// Where a form's decoding succeeded and the length has candidates, recognition
// ends: a hint must agree with the length, or there is no result at all.
std::optional<ParsedHash> Conclude(Bytes bytes, std::optional<AlgorithmId> hint, std::wstring name) {
    if (hint) {
        if (bytes.size() != GetAlgorithm(*hint).digestSize) return std::nullopt;
        return ParsedHash{std::move(bytes), {*hint}, true, std::move(name)};
    }
    std::vector<AlgorithmId> candidates = AlgorithmsForDigestSize(bytes.size());
    return ParsedHash{std::move(bytes), std::move(candidates), false, std::move(name)};
}

bool HasCandidates(const Bytes& bytes) { return !AlgorithmsForDigestSize(bytes.size()).empty(); }

// "sha384-" and base64, as in a Subresource Integrity attribute.
std::optional<ParsedHash> SubresourceIntegrity(std::wstring_view line) {
    const std::size_t dash = line.find(L'-');
    if (dash == std::wstring_view::npos) return std::nullopt;
    const std::wstring_view prefix = line.substr(0, dash);
    std::optional<AlgorithmId> id;
    if (EqualsIgnoreCase(prefix, L"sha256")) id = kSha256;
    if (EqualsIgnoreCase(prefix, L"sha384")) id = kSha384;
    if (EqualsIgnoreCase(prefix, L"sha512")) id = kSha512;
    if (!id) return std::nullopt;
    auto bytes = DecodeBase64(line.substr(dash + 1));
    if (!bytes || bytes->size() != GetAlgorithm(*id).digestSize) return std::nullopt;
    return ParsedHash{std::move(*bytes), {*id}, true, L""};
}

struct Label {
    AlgorithmId hint;
    std::wstring_view word;   // the algorithm name as written
    std::wstring_view value;
};

// "SHA256: value", "sha256 checksum: value", "MD5=value", "blake3 value".
std::optional<Label> FindLabel(std::wstring_view line) {
    const std::size_t separator = line.find_first_of(L" \t:=");
    if (separator == std::wstring_view::npos) return std::nullopt;
    const std::wstring_view word = line.substr(0, separator);
    const auto id = FindAlgorithm(word);
    if (!id) return std::nullopt;
    std::wstring_view rest = TrimText(line.substr(separator));
    for (std::wstring_view word : {L"hash", L"checksum", L"sum", L"digest", L"value", L"fingerprint"}) {
        if (rest.size() > word.size() && StartsWithIgnoreCase(rest, word) &&
            std::wstring_view(L" :=").find(rest[word.size()]) != std::wstring_view::npos) {
            rest = TrimText(rest.substr(word.size()));
            break;
        }
    }
    if (rest.empty()) return std::nullopt;
    if (rest.front() == L':' || rest.front() == L'=') {
        rest = TrimText(rest.substr(1));
        if (rest.empty()) return std::nullopt;
    }
    return Label{*id, word, rest};
}

// Hexadecimal with "0x", or with colons, blanks (and, unless strict, dashes) between groups.
std::optional<Bytes> TolerantHex(std::wstring_view value, bool strict) {
    value = TrimText(value);
    if (value.size() > 2 && (value.starts_with(L"0x") || value.starts_with(L"0X"))) value.remove_prefix(2);
    std::wstring digits;
    for (wchar_t c : value) {
        if (HexDigitValue(c) >= 0) {
            digits += c;
        } else if (!(c == L'\t' || c == L' ' || c == L':' || (c == L'-' && !strict))) {
            return std::nullopt;
        }
    }
    auto bytes = DecodeHexStrict(digits);
    if (!bytes || !HasCandidates(*bytes)) return std::nullopt;
    return bytes;
}

struct GnuParts {
    Bytes bytes;
    std::optional<AlgorithmId> hint;
    std::wstring name;
};

// "hex  name" or "hex *name"; "XXH3_hex" names XXH3-64.
std::optional<GnuParts> GnuLine(std::wstring_view value, std::optional<AlgorithmId> hint) {
    const std::size_t space = value.find(L' ');
    std::wstring_view hashPart = value.substr(0, space);
    std::wstring_view namePart;
    if (space != std::wstring_view::npos) {
        namePart = value.substr(space + 1);
        if (namePart.starts_with(L' ') || namePart.starts_with(L'*')) namePart.remove_prefix(1);
    }
    if (hashPart.size() > 5 && StartsWithIgnoreCase(hashPart, L"XXH3_")) {
        hashPart.remove_prefix(5);
        hint = kXxh3_64;
    }
    auto bytes = DecodeHexStrict(hashPart);
    if (!bytes || !HasCandidates(*bytes)) return std::nullopt;
    return GnuParts{std::move(*bytes), hint, std::wstring(TrimText(namePart))};
}

// Tolerant hexadecimal, a gnu line, then base64, on a value that may carry a label's hint.
std::optional<ParsedHash> RecognizeValue(std::wstring_view value, std::optional<AlgorithmId> hint, bool labelled,
                                         bool strict) {
    if (auto hex = TolerantHex(value, strict)) return Conclude(std::move(*hex), hint, L"");
    if (auto gnu = GnuLine(value, hint)) return Conclude(std::move(gnu->bytes), gnu->hint, std::move(gnu->name));
    if (strict && !labelled) return std::nullopt;
    auto base64 = DecodeBase64(value);
    if (!base64 || !HasCandidates(*base64)) return std::nullopt;
    return Conclude(std::move(*base64), hint, L"");
}

bool IsAllHex(std::wstring_view text) {
    return std::ranges::all_of(text, [](wchar_t c) { return HexDigitValue(c) >= 0; });
}

}  // namespace

std::optional<BsdLineParts> SplitBsdLine(std::wstring_view line) {
    const bool escaped = line.starts_with(L'\\');
    if (escaped) line.remove_prefix(1);
    const std::size_t open = line.find(L" (");
    const std::size_t close = line.rfind(L") = ");
    if (open == std::wstring_view::npos || close == std::wstring_view::npos || close < open + 2) return std::nullopt;
    const auto id = FindAlgorithm(line.substr(0, open));
    if (!id) return std::nullopt;
    auto bytes = DecodeHexStrict(TrimText(line.substr(close + 4)));
    if (!bytes || bytes->size() != GetAlgorithm(*id).digestSize) return std::nullopt;
    return BsdLineParts{escaped, *id, line.substr(open + 2, close - open - 2), std::move(*bytes)};
}

std::optional<std::vector<std::uint8_t>> DecodeBase64(std::wstring_view text) {
    text = TrimText(text);
    while (text.ends_with(L'=')) text.remove_suffix(1);
    if (text.empty() || text.size() % 4 == 1) return std::nullopt;
    Bytes bytes;
    bytes.reserve(text.size() * 3 / 4);
    std::uint32_t bits = 0;
    int pending = 0;
    for (wchar_t c : text) {
        const int value = Base64Value(c);
        if (value < 0) return std::nullopt;
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        pending += 6;
        if (pending >= 8) {
            pending -= 8;
            bytes.push_back(static_cast<std::uint8_t>(bits >> pending));
        }
    }
    return bytes;
}

std::optional<ParsedHash> RecognizeHash(std::wstring_view text, bool strict) {
    const std::wstring_view line = FirstNonBlankLine(text);
    if (line.empty() || line.size() > kMaxLineLength) return std::nullopt;
    if (auto bsd = SplitBsdLine(line)) return ParsedHash{std::move(bsd->bytes), {bsd->algorithm}, true, std::wstring(bsd->name)};
    if (auto sri = SubresourceIntegrity(line)) return sri;

    const std::optional<Label> label = FindLabel(line);
    if (!label) return RecognizeValue(line, std::nullopt, false, strict);
    if (auto labelled = RecognizeValue(label->value, label->hint, true, strict)) return labelled;
    // "b3" names BLAKE3 but is also the first byte of hexadecimal written in
    // groups ("b3:38:74:..."); such a line is read again as a whole.
    if (IsAllHex(label->word)) return RecognizeValue(line, std::nullopt, false, strict);
    return std::nullopt;
}

AlgorithmMask CandidateMask(std::span<const AlgorithmId> candidates) {
    AlgorithmMask mask = 0;
    for (AlgorithmId id : candidates) mask |= MaskOf(id);
    return mask;
}

AlgorithmMask CandidateMask(const ParsedHash& parsed) { return CandidateMask(parsed.candidates); }

std::optional<AlgorithmId> FindMatchingCandidate(std::span<const AlgorithmId> candidates,
                                                 std::span<const std::uint8_t> expected, const DigestSet& digests) {
    for (AlgorithmId id : candidates) {
        const DigestEntry& entry = digests[id];
        if (entry.present && DigestEquals(entry.digest, expected)) return id;
    }
    return std::nullopt;
}

std::optional<AlgorithmId> FindMatchingCandidate(const ParsedHash& parsed, const DigestSet& digests) {
    return FindMatchingCandidate(parsed.candidates, parsed.bytes, digests);
}

}  // namespace vms
