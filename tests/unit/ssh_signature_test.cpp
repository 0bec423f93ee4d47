// OpenSSH file signatures: the armour and blob, and the verdicts on the test
// data next to what `ssh-keygen -Y verify` answered (tests/data/ssh/README.md).
#include "ssh_test_data.h"
#include "signatures/common/crypto.h"
#include "signatures/ssh/ssh_verify.h"

namespace vms {
namespace {

using namespace vms::testing;

Result<SshSignature> SignatureFile(const std::string& name) { return ParseSshSignature(SshData(name)); }

// The blob of ed25519.sig with one field replaced; fields are the blob's strings after the version.
Bytes Ed25519BlobWith(std::size_t field, const Bytes& replacement) {
    const Bytes blob = SshSignatureBlob(SshData("ed25519.sig"));
    ByteReader reader(blob);
    Bytes out(blob.begin(), blob.begin() + 10);
    reader.Take(10);
    for (std::size_t i = 0; i < 5; ++i) {
        const ByteSpan value = reader.Take(reader.Number32());
        out = Concat({out, i == field ? replacement : WireString(Bytes(value.begin(), value.end()))});
    }
    return out;
}

TEST(SshSignatureArmour, WhatSshKeygenAcceptsAndRefuses) {
    const Bytes original = SshData("ed25519.sig");
    const std::string text(TextOf(original));
    EXPECT_TRUE(LooksLikeSshSignature(original));
    EXPECT_TRUE(LooksLikeSshSignature(SshData("ed25519_crlf.sig")));
    EXPECT_FALSE(LooksLikeSshSignature(BytesOf("\n" + text)));
    EXPECT_FALSE(LooksLikeSshSignature(BytesOf("-----BEGIN SSH SIGNATURE----- ")));
    EXPECT_FALSE(LooksLikeSshSignature(SshData("message.txt")));

    const Result<SshSignature> parsed = SignatureFile("ed25519.sig");
    ASSERT_TRUE(parsed.Ok()) << parsed.GetError().detail;
    EXPECT_EQ(parsed->signatureNamespace, "file");
    EXPECT_EQ(parsed->hashName, "sha512");
    EXPECT_EQ(parsed->algorithm, SshSignatureAlgorithm::Ed25519);
    EXPECT_TRUE(parsed->reserved.empty());

    // ssh-keygen accepts these...
    const std::string body = text.substr(30, text.find("-----END") - 30);
    std::string oneLine = body;
    std::erase(oneLine, '\n');
    for (const std::string& accepted :
         {"-----BEGIN SSH SIGNATURE-----\n" + oneLine + "\n-----END SSH SIGNATURE-----",
          "-----BEGIN SSH SIGNATURE-----\n  " + oneLine.substr(0, 9) + " \t" + oneLine.substr(9) +
              "\n\n-----END SSH SIGNATURE-----\n",
          text + "text after the signature\n"}) {
        EXPECT_TRUE(ParseSshSignature(BytesOf(accepted)).Ok()) << accepted;
    }
    // ...and refuses these.
    std::string urlSafe = text;
    urlSafe[urlSafe.find('+')] = '-';
    for (const std::string& refused :
         {"\n" + text, "comment\n" + text, text.substr(0, text.find("-----END")), urlSafe,
          "-----BEGIN SSH SIGNATURE-----\n" + oneLine.substr(0, 4) + "=" + oneLine.substr(4) +
              "\n-----END SSH SIGNATURE-----\n",
          std::string("-----BEGIN SSH SIGNATURE-----\n-----END SSH SIGNATURE-----\n")}) {
        EXPECT_EQ(StateOf(ParseSshSignature(BytesOf(refused))), SignatureState::Malformed) << refused;
    }
    // ecdsa256.sig ends in "==": ssh-keygen wants its padding.
    std::string unpadded(TextOf(SshData("ecdsa256.sig")));
    unpadded.erase(unpadded.find("=="), 2);
    EXPECT_EQ(ParseSshSignature(BytesOf(unpadded)).GetError().detail, "its armour isn't base64");
    EXPECT_EQ(ParseSshSignature(Bytes(kMaxSshSignatureFileSize + 1, 'A')).GetError().detail,
              "it is too large to be a signature");
}

TEST(SshSignatureBlob, FieldsVersionsAndTrailingData) {
    const Bytes blob = SshSignatureBlob(SshData("ed25519.sig"));
    ASSERT_TRUE(ParseSshSignatureBlob(blob).Ok());
    Bytes version2 = blob;
    version2[9] = 2;
    EXPECT_EQ(StateOf(ParseSshSignatureBlob(version2)), SignatureState::Unsupported);
    EXPECT_EQ(ParseSshSignatureBlob(version2).GetError().detail, "version 2");
    Bytes longer = blob;
    longer.push_back(0);
    EXPECT_EQ(ParseSshSignatureBlob(longer).GetError().detail, "it has data after its end");
    EXPECT_EQ(StateOf(ParseSshSignatureBlob(Bytes(blob.begin(), blob.end() - 1))), SignatureState::Malformed);
    Bytes magic = blob;
    magic[0] = 'X';
    EXPECT_EQ(ParseSshSignatureBlob(magic).GetError().detail, "it isn't an SSH signature");

    EXPECT_EQ(ParseSshSignatureBlob(Ed25519BlobWith(1, WireString(""))).GetError().detail, "its namespace is empty");
    EXPECT_EQ(ParseSshSignatureBlob(Ed25519BlobWith(3, WireString("sha1"))).GetError().detail, "the digest sha1");
    EXPECT_EQ(StateOf(ParseSshSignatureBlob(Ed25519BlobWith(3, WireString("sha1")))), SignatureState::Unsupported);
    const Bytes value(64, 1);
    EXPECT_EQ(ParseSshSignatureBlob(Ed25519BlobWith(4, WireString(Concat({WireString("ecdsa-sha2-nistp256"),
                                                                            WireString(value)}))))
                  .GetError().detail,
              "its signature type doesn't fit its key");
    EXPECT_EQ(ParseSshSignatureBlob(Ed25519BlobWith(4, WireString(Concat({WireString("ssh-ed25519"),
                                                                            WireString(Bytes(63, 1))}))))
                  .GetError().detail,
              "its Ed25519 value isn't 64 bytes");
    EXPECT_EQ(ParseSshSignatureBlob(Ed25519BlobWith(4, WireString(Concat({WireString("ssh-ed25519"), WireString(value),
                                                                            Bytes{0}}))))
                  .GetError().detail,
              "its signature has data after its end");
    // The reserved field is signed as it is.
    const Result<SshSignature> reserved = ParseSshSignatureBlob(Ed25519BlobWith(2, WireString("future")));
    ASSERT_TRUE(reserved.Ok());
    EXPECT_EQ(TextOf(reserved->reserved), "future");

    const Result<SshSignature> certificate = SignatureFile("certified_ed25519.sig");
    EXPECT_EQ(StateOf(certificate), SignatureState::Unsupported);
    EXPECT_EQ(certificate.GetError().detail, "OpenSSH certificates (ssh-ed25519-cert-v01@openssh.com)");

    const Result<SshSignature> sk = SignatureFile("sk_ecdsa256.sig");
    ASSERT_TRUE(sk.Ok());
    EXPECT_EQ(sk->flags, kSkUserPresent);
    EXPECT_EQ(sk->counter, 42u);
    EXPECT_EQ(sk->key.application, "ssh:");
}

TEST(SshSignatureBlob, SignedDataAsTheFormatLaysItOut) {
    const Result<SshSignature> parsed = SignatureFile("ed25519_git.sig");
    ASSERT_TRUE(parsed.Ok());
    const Bytes digest(64, 0xAB);
    const Bytes expected = Concat({BytesOf("SSHSIG"), WireString("git"), WireString(""), WireString("sha512"),
                                   WireString(digest)});
    EXPECT_EQ(SshSignedData(*parsed, digest), expected);
}

}  // namespace
}  // namespace vms
