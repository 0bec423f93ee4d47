#include "checksums/hash_recognition.h"

#include "checksums/checksum_writer.h"
#include "engine/digest.h"
#include "engine/hasher.h"
#include "engine/text.h"

#include <gtest/gtest.h>

#include <random>

namespace vms {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Ids = std::vector<AlgorithmId>;

const std::wstring kSha256Empty = L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
const std::wstring kMd5Abc = L"900150983cd24fb0d6963f7d28e17f72";

std::wstring Hex(const Bytes& bytes) {
    const std::string hex = BytesToHex(bytes, false);
    return {hex.begin(), hex.end()};
}

std::wstring Base64(const Bytes& bytes) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::wstring out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const std::uint32_t n = bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2];
        for (int shift : {18, 12, 6, 0}) out += static_cast<wchar_t>(kAlphabet[(n >> shift) & 63]);
    }
    if (i + 1 == bytes.size()) {
        const std::uint32_t n = bytes[i] << 16;
        out += {static_cast<wchar_t>(kAlphabet[n >> 18]), static_cast<wchar_t>(kAlphabet[(n >> 12) & 63]), L'=', L'='};
    } else if (i + 2 == bytes.size()) {
        const std::uint32_t n = bytes[i] << 16 | bytes[i + 1] << 8;
        out += {static_cast<wchar_t>(kAlphabet[n >> 18]), static_cast<wchar_t>(kAlphabet[(n >> 12) & 63]),
                static_cast<wchar_t>(kAlphabet[(n >> 6) & 63]), L'='};
    }
    return out;
}

struct Case {
    Case(std::wstring text, bool strict, std::optional<Ids> candidates, bool named = false, std::wstring name = L"",
         std::wstring hex = L"")
        : text(std::move(text)), strict(strict), candidates(std::move(candidates)), named(named), name(std::move(name)),
          hex(std::move(hex)) {}
    std::wstring text;
    bool strict;
    std::optional<Ids> candidates;  // nothing: not recognised
    bool named;
    std::wstring name;
    std::wstring hex;  // the expected bytes; empty: not checked
};

