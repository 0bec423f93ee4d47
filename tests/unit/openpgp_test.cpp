#include "openpgp_vectors.h"
#include "signatures/openpgp/cleartext.h"
#include "signatures/common/crypto.h"
#include "signatures/openpgp/document_check.h"
#include "signatures/common/key_text.h"
#include "signatures/openpgp/packets.h"
#include "signatures/openpgp/signature_digest.h"
#include "signatures/common/trust_store.h"

#include <gtest/gtest.h>

namespace vms {
namespace {

using namespace vms::testing;

std::string Hex(const Bytes& bytes) {
    std::wstring hex = FingerprintHex(bytes);
    return std::string(hex.begin(), hex.end());
}

Keyring KeysFrom(const Bytes& data) {
    Keyring keys;
    const Result<KeyLoadResult> loaded = LoadKeys(data, kNow);
    EXPECT_EQ(loaded.GetError().detail, "");
    for (CertifiedKey& key : loaded.ValueOr({}).keys) keys.Add(std::move(key), kNow);
    return keys;
}

TEST(Armor, Crc24CheckValueRoundTripAndDamage) {
    EXPECT_EQ(Crc24(AsBytes("123456789")), 0x21CF02u);  // the CRC-24/OPENPGP check value
    const Bytes data = AsBytes("any bytes \x01\x02\xff at all, and more than one line of them when armoured");
    const std::string armored = Armor("PGP SIGNATURE", data);
    const Result<std::vector<ArmorBlock>> back = Dearmor("Leading text\r\n" + armored + "trailing text\n");
    ASSERT_EQ(back.GetError().detail, "");
    ASSERT_EQ(back->size(), 1u);
    EXPECT_EQ((*back)[0].label, "PGP SIGNATURE");
    EXPECT_EQ((*back)[0].bytes, data);

    std::string badCrc = armored;
    badCrc[badCrc.find("\n=") + 2] ^= 1;
    EXPECT_NE(Dearmor(badCrc).GetError().detail, "");
    EXPECT_NE(Dearmor(armored.substr(0, armored.find("-----END"))).GetError().detail, "");
    std::string badChar = armored;
    badChar[badChar.find("\n\n") + 3] = '*';
    EXPECT_NE(Dearmor(badChar).GetError().detail, "");
    EXPECT_NE(Dearmor("no armour here").GetError().detail, "");
}

TEST(Packets, EveryLengthFormAndTruncation) {
    const Bytes input = {
        0x88, 0x01, 'a',                    // old format, one-octet length
        0x89, 0x00, 0x02, 'b', 'c',         // old format, two-octet length
        0xCD, 0xC0, 0x00,                   // new format, two-octet length 192...
    };
    Bytes withLong = input;
    withLong.insert(withLong.end(), 192, 'x');
    const Bytes fiveOctet = {0xCD, 0xFF, 0x00, 0x00, 0x00, 0x03, 'u', 'i', 'd'};
    withLong.insert(withLong.end(), fiveOctet.begin(), fiveOctet.end());
    // Partial lengths: 2 bytes, then 1 byte, then the final 1-byte part.
    const Bytes partial = {0xCB, 0xE1, 'p', 'q', 0xE0, 'r', 0x01, 's'};
    withLong.insert(withLong.end(), partial.begin(), partial.end());
    const Bytes indeterminate = {0x8B, 't', 'a', 'i', 'l'};  // old format, to the end
    withLong.insert(withLong.end(), indeterminate.begin(), indeterminate.end());

    const Result<std::vector<Packet>> list = ReadPackets(withLong);
    ASSERT_EQ(list.GetError().detail, "");
    const std::vector<Packet>& packets = *list;
    ASSERT_EQ(packets.size(), 6u);
    EXPECT_EQ(packets[0].body, AsBytes("a"));
    EXPECT_EQ(packets[1].body, AsBytes("bc"));
    EXPECT_EQ(packets[2].body.size(), 192u);
    EXPECT_EQ(packets[3].tag, PacketTag::UserId);
    EXPECT_EQ(packets[3].body, AsBytes("uid"));
    EXPECT_EQ(packets[4].body, AsBytes("pqrs"));
    EXPECT_EQ(packets[5].body, AsBytes("tail"));

    for (const Bytes& bad : {Bytes{0xCD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'x'}, Bytes{0x88, 0x05, 'a'}, Bytes{0x41},
                             Bytes{0xC0, 0x00}, Bytes{0xCB, 0xE1, 'p'}}) {
        EXPECT_NE(ReadPackets(bad).GetError().detail, "");
    }
}

TEST(Cleartext, CanonicalTextHeadersAndOutsideText) {
    const std::string text = "-----BEGIN PGP SIGNED MESSAGE-----\r\nHash: SHA256, SHA512\r\n\r\n"
                             "line one  \t\r\n- -dashed\r\n\r\nlast\r\n"
                             "-----BEGIN PGP SIGNATURE-----\r\n\r\nAAAA\r\n-----END PGP SIGNATURE-----\r\n";
    const auto parsed = ParseClearSigned(text);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->GetError().detail, "");
    const ClearSignedMessage& message = parsed->Value();
    EXPECT_EQ(message.signedText, "line one\r\n-dashed\r\n\r\nlast");
    EXPECT_EQ(message.hashNames, (std::vector<std::string>{"SHA256", "SHA512"}));
    EXPECT_FALSE(message.textOutside);
    EXPECT_TRUE(ParseClearSigned("before\n" + text).value().Value().textOutside);
    EXPECT_TRUE(ParseClearSigned(text + "after\n").value().Value().textOutside);

