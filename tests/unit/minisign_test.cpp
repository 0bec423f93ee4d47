#include "minisign_vectors.h"
#include "engine/text.h"
#include "signatures/common/strict_base64.h"
#include "signatures/minisign/minisign_lines.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vms {
namespace {

using namespace vms::testing;

constexpr char kDnscryptKey[] = "RWQf6LRCGA9i53mlYecO4IzT51TGPpvWucNSCh1CBM0QTaLn73Y7GFO3";

MinisignKey LoadKey(const std::wstring& file) {
    const Result<MinisignKey> key = ParseMinisignKey(ReadTestData(file));
    EXPECT_TRUE(key.Ok()) << key.GetError().detail;
    return key.ValueOr(MinisignKey{});
}

MinisignSignature LoadSignature(const std::wstring& file) {
    const Result<MinisignSignature> signature = ParseMinisignSignature(ReadTestData(file));
    EXPECT_TRUE(signature.Ok()) << signature.GetError().detail;
    return signature.ValueOr(MinisignSignature{});
}

std::string KeyError(std::string_view text) {
    const Result<MinisignKey> key = ParseMinisignKey(AsBytes(text));
    EXPECT_FALSE(key.Ok()) << text;
    return key.GetError().detail;
}

std::string SignatureError(std::string_view text) {
    const Result<MinisignSignature> signature = ParseMinisignSignature(AsBytes(text));
    EXPECT_FALSE(signature.Ok()) << text;
    return signature.GetError().detail;
}

TEST(StrictBase64, OneWrittenFormPerValue) {
    EXPECT_EQ(DecodeStrictBase64("YWJj"), AsBytes("abc"));
    EXPECT_EQ(DecodeStrictBase64("YWI="), AsBytes("ab"));
    EXPECT_EQ(DecodeStrictBase64("YQ=="), AsBytes("a"));
    EXPECT_EQ(DecodeStrictBase64("+/8="), (Bytes{0xFB, 0xFF}));
    for (std::string_view bad : {"", "YQ", "YQ=", "YR==", "YWJ=", "Y===", "====", "=YWJ", "YW=j", "-_8=", "YWJj\n",
                                 " YWJj", "YW Jj", "YWJjYQ"}) {
        EXPECT_FALSE(DecodeStrictBase64(bad).has_value()) << bad;
    }
}

TEST(MinisignKey, EveryWrittenFormGivesTheSameKey) {
    const MinisignKey file = LoadKey(L"minisign/minisign.pub");
    EXPECT_TRUE(file.comment.starts_with("minisign public key ")) << file.comment;
    const MinisignKey crlf = LoadKey(L"minisign/minisign-crlf.pub");
    const MinisignKey tauri = LoadKey(L"minisign/minisign-tauri.pub");
    const Bytes text = ReadTestData(L"minisign/minisign.pub");
    const std::string keyLine = AsString(text).substr(AsString(text).find('\n') + 1, 56);
    const std::optional<MinisignKey> bare = KeyFrom(AsBytes(keyLine));
    const std::optional<MinisignKey> blanks = KeyFrom(AsBytes("\r\n  " + keyLine + " \r\n\n"));
    ASSERT_TRUE(bare && blanks);
    for (const MinisignKey* key : {&crlf, &tauri, &*bare, &*blanks}) {
        EXPECT_EQ(key->keyId, file.keyId);
        EXPECT_EQ(key->publicKey, file.publicKey);
    }
    EXPECT_EQ(crlf.comment, file.comment);  // no CR left in it
    EXPECT_EQ(tauri.comment, file.comment);
    EXPECT_EQ(bare->comment, "");
}

TEST(MinisignKey, KeyIdReadsAsMinisignPrintsIt) {
    // minisign -G writes "minisign public key <ID>" as the key file's comment.
    const MinisignKey key = LoadKey(L"minisign/minisign.pub");
    EXPECT_EQ("minisign public key " + FormatMinisignKeyId(key.keyId), key.comment);
    // minisign writes the number without leading zeros ("minisign public key 7C167B712093CF").
    EXPECT_EQ(FormatMinisignKeyId({0xCF, 0x93, 0x20, 0x71, 0x7B, 0x16, 0x7C, 0x00}), "7C167B712093CF");
    EXPECT_EQ(FormatMinisignKeyId({}), "0");
    // minisign 0.11 prints this one as "E7620F1842B4E81F" when the key IDs differ.
    const std::optional<MinisignKey> dnscrypt = KeyFrom(AsBytes(kDnscryptKey));
    ASSERT_TRUE(dnscrypt);
    EXPECT_EQ(FormatMinisignKeyId(dnscrypt->keyId), "E7620F1842B4E81F");
}

TEST(MinisignKey, PublishedKeysAsFilesAndAsBareStrings) {
    const MinisignKey dnscrypt = LoadKey(L"signatures/minisign-dnscrypt/minisign.pub");
    EXPECT_EQ(dnscrypt.comment, "minisign public key used to sign the resolvers list");
    EXPECT_EQ(dnscrypt.publicKey, KeyFrom(AsBytes(kDnscryptKey)).value_or(MinisignKey{}).publicKey);
    const MinisignKey openbsd = LoadKey(L"signatures/signify-openbsd76/openbsd-76-base.pub");
    EXPECT_EQ(openbsd.comment, "openbsd 7.6 base public key");
    EXPECT_EQ(LoadKey(L"minisign/signify.pub").comment, "signify test public key");
}

TEST(MinisignKey, RefusesWhatIsNotExactlyAKey) {
    const std::string file = AsString(ReadTestData(L"minisign/minisign.pub"));
    const std::string keyLine = file.substr(file.find('\n') + 1, 56);
    EXPECT_NE(KeyError(""), "");
    EXPECT_NE(KeyError("untrusted comment: no key\n"), "");
    EXPECT_NE(KeyError(file + "more text\n"), "");
    EXPECT_NE(KeyError("a comment: x\n" + keyLine + "\n"), "");
    EXPECT_NE(KeyError(keyLine + "\n" + keyLine), "");
    EXPECT_NE(KeyError(keyLine.substr(0, 55)), "");
    EXPECT_NE(KeyError(keyLine + "AAAA"), "");
    std::string ed = keyLine;
    ed[2] = 'U';  // "ED" is a signature's algorithm, never a key's
    EXPECT_EQ(KeyError(ed), "it isn't an Ed25519 key");
    EXPECT_EQ(KeyError(file + std::string(4096, '\n')), "it is too large to be a minisign or signify key");
    // A signature isn't a key.
    EXPECT_NE(KeyError(AsString(ReadTestData(L"minisign/prehashed.minisig"))), "");
}

TEST(MinisignSignature, KindsCommentsAndKeyIds) {
    const MinisignKey key = LoadKey(L"minisign/minisign.pub");
    const MinisignSignature legacy = LoadSignature(L"minisign/legacy.minisig");
    EXPECT_EQ(legacy.kind, MinisignKind::MinisignLegacy);
    EXPECT_EQ(legacy.keyId, key.keyId);
    EXPECT_EQ(legacy.untrustedComment, "signature from minisign secret key");
    EXPECT_EQ(legacy.trustedComment, "legacy test signature");
    EXPECT_FALSE(legacy.messageOffset);

    const MinisignSignature prehashed = LoadSignature(L"minisign/prehashed.minisig");
    EXPECT_EQ(prehashed.kind, MinisignKind::MinisignPrehashed);
    EXPECT_TRUE(prehashed.trustedComment.starts_with("timestamp:")) << prehashed.trustedComment;
    EXPECT_TRUE(prehashed.trustedComment.ends_with("\tfile:data.txt\thashed")) << prehashed.trustedComment;

    const MinisignSignature crlf = LoadSignature(L"minisign/prehashed-crlf.minisig");
    const MinisignSignature tauri = LoadSignature(L"minisign/prehashed-tauri.sig");
    for (const MinisignSignature* same : {&crlf, &tauri}) {
        EXPECT_EQ(same->kind, prehashed.kind);
        EXPECT_EQ(same->signature, prehashed.signature);
        EXPECT_EQ(same->untrustedComment, prehashed.untrustedComment);
        EXPECT_EQ(same->trustedComment, prehashed.trustedComment);
        EXPECT_EQ(same->commentSignature, prehashed.commentSignature);
    }
    EXPECT_TRUE(tauri.base64Wrapped);
    EXPECT_FALSE(crlf.base64Wrapped);

    const MinisignSignature signify = LoadSignature(L"minisign/data.txt.sig");
    EXPECT_EQ(signify.kind, MinisignKind::Signify);
    EXPECT_EQ(signify.keyId, LoadKey(L"minisign/signify.pub").keyId);
    EXPECT_EQ(signify.untrustedComment, "verify with signify.pub");
    EXPECT_EQ(signify.signifyKeyName, "signify.pub");
    EXPECT_EQ(signify.trustedComment, "");
    EXPECT_FALSE(signify.messageOffset);
}

TEST(MinisignSignature, SignifyEmbeddedMessageIsTheChecksumList) {
    const Bytes text = ReadTestData(L"signatures/signify-openbsd76/SHA256.sig");
    const MinisignSignature signature = LoadSignature(L"signatures/signify-openbsd76/SHA256.sig");
    EXPECT_EQ(signature.kind, MinisignKind::Signify);
    EXPECT_EQ(signature.signifyKeyName, "openbsd-76-base.pub");
    ASSERT_TRUE(signature.messageOffset);
    const std::string message = AsString(ByteSpan(text).subspan(*signature.messageOffset));
    EXPECT_TRUE(message.starts_with(
        "SHA256 (BOOTIA32.EFI) = d247251fbde091a12fc37c61e2aca158a9fe9bb503caa21659a5779e68137307\n"));
    EXPECT_TRUE(message.ends_with("\n"));
    const std::string whole = AsString(text);
    EXPECT_EQ(message, whole.substr(whole.find('\n', whole.find('\n') + 1) + 1));
    EXPECT_EQ(std::ranges::count(message, '\n') + 2, std::ranges::count(whole, '\n'));
}

TEST(MinisignSignature, SignifyKeyNameOnlyWhenAPlainFileName) {
    const std::string file = AsString(ReadTestData(L"minisign/data.txt.sig"));
    const std::string rest = file.substr(file.find('\n'));
    const auto nameOf = [&](std::string_view comment) {
        return SignatureFrom(AsBytes("untrusted comment: " + std::string(comment) + rest))
            .value_or(MinisignSignature{})
            .signifyKeyName;
    };
    EXPECT_EQ(nameOf("verify with openbsd-76-base.pub"), "openbsd-76-base.pub");
    EXPECT_EQ(nameOf("verify with key_1.2.pub"), "key_1.2.pub");
    for (std::string_view comment : {"verify with ../etc/key.pub", "verify with C:\\key.pub", "verify with .pub",
                                     "verify with key.sec", "verify with key .pub", "verify with ..pub",
                                     "signed by key.pub", "verify with "}) {
        EXPECT_EQ(nameOf(comment), "") << comment;
    }
}

TEST(MinisignSignature, RefusesDamagedLayouts) {
    const std::string minisig = AsString(ReadTestData(L"minisign/prehashed.minisig"));
    const std::string legacy = AsString(ReadTestData(L"minisign/legacy.minisig"));
    const auto line = [](const std::string& text, int index) {
        std::size_t start = 0;
        for (int i = 0; i < index; ++i) start = text.find('\n', start) + 1;
        return text.substr(start, text.find('\n', start) - start);
    };
    const std::string untrusted = line(minisig, 0), signatureLine = line(minisig, 1), trusted = line(minisig, 2),
                      commentSignature = line(minisig, 3);
    EXPECT_EQ(SignatureError(""), "its first line isn't an untrusted comment");
    EXPECT_EQ(SignatureError("untrusted: x\n" + signatureLine + "\n"), "its first line isn't an untrusted comment");
    EXPECT_EQ(SignatureError(untrusted + "\n"), "it has no signature line");
    EXPECT_NE(SignatureError(untrusted + "\n" + signatureLine.substr(1) + "\n"), "");
    EXPECT_NE(SignatureError(untrusted + "\n" + signatureLine + " \n"), "");
    // "ED" without its trusted comment: minisign says "Trusted comment not present".
    EXPECT_EQ(SignatureError(untrusted + "\n" + signatureLine + "\n"), "its trusted comment is missing");
    EXPECT_NE(SignatureError(untrusted + "\n" + signatureLine + "\n" + trusted + "\n"), "");
    EXPECT_NE(SignatureError(untrusted + "\n" + signatureLine + "\n" + trusted + "\n" + commentSignature + "=\n"), "");
    // minisign ignores text after the fourth line; it is refused here, as nothing signs it.
    EXPECT_EQ(SignatureError(minisig + "more\n"), "text follows its trusted comment's signature");
    EXPECT_TRUE(SignatureFrom(AsBytes(minisig + "\n\r\n")).has_value());
    EXPECT_EQ(SignatureError("untrusted comment: " + std::string(kMaxCommentLength + 1, 'x') + "\n" + signatureLine),
              "its untrusted comment is too long");
    EXPECT_EQ(SignatureError(untrusted + "\n" + signatureLine + "\ntrusted comment: " +
                             std::string(kMaxCommentLength + 1, 'x') + "\n" + commentSignature),
              "its trusted comment is too long");
    std::string otherAlgorithm = minisig;
    otherAlgorithm[untrusted.size() + 1] = 'U';  // "RU" to "UU": "QD", neither "Ed" nor "ED"
    EXPECT_EQ(SignatureError(otherAlgorithm), "its signature isn't an Ed25519 one");
    EXPECT_EQ(SignatureError(std::string(kMaxMinisignSignatureSize + 1, ' ')),
              "it is too large to be a minisign or signify signature");
    // Tauri's form wraps a detached file only.
    EXPECT_TRUE(SignatureFrom(ReadTestData(L"minisign/prehashed-tauri.sig")).has_value());
    EXPECT_TRUE(SignatureFrom(AsBytes(AsString(ReadTestData(L"minisign/prehashed-tauri.sig")) + "\r\n")).has_value());
    EXPECT_FALSE(SignatureFrom(AsBytes(" " + AsString(ReadTestData(L"minisign/prehashed-tauri.sig")))).has_value());
    EXPECT_FALSE(SignatureFrom(AsBytes(legacy.substr(0, legacy.size() - 1) + "x")).has_value());
}

TEST(MinisignSignature, RecognisedByContent) {
    for (const wchar_t* file :
         {L"minisign/legacy.minisig", L"minisign/prehashed.minisig", L"minisign/prehashed-crlf.minisig",
          L"minisign/prehashed-tauri.sig", L"minisign/data.txt.sig", L"minisign/list.txt.sig",
          L"signatures/minisign-dnscrypt/relays.md.minisig", L"signatures/signify-openbsd76/SHA256.sig"}) {
        EXPECT_TRUE(LooksLikeMinisignOrSignify(ReadTestData(file))) << ToUtf8(file);
    }
    for (const wchar_t* file : {L"minisign/minisign.pub", L"minisign/minisign-tauri.pub", L"minisign/data.txt",
                                L"signatures/signify-openbsd76/openbsd-76-base.pub",
                                L"signatures/minisign-dnscrypt/relays.md"}) {
        EXPECT_FALSE(LooksLikeMinisignOrSignify(ReadTestData(file))) << ToUtf8(file);
    }
    EXPECT_FALSE(LooksLikeMinisignOrSignify(AsBytes("")));
    EXPECT_FALSE(LooksLikeMinisignOrSignify(AsBytes("untrusted comment: \n")));
    EXPECT_FALSE(LooksLikeMinisignOrSignify(AsBytes("dW50cnVzdGVkIGNvbW1lbnQ6")));
}

}  // namespace
}  // namespace vms
