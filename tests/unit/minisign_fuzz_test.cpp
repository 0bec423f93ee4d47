// Mutated signatures, keys and documents in every layer: the text, the base64
// lines' decoded bytes, the comments and the signed data. Nothing may crash or
// hang, and a Good verdict may only come where the mutation left every signed
// byte as it was: the signature, the signed document, the key's material and,
// for minisign, the trusted comment and its signature. The untrusted comments
// and the key ID are signed by nobody.
#include "minisign_vectors.h"
#include "engine/text.h"
#include "signatures/common/crypto.h"
#include "signatures/common/strict_base64.h"

#include "mutator.h"

#include <gtest/gtest.h>


namespace vms {
namespace {

using namespace vms::testing;

// The text's lines, each with its line end, so joining them gives the text back.
std::vector<Bytes> Lines(const Bytes& text) {
    std::vector<Bytes> lines;
    auto start = text.begin();
    while (start != text.end()) {
        const auto end = std::find(start, text.end(), '\n');
        lines.emplace_back(start, end == text.end() ? end : end + 1);
        start = end == text.end() ? end : end + 1;
    }
    return lines;
}

Bytes Join(const std::vector<Bytes>& lines) {
    Bytes text;
    for (const Bytes& line : lines) text.insert(text.end(), line.begin(), line.end());
    return text;
}

// One line of the text changed: its decoded bytes when it is base64, else its
// text; the line end stays.
Bytes MutateLine(const Bytes& text, std::size_t index, Mutator& mutator) {
    std::vector<Bytes> lines = Lines(text);
    if (index >= lines.size()) return mutator.Mutate(text);
    Bytes& line = lines[index];
    std::size_t ending = 0;
    if (!line.empty() && line.back() == '\n') ending = line.size() > 1 && line[line.size() - 2] == '\r' ? 2 : 1;
    const Bytes content(line.begin(), line.end() - static_cast<std::ptrdiff_t>(ending));
    const Bytes end(line.end() - static_cast<std::ptrdiff_t>(ending), line.end());
    Bytes changed;
    if (const std::optional<Bytes> decoded = DecodeStrictBase64(AsString(content))) {
        changed = AsBytes(EncodeBase64(mutator.Mutate(*decoded)));
    } else {
        changed = mutator.Mutate(content);
    }
    changed.insert(changed.end(), end.begin(), end.end());
    line = changed;
    return Join(lines);
}

struct Sample {
    const wchar_t* signature;
    const wchar_t* key;
    const wchar_t* document;  // empty: embedded in the signature
};

constexpr Sample kSamples[] = {
    {L"minisign/legacy.minisig", L"minisign/minisign.pub", L"minisign/data.txt"},
    {L"minisign/prehashed.minisig", L"minisign/minisign.pub", L"minisign/data.txt"},
    {L"minisign/prehashed-crlf.minisig", L"minisign/minisign-crlf.pub", L"minisign/data.txt"},
    {L"minisign/prehashed-tauri.sig", L"minisign/minisign-tauri.pub", L"minisign/data.txt"},
    {L"minisign/data.txt.sig", L"minisign/signify.pub", L"minisign/data.txt"},
    {L"minisign/list.txt.sig", L"minisign/signify.pub", L""},
    {L"signatures/minisign-dnscrypt/odoh-relays.md.minisig", L"signatures/minisign-dnscrypt/minisign.pub",
     L"signatures/minisign-dnscrypt/odoh-relays.md"},
    {L"signatures/signify-openbsd76/SHA256.sig", L"signatures/signify-openbsd76/openbsd-76-base.pub", L""},
};

// What a verdict rests on.
struct SignedParts {
    bool prehashed = false;
    std::array<std::uint8_t, 64> signature{};
    Bytes document;
    std::optional<std::pair<std::string, std::array<std::uint8_t, 64>>> trustedComment;

