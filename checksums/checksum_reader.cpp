#include "checksums/checksum_reader.h"

#include "checksums/hash_recognition.h"
#include "engine/digest.h"
#include "engine/file_bytes.h"
#include "engine/text.h"

#include <array>

namespace vms {
namespace {

struct NameEnding {
    std::wstring_view ending;
    AlgorithmId id;
};

constexpr NameEnding kNameEndings[] = {
    {L".md5", kMd5},         {L".sha1", kSha1},         {L".sha256", kSha256},     {L".sha384", kSha384},
    {L".sha512", kSha512},   {L".sha3-256", kSha3_256}, {L".sha3-384", kSha3_384}, {L".sha3-512", kSha3_512},
    {L".b3", kBlake3},       {L".blake3", kBlake3},     {L".sfv", kCrc32},         {L".crc32", kCrc32},
    {L".xxh64", kXxh64},     {L".xxh3", kXxh3_64},      {L".xxh128", kXxh128},     {L".md4", kMd4},
    {L".md2", kMd2},
};

constexpr std::wstring_view kSignedMessageBegin = L"-----BEGIN PGP SIGNED MESSAGE-----";
constexpr std::wstring_view kSignatureBegin = L"-----BEGIN PGP SIGNATURE-----";
constexpr std::wstring_view kSignifyComment = L"untrusted comment: ";
constexpr std::size_t kSignifySignatureLength = 100;
constexpr std::wstring_view kSignatureEnd = L"-----END PGP SIGNATURE-----";

// The reverse of the writer's escaping: "\\" and "\n" and "\r"; any other
// backslash stays with the character after it.
std::wstring Unescape(std::wstring_view name) {
    std::wstring out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == L'\\' && i + 1 < name.size()) {
            const wchar_t next = name[i + 1];
            if (next == L'\\' || next == L'n' || next == L'r') {
                out += next == L'\\' ? L'\\' : next == L'n' ? L'\n' : L'\r';
                ++i;
                continue;
            }
        }
        out += name[i];
    }
    return out;
}

bool StartsWithXxh3Prefix(std::wstring_view text) {
    return text.size() > 5 && EqualsIgnoreCase(text.substr(0, 5), L"XXH3_");
}

std::optional<ChecksumEntry> BsdLine(std::wstring_view line) {
    auto parts = SplitBsdLine(line);
    if (!parts) return std::nullopt;
    return ChecksumEntry{parts->escaped ? Unescape(parts->name) : std::wstring(parts->name), std::move(parts->bytes),
                         {parts->algorithm}, 0};
}

std::optional<ChecksumEntry> GnuLine(std::wstring_view line, std::optional<AlgorithmId> fileAlgorithm) {
    const bool escaped = line.starts_with(L'\\');
    if (escaped) line.remove_prefix(1);
    const std::size_t space = line.find(L' ');
    if (space == std::wstring_view::npos || space + 1 >= line.size()) return std::nullopt;
    std::wstring_view hashPart = line.substr(0, space);
    std::wstring_view name = line.substr(space + 1);
    if (name.starts_with(L' ') || name.starts_with(L'*')) name.remove_prefix(1);
    if (name.empty()) return std::nullopt;
    std::optional<AlgorithmId> prefixed;
    if (StartsWithXxh3Prefix(hashPart)) {
        hashPart.remove_prefix(5);
        prefixed = kXxh3_64;
    }
    auto bytes = DecodeHexStrict(hashPart);
    if (!bytes) return std::nullopt;
    std::vector<AlgorithmId> candidates;
    if (prefixed) {
        candidates = {*prefixed};
    } else if (fileAlgorithm && GetAlgorithm(*fileAlgorithm).digestSize == bytes->size()) {
        candidates = {*fileAlgorithm};
    } else {
        candidates = AlgorithmsForDigestSize(bytes->size());
    }
    if (candidates.empty()) return std::nullopt;
    return ChecksumEntry{escaped ? Unescape(name) : std::wstring(name), std::move(*bytes), std::move(candidates), 0};
}

std::optional<ChecksumEntry> SfvLine(std::wstring_view line) {
    const std::size_t space = line.rfind(L' ');
    if (space == std::wstring_view::npos || space == 0) return std::nullopt;
    auto bytes = DecodeHexStrict(line.substr(space + 1));
    if (!bytes || bytes->size() != 4) return std::nullopt;
    const std::wstring_view name = TrimText(line.substr(0, space));
    if (name.empty()) return std::nullopt;
    return ChecksumEntry{std::wstring(name), std::move(*bytes), {kCrc32}, 0};
}

