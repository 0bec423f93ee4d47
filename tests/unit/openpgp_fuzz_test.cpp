// Mutated keys, signatures and signed texts: nothing may crash or hang, and a
// Good verdict may only come where the mutation left every signed byte and the
// signing key's material as they were.
#include "openpgp_vectors.h"
#include "signatures/openpgp/cleartext.h"
#include "signatures/openpgp/document_check.h"
#include "signatures/openpgp/packets.h"

#include "mutator.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vms {
namespace {

using namespace vms::testing;

struct SignedPart {
    Bytes hashedPart;
    std::vector<Bytes> values;
    bool operator==(const SignedPart&) const = default;
};

// What a signature's verdict rests on: its hashed part and its values.
std::vector<SignedPart> SignedParts(const Bytes& signatureBytes) {
    std::vector<SignedPart> parts;
    for (const Packet& packet : ReadPackets(signatureBytes).ValueOr({})) {
        if (const Result<Signature> signature = ParseSignature(packet.body)) {
            parts.push_back({signature->hashedPart, signature->values});
        }
    }
    return parts;
}

Keyring KeysFrom(const Bytes& data) {
    Keyring keys;
    for (CertifiedKey& key : LoadKeys(data, kNow).ValueOr({}).keys) keys.Add(std::move(key), kNow);
    return keys;
}

Bytes SignatureOf(const ClearSignedMessage& message) {
    const Result<std::vector<ArmorBlock>> blocks = Dearmor(message.signatureArmor);
    return blocks ? blocks->front().bytes : Bytes{};
}

std::optional<ClearSignedMessage> Parse(std::string_view text) {
    std::optional<Result<ClearSignedMessage>> message = ParseClearSigned(text);
    if (!message || !*message) return std::nullopt;
    return std::move(**message);
}

TEST(OpenPgpFuzz, MutatedSignaturesNeverVerifyWhatTheyDidNotSign) {
    const Keyring v6Keys = KeysFrom(AsBytes(kV6Certificate));
    const ClearSignedMessage v6 = *Parse(kV6ClearSigned);
    Keyring debianKeys = KeysFrom(ReadTestData(L"openpgp/debian/debian-archive-bookworm-security-automatic.gpg"));
    const Result<KeyLoadResult> bullseye =
        LoadKeys(ReadTestData(L"openpgp/debian/debian-archive-bullseye-security-automatic.gpg"), kNow);
    for (CertifiedKey& key : bullseye.ValueOr({}).keys) debianKeys.Add(std::move(key), kNow);
    const Bytes inRelease = ReadTestData(L"openpgp/debian/bookworm-security_InRelease");
    const ClearSignedMessage debian = *Parse(std::string_view(reinterpret_cast<const char*>(inRelease.data()),
                                                              inRelease.size()));
    struct Sample {
        const ClearSignedMessage& message;
        const Keyring& keys;
        int rounds;
    };
    Mutator mutator(20261208);
    for (const Sample& sample : {Sample{v6, v6Keys, 4000}, Sample{debian, debianKeys, 1000}}) {
        const Bytes original = SignatureOf(sample.message);
        const Bytes text = AsBytes(sample.message.signedText);
        ASSERT_TRUE(CheckDetachedSignatures(original, text, sample.keys, kNow).Good());
        const std::vector<SignedPart> signedParts = SignedParts(original);
        for (int round = 0; round < sample.rounds; ++round) {
            const Bytes mutated = mutator.Mutate(original);
            const DocumentCheck check = CheckDetachedSignatures(mutated, text, sample.keys, kNow);
            if (!check.Good()) continue;
            // A good verdict needs one signature whose signed part and values are intact: a change
            // in its unhashed subpackets, or a damaged second signature, leaves it good.
            const std::vector<SignedPart> parts = SignedParts(mutated);
            EXPECT_TRUE(std::ranges::any_of(parts, [&](const SignedPart& part) {
                return std::ranges::find(signedParts, part) != signedParts.end();
            })) << "round " << round;
        }
    }
}

TEST(OpenPgpFuzz, MutatedKeysAndTextsNeverGiveAFalseGood) {
    const Bytes certificate = Dearmor(kV6Certificate).Value().at(0).bytes;
    const Bytes fingerprint = KeysFrom(certificate).Keys().at(0).primary.fingerprint;
    const ClearSignedMessage original = *Parse(kV6ClearSigned);
    Mutator mutator(4880);
    for (int round = 0; round < 2500; ++round) {
        const Keyring keys = KeysFrom(mutator.Mutate(certificate));
        const auto check = CheckClearSigned(AsBytes(kV6ClearSigned), keys, kNow);
        if (!check->Good()) continue;
        // A change in the encryption subkey leaves the signing key as it was.
        EXPECT_EQ(keys.Keys().at(0).primary.fingerprint, fingerprint) << "round " << round;
    }
    const Keyring keys = KeysFrom(certificate);
    for (int round = 0; round < 2500; ++round) {
        const Bytes mutated = mutator.Mutate(AsBytes(kV6ClearSigned));
        const std::string_view text(reinterpret_cast<const char*>(mutated.data()), mutated.size());
        const auto check = CheckClearSigned(mutated, keys, kNow);
        if (!check || !check->Good()) continue;
        // Trailing blanks and line-end forms are outside what a cleartext signature covers.
        const auto message = Parse(text);
        ASSERT_TRUE(message.has_value()) << "round " << round;
        EXPECT_EQ(message->signedText, original.signedText) << "round " << round;
        EXPECT_EQ(SignatureOf(*message), SignatureOf(original)) << "round " << round;
    }
}

}  // namespace
}  // namespace vms
