// Mutated signatures, keys, allowed_signers files and documents: nothing may
// crash or hang, and a Good verdict may only come where every signed byte,
// the signing key and the document are as they were.
#include "mutator.h"
#include "ssh_test_data.h"
#include "signatures/ssh/ssh_verify.h"

#include <algorithm>

namespace vms {
namespace {

using namespace vms::testing;

// Everything a verdict rests on: the key, the signed fields and the values.
struct SignedParts {
    Bytes key, reserved, value, r, s;
    std::string signatureNamespace, hashName;
    SshSignatureAlgorithm algorithm{};
    std::uint8_t flags = 0;
    std::uint32_t counter = 0;
    bool operator==(const SignedParts&) const = default;
};

std::optional<SignedParts> PartsOf(ByteSpan armoured) {
    const Result<SshSignature> parsed = ParseSshSignature(armoured);
    if (!parsed) return std::nullopt;
    const SshSignature& s = *parsed;
    return SignedParts{s.key.blob, s.reserved, s.value, s.r, s.s, s.signatureNamespace, s.hashName, s.algorithm,
                       s.flags, s.counter};
}

const std::vector<std::string> kSignatures = {"ed25519.sig", "ecdsa256.sig", "ecdsa521.sig", "rsa3072.sig",
                                              "sk_ed25519.sig", "sk_ecdsa256.sig", "ed25519_git.sig"};

TEST(SshFuzz, MutatedSignaturesNeverVerifyWhatTheyDidNotSign) {
    const SshTrust trust = SignersFrom("allowed_signers");
    const Bytes document = SshData("message.txt");
    Mutator mutator(20261208);
    int rounds = 0, good = 0;
    for (const std::string& name : kSignatures) {
        const Bytes armoured = SshData(name);
        const Bytes blob = SshSignatureBlob(armoured);
        const std::optional<SignedParts> original = PartsOf(armoured);
        ASSERT_TRUE(original.has_value()) << name;
        ASSERT_EQ(CheckSshSignature(armoured, document, trust, kSshNow).state, SignatureState::Good) << name;
        for (int round = 0; round < 1000; ++round, ++rounds) {
            // Mostly the blob under intact armour, which reaches the parser's depths; sometimes the text itself.
            const Bytes mutated = round % 4 == 0 ? mutator.Mutate(armoured)
                                                 : BytesOf(ArmourSshSignature(mutator.Mutate(blob)));
            const SshResult result = CheckSshSignature(mutated, document, trust, kSshNow);
            if (result.state != SignatureState::Good) continue;
            ++good;
            EXPECT_EQ(PartsOf(mutated), original) << name << " round " << round;
        }
    }
    EXPECT_EQ(rounds, 7000);
    // Only mutations outside the blob, such as after the END line, leave a signature good.
    EXPECT_LT(good, 7000 / 10);
}

TEST(SshFuzz, MutatedDocumentsNeverVerify) {
    const SshTrust trust = SignersFrom("allowed_signers");
    const Bytes document = SshData("message.txt");
    Mutator mutator(8032);
    for (int round = 0; round < 1000; ++round) {
        const std::string& name = kSignatures[mutator.Below(kSignatures.size())];
        const Bytes mutated = mutator.Mutate(document);
        const SshResult result = CheckSshSignature(SshData(name), mutated, trust, kSshNow);
        if (mutated != document) {
            EXPECT_NE(result.state, SignatureState::Good) << name << " round " << round;
        }
    }
}

TEST(SshFuzz, MutatedAllowedSignersAndKeysNeverTrustAnotherKey) {
    const Bytes document = SshData("message.txt");
    const Bytes signers = SshData("allowed_signers");
    const Bytes options = SshData("allowed_signers_options");
    const Bytes publicKey = SshData("ecdsa256.pub");
    const SshTrust trusted = SignersFrom("allowed_signers");
    Mutator mutator(4251);
    for (int round = 0; round < 2000; ++round) {
        const std::string& name = kSignatures[mutator.Below(kSignatures.size())];
        const Bytes signature = SshData(name);
        const Bytes signingKey = ParseSshSignature(signature)->key.blob;
        const AllowedSigners file =
            ParseAllowedSigners(TextOf(mutator.Mutate(round % 2 ? signers : options))).ValueOr({});
        const SshResult result = CheckSshSignature(signature, document, SshTrust{file.signers, {}}, kSshNow);
        if (result.state != SignatureState::Good) continue;
        // The line that allowed it still holds the signing key, exactly.
        EXPECT_TRUE(std::ranges::any_of(file.signers, [&](const AllowedSigner& s) { return s.key.blob == signingKey; }))
            << name << " round " << round;
        EXPECT_FALSE(result.principals.empty()) << name << " round " << round;
    }
    const Bytes ecdsaSignature = SshData("ecdsa256.sig");
    const Bytes ecdsaKey = ParseSshSignature(ecdsaSignature)->key.blob;
    for (int round = 0; round < 1000; ++round) {
        const SshKeyList keys = ParseSshPublicKeys(TextOf(mutator.Mutate(publicKey))).ValueOr({});
        const SshResult result = CheckSshSignature(ecdsaSignature, document, SshTrust{{}, keys.keys}, kSshNow);
        if (result.state == SignatureState::Good) {
            EXPECT_TRUE(std::ranges::any_of(keys.keys, [&](const SshPublicKey& k) { return k.blob == ecdsaKey; }))
                << "round " << round;
        }
    }
    // Keys read straight from mutated blobs: never a crash, and never a key that isn't the blob.
    const Bytes keyBlob = trusted.allowedSigners.at(4).key.blob;  // RSA 3072
    for (int round = 0; round < 1000; ++round) {
        const Bytes mutated = mutator.Mutate(round % 2 ? keyBlob : trusted.allowedSigners.at(8).key.blob);
        const Result<SshPublicKey> key = ParseSshKeyBlob(mutated);
        if (key) {
            EXPECT_EQ(key->blob, mutated) << "round " << round;
        }
    }
}

}  // namespace
}  // namespace vms