enum class LineFormat { Bsd, Gnu, Sfv };

std::optional<ChecksumEntry> ParseLine(std::wstring_view line, LineFormat format, std::optional<AlgorithmId> fileAlgorithm) {
    switch (format) {
    case LineFormat::Bsd: return BsdLine(line);
    case LineFormat::Gnu: return GnuLine(line, fileAlgorithm);
    case LineFormat::Sfv: return SfvLine(line);
    }
    return std::nullopt;
}

enum class Armour { None, Header, Signature };

// Follows the OpenPGP clear-text armour; true when the line belongs to it.
bool SkipArmour(std::wstring_view line, Armour& state) {
    const std::wstring_view trimmed = TrimText(line);
    switch (state) {
    case Armour::None:
        if (trimmed == kSignedMessageBegin) state = Armour::Header;
        else if (trimmed == kSignatureBegin) state = Armour::Signature;
        else return false;
        return true;
    case Armour::Header:
        if (trimmed.empty()) state = Armour::None;
        return true;
    case Armour::Signature:
        if (trimmed == kSignatureEnd) state = Armour::None;
        return true;
    }
    return false;
}

}  // namespace

Result<std::vector<std::uint8_t>> ReadChecksumBytes(const std::wstring& path) {
    return ReadFileBytes(path, kMaxChecksumFileSize);
}

Result<std::wstring> ReadChecksumText(const std::wstring& path) {
    const Result<std::vector<std::uint8_t>> bytes = ReadChecksumBytes(path);
    if (!bytes) return bytes.GetError();
    return DecodeText({reinterpret_cast<const char*>(bytes->data()), bytes->size()});
}

std::optional<AlgorithmId> ChecksumAlgorithmFromFileName(std::wstring_view path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    std::wstring name = ToLowerW(separator == std::wstring_view::npos ? path : path.substr(separator + 1));
    for (std::wstring_view wrapper : {L".txt", L".asc", L".sig"}) {
        if (name.ends_with(wrapper)) {
            name.resize(name.size() - wrapper.size());
            break;
        }
    }
    for (const NameEnding& entry : kNameEndings) {
        if (name.ends_with(entry.ending)) return entry.id;
    }
    for (std::wstring_view suffix : {L"sums", L"sum"}) {
        if (name.ends_with(suffix)) return FindAlgorithm(std::wstring_view(name).substr(0, name.size() - suffix.size()));
    }
    return std::nullopt;
}

ChecksumFile ParseChecksumText(std::wstring_view text, std::wstring_view checksumPath) {
    const std::optional<AlgorithmId> fileAlgorithm = ChecksumAlgorithmFromFileName(checksumPath);
    const std::array<LineFormat, 3> order = fileAlgorithm == kCrc32
                                                ? std::array{LineFormat::Sfv, LineFormat::Bsd, LineFormat::Gnu}
                                                : std::array{LineFormat::Bsd, LineFormat::Gnu, LineFormat::Sfv};
    ChecksumFile file;
    Armour armour = Armour::None;
    bool signifyHeader = false;
    std::uint32_t number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find(L'\n');
        std::wstring_view line = text.substr(0, end);
        text.remove_prefix(end == std::wstring_view::npos ? text.size() : end + 1);
        ++number;
        if (line.ends_with(L'\r')) line.remove_suffix(1);
        if (number == 1 && line.starts_with(L'\xFEFF')) line.remove_prefix(1);
        if (SkipArmour(line, armour)) continue;
        // signify's signature lines before the list they sign, as in OpenBSD's SHA256.sig: an untrusted
        // comment, then 74 bytes in base64.
        if (number == 1 && line.starts_with(kSignifyComment)) {
            signifyHeader = true;
            continue;
        }
        if (number == 2 && signifyHeader && line.size() == kSignifySignatureLength &&
            line.find_first_of(L" \t") == std::wstring_view::npos) {
            continue;
        }

        if (line.starts_with(L"- ")) line.remove_prefix(2);
        while (line.starts_with(L' ') || line.starts_with(L'\t')) line.remove_prefix(1);
        if (line.empty() || line.front() == L'#' || line.front() == L';') continue;

        std::optional<ChecksumEntry> entry;
        for (LineFormat format : order) {
            if ((entry = ParseLine(line, format, fileAlgorithm))) break;
        }
        if (entry) {
            entry->line = number;
            file.entries.push_back(std::move(*entry));
        } else {
            file.skipped_lines.push_back(number);
        }
    }
    return file;
}

}  // namespace vms
