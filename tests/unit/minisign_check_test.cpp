// Verdicts on published signatures and on the vectors of tests/data/minisign,
// whose README records how each was made and what minisign or signify-openbsd answered.
#include "minisign_vectors.h"
#include "engine/text.h"
#include "signatures/common/crypto.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vms {
namespace {

using namespace vms::testing;

constexpr char kDnscryptKey[] = "RWQf6LRCGA9i53mlYecO4IzT51TGPpvWucNSCh1CBM0QTaLn73Y7GFO3";

struct Vector {
    const wchar_t* signature;
    const wchar_t* key;
    const wchar_t* document;  // empty: the message embedded in the signature
    SignatureState expected;
};

// The peer's own verdict for each.
constexpr Vector kAsThePeersJudge[] = {
    {L"legacy.minisig", L"minisign.pub", L"data.txt", SignatureState::Good},
    {L"prehashed.minisig", L"minisign.pub", L"data.txt", SignatureState::Good},
    {L"prehashed-crlf.minisig", L"minisign-crlf.pub", L"data.txt", SignatureState::Good},
    {L"prehashed-tauri.sig", L"minisign-tauri.pub", L"data.txt", SignatureState::Good},
    {L"prehashed-changed-untrusted.minisig", L"minisign.pub", L"data.txt", SignatureState::Good},
    {L"legacy.minisig", L"minisign.pub", L"data-changed.txt", SignatureState::Bad},
    {L"prehashed.minisig", L"minisign.pub", L"data-changed.txt", SignatureState::Bad},
    {L"legacy-changed-signature.minisig", L"minisign.pub", L"data.txt", SignatureState::Bad},
    {L"prehashed-changed-signature.minisig", L"minisign.pub", L"data.txt", SignatureState::Bad},
    {L"legacy-changed-comment.minisig", L"minisign.pub", L"data.txt", SignatureState::Bad},
    {L"prehashed-changed-comment.minisig", L"minisign.pub", L"data.txt", SignatureState::Bad},
    {L"legacy.minisig", L"minisign-changed.pub", L"data.txt", SignatureState::Bad},
    {L"prehashed.minisig", L"minisign-changed.pub", L"data.txt", SignatureState::Bad},
    {L"prehashed.minisig", L"other.pub", L"data.txt", SignatureState::UnknownKey},
    {L"prehashed-global-s-plus-l.minisig", L"minisign.pub", L"data.txt", SignatureState::Bad},
    {L"data.txt.sig", L"signify.pub", L"data.txt", SignatureState::Good},
    {L"data.txt.sig", L"signify.pub", L"data-changed.txt", SignatureState::Bad},
    {L"signify-changed-signature.sig", L"signify.pub", L"data.txt", SignatureState::Bad},
    {L"data.txt.sig", L"signify-changed.pub", L"data.txt", SignatureState::Bad},
    {L"data.txt.sig", L"signify-other.pub", L"data.txt", SignatureState::UnknownKey},
    {L"list.txt.sig", L"signify.pub", L"", SignatureState::Good},
    {L"list-changed-message.txt.sig", L"signify.pub", L"", SignatureState::Bad},
};

MinisignResult CheckVector(const wchar_t* signature, const wchar_t* key, const wchar_t* document) {
    const std::wstring folder = L"minisign/";
    return CheckFiles(folder + signature, folder + key, *document ? folder + document : std::wstring());
}

TEST(MinisignCheck, VectorsAsThePeersJudgeThem) {
    ASSERT_TRUE(CryptoAvailable());
    for (const Vector& vector : kAsThePeersJudge) {
        const MinisignResult result = CheckVector(vector.signature, vector.key, vector.document);
        EXPECT_EQ(result.state, vector.expected) << ToUtf8(vector.signature) << " with " << ToUtf8(vector.key)
                                                 << " over " << ToUtf8(vector.document) << ": " << result.detail;
    }
}

TEST(MinisignCheck, StricterThanAPeer) {
    ASSERT_TRUE(CryptoAvailable());
    // S + L in a signify signature: signify-openbsd 31 answers "Signature Verified", as it
    // only checks S's top three bits; libsodium, and so minisign, refuses such an S.
    EXPECT_EQ(CheckVector(L"signify-s-plus-l.sig", L"signify.pub", L"data.txt").state, SignatureState::Bad);
    // A key of small order verifies signatures no one made; minisign answers "Signature
    // verification failed", here the key itself is refused.
    const MinisignResult smallOrder = CheckVector(L"prehashed.minisig", L"minisign-small-order.pub", L"data.txt");
    EXPECT_EQ(smallOrder.state, SignatureState::Malformed);
    EXPECT_EQ(smallOrder.detail, "the key isn't a usable Ed25519 public key");
}

TEST(MinisignCheck, WhatAVerdictTells) {
    ASSERT_TRUE(CryptoAvailable());
    const MinisignResult good = CheckVector(L"prehashed.minisig", L"minisign.pub", L"data.txt");
    ASSERT_EQ(good.state, SignatureState::Good);
    EXPECT_EQ(good.kind, MinisignKind::MinisignPrehashed);
    EXPECT_TRUE(good.trustedComment.ends_with("\tfile:data.txt\thashed"));
    EXPECT_EQ(good.untrustedComment, "signature from minisign secret key");
    ASSERT_TRUE(good.key);
    EXPECT_EQ(good.key->keyId, good.keyId);
    EXPECT_EQ(good.key->comment, "minisign public key " + FormatMinisignKeyId(good.keyId));

    // minisign: "Comment signature verification failed".
    const MinisignResult comment = CheckVector(L"legacy-changed-comment.minisig", L"minisign.pub", L"data.txt");
    EXPECT_EQ(comment.detail, "the trusted comment's signature doesn't verify");
    EXPECT_EQ(CheckVector(L"legacy.minisig", L"minisign.pub", L"data-changed.txt").detail,
              "the signature doesn't verify");

    const MinisignResult unknown = CheckVector(L"prehashed.minisig", L"other.pub", L"data.txt");
    EXPECT_EQ(unknown.keyId, good.keyId);  // the key wanted, not the one given
    EXPECT_FALSE(unknown.key);

    const MinisignResult signify = CheckVector(L"data.txt.sig", L"signify.pub", L"data.txt");
    EXPECT_EQ(signify.kind, MinisignKind::Signify);
    EXPECT_EQ(signify.trustedComment, "");
    EXPECT_EQ(signify.untrustedComment, "verify with signify.pub");
}

TEST(MinisignCheck, PublishedMinisignSignatures) {
    ASSERT_TRUE(CryptoAvailable());
    // Both lists are signed in the legacy "Ed" form, over the files themselves.
    const std::wstring folder = L"signatures/minisign-dnscrypt/";
    const Bytes bareKey(std::begin(kDnscryptKey), std::end(kDnscryptKey) - 1);
    const Bytes signature = ReadTestData(folder + L"odoh-relays.md.minisig");
    const Bytes document = ReadTestData(folder + L"odoh-relays.md");
    for (const Bytes& key : {ReadTestData(folder + L"minisign.pub"), bareKey}) {
        const MinisignResult result = CheckTexts(signature, key, document);
        EXPECT_EQ(result.state, SignatureState::Good) << result.detail;
        EXPECT_EQ(result.kind, MinisignKind::MinisignLegacy);
        EXPECT_EQ(FormatMinisignKeyId(result.keyId), "E7620F1842B4E81F");
        EXPECT_EQ(result.trustedComment, "timestamp:1783327964\tfile:odoh-relays.md");
        EXPECT_EQ(result.untrustedComment, "signature from minisign secret key");
    }
    Bytes changed = document;
    changed[changed.size() / 2] ^= 0x20;
    EXPECT_EQ(CheckTexts(signature, bareKey, changed).state, SignatureState::Bad);

    // relays.md is 78,123 bytes: more than VerifyEd25519 can take whole (see
    // kMaxWholeDocumentSize), so its legacy signature can't be checked yet, though
    // minisign verifies it. It is parsed, and refused before libgcrypt sees it.
    const Bytes relays = ReadTestData(folder + L"relays.md");
    const Bytes relaysSignature = ReadTestData(folder + L"relays.md.minisig");
    EXPECT_EQ(SignatureFrom(relaysSignature).value_or(MinisignSignature{}).trustedComment,
              "timestamp:1784883247\tfile:relays.md");
    const MinisignResult large = CheckTexts(relaysSignature, bareKey, relays);
    EXPECT_EQ(large.state, SignatureState::Unsupported);
    EXPECT_EQ(large.trustedComment, "");
}

TEST(MinisignCheck, PublishedSignifyEmbeddedSignature) {
    ASSERT_TRUE(CryptoAvailable());
    const std::wstring folder = L"signatures/signify-openbsd76/";
    const MinisignResult result = CheckFiles(folder + L"SHA256.sig", folder + L"openbsd-76-base.pub", L"");
    EXPECT_EQ(result.state, SignatureState::Good) << result.detail;
    EXPECT_EQ(result.kind, MinisignKind::Signify);
    EXPECT_EQ(result.key.value_or(MinisignKey{}).comment, "openbsd 7.6 base public key");
    // The signature lines alone, checked against the message as a detached file, verify too.
    const Bytes text = ReadTestData(folder + L"SHA256.sig");
    const std::optional<MinisignSignature> signature = SignatureFrom(text);
    ASSERT_TRUE(signature && signature->messageOffset);
    const Bytes detached(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(*signature->messageOffset));
    const Bytes message(text.begin() + static_cast<std::ptrdiff_t>(*signature->messageOffset), text.end());
    EXPECT_EQ(CheckTexts(detached, ReadTestData(folder + L"openbsd-76-base.pub"), message).state, SignatureState::Good);
    Bytes changed = message;
    changed[changed.size() / 2] ^= 0x01;
    EXPECT_EQ(CheckTexts(detached, ReadTestData(folder + L"openbsd-76-base.pub"), changed).state, SignatureState::Bad);
}

TEST(MinisignCheck, AnyTrustedKeyWithTheIdMayVerify) {
    ASSERT_TRUE(CryptoAvailable());
    const Bytes document = ReadTestData(L"minisign/data.txt");
    const MinisignSignature signature = SignatureFrom(ReadTestData(L"minisign/prehashed.minisig")).value();
    // The changed key has the right key ID but other material.
    const MinisignKey keys[] = {KeyFrom(ReadTestData(L"minisign/other.pub")).value(),
                                KeyFrom(ReadTestData(L"minisign/minisign-changed.pub")).value(),
                                KeyFrom(ReadTestData(L"minisign/minisign.pub")).value()};
    const MinisignResult result = CheckMinisign(signature, keys, ChunkedReader(document));
    EXPECT_EQ(result.state, SignatureState::Good);
    EXPECT_EQ(result.key.value().publicKey, keys[2].publicKey);
    const MinisignResult wrongOnly = CheckMinisign(signature, std::span(keys).first(2), ChunkedReader(document));
    EXPECT_EQ(wrongOnly.state, SignatureState::Bad);
    EXPECT_EQ(CheckMinisign(signature, {}, ChunkedReader(document)).state, SignatureState::UnknownKey);
}

TEST(MinisignCheck, DocumentReadOnceAndBounded) {
    ASSERT_TRUE(CryptoAvailable());
    const MinisignKey keys[] = {KeyFrom(ReadTestData(L"minisign/minisign.pub")).value()};
    const MinisignSignature legacy = SignatureFrom(ReadTestData(L"minisign/legacy.minisig")).value();
    const MinisignSignature prehashed = SignatureFrom(ReadTestData(L"minisign/prehashed.minisig")).value();
    const Bytes document = ReadTestData(L"minisign/data.txt");
    for (const MinisignSignature* signature : {&legacy, &prehashed}) {
        int reads = 0;
        const DocumentReader counted = [&](const std::function<void(ByteSpan)>& sink) {
            ++reads;
            return ChunkedReader(document)(sink);
        };
        EXPECT_EQ(CheckMinisign(*signature, keys, counted).state, SignatureState::Good);
        EXPECT_EQ(reads, 1);
        const DocumentReader failing = [&](const std::function<void(ByteSpan)>& sink) {
            sink(ByteSpan(document).first(3));
            return false;
        };
        const MinisignResult unread = CheckMinisign(*signature, keys, failing);
        EXPECT_EQ(unread.state, SignatureState::Uncheckable);
        EXPECT_EQ(unread.detail, "the signed file couldn't be read");
    }

    // The largest document a whole-file signature is checked over reaches libgcrypt
    // safely; one byte more is refused, and its read stops there.
    Bytes largest(kMaxWholeDocumentSize, 'x');
    EXPECT_EQ(CheckMinisign(legacy, keys, ChunkedReader(largest)).state, SignatureState::Bad);
    largest.push_back('x');
    int chunks = 0;
    const DocumentReader tooLarge = [&](const std::function<void(ByteSpan)>& sink) {
        for (std::size_t at = 0; at < largest.size(); at += 4096) {
            sink(ByteSpan(largest).subspan(at, std::min<std::size_t>(4096, largest.size() - at)));
            ++chunks;
        }
        return true;
    };
    const MinisignResult refused = CheckMinisign(legacy, keys, tooLarge);
    EXPECT_EQ(refused.state, SignatureState::Unsupported);
    EXPECT_NE(refused.detail.find("60 KiB"), std::string::npos) << refused.detail;
    EXPECT_EQ(chunks, 15);  // the sixteenth chunk passed the bound
    EXPECT_EQ(CheckMinisign(prehashed, keys, ChunkedReader(largest)).state, SignatureState::Bad);
}

}  // namespace
}  // namespace vms
