// OpenSSH keys, patterns, times and allowed_signers files: what ssh-keygen
// wrote and printed for the test data, and damaged or hostile forms.
#include "ssh_test_data.h"
#include "signatures/common/crypto.h"
#include "signatures/ssh/ssh_pattern.h"

#include <chrono>

namespace vms {
namespace {

using namespace vms::testing;

Result<SshPublicKey> KeyFile(const std::string& name) { return ParseSshKeyLine(TextOf(SshData(name))); }

TEST(SshKey, EveryTypeWithTheFingerprintSshKeygenPrints) {
    ASSERT_TRUE(CryptoAvailable());
    struct Expected {
        std::string file;
        SshKeyType type;
        std::size_t bits;
        std::string fingerprint;  // as `ssh-keygen -l -f FILE` printed it
        std::string comment;
    };
    const Expected keys[] = {
        {"ed25519.pub", SshKeyType::Ed25519, 256,
         "SHA256:YzJmUsdHLfawaBfSYD8AHVOQYk//Pin02IuunMKCRYU", "ed25519@verimond.test"},
        {"ecdsa256.pub", SshKeyType::EcdsaP256, 256,
         "SHA256:0m0oiKnMlJcToTUKjxonT3fUlJnYJhhturCgNn6ZjrE", "ecdsa256@verimond.test"},
        {"ecdsa384.pub", SshKeyType::EcdsaP384, 384,
         "SHA256:sJMxk71thg0r4kMUVHia30WTEym7AyR6q8fx9t68tAE", "ecdsa384@verimond.test"},
        {"ecdsa521.pub", SshKeyType::EcdsaP521, 521,
         "SHA256:epCoZyGrAXYGctYURfymUBfKnCxf1Q4Xh8oHysF/FL8", "ecdsa521@verimond.test"},
        {"rsa3072.pub", SshKeyType::Rsa, 3072,
         "SHA256:9mOqZOxgmzuSk1IMH6h4uuRLqphyy0LAQvJNoeEoXEY", "rsa3072@verimond.test"},
        {"rsa1024.pub", SshKeyType::Rsa, 1024,
         "SHA256:sUAg+ZQgfP52QgPOFwiTJqctw6ObYTgknyq0Eessza8", "rsa1024@verimond.test"},
        {"rsa2048.pub", SshKeyType::Rsa, 2048,
         "SHA256:vbwzQjBdOluRguiEu1BrhAA2Fueu0io1q+xu8BUyEYk", "rsa2048"},
        {"sk_ed25519.pub", SshKeyType::SkEd25519, 256,
         "SHA256:JlwgcyP6oUy5L52obHvAGUd1bOlQIwI9xVS3pAs+7lw", "sk_ed25519"},
        {"sk_ecdsa256.pub", SshKeyType::SkEcdsaP256, 256,
         "SHA256:cAy3xe6lkqaiRrvxcKPtCXCHt+oNDg1oxq6mdi1et2A", "sk_ecdsa256"},
        {"ed25519_crlf.pub", SshKeyType::Ed25519, 256,
         "SHA256:YzJmUsdHLfawaBfSYD8AHVOQYk//Pin02IuunMKCRYU", "ed25519@verimond.test"},
        {"ed25519_changed.pub", SshKeyType::Ed25519, 256,
         "SHA256:mPFZ8TqGo1IgmsoTSARgzccMVu1ATOI9JP7FJMQ3a8M", "ed25519@verimond.test"},
    };
    for (const Expected& expected : keys) {
        const Result<SshPublicKey> parsed = KeyFile(expected.file);
        ASSERT_TRUE(parsed.Ok()) << expected.file << ": " << parsed.GetError().detail;
        EXPECT_EQ(parsed->type, expected.type) << expected.file;
        EXPECT_EQ(parsed->bits, expected.bits) << expected.file;
        EXPECT_EQ(SshFingerprint(*parsed), expected.fingerprint) << expected.file;
        EXPECT_EQ(parsed->comment, expected.comment) << expected.file;
    }
    const Result<SshPublicKey> sk = KeyFile("sk_ecdsa256.pub");
    EXPECT_EQ(sk->application, "ssh:");
    EXPECT_EQ(sk->point.size(), 65u);
    EXPECT_EQ(KeyFile("rsa3072.pub")->exponent, (Bytes{0x01, 0x00, 0x01}));
}

TEST(SshKey, CertificatesAndOtherTypesAreUnsupportedByName) {
    const Result<SshPublicKey> certificate = KeyFile("certified_ed25519-cert.pub");
    EXPECT_EQ(StateOf(certificate), SignatureState::Unsupported);
    EXPECT_EQ(certificate.GetError().detail, "OpenSSH certificates (ssh-ed25519-cert-v01@openssh.com)");
    const Result<SshPublicKey> dsa = ParseSshKeyBlob(Concat({WireString("ssh-dss"), WireString("p")}));
    EXPECT_EQ(StateOf(dsa), SignatureState::Unsupported);
    EXPECT_EQ(dsa.GetError().detail, "the key type ssh-dss");
    EXPECT_EQ(ParseSshKeyBlob(WireString("\x1b[2Jhostile\n")).GetError().detail, "the key type ?[2Jhostile?");
}

TEST(SshKey, RsaSizeBoundAndMinimalNumbers) {
    const Bytes exponent = WireString(Bytes{0x01, 0x00, 0x01});
    Bytes largest(2049, 0xFF);  // 16384 bits, after the zero that keeps it positive
    largest[0] = 0x00;
    const Result<SshPublicKey> atBound =
        ParseSshKeyBlob(Concat({WireString("ssh-rsa"), exponent, WireString(largest)}));
    ASSERT_TRUE(atBound.Ok()) << atBound.GetError().detail;
    EXPECT_EQ(atBound->bits, 16384u);
    Bytes tooLarge(2049, 0xFF);
    tooLarge[0] = 0x01;
    const Result<SshPublicKey> over = ParseSshKeyBlob(Concat({WireString("ssh-rsa"), exponent, WireString(tooLarge)}));
    EXPECT_EQ(StateOf(over), SignatureState::Unsupported);

    const Bytes modulus(256, 0x7F);
    EXPECT_TRUE(ParseSshKeyBlob(Concat({WireString("ssh-rsa"), exponent, WireString(modulus)})).Ok());
    for (const Bytes& badExponent : {WireString(Bytes{0x00, 0x01}), WireString(Bytes{0x80, 0x01}),
                                     WireString(Bytes{0x00}), WireString(Bytes{})}) {
        EXPECT_EQ(StateOf(ParseSshKeyBlob(Concat({WireString("ssh-rsa"), badExponent, WireString(modulus)}))),
                  SignatureState::Malformed);
    }
}

TEST(SshKey, DamagedBlobsAndLines) {
    const Result<SshPublicKey> parsed = KeyFile("ed25519.pub");
    ASSERT_TRUE(parsed.Ok());
    const Bytes& key = parsed->blob;
    Bytes longer = key;
    longer.push_back(0);
    EXPECT_EQ(ParseSshKeyBlob(longer).GetError().detail, "the key has data after its end");
    EXPECT_EQ(ParseSshKeyBlob(Bytes(key.begin(), key.end() - 1)).GetError().detail, "the key is cut short");
    Bytes hugeLength = key;
    hugeLength[0] = 0xFF;  // the type's length runs far past the data
    EXPECT_EQ(StateOf(ParseSshKeyBlob(hugeLength)), SignatureState::Malformed);
    EXPECT_EQ(StateOf(ParseSshKeyBlob(Concat({WireString("ssh-ed25519"), WireString(Bytes(31, 1))}))),
              SignatureState::Malformed);
    const Bytes p256 = WireString("ecdsa-sha2-nistp256");
    EXPECT_EQ(StateOf(ParseSshKeyBlob(Concat({p256, WireString("nistp384"), WireString(Bytes(65, 4))}))),
              SignatureState::Malformed);
    EXPECT_EQ(ParseSshKeyBlob(Concat({p256, WireString("nistp256"), WireString(Bytes(33, 2))})).GetError().detail,
              "the key's point isn't an uncompressed point of its curve");
    EXPECT_EQ(ParseSshKeyBlob(Bytes(kMaxSshKeyBlob + 1, 0)).GetError().detail, "the key is too large");

    const std::string line(TextOf(SshData("ed25519.pub")));
    EXPECT_EQ(ParseSshKeyLine("ssh-rsa" + line.substr(line.find(' '))).GetError().detail,
              "the key line's type isn't its key's");
    EXPECT_EQ(StateOf(ParseSshKeyLine("SSH-ED25519" + line.substr(line.find(' ')))), SignatureState::Malformed);
    EXPECT_EQ(ParseSshKeyLine("ssh-ed25519").GetError().detail, "the key line has no key");
    std::string urlSafe = line;
    urlSafe.replace(urlSafe.find('/'), 1, "_");
    EXPECT_EQ(ParseSshKeyLine(urlSafe).GetError().detail, "the key isn't base64");
    EXPECT_EQ(ParseSshKeyLine("  \t" + line)->comment, "ed25519@verimond.test");
}

TEST(SshPattern, WildcardsNegationAndHostilePatterns) {
    EXPECT_TRUE(MatchSshPattern("*@example.com", "alice@example.com"));
    EXPECT_TRUE(MatchSshPattern("ali?e@example.com", "alice@example.com"));
    EXPECT_FALSE(MatchSshPattern("ali?e@example.com", "alie@example.com"));
    EXPECT_FALSE(MatchSshPattern("ALICE@example.com", "alice@example.com"));
    EXPECT_TRUE(MatchSshPattern("*", ""));
    EXPECT_TRUE(MatchSshPattern("a*b*c", "aXXbYYbc"));
    EXPECT_FALSE(MatchSshPattern("a*b*c", "aXXbYYb"));
    EXPECT_FALSE(MatchSshPattern("", "a"));

    EXPECT_EQ(MatchSshPatternList("fi*,!git", "file"), PatternListMatch::Match);
    EXPECT_EQ(MatchSshPatternList("fi*,!git", "git"), PatternListMatch::Negated);
    EXPECT_EQ(MatchSshPatternList("!file,*", "file"), PatternListMatch::Negated);
    EXPECT_EQ(MatchSshPatternList("!host1,!host2", "host3"), PatternListMatch::NoMatch);
    EXPECT_EQ(MatchSshPatternList("", "file"), PatternListMatch::NoMatch);

    // Stars enough to make a backtracking matcher take years.
    const std::string pattern = std::string(2000, '*') + "b";
    const std::string text(8000, 'a');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(MatchSshPattern(pattern, text));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(SignerTime, TheFormsSshKeygenAccepts) {
    EXPECT_EQ(ParseSignerTime("20300101Z")->civilSeconds, 1893456000);
    EXPECT_EQ(ParseSignerTime("203001011230Z")->civilSeconds, 1893456000 + 12 * 3600 + 30 * 60);
    EXPECT_EQ(ParseSignerTime("20300101123059Z")->civilSeconds, 1893456000 + 12 * 3600 + 30 * 60 + 59);
    EXPECT_EQ(ParseSignerTime("20240229")->civilSeconds, 1709164800);
    EXPECT_TRUE(ParseSignerTime("20300101Z")->utc);
    EXPECT_FALSE(ParseSignerTime("20300101")->utc);
    EXPECT_EQ(SignerTimeToUnix(*ParseSignerTime("20300101Z")), 1893456000);
    // Local time is within a day of UTC, whatever the zone.
    const std::optional<std::int64_t> local = SignerTimeToUnix(*ParseSignerTime("20300101"));
    ASSERT_TRUE(local.has_value());
    EXPECT_LT(std::abs(*local - 1893456000), 86400);

    // ssh-keygen refuses these forms too.
    for (std::string_view bad : {"2030010112", "203001", "2030-01-01", "20300101z", "20300101ZZ", "", "Z",
                                 "20300101246000", "+0300101"}) {
        EXPECT_FALSE(ParseSignerTime(bad).has_value()) << bad;
    }
    // ssh-keygen rolls these over into the next month or minute; they are refused here.
    for (std::string_view bad : {"20250231", "20230229", "20301301", "20300100", "20300101235960", "19691231"}) {
        EXPECT_FALSE(ParseSignerTime(bad).has_value()) << bad;
    }
}

}  // namespace
}  // namespace vms
