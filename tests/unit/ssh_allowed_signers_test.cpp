// allowed_signers and public key files: the test data's files, each option,
// and damaged lines, which are reported while the other lines still count.
#include "ssh_test_data.h"

namespace vms {
namespace {

using namespace vms::testing;

std::string KeyText(const std::string& file) {
    const std::string line(TextOf(SshData(file)));
    return line.substr(0, line.find(' ', line.find(' ') + 1));
}

TEST(AllowedSigners, TheTestDataFiles) {
    const Result<AllowedSigners> read = ParseAllowedSigners(TextOf(SshData("allowed_signers")));
    EXPECT_EQ(read.GetError().detail, "");
    const AllowedSigners file = read.ValueOr({});
    EXPECT_TRUE(file.errors.empty());
    ASSERT_EQ(file.signers.size(), 9u);
    EXPECT_EQ(file.signers[0].line, 2u);
    EXPECT_EQ(file.signers[0].principals, (std::vector<std::string>{"ed25519@verimond.test", "alice@example.com"}));
    EXPECT_EQ(file.signers[0].key.type, SshKeyType::Ed25519);
    EXPECT_FALSE(file.signers[0].certAuthority);
    EXPECT_FALSE(file.signers[0].namespaces.has_value());

    const AllowedSigners crlf = ParseAllowedSigners(TextOf(SshData("allowed_signers_crlf"))).ValueOr({});
    ASSERT_EQ(crlf.signers.size(), file.signers.size());
    for (std::size_t i = 0; i < crlf.signers.size(); ++i) {
        EXPECT_EQ(crlf.signers[i].key.blob, file.signers[i].key.blob);
        EXPECT_EQ(crlf.signers[i].principals, file.signers[i].principals);
    }

    const AllowedSigners options = ParseAllowedSigners(TextOf(SshData("allowed_signers_options"))).ValueOr({});
    EXPECT_TRUE(options.errors.empty());
    ASSERT_EQ(options.signers.size(), 5u);
    EXPECT_EQ(options.signers[0].namespaces, "git");
    EXPECT_EQ(options.signers[1].line, 5u);
    EXPECT_EQ(options.signers[1].validAfter->civilSeconds, ParseSignerTime("20990101")->civilSeconds);
    EXPECT_FALSE(options.signers[1].validAfter->utc);
    EXPECT_TRUE(options.signers[2].validBefore->utc);
    const AllowedSigner& patterns = options.signers[3];
    EXPECT_EQ(patterns.principals, (std::vector<std::string>{"*@verimond.test", "!mallory@verimond.test"}));
    EXPECT_EQ(patterns.namespaces, "fi*,!git");
    EXPECT_EQ(patterns.validAfter->civilSeconds, ParseSignerTime("202001011200")->civilSeconds);
    EXPECT_EQ(patterns.validBefore->civilSeconds, ParseSignerTime("20991231Z")->civilSeconds);
    EXPECT_TRUE(options.signers[4].certAuthority);
}

TEST(AllowedSigners, EachOptionAndEachFaultOnItsOwnLine) {
    const std::string key = KeyText("ed25519.pub");
    const std::string certificate = KeyText("certified_ed25519-cert.pub");
    const std::string text =
        "alice@example.com " + key + " comment after the key\n"                        // 1
        "alice foo " + key + "\n"                                                      // 2
        "alice namespaces=file " + key + "\n"                                          // 3
        "alice namespaces=\"a\",namespaces=\"b\" " + key + "\n"                        // 4
        "alice valid-before=\"2099010112\" " + key + "\n"                              // 5
        "alice Valid-Before=\"20990101\",CERT-AUTHORITY " + key + "\n"                 // 6
        "\"alice unclosed " + key + "\n"                                               // 7
        "alice namespaces=\"file\" , valid-after=\"20200101\" " + key + "\n"           // 8
        "alice " + certificate + "\n"                                                  // 9
        "alice unknown-option=\"x\" " + key + "\n"                                     // 10
        "\"alice,,bob\"\t" + key + "\n"                                                // 11
        "alice namespaces=\"fi\\\"le\",valid-after=\"20200101\" " + key + "\n"         // 12
        "alice namespaces=\"a b\" " + key + "\n"                                       // 13
        "alice\n"                                                                      // 14
        "   # an indented comment\n"                                                   // 15
        "alice cert-authority=\"x\" " + key + "\n"                                     // 16
        "alice namespaces=\"file\"" + key + "\n";                                      // 17
    const Result<AllowedSigners> read = ParseAllowedSigners(text);
    EXPECT_EQ(read.GetError().detail, "");
    const AllowedSigners file = read.ValueOr({});
    std::vector<std::size_t> good;
    for (const AllowedSigner& signer : file.signers) good.push_back(signer.line);
    EXPECT_EQ(good, (std::vector<std::size_t>{1, 6, 11, 12, 13}));
    std::vector<std::size_t> bad;
    for (const SshLineError& error : file.errors) bad.push_back(error.line);
    EXPECT_EQ(bad, (std::vector<std::size_t>{2, 3, 4, 5, 7, 8, 9, 10, 14, 16, 17}));
    ASSERT_EQ(file.signers.size(), 5u);
    EXPECT_EQ(file.signers[0].key.comment, "comment after the key");
    EXPECT_TRUE(file.signers[1].certAuthority);
    EXPECT_TRUE(file.signers[1].validBefore.has_value());
    EXPECT_EQ(file.signers[2].principals, (std::vector<std::string>{"alice", "bob"}));
    EXPECT_EQ(file.signers[3].namespaces, "fi\"le");
    EXPECT_EQ(file.signers[4].namespaces, "a b");
    ASSERT_EQ(file.errors.size(), 11u);
    EXPECT_EQ(file.errors[1].error, "an option's value isn't quoted");
    EXPECT_EQ(file.errors[2].error, "an option is given twice");
    EXPECT_EQ(file.errors[3].error, "a time isn't YYYYMMDD[HHMM[SS]][Z]");
    EXPECT_EQ(file.errors[6].state, SignatureState::Unsupported);
    EXPECT_EQ(file.errors[6].error, "OpenSSH certificates (ssh-ed25519-cert-v01@openssh.com)");
    EXPECT_EQ(file.errors[7].state, SignatureState::Unsupported);
    EXPECT_EQ(file.errors[7].error, "the option unknown-option");
}

TEST(AllowedSigners, BoundsOnTheFileAndItsLines) {
    const std::string line = "alice@example.com " + KeyText("ed25519.pub") + "\n";
    const AllowedSigners longLine =
        ParseAllowedSigners(line + "bob " + std::string(kMaxSshTrustLineLength, 'A') + "\n" + line).ValueOr({});
    EXPECT_EQ(longLine.signers.size(), 2u);
    ASSERT_EQ(longLine.errors.size(), 1u);
    EXPECT_EQ(longLine.errors[0].line, 2u);
    EXPECT_EQ(longLine.errors[0].error, "the line is too long");

    std::string manyLines;
    for (std::size_t i = 0; i < kMaxSshTrustFileLines; ++i) manyLines += i ? "\n" : line;
    const Result<AllowedSigners> tooMany = ParseAllowedSigners(manyLines);
    EXPECT_EQ(tooMany.GetError().detail, "the file has too many lines");
    EXPECT_TRUE(tooMany.ValueOr({}).signers.empty());

    std::string large;
    while (large.size() <= kMaxSshTrustFileSize) large += "# " + std::string(1000, 'x') + "\n";
    EXPECT_EQ(ParseAllowedSigners(large + line).GetError().detail, "the file is too large");
    EXPECT_EQ(ParseSshPublicKeys(large).GetError().detail, "the file is too large");
    EXPECT_TRUE(ParseAllowedSigners("")->signers.empty());
    EXPECT_TRUE(ParseAllowedSigners("")->errors.empty());
}

TEST(SshPublicKeys, KeysCommentsAndADamagedLine) {
    const std::string text = std::string(TextOf(SshData("ed25519_crlf.pub"))) + "# a comment\r\n\r\n" +
                             "ssh-ed25519 AAAAbroken\n" + std::string(TextOf(SshData("ecdsa384.pub")));
    const Result<SshKeyList> read = ParseSshPublicKeys(text);
    EXPECT_EQ(read.GetError().detail, "");
    const SshKeyList list = read.ValueOr({});
    ASSERT_EQ(list.keys.size(), 2u);
    EXPECT_EQ(list.keys[0].type, SshKeyType::Ed25519);
    EXPECT_EQ(list.keys[0].comment, "ed25519@verimond.test");
    EXPECT_EQ(list.keys[1].type, SshKeyType::EcdsaP384);
    ASSERT_EQ(list.errors.size(), 1u);
    EXPECT_EQ(list.errors[0].line, 4u);
}

}  // namespace
}  // namespace vms
