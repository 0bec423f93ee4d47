#include "gui/logic/verdict.h"

#include "engine/hasher.h"

#include <gtest/gtest.h>

namespace app {
namespace {

using vms::MaskOf;
using Ids = std::vector<vms::AlgorithmId>;

FileRow Row(std::wstring name, RowStatus status = RowStatus::Done) {
    FileRow row;
    row.name = std::move(name);
    row.path = L"C:\\dl\\" + row.name;
    row.status = status;
    return row;
}

vms::Digest Of(vms::AlgorithmId id, std::string_view text) {
    return vms::HashBytes(id, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

void Give(FileRow& row, vms::AlgorithmId id, std::string_view content) { row.digests[id] = {Of(id, content), true}; }

std::vector<std::uint8_t> Bytes(const vms::Digest& digest) { return {digest.View().begin(), digest.View().end()}; }

vms::ParsedHash Expect(const vms::Digest& digest, bool named = false, std::wstring name = L"") {
    auto parsed = vms::RecognizeHash(vms::DigestToHexW(digest, false), false);
    if (named) parsed = vms::ParsedHash{parsed->bytes, {parsed->candidates.front()}, true, L""};
    parsed->name = std::move(name);
    return *parsed;
}

TEST(CompareRow, EveryState) {
    const Ids candidates = {vms::kSha256, vms::kSha3_256};
    const auto sha3 = Bytes(Of(vms::kSha3_256, "abc"));
    FileRow row = Row(L"a");
    EXPECT_EQ(CompareRow(row, sha3, candidates).match, RowMatch::Pending);
    row.status = RowStatus::Cancelled;
    EXPECT_EQ(CompareRow(row, sha3, candidates).match, RowMatch::NotChecked);
    row.status = RowStatus::Done;
    Give(row, vms::kSha256, "abc");
    EXPECT_EQ(CompareRow(row, sha3, candidates).match, RowMatch::Pending);
    Give(row, vms::kSha3_256, "abc");
    const RowComparison match = CompareRow(row, sha3, candidates);
    EXPECT_EQ(match.match, RowMatch::Match);
    EXPECT_EQ(match.algorithm, vms::kSha3_256);
    EXPECT_EQ(CompareRow(row, Bytes(Of(vms::kSha256, "x")), candidates).match, RowMatch::Mismatch);
    FileRow error = Row(L"e", RowStatus::Error);
    error.error = ERROR_PATH_NOT_FOUND;
    EXPECT_EQ(CompareRow(error, sha3, candidates).match, RowMatch::Missing);
    error.error = ERROR_ACCESS_DENIED;
    EXPECT_EQ(CompareRow(error, sha3, candidates).match, RowMatch::Unreadable);
}

TEST(ExpectedHashVerdict, EveryRowOfTheTable) {
    const vms::Digest sha256 = Of(vms::kSha256, "setup");
    std::vector<FileRow> rows = {Row(L"setup.exe"), Row(L"readme.txt"), Row(L"notes.txt")};
    for (FileRow& row : rows) {
        Give(row, vms::kSha256, row.name == L"setup.exe" ? "setup" : "other");
        Give(row, vms::kSha3_256, "x");
        Give(row, vms::kBlake3, "x");
    }
    Verdict verdict = ExpectedHashVerdict(Expect(sha256), rows);
    EXPECT_EQ(verdict.text, L"Match. The SHA-256 of setup.exe is the expected hash.");
    EXPECT_EQ(verdict.style, VerdictStyle::Match);

    Give(rows[2], vms::kSha256, "setup");
    EXPECT_EQ(ExpectedHashVerdict(Expect(sha256), rows).text, L"Match. 2 files have this SHA-256 hash.");

    const vms::Digest other = Of(vms::kSha256, "nothing");
    verdict = ExpectedHashVerdict(Expect(other), rows);
    EXPECT_EQ(verdict.text, L"No match. None of the 3 files has this hash.");
    EXPECT_EQ(verdict.style, VerdictStyle::Mismatch);
    EXPECT_EQ(ExpectedHashVerdict(Expect(other, false, L"readme.txt"), rows).text,
              L"No match. readme.txt has a different SHA-256, SHA3-256 and BLAKE3.");
    EXPECT_EQ(ExpectedHashVerdict(Expect(other, true, L"sub/README.TXT"), rows).text,
              L"No match. readme.txt has a different SHA-256.");

    rows[1].digests[vms::kBlake3].present = false;
    verdict = ExpectedHashVerdict(Expect(other), rows);
    EXPECT_EQ(verdict.text, L"Checking...");
    EXPECT_EQ(verdict.style, VerdictStyle::Busy);

    std::vector<FileRow> one = {Row(L"locked.iso", RowStatus::Error)};
    one[0].error = ERROR_SHARING_VIOLATION;
    EXPECT_EQ(ExpectedHashVerdict(Expect(other), one).text, L"locked.iso can't be read, so it can't be compared.");

    EXPECT_EQ(ExpectedHashVerdict(*vms::RecognizeHash(L"SHA256: " + vms::DigestToHexW(sha256, false), false), {}).text,
              L"Add the file to compare with this SHA-256 hash.");
    EXPECT_EQ(ExpectedHashVerdict(Expect(Of(vms::kMd5, "abc")), {}).text,
              L"Add the file to compare with this hash (MD5, XXH128, MD4 or MD2).");
    EXPECT_EQ(ExpectedHashVerdict(Expect(Of(vms::kMd5, "abc")), {}).style, VerdictStyle::Info);
}

TEST(ChecksumSummary, CountsAndWording) {
    const auto expected = Bytes(Of(vms::kSha256, "good"));
    auto checksumRow = [&](std::wstring name, std::string_view content, RowStatus status = RowStatus::Done) {
        FileRow row = Row(std::move(name), status);
        row.fromChecksumFile = true;
        row.expectedBytes = expected;
        row.expectedCandidates = {vms::kSha256};
        if (status != RowStatus::Error) Give(row, vms::kSha256, content);
        return row;
    };
    EXPECT_EQ(ChecksumSummary({}, false).style, VerdictStyle::None);
    std::vector<FileRow> rows = {checksumRow(L"a", "good")};
    EXPECT_EQ(ChecksumSummary(rows, false).text, L"The file is OK.");
    rows.push_back(checksumRow(L"b", "good"));
    EXPECT_EQ(ChecksumSummary(rows, false).text, L"All 2 files are OK.");
    EXPECT_EQ(ChecksumSummary(rows, false).style, VerdictStyle::Match);
    rows.push_back(checksumRow(L"c", "changed"));
    rows.push_back(checksumRow(L"d", "", RowStatus::Error));
    rows.back().error = ERROR_FILE_NOT_FOUND;
    Verdict verdict = ChecksumSummary(rows, false);
    EXPECT_EQ(verdict.text, L"Not all files match: 2 OK, 1 FAILED, 1 missing.");
    EXPECT_EQ(verdict.style, VerdictStyle::Mismatch);
    FileRow waiting = checksumRow(L"e", "good", RowStatus::Cancelled);
    waiting.digests[vms::kSha256].present = false;
    rows.push_back(waiting);
    EXPECT_EQ(ChecksumSummary(rows, true).text, L"Verifying 5 files...");
    EXPECT_EQ(ChecksumSummary(rows, false).text, L"Not all files match: 2 OK, 1 FAILED, 1 missing, 1 not checked.");
    rows.push_back(Row(L"ordinary"));  // rows not from a checksum file do not count
    EXPECT_EQ(ChecksumSummary(rows, true).text, L"Verifying 5 files...");
}

TEST(ChecksumSummary, TheListsSignatureAndAListFoundBesideTheFile) {
    FileRow row = Row(L"download.iso");
    row.fromChecksumFile = true;
    row.foundBeside = true;
    row.expectedBytes = Bytes(Of(vms::kSha256, "iso"));
    row.expectedCandidates = {vms::kSha256};
    row.checksumFile = L"C:\\dl\\SHA256SUMS";
    row.checksumLine = 3;
    Give(row, vms::kSha256, "iso");
    const ListSignature good{ListSignatureState::Good, L"Example <x@example.org>", L"ABCD", L"ABCD", {}, {}};
    struct Case {
        ListSignature signature;
        const wchar_t* text;
        VerdictStyle style;
    };
    const Case cases[] = {
        {{ListSignatureState::Unsigned, {}, {}, {}, {}, {}}, L"download.iso matches SHA256SUMS (line 3).", VerdictStyle::Match},
        {good, L"download.iso matches SHA256SUMS (line 3), which is signed by Example <x@example.org>.",
         VerdictStyle::Match},
        {{ListSignatureState::UnknownKey, {}, L"AB", L"AB", {}, {}},
         L"download.iso matches SHA256SUMS (line 3), but the list is signed by a key you don't trust yet.",
         VerdictStyle::Info},
        {{ListSignatureState::Bad, L"Example", {}, {}, {}, {}},
         L"Don't trust this file: the checksum list's signature is BAD, whatever the hashes say.",
         VerdictStyle::Mismatch},
    };
    for (const Case& c : cases) {
        row.listSignature = c.signature;
        const Verdict verdict = ChecksumSummary(std::span(&row, 1), false);
        EXPECT_EQ(verdict.text, c.text);
        EXPECT_EQ(verdict.style, c.style) << static_cast<int>(c.signature.state);
    }
    row.checksumLine = 0;  // a file that holds only the hash
    row.checksumFile = L"C:\\dl\\download.iso.sha256";
    Give(row, vms::kSha256, "changed");
    row.listSignature = {ListSignatureState::Unsigned, {}, {}, {}, {}, {}};
    EXPECT_EQ(ChecksumSummary(std::span(&row, 1), false).text,
              L"download.iso doesn't match download.iso.sha256. Don't use it.");
    // A verified list names its signer after the count; a Bad signature outweighs matching files.
    row.foundBeside = false;
    Give(row, vms::kSha256, "iso");
    std::vector<FileRow> rows = {row, row};
    rows[0].listSignature = rows[1].listSignature = good;
    EXPECT_EQ(ChecksumSummary(rows, false).text, L"All 2 files are OK, and the list is signed by Example <x@example.org>.");
    rows[1].listSignature = {ListSignatureState::Bad, {}, {}, {}, {}, {}};
    EXPECT_EQ(ChecksumSummary(rows, false).style, VerdictStyle::Mismatch);
    EXPECT_EQ(SignedByText(good, SignedThing::List), L"Example <x@example.org> (ABCD)");
    const ListSignature byKey{ListSignatureState::Bad, L"minisign key E762", L"minisign key E762", L"minisign key E762", {}, {}};
    EXPECT_EQ(SignedByText(byKey, SignedThing::File), L"BAD signature by minisign key E762: don't trust this file");
}

TEST(ChecksumSummary, ADownloadCheckedByItsOwnSignature) {
    FileRow row = Row(L"zig.zip");
    EXPECT_EQ(ChecksumSummary(std::span(&row, 1), false).text, L"");  // no signature beside it
    struct Case {
        ListSignature signature;
        const wchar_t* text;
        VerdictStyle style;
    };
    const Case cases[] = {
        {{}, L"Checking the signature of zig.zip...", VerdictStyle::Busy},
        {{ListSignatureState::Good, L"timestamp:1700000000 file:zig.zip", L"minisign key E762", L"minisign key E762", {}, {}},
         L"zig.zip is signed by timestamp:1700000000 file:zig.zip.", VerdictStyle::Match},
        {{ListSignatureState::Bad, {}, {}, {}, {}, {}}, L"Don't trust zig.zip: its signature is BAD.", VerdictStyle::Mismatch},
        {{ListSignatureState::UnknownKey, {}, L"SSH key SHA256:x", L"SSH key SHA256:x", {}, {}},
         L"zig.zip is signed by a key you don't trust yet.", VerdictStyle::Info},
        {{ListSignatureState::Malformed, {}, {}, {}, {}, {}}, L"zig.zip's signature is damaged.", VerdictStyle::Info},
    };
    for (const Case& c : cases) {
        row.ownSignature = c.signature;
        const Verdict verdict = ChecksumSummary(std::span(&row, 1), false);
        EXPECT_EQ(verdict.text, c.text);
        EXPECT_EQ(verdict.style, c.style) << static_cast<int>(c.signature.state);
    }
    // Beside other files, a signature of one of them says nothing of the rest; its own file added too changes nothing.
    row.ownSignaturePath = L"C:\\dl\\zig.zip.minisig";
    FileRow signatureFile = Row(L"zig.zip.minisig");
    signatureFile.path = row.ownSignaturePath;
    std::vector<FileRow> rows = {row, Row(L"other.bin")};
    EXPECT_EQ(ChecksumSummary(rows, false).text, L"");
    rows[1] = signatureFile;
    EXPECT_EQ(ChecksumSummary(rows, false).text, L"zig.zip's signature is damaged.");
}

TEST(ClipboardOffer, OnlyLongEnoughHashesOnOneLine) {
    const std::wstring sha256 = vms::DigestToHexW(Of(vms::kSha256, "x"), false);
    EXPECT_EQ(ClipboardOffer(sha256, L"", L""),
              L"The clipboard contains a 256-bit hash.  <a id=\"a\">Compare</a>    <a id=\"x\">Dismiss</a>");
    EXPECT_EQ(ClipboardOffer(L"SHA256: " + sha256, L"", L""),
              L"The clipboard contains a SHA-256 hash.  <a id=\"a\">Compare</a>    <a id=\"x\">Dismiss</a>");
    EXPECT_FALSE(ClipboardOffer(L"cbf43926", L"", L""));                          // CRC32: under 16 bytes
    EXPECT_FALSE(ClipboardOffer(L"44bc2cf5ad770999", L"", L""));                  // 8 bytes
    EXPECT_FALSE(ClipboardOffer(sha256 + L"\n" + sha256, L"", L""));              // two lines
    EXPECT_FALSE(ClipboardOffer(sha256 + std::wstring(240, L' ') + L"x", L"", L""));  // over 300 characters
    EXPECT_FALSE(ClipboardOffer(L"47DEQpj8HBSa-_TImW-5JCeuQeRkm5NMpJWZG3hSuFU", L"", L""));  // bare base64
    EXPECT_FALSE(ClipboardOffer(sha256, sha256, L""));                            // dismissed before
    EXPECT_FALSE(ClipboardOffer(L" " + sha256 + L"\r\n", L"", sha256 + L" "));   // already in the box
    EXPECT_TRUE(ClipboardOffer(sha256 + L"\r\n", L"", L""));                      // a trailing line end is no second line
}

TEST(LooksLikeChecksumFile, NamesThatDo) {
    for (const wchar_t* yes : {L"C:\\dl\\SHA256SUMS", L"x.sha256", L"MD5SUMS.asc", L"checksums.txt", L"CHECKSUM",
                               L"digests", L"release.digests", L"a.checksums", L"f.sfv"}) {
        EXPECT_TRUE(LooksLikeChecksumFile(yes)) << std::string(yes, yes + wcslen(yes));
    }
    for (const wchar_t* no : {L"readme.txt", L"setup.exe", L"checksums.zip", L"B2SUMS"}) {
        EXPECT_FALSE(LooksLikeChecksumFile(no)) << std::string(no, no + wcslen(no));
    }
}

TEST(JoinAlgorithmNames, CommasAndTheJoiningWord) {
    EXPECT_EQ(JoinAlgorithmNames(Ids{vms::kMd5}, L"or"), L"MD5");
    EXPECT_EQ(JoinAlgorithmNames(Ids{vms::kMd5, vms::kXxh128}, L"or"), L"MD5 or XXH128");
    EXPECT_EQ(JoinAlgorithmNames(Ids{vms::kMd5, vms::kXxh128, vms::kMd4, vms::kMd2}, L"or"), L"MD5, XXH128, MD4 or MD2");
}

}  // namespace
}  // namespace app