    bool operator==(const SignedParts&) const = default;
};

SignedParts PartsOf(const MinisignSignature& signature, ByteSpan signatureText, ByteSpan document) {
    SignedParts parts;
    parts.prehashed = signature.kind == MinisignKind::MinisignPrehashed;
    parts.signature = signature.signature;
    const ByteSpan signedDocument = SignedDocument(signature, signatureText, document);
    parts.document.assign(signedDocument.begin(), signedDocument.end());
    if (signature.kind != MinisignKind::Signify) {
        parts.trustedComment.emplace(signature.trustedComment, signature.commentSignature);
    }
    return parts;
}

enum class Layer { SignatureText, KeyText, Document, SignatureLine, CommentLines, KeyLine };
constexpr std::size_t kLayers = 6;

void MutateLayer(Layer layer, const MinisignSignature& original, Bytes& signature, Bytes& key, Bytes& document,
                 Mutator& mutator) {
    // Tauri's files are one base64 line: their layers are reached through the text only.
    const bool wrapped = original.base64Wrapped;
    switch (layer) {
    case Layer::SignatureText: signature = mutator.Mutate(signature); break;
    case Layer::KeyText: key = mutator.Mutate(key); break;
    case Layer::Document:
        if (original.messageOffset) signature = MutateLine(signature, 2 + mutator.Below(8), mutator);
        else document = mutator.Mutate(document);
        break;
    case Layer::SignatureLine:
        signature = wrapped ? mutator.Mutate(signature) : MutateLine(signature, 1, mutator);
        break;
    case Layer::CommentLines: {
        // The untrusted comment, the trusted comment and its signature.
        constexpr std::size_t kCommentLines[] = {0, 2, 3};
        const std::size_t line = kCommentLines[mutator.Below(std::size(kCommentLines))];
        signature = wrapped ? mutator.Mutate(signature) : MutateLine(signature, line, mutator);
        break;
    }
    case Layer::KeyLine: key = wrapped ? mutator.Mutate(key) : MutateLine(key, mutator.Below(2), mutator); break;
    }
}

TEST(MinisignFuzz, MutationsNeverVerifyWhatWasNotSigned) {
    ASSERT_TRUE(CryptoAvailable());
    constexpr int kRounds = 1500;
    Mutator mutator(20261208);
    int checked = 0, good = 0, bad = 0;
    for (const Sample& sample : kSamples) {
        const Bytes signatureText = ReadTestData(sample.signature);
        const Bytes keyText = ReadTestData(sample.key);
        const Bytes document = *sample.document ? ReadTestData(sample.document) : Bytes{};
        const MinisignSignature original = SignatureFrom(signatureText).value();
        const MinisignKey originalKey = KeyFrom(keyText).value();
        const SignedParts originalParts = PartsOf(original, signatureText, document);
        ASSERT_EQ(CheckTexts(signatureText, keyText, document).state, SignatureState::Good) << ToUtf8(sample.signature);

        for (int round = 0; round < kRounds; ++round) {
            Bytes signature = signatureText, key = keyText, data = document;
            MutateLayer(static_cast<Layer>(mutator.Below(kLayers)), original, signature, key, data, mutator);
            LooksLikeMinisignOrSignify(signature);
            const Result<MinisignSignature> parsed = ParseMinisignSignature(signature);
            const Result<MinisignKey> parsedKey = ParseMinisignKey(key);
            if (!parsed || !parsedKey) continue;
            const MinisignKey keys[] = {*parsedKey};
            const MinisignResult result =
                CheckMinisign(*parsed, keys, ChunkedReader(SignedDocument(*parsed, signature, data)));
            ++checked;
            if (result.state == SignatureState::Bad) ++bad;
            if (result.state != SignatureState::Good) continue;
            ++good;
            SignedParts parts = PartsOf(*parsed, signature, data);
            // A legacy minisign signature that lost its trusted comment is a signify one over the same bytes.
            if (!parts.trustedComment && originalParts.trustedComment && !originalParts.prehashed) {
                parts.trustedComment = originalParts.trustedComment;
            }
            ASSERT_EQ(parts, originalParts) << ToUtf8(sample.signature) << " round " << round;
            ASSERT_EQ(parsedKey->publicKey, originalKey.publicKey) << ToUtf8(sample.signature) << " round " << round;
            ASSERT_EQ(result.trustedComment, parsed->trustedComment);
        }
    }
    // The mutations reach the checks, and some leave the signed bytes alone.
    EXPECT_GT(checked, 2000);
    EXPECT_GT(good, 100);
    EXPECT_GT(bad, 500);
    std::cout << "checked " << checked << ", good " << good << ", bad " << bad << " of "
              << kRounds * std::size(kSamples) << " mutations\n";
}

TEST(MinisignFuzz, UntrustedCommentsAreNotSigned) {
    ASSERT_TRUE(CryptoAvailable());
    Mutator mutator(7);
    for (const Sample& sample : {kSamples[0], kSamples[1], kSamples[4], kSamples[5]}) {
        const Bytes signatureText = ReadTestData(sample.signature);
        const Bytes keyText = ReadTestData(sample.key);
        const Bytes document = *sample.document ? ReadTestData(sample.document) : Bytes{};
        for (int round = 0; round < 200; ++round) {
            std::vector<Bytes> lines = Lines(signatureText);
            Bytes comment = mutator.Mutate(Bytes(lines[0].begin() + 19, lines[0].end() - 1));
            std::erase(comment, '\n');
            std::erase(comment, '\r');
            lines[0].resize(19);
            lines[0].insert(lines[0].end(), comment.begin(), comment.end());
            lines[0].push_back('\n');
            const MinisignResult result = CheckTexts(Join(lines), keyText, document);
            ASSERT_EQ(result.state, SignatureState::Good) << ToUtf8(sample.signature) << ": " << result.detail;
            ASSERT_EQ(result.untrustedComment, AsString(comment));
        }
    }
}

}  // namespace
}  // namespace vms