std::wstring Repeat(std::wstring_view text, int times) {
    std::wstring out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

TEST(RecognizeHash, TheShapesUsersPaste) {
    const Ids md5Family = {kMd5, kXxh128, kMd4, kMd2};
    const Ids size32 = {kSha256, kSha3_256, kBlake3};
    const Bytes sha256Bytes = *DecodeHexStrict(kSha256Empty);
    const std::wstring sha256Base64 = Base64(sha256Bytes);
    const Case cases[] = {
        // Bare hexadecimal, both cases, 0x, separators.
        {kMd5Abc, false, md5Family, false, L"", kMd5Abc},
        {L"900150983CD24FB0D6963F7D28E17F72", true, md5Family, false, L"", kMd5Abc},
        {L"0x352441C2", true, Ids{kCrc32}, false, L"", L"352441c2"},
        {L"0X352441c2", false, Ids{kCrc32}, false, L"", L"352441c2"},
        {L"35:24:41:c2", true, Ids{kCrc32}, false, L"", L"352441c2"},
        {L"3524 41c2", true, Ids{kCrc32}, false, L"", L"352441c2"},
        {L"3524\t41c2", true, Ids{kCrc32}, false, L"", L"352441c2"},
        {L"3524-41c2", false, Ids{kCrc32}, false, L"", L"352441c2"},
        {L"3524-41c2", true, std::nullopt},
        {kSha256Empty, false, size32, false, L"", kSha256Empty},
        {L"44bc2cf5ad770999", false, Ids{kXxh64, kXxh3_64}},
        {L"da39a3ee5e6b4b0d3255bfef95601890afd80709", true, Ids{kSha1}},
        {Repeat(L"ab", 48), true, Ids{kSha384, kSha3_384}},
        {Repeat(L"ab", 64), true, Ids{kSha512, kSha3_512}},
        // Labels.
        {L"BLAKE3: " + kSha256Empty, true, Ids{kBlake3}, true, L"", kSha256Empty},
        {L"SHA256: " + kSha256Empty, true, Ids{kSha256}, true},
        {L"sha256 checksum: " + kSha256Empty, true, Ids{kSha256}, true},
        {L"SHA-256 Hash = " + kSha256Empty, true, Ids{kSha256}, true},
        {L"SHA-256=" + kSha256Empty, true, Ids{kSha256}, true},
        {L"MD5=" + kMd5Abc, true, Ids{kMd5}, true},
        {L"blake3 " + kSha256Empty, true, Ids{kBlake3}, true},
        {L"SHA3-256 fingerprint: " + kSha256Empty, true, Ids{kSha3_256}, true},
        {L"MD5: " + kSha256Empty, false, std::nullopt},  // the named size differs
        {L"b3 " + kSha256Empty, true, Ids{kBlake3}, true},
        // "b3" is an alias of BLAKE3 and a hex byte: grouped hex starting with it stays hex.
        {L"b3:38:74:99", true, Ids{kCrc32}, false, L"", L"b3387499"},
        {L"B3 38 74 99", true, Ids{kCrc32}, false, L"", L"b3387499"},
        {L"sha256:", false, std::nullopt},
        // gnu lines.
        {kMd5Abc + L"  my file.txt", false, md5Family, false, L"my file.txt", kMd5Abc},
        {kMd5Abc + L" *my file.txt", true, md5Family, false, L"my file.txt"},
        {kMd5Abc + L"  ", false, md5Family, false, L""},
        {L"XXH3_78af5f94892f3950  a.txt", true, Ids{kXxh3_64}, true, L"a.txt", L"78af5f94892f3950"},
        {L"xxh3_78AF5F94892F3950", true, Ids{kXxh3_64}, true, L"", L"78af5f94892f3950"},
        {L"78af5f94892f3950", true, Ids{kXxh64, kXxh3_64}},
        // bsd lines, escaped or not, with tags that disagree with the length.
        {L"SHA256 (a b.iso) = " + kSha256Empty, true, Ids{kSha256}, true, L"a b.iso", kSha256Empty},
        {L"\\MD5 (dir\\\\x) = " + kMd5Abc, true, Ids{kMd5}, true, L"dir\\\\x"},
        {L"XXH3 (f (1).txt) = 78af5f94892f3950", true, Ids{kXxh3_64}, true, L"f (1).txt"},
        {L"MD5 (a) = " + kSha256Empty, false, std::nullopt},
        {L"SHA1 (a) = " + kMd5Abc, false, std::nullopt},
        // Subresource Integrity and base64.
        {L"sha256-" + sha256Base64, true, Ids{kSha256}, true, L"", kSha256Empty},
        {L"SHA512-" + Base64(Bytes(64, 0xAB)), true, Ids{kSha512}, true, L"", Repeat(L"ab", 64)},
        {L"sha512-" + sha256Base64, true, std::nullopt},
        {sha256Base64, false, size32, false, L"", kSha256Empty},
        {sha256Base64, true, std::nullopt},
        {L"SHA256: " + sha256Base64, true, Ids{kSha256}, true, L"", kSha256Empty},
        {L"47DEQpj8HBSa-_TImW-5JCeuQeRkm5NMpJWZG3hSuFU", false, size32, false, L"", kSha256Empty},
        // Blank lines, long lines, lengths without candidates, junk.
        {L"\r\n  \n\t" + kMd5Abc + L"\r\n" + kSha256Empty, true, md5Family, false, L"", kMd5Abc},
        {L"\xFEFF" + kMd5Abc + L"\x200B", true, md5Family},
        {std::wstring(4090, L' ') + kMd5Abc, true, md5Family},
        {Repeat(L"a", 4097 - 32) + L" " + kMd5Abc, false, std::nullopt},
        {L"  " + Repeat(L"0", 4064) + L" " + kMd5Abc + L"  ", false, std::nullopt},
        {Repeat(L"ab", 17), false, std::nullopt},
        {Repeat(L"ab", 28), false, std::nullopt},
        {L"abc", false, std::nullopt},
        {L"", false, std::nullopt},
        {L" \n \r\n", false, std::nullopt},
        {L"hello world", false, std::nullopt},
        {L"d41d8cd98f00b204e9800998ecf8427", false, std::nullopt},  // odd digit count
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.text.substr(0, 120)) + (c.strict ? " (strict)" : ""));
        const auto parsed = RecognizeHash(c.text, c.strict);
        ASSERT_EQ(parsed.has_value(), c.candidates.has_value());
        if (!parsed) continue;
        EXPECT_EQ(parsed->candidates, *c.candidates);
        EXPECT_EQ(parsed->algorithm_named, c.named);
        EXPECT_EQ(parsed->name, c.name);
        if (!c.hex.empty()) {
            EXPECT_EQ(Hex(parsed->bytes), c.hex);
        }
    }
}