    const auto otherHeader = ParseClearSigned("-----BEGIN PGP SIGNED MESSAGE-----\nComment: x\n\nbody\n");
    EXPECT_NE(otherHeader.value().GetError().detail, "");
    const auto noSignature = ParseClearSigned("-----BEGIN PGP SIGNED MESSAGE-----\n\nbody without signature\n");
    EXPECT_NE(noSignature.value().GetError().detail, "");
    EXPECT_FALSE(ParseClearSigned("plain text").has_value());
}

TEST(Rfc9580Samples, Version4Ed25519LegacyKeyAndSignature) {
    ASSERT_TRUE(CryptoAvailable());
    const Result<std::vector<Packet>> keyPackets = ReadPackets(FromBase64(kV4LegacyKey));
    ASSERT_EQ(keyPackets.ValueOr({}).size(), 1u);
    const Result<PublicKey> key = ParsePublicKey(keyPackets->front().body);
    ASSERT_TRUE(key.Ok()) << key.GetError().detail;
    EXPECT_EQ(Hex(key->fingerprint), kV4LegacyKeyFingerprint);
    EXPECT_EQ(DescribeKeyAlgorithm(*key), "Ed25519");

    const Bytes signatureBytes = FromBase64(kV4LegacySignature);
    const auto verify = [&](std::string_view data, const Bytes& packetBytes) {
        const Result<std::vector<Packet>> packets = ReadPackets(packetBytes);
        if (!packets || packets->empty()) return VerifyOutcome::InvalidValues;
        const Result<Signature> signature = ParseSignature(packets->front().body);
        if (!signature) return VerifyOutcome::InvalidValues;
        SignatureDigest digest(*signature);
        digest.Update(AsBytes(data));
        return CheckDigest(*key, *signature, digest.Finish());
    };
    EXPECT_EQ(verify("OpenPGP", signatureBytes), VerifyOutcome::Good);
    EXPECT_EQ(verify("OpenPGQ", signatureBytes), VerifyOutcome::Bad);
    Bytes changedValue = signatureBytes;
    changedValue[changedValue.size() - 5] ^= 0x40;
    EXPECT_NE(verify("OpenPGP", changedValue), VerifyOutcome::Good);
}

TEST(Rfc9580Samples, Version6CertificateAndClearSignedMessage) {
    const Keyring keys = KeysFrom(AsBytes(kV6Certificate));
    ASSERT_EQ(keys.Keys().size(), 1u);
    const CertifiedKey& key = keys.Keys()[0];
    EXPECT_EQ(Hex(key.primary.fingerprint), kV6Fingerprint);
    EXPECT_EQ(key.primary.version, 6);
    EXPECT_EQ(key.subkeys.size(), 1u);  // the X25519 subkey, bound but not for signing
    EXPECT_FALSE(key.subkeys[0].canSign);

    const auto check = CheckClearSigned(AsBytes(kV6ClearSigned), keys, kNow);
    ASSERT_TRUE(check.has_value());
    ASSERT_EQ(check->signatures.size(), 1u);
    EXPECT_EQ(check->signatures[0].state, SignatureState::Good);
    EXPECT_EQ(Hex(check->signatures[0].signingFingerprint), kV6Fingerprint);
    EXPECT_TRUE(check->Good());
    EXPECT_TRUE(keys.Find(key.primary.fingerprint, {}).has_value());
    EXPECT_TRUE(keys.Find({}, key.primary.keyId).has_value());  // signatures that name only a key ID
    EXPECT_FALSE(keys.Find({}, Bytes(8, 0)).has_value());
    // A fingerprint that names no key leaves the key ID, when the signature has one.
    Bytes otherFingerprint = key.primary.fingerprint;
    otherFingerprint.back() ^= 1;
    EXPECT_FALSE(keys.Find(otherFingerprint, {}).has_value());
    const auto byKeyId = keys.Find(otherFingerprint, key.primary.keyId);
    ASSERT_TRUE(byKeyId.has_value());
    EXPECT_EQ(byKeyId->key, &key);
    EXPECT_EQ(byKeyId->subkey, nullptr);

    std::string changed = kV6ClearSigned;
    changed.replace(changed.find("tofu"), 4, "beef");
    EXPECT_EQ(CheckClearSigned(AsBytes(changed), keys, kNow)->signatures[0].state, SignatureState::Bad);
    EXPECT_EQ(CheckClearSigned(AsBytes(kV6ClearSigned), Keyring{}, kNow)->signatures[0].state,
              SignatureState::UnknownKey);
    EXPECT_EQ(CheckClearSigned(AsBytes(std::string(kV6ClearSigned) + "extra  line\n"), keys, kNow)->signatures[0].state,
              SignatureState::Malformed);
}

TEST(DebianInRelease, BothSignaturesGoodWithTheArchiveKeys) {
    Keyring keys = KeysFrom(ReadTestData(L"openpgp/debian/debian-archive-bookworm-security-automatic.gpg"));
    const Result<KeyLoadResult> bullseye =
        LoadKeys(ReadTestData(L"openpgp/debian/debian-archive-bullseye-security-automatic.gpg"), kNow);
    for (CertifiedKey& key : bullseye.ValueOr({}).keys) keys.Add(std::move(key), kNow);
    const auto check = CheckClearSigned(ReadTestData(L"openpgp/debian/bookworm-security_InRelease"), keys, kNow);
    ASSERT_TRUE(check.has_value());
    ASSERT_EQ(check->signatures.size(), 2u);
    for (const SignatureResult& result : check->signatures) {
        EXPECT_EQ(result.state, SignatureState::Good) << result.detail;
        EXPECT_TRUE(result.userId.starts_with("Debian Security Archive Automatic Signing Key")) << result.userId;
        EXPECT_NE(result.signingFingerprint, result.primaryFingerprint);  // made by signing subkeys
    }
    EXPECT_TRUE(check->Good());
    // Both detached signatures are fed from one read of the document.
    const Bytes inRelease = ReadTestData(L"openpgp/debian/bookworm-security_InRelease");
    const ClearSignedMessage message =
        ParseClearSigned(std::string(inRelease.begin(), inRelease.end())).value().Value();
    const Bytes text = AsBytes(message.signedText);
    int reads = 0;
    const DocumentReader reader = [&](const std::function<void(ByteSpan)>& sink) {
        ++reads;
        for (std::size_t at = 0; at < text.size(); at += 1000) {
            sink(ByteSpan(text).subspan(at, std::min<std::size_t>(1000, text.size() - at)));
        }
        return true;
    };
    const Bytes signatures = Dearmor(message.signatureArmor).Value().at(0).bytes;
    const DocumentCheck detached = CheckDetachedSignatures(signatures, reader, keys, kNow);
    EXPECT_TRUE(detached.Good());
    EXPECT_EQ(detached.signatures.size(), 2u);
    EXPECT_EQ(reads, 1);
    // Signed on 2026-12-06: a clock at 2026-01-01 sees both signatures made in the future.
    const auto early = CheckClearSigned(ReadTestData(L"openpgp/debian/bookworm-security_InRelease"), keys, 1767225600);
    EXPECT_EQ(early->signatures[0].state, SignatureState::Bad);
    EXPECT_EQ(early->signatures[0].badReason, BadReason::MadeInFuture);
    // A fingerprint that names one key wins over a key ID that names another.
    ASSERT_EQ(keys.Keys().size(), 2u);
    const auto match = keys.Find(keys.Keys()[1].primary.fingerprint, keys.Keys()[0].primary.keyId);
    ASSERT_TRUE(match.has_value());
    EXPECT_EQ(match->key, &keys.Keys()[1]);
}

// A signature packet body: version 4, type 0x18, EdDSA, SHA-256, the hashed
// creation time, and an unhashed embedded signature holding inner.
Bytes SignatureWithEmbedded(const Bytes& inner) {
    Bytes body = {4, 0x18, 22, 8, 0, 6, 5, 2, 0x60, 0, 0, 0};
    Bytes unhashed = {0xFF};
    const std::size_t size = inner.size() + 1;
    for (int shift = 24; shift >= 0; shift -= 8) unhashed.push_back(static_cast<std::uint8_t>(size >> shift));
    unhashed.push_back(32);
    unhashed.insert(unhashed.end(), inner.begin(), inner.end());
    body.push_back(static_cast<std::uint8_t>(unhashed.size() >> 8));
    body.push_back(static_cast<std::uint8_t>(unhashed.size()));
    body.insert(body.end(), unhashed.begin(), unhashed.end());
    const Bytes tail = {0xAB, 0xCD, 0, 8, 0x80, 0, 8, 0x90};  // left16, then r and s as 8-bit MPIs
    body.insert(body.end(), tail.begin(), tail.end());
    return body;
}

TEST(HostileInput, NestingInvalidNumbersAndLengths) {
    // Embedded signatures inside embedded signatures are read one level only, never recursed into.
    Bytes nested = SignatureWithEmbedded({});
    for (int depth = 0; depth < 2000 && nested.size() < 60000; ++depth) nested = SignatureWithEmbedded(nested);
    const Result<Signature> outer = ParseSignature(nested);
    ASSERT_TRUE(outer.Ok()) << outer.GetError().detail;
    EXPECT_FALSE(outer->embeddedSignature.empty());

    // An MPI whose bit count claims more than its leading byte has, or more bytes than there are.
    const Bytes rsaKey = {4, 0x5F, 0, 0, 0, 1, 0, 16, 0x00, 0x81, 0, 17, 0x01, 0x00, 0x01};
    EXPECT_FALSE(ParsePublicKey(rsaKey).Ok());
    const Bytes cutKey = {4, 0x5F, 0, 0, 0, 1, 0xFF, 0xFF, 0x01};
    EXPECT_FALSE(ParsePublicKey(cutKey).Ok());
    // A subpacket area longer than the packet, and a subpacket longer than its area.
    EXPECT_FALSE(ParseSignature(Bytes{4, 0, 22, 8, 0xFF, 0xFF, 5, 2}).Ok());
    EXPECT_FALSE(ParseSignature(Bytes{4, 0, 22, 8, 0, 2, 0xFF, 2, 0, 0, 0xAB, 0xCD}).Ok());
    EXPECT_TRUE(ParseSignature(Bytes{3, 0}).GetError() == UnsupportedError("version 3 signatures"));
}

TEST(Crypto, PointsOffTheCurveAndForeignValuesAreRefused) {
    ASSERT_TRUE(CryptoAvailable());
    PublicKey key;
    key.version = 4;
    key.algorithm = PublicKeyAlgorithm::Ecdsa;
    key.curve = Curve::NistP256;
    key.bits = 256;
    key.canVerify = true;
    Bytes point(65, 0x11);  // 04 || x || y, with y not matching x
    point[0] = 0x04;
    key.fields = {point};
    Signature signature;
    signature.version = 4;
    signature.algorithm = PublicKeyAlgorithm::Ecdsa;
    signature.hash = HashAlgorithm::Sha256;
    signature.values = {Bytes(32, 0x22), Bytes(32, 0x33)};
    EXPECT_EQ(VerifyDigest(key, signature, Bytes(32, 0x44)), VerifyOutcome::InvalidValues);
    signature.algorithm = PublicKeyAlgorithm::Rsa;  // a signature of another algorithm than its key's
    EXPECT_EQ(VerifyDigest(key, signature, Bytes(32, 0x44)), VerifyOutcome::InvalidValues);
}

Bytes FromHex(std::string_view hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

TEST(Crypto, Ed25519RefusesWhatLibsodiumRefuses) {
    ASSERT_TRUE(CryptoAvailable());
    // RFC 8032, section 7.1, test 1: the empty message.
    const Bytes key = FromHex("d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a");
    const Bytes signature = FromHex(
        "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9b46bd25bf5f0"
        "595bbe24655141438e7a100b");
    EXPECT_EQ(VerifyEd25519(key, signature, {}), VerifyOutcome::Good);
    EXPECT_EQ(VerifyEd25519(key, signature, AsBytes("x")), VerifyOutcome::Bad);
    // Past the length libgcrypt can take, refused before it could abort the process.
    EXPECT_EQ(VerifyEd25519(key, signature, Bytes(kMaxEd25519Message, 0)), VerifyOutcome::Bad);
    EXPECT_EQ(VerifyEd25519(key, signature, Bytes(kMaxEd25519Message + 1, 0)), VerifyOutcome::InvalidValues);
    EXPECT_EQ(VerifyEd25519(key, signature, Bytes(70000, 0)), VerifyOutcome::InvalidValues);

    // S + L verifies in libgcrypt's arithmetic, but isn't the signature's one encoding.
    const Bytes order = FromHex("edd3f55c1a631258d69cf7a2def9de1400000000000000000000000000000010");
    Bytes malleated = signature;
    unsigned carry = 0;
    for (std::size_t i = 0; i < 32; ++i) {
        const unsigned sum = malleated[32 + i] + order[i] + carry;
        malleated[32 + i] = static_cast<std::uint8_t>(sum);
        carry = sum >> 8;
    }
    EXPECT_EQ(VerifyEd25519(key, malleated, {}), VerifyOutcome::Bad);

    // Keys of small order (the neutral element, the point of order 2, one of order 8) and a y past the prime.
    for (const char* hex : {"0100000000000000000000000000000000000000000000000000000000000000",
                            "ecffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f",
                            "26e8958fc2b227b045c3f489f2ef98f0d5dfac05d3c63339b13802886d53fc05",
                            "eeffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f"}) {
        EXPECT_EQ(VerifyEd25519(FromHex(hex), signature, {}), VerifyOutcome::InvalidValues) << hex;
    }
    // An R of small order with any S.
    Bytes smallR = signature;
    std::fill(smallR.begin(), smallR.begin() + 32, 0);
    smallR[0] = 1;
    EXPECT_EQ(VerifyEd25519(key, smallR, {}), VerifyOutcome::Bad);
}

TEST(KeyText, FingerprintsDatesAndHostileUserIds) {
    EXPECT_EQ(FormatFingerprint({0xAB, 0xCD, 0x01, 0x23, 0x45}), L"ABCD 0123 45");
    EXPECT_EQ(FormatDate(0), L"1970-01-01");
    EXPECT_EQ(FormatDateTime(1767225600 + 3600 + 120), L"2026-01-01 01:02 UTC");
    EXPECT_EQ(UserIdText("Zo\xc3\xab <z@x>\r\n\x1b[2J\xe2\x80\xae"), L"Zo\u00eb <z@x>??\u003f[2J?");
    EXPECT_EQ(ParseFingerprint(L"cb18 6C4F0609a697e4d52dfa6c722b0c1f1e27c18a56708f6525ec27bad9acc9").value_or(Bytes{}).size(),
              32u);
    EXPECT_FALSE(ParseFingerprint(L"CB18").has_value());
    EXPECT_FALSE(ParseFingerprint(L"G959BDBAFA32A2F89A153B678CFDE12197965A9A").has_value());
}

}  // namespace
}  // namespace vms
