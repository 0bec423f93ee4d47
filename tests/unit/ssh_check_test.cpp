// Verdicts on the test data. Each expectation is what `ssh-keygen -Y verify
// -O verify-time=20270101Z` answered, except where a comment says this
// program is stricter (tests/data/ssh/README.md has the full table).
#include "ssh_test_data.h"
#include "signatures/common/crypto.h"

namespace vms {
namespace {

using namespace vms::testing;

SshResult Check(const std::string& signature, const SshTrust& trust, const std::string& document = "message.txt",
                std::string_view requiredNamespace = {}) {
    return CheckSshSignature(SshData(signature), SshData(document), trust, kSshNow, requiredNamespace);
}

struct Case {
    std::string signature;
    std::string signers;
    SignatureState state;
    std::string detail;
    std::string document = "message.txt";
};

void ExpectVerdicts(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        const SshResult result = Check(c.signature, SignersFrom(c.signers), c.document);
        EXPECT_EQ(result.state, c.state) << c.signature << " with " << c.signers << ": " << result.detail;
        EXPECT_EQ(result.detail, c.detail) << c.signature << " with " << c.signers;
    }
}

TEST(SshCheck, EveryKeyTypeAsSshKeygenJudgedIt) {
    ASSERT_TRUE(CryptoAvailable());
    ExpectVerdicts({
        {"ed25519.sig", "allowed_signers", SignatureState::Good, ""},
        {"ed25519_git.sig", "allowed_signers", SignatureState::Good, ""},
        {"ecdsa256.sig", "allowed_signers", SignatureState::Good, ""},
        {"ecdsa256_sha256.sig", "allowed_signers", SignatureState::Good, ""},
        {"ecdsa384.sig", "allowed_signers", SignatureState::Good, ""},
        {"ecdsa521.sig", "allowed_signers", SignatureState::Good, ""},
        {"rsa3072.sig", "allowed_signers", SignatureState::Good, ""},
        {"rsa2048_rsa_sha2_256.sig", "allowed_signers", SignatureState::Good, ""},
        {"sk_ed25519.sig", "allowed_signers", SignatureState::Good, ""},
        {"sk_ecdsa256.sig", "allowed_signers", SignatureState::Good, ""},
        // ssh-keygen 9.2 accepts security-key signatures without user presence; the result says so.
        {"sk_ed25519_no_presence.sig", "allowed_signers", SignatureState::Good, ""},
        {"sk_ecdsa256_no_presence.sig", "allowed_signers", SignatureState::Good, ""},
        // Stricter: ssh-keygen accepts RSA 1024.
        {"rsa1024.sig", "allowed_signers", SignatureState::Weak, "RSA 1024"},
        // ssh-keygen refuses SHA-1 RSA signatures outright.
        {"rsa2048_ssh_rsa.sig", "allowed_signers", SignatureState::Weak, "SHA-1"},
        {"ed25519.sig", "allowed_signers_crlf", SignatureState::Good, ""},
        // ssh-keygen refuses CR LF armour ("missing header"); the line ends aren't signed.
        {"ed25519_crlf.sig", "allowed_signers", SignatureState::Good, ""},
    });
}

TEST(SshCheck, ChangedDataSignatureAndKeys) {
    ExpectVerdicts({
        {"ed25519.sig", "allowed_signers", SignatureState::Bad, "", "message_changed.txt"},
        {"ecdsa521.sig", "allowed_signers", SignatureState::Bad, "", "message_changed.txt"},
        {"rsa3072.sig", "allowed_signers", SignatureState::Bad, "", "message_changed.txt"},
        {"sk_ed25519.sig", "allowed_signers", SignatureState::Bad, "", "message_changed.txt"},
        {"sk_ecdsa256.sig", "allowed_signers", SignatureState::Bad, "", "message_changed.txt"},
        {"ed25519_changed.sig", "allowed_signers", SignatureState::Bad, ""},
        // Stricter: ssh-keygen takes S + L for S.
        {"ed25519_s_plus_order.sig", "allowed_signers", SignatureState::Bad, ""},
        // ssh-keygen: "incorrect signature"; the changed key isn't a trusted one.
        {"ed25519_changed_key.sig", "allowed_signers", SignatureState::UnknownKey, ""},
        {"ed25519.sig", "allowed_signers_changed_key", SignatureState::UnknownKey, ""},
        {"ed25519.sig", "allowed_signers_other", SignatureState::UnknownKey, ""},
        // Stricter: ssh-keygen checks certificates against cert-authority lines.
        {"certified_ed25519.sig", "allowed_signers_ca", SignatureState::Unsupported,
         "OpenSSH certificates (ssh-ed25519-cert-v01@openssh.com)"},
    });
    const SshResult unknown = Check("ed25519.sig", SignersFrom("allowed_signers_other"));
    EXPECT_EQ(unknown.fingerprint, "SHA256:YzJmUsdHLfawaBfSYD8AHVOQYk//Pin02IuunMKCRYU");
    EXPECT_EQ(unknown.keyType, "ssh-ed25519");
    EXPECT_TRUE(unknown.principals.empty());
}

TEST(SshCheck, NamespacesTimesAndCertificateAuthorities) {
    ExpectVerdicts({
        {"ed25519.sig", "allowed_signers_options", SignatureState::Bad, "namespace"},
        {"ed25519_git.sig", "allowed_signers_options", SignatureState::Good, ""},
        {"ecdsa256.sig", "allowed_signers_options", SignatureState::Expired, "valid-after"},
        {"ecdsa384.sig", "allowed_signers_options", SignatureState::Expired, "valid-before"},
        {"ecdsa521.sig", "allowed_signers_options", SignatureState::Good, ""},
        // ssh-keygen: "Could not verify signature", a plain key on a cert-authority line.
        {"rsa3072.sig", "allowed_signers_options", SignatureState::Unsupported, "certificate authorities"},
    });
    EXPECT_EQ(Check("ecdsa521.sig", SignersFrom("allowed_signers_options")).principals,
              (std::vector<std::string>{"*@verimond.test", "!mallory@verimond.test"}));
    EXPECT_EQ(Check("ed25519.sig", SignersFrom("allowed_signers_options")).principals,
              (std::vector<std::string>{"ed25519@verimond.test"}));
    // ssh-keygen -n file: "namespace does not match".
    const SshResult other = Check("ed25519_git.sig", SignersFrom("allowed_signers"), "message.txt", "file");
    EXPECT_EQ(other.state, SignatureState::Bad);
    EXPECT_EQ(other.detail, "namespace");
    EXPECT_EQ(other.signatureNamespace, "git");
    EXPECT_EQ(Check("ed25519_git.sig", SignersFrom("allowed_signers"), "message.txt", "git").state,
              SignatureState::Good);
}

TEST(SshCheck, WhatAGoodResultTells) {
    const SshResult good = Check("ed25519.sig", SignersFrom("allowed_signers"));
    EXPECT_EQ(good.keyType, "ssh-ed25519");
    EXPECT_EQ(good.fingerprint, "SHA256:YzJmUsdHLfawaBfSYD8AHVOQYk//Pin02IuunMKCRYU");
    EXPECT_EQ(good.principals, (std::vector<std::string>{"ed25519@verimond.test", "alice@example.com"}));
    EXPECT_EQ(good.signatureNamespace, "file");
    EXPECT_FALSE(good.userPresent.has_value());
    EXPECT_FALSE(good.counter.has_value());

    for (const std::string name : {"sk_ed25519", "sk_ecdsa256"}) {
        const SshResult touched = Check(name + ".sig", SignersFrom("allowed_signers"));
        EXPECT_EQ(touched.userPresent, true) << name;
        EXPECT_EQ(touched.counter, 42u) << name;
        EXPECT_EQ(Check(name + "_no_presence.sig", SignersFrom("allowed_signers")).userPresent, false) << name;
    }
    EXPECT_EQ(Check("sk_ecdsa256.sig", SignersFrom("allowed_signers")).keyType, "sk-ecdsa-sha2-nistp256@openssh.com");
    // Unverified flags are not reported.
    const SshResult changed = Check("sk_ed25519.sig", SignersFrom("allowed_signers"), "message_changed.txt");
    EXPECT_FALSE(changed.userPresent.has_value());
}

TEST(SshCheck, PlainTrustedKeys) {
    const SshResult good = Check("ed25519.sig", KeysFrom({"ecdsa256.pub", "ed25519_crlf.pub"}));
    EXPECT_EQ(good.state, SignatureState::Good);
    EXPECT_TRUE(good.principals.empty());
    EXPECT_EQ(Check("ed25519_git.sig", KeysFrom({"ed25519.pub"})).state, SignatureState::Good);
    EXPECT_EQ(Check("ed25519.sig", KeysFrom({"other_ed25519.pub"})).state, SignatureState::UnknownKey);
    EXPECT_EQ(Check("ed25519.sig", KeysFrom({"ed25519_changed.pub"})).state, SignatureState::UnknownKey);
    EXPECT_EQ(Check("ed25519.sig", SshTrust{}).state, SignatureState::UnknownKey);
    // A plain key is trusted for any namespace, even when an allowed_signers line limits it.
    SshTrust both = SignersFrom("allowed_signers_options");
    both.keys = KeysFrom({"ed25519.pub"}).keys;
    EXPECT_EQ(Check("ed25519.sig", both).state, SignatureState::Good);
}

TEST(SshCheck, AnyLineForTheKeyMayAllowIt) {
    const std::string key = [] {
        const std::string line(TextOf(SshData("ed25519.pub")));
        return line.substr(0, line.find(' ', line.find(' ') + 1));
    }();
    const auto verdict = [&](const std::string& lines, std::int64_t now) {
        const AllowedSigners file = ParseAllowedSigners(lines).ValueOr({});
        EXPECT_TRUE(file.errors.empty()) << lines;
        return CheckSshSignature(SshData("ed25519.sig"), SshData("message.txt"), SshTrust{file.signers, {}}, now);
    };
    const SshResult second = verdict("git@x namespaces=\"git\" " + key + "\nfile@x namespaces=\"file\" " + key +
                                         "\nca@x cert-authority " + key + "\nany@x " + key + "\n",
                                     kSshNow);
    EXPECT_EQ(second.state, SignatureState::Good);
    EXPECT_EQ(second.principals, (std::vector<std::string>{"file@x", "any@x"}));
    EXPECT_EQ(verdict("ca@x cert-authority " + key + "\nold@x valid-before=\"20200101Z\" " + key + "\n", kSshNow).state,
              SignatureState::Unsupported);

    // The limits hold at their own second, as ssh-keygen's do.
    const std::int64_t limit = 1893456000;  // 2030-01-01 00:00:00 UTC
    const std::string before = "a@x valid-before=\"20300101Z\" " + key + "\n";
    const std::string after = "a@x valid-after=\"203001010000Z\" " + key + "\n";
    EXPECT_EQ(verdict(before, limit).state, SignatureState::Good);
    EXPECT_EQ(verdict(before, limit + 1).state, SignatureState::Expired);
    EXPECT_EQ(verdict(after, limit).state, SignatureState::Good);
    EXPECT_EQ(verdict(after, limit - 1).state, SignatureState::Expired);
    EXPECT_EQ(verdict(after, limit - 1).detail, "valid-after");
}

TEST(SshCheck, TheDocumentIsReadOnceInPiecesAndOnlyForTrustedKeys) {
    const Bytes document = SshData("message.txt");
    int reads = 0;
    const DocumentReader pieces = [&](const std::function<void(ByteSpan)>& sink) {
        ++reads;
        for (std::size_t at = 0; at < document.size(); at += 5) {
            sink(ByteSpan(document).subspan(at, std::min<std::size_t>(5, document.size() - at)));
        }
        return true;
    };
    const SshTrust trust = SignersFrom("allowed_signers");
    EXPECT_EQ(CheckSshSignature(SshData("ecdsa384.sig"), pieces, trust, kSshNow).state, SignatureState::Good);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(CheckSshSignature(SshData("ecdsa384.sig"), pieces, SshTrust{}, kSshNow).state,
              SignatureState::UnknownKey);
    EXPECT_EQ(reads, 1);
    const DocumentReader failing = [](const std::function<void(ByteSpan)>&) { return false; };
    const SshResult unread = CheckSshSignature(SshData("ecdsa384.sig"), failing, trust, kSshNow);
    EXPECT_EQ(unread.state, SignatureState::Uncheckable);
    EXPECT_EQ(unread.detail, "the signed file couldn't be read");
}

}  // namespace
}  // namespace vms