TEST(DecodeHexStrict, AcceptsOnlyEvenRunsOfDigits) {
    EXPECT_EQ(DecodeHexStrict(L"00fFa5"), (Bytes{0x00, 0xFF, 0xA5}));
    for (const wchar_t* bad : {L"", L"0", L"abc", L"0x00", L"00 11", L"0g", L"\xFF10\xFF10"}) {
        EXPECT_FALSE(DecodeHexStrict(bad).has_value()) << ToUtf8(bad);
    }
}

TEST(DecodeBase64, BothAlphabetsPaddingAndRejects) {
    EXPECT_EQ(DecodeBase64(L"+/8="), (Bytes{0xFB, 0xFF}));
    EXPECT_EQ(DecodeBase64(L"-_8"), (Bytes{0xFB, 0xFF}));
    EXPECT_EQ(DecodeBase64(L" YWJj \r\n"), (Bytes{'a', 'b', 'c'}));
    EXPECT_EQ(DecodeBase64(L"YQ"), (Bytes{'a'}));
    for (const wchar_t* bad : {L"", L"====", L"Y", L"YWJjZ", L"YW Jj", L"YW*j"}) {
        EXPECT_FALSE(DecodeBase64(bad).has_value()) << ToUtf8(bad);
    }
}

TEST(FindMatchingCandidate, TakesTheFirstCandidateWhoseDigestEquals) {
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    DigestSet digests{};
    for (AlgorithmId id : {kSha256, kSha3_256, kBlake3}) digests[id] = {HashBytes(id, abc), true};
    const auto sha3 = RecognizeHash(DigestToHexW(digests[kSha3_256].digest, false), false);
    ASSERT_TRUE(sha3);
    EXPECT_EQ(CandidateMask(*sha3), MaskOf(kSha256) | MaskOf(kSha3_256) | MaskOf(kBlake3));
    EXPECT_EQ(FindMatchingCandidate(*sha3, digests), kSha3_256);
    digests[kSha3_256].present = false;
    EXPECT_EQ(FindMatchingCandidate(*sha3, digests), std::nullopt);
    const auto sha256 = RecognizeHash(DigestToHexW(digests[kSha256].digest, true), false);
    EXPECT_EQ(FindMatchingCandidate(*sha256, digests), kSha256);
}

// Random digests of every algorithm, in every shape the writer and users
// produce, come back as the same bytes.
TEST(RecognizeHash, EveryRenderingOfRandomDigestsComesBack) {
    std::mt19937 random(42);
    for (int round = 0; round < 40; ++round) {
        for (const AlgorithmInfo& row : AllAlgorithms()) {
            const auto id = static_cast<AlgorithmId>(row.id);
            Digest digest;
            digest.size = static_cast<std::uint8_t>(row.digestSize);
            for (std::size_t i = 0; i < digest.size; ++i) digest.bytes[i] = static_cast<std::uint8_t>(random());
            const Bytes bytes(digest.View().begin(), digest.View().end());
            const std::wstring hex = DigestToHexW(digest, false);
            std::wstring colons;
            for (std::size_t i = 0; i < hex.size(); i += 2) colons += (i ? L":" : L"") + hex.substr(i, 2);
            const std::wstring name = L"file " + std::to_wstring(round) + L".bin";
            const FileDigests file{name, 1, {{id, digest}}};
            const std::string gnu = FormatChecksums({file}, {OutputFormat::Gnu, false, false, std::nullopt});
            const std::string bsd = FormatChecksums({file}, {OutputFormat::Bsd, false, true, std::nullopt});

            struct Rendering {
                std::wstring text;
                bool namesAlgorithm;
                std::wstring name;
            };
            const Rendering renderings[] = {
                {hex, false, L""},
                {DigestToHexW(digest, true), false, L""},
                {colons, false, L""},
                {FromUtf8(gnu), id == kXxh3_64, name},
                {FromUtf8(bsd), true, name},
                {Base64(bytes), false, L""},
                {FromUtf8(row.cliName) + L": " + hex, true, L""},
            };
            for (const Rendering& r : renderings) {
                SCOPED_TRACE(ToUtf8(r.text));
                const auto parsed = RecognizeHash(r.text, false);
                ASSERT_TRUE(parsed);
                EXPECT_EQ(parsed->bytes, bytes);
                EXPECT_EQ(parsed->name, r.name);
                EXPECT_EQ(parsed->algorithm_named, r.namesAlgorithm);
                if (r.namesAlgorithm) {
                    EXPECT_EQ(parsed->candidates, Ids{id});
                } else {
                    EXPECT_NE(std::find(parsed->candidates.begin(), parsed->candidates.end(), id), parsed->candidates.end());
                }
            }
        }
    }
}

}  // namespace
}  // namespace vms
