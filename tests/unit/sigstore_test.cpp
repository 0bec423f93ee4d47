// Sigstore bundles: the mock corpus with its manifest, real production
// bundles, and the pieces a bundle's proof is made of.
#include "engine/file_bytes.h"
#include "engine/text.h"
#include "signatures/common/key_set.h"
#include "signatures/common/strict_base64.h"
#include "signatures/sigstore/certificate.h"
#include "signatures/sigstore/certificate_timestamps.h"
#include "signatures/sigstore/der.h"
#include "signatures/sigstore/json_fields.h"
#include "signatures/sigstore/log_entry.h"
#include "signatures/sigstore/sigstore_check.h"

#include <gtest/gtest.h>

namespace vms {
namespace {

const std::wstring kData = std::wstring(VM_TEST_DATA_DIR) + L"/sigstore/";

Bytes Read(const std::wstring& path) {
    const Result<Bytes> bytes = ReadFileBytes(path, 64 * 1024 * 1024);
    EXPECT_TRUE(bytes) << ToUtf8(path);
    return bytes.ValueOr(Bytes{});
}

TrustedRoot RootFrom(const std::wstring& path) {
    const Bytes text = Read(path);
    const Result<TrustedRoot> root =
        ParseTrustedRoot(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
    EXPECT_TRUE(root) << root.GetError().detail;
    return root.ValueOr(TrustedRoot{});
}

DocumentReader InMemory(const Bytes& bytes) {
    return [&bytes](const std::function<void(ByteSpan)>& sink) {
        sink(bytes);
        return true;
    };
}

std::optional<Bytes> HexBytes(std::string_view hex) {
    Bytes bytes;
    if (hex.size() % 2) return std::nullopt;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

// Checks a bundle over a file of the data folder, or over "sha256:HEX".
SigstoreResult CheckCase(const std::wstring& folder, const std::string& bundle, const std::string& artifact,
                         const SigstoreTrust& trust) {
    const Bytes bundleText = Read(folder + FromUtf8(bundle));
    SigstoreArtifact input;
    Bytes artifactBytes;
    DocumentReader reader;
    if (artifact.starts_with("sha256:")) {
        input.sha256 = HexBytes(artifact.substr(7));
    } else {
        artifactBytes = Read(folder + FromUtf8(artifact));
        reader = InMemory(artifactBytes);
        input.document = &reader;
    }
    return CheckSigstoreBundle(bundleText, input, trust);
}

TEST(SigstoreCorpus, EveryCaseEndsAsTheManifestSays) {
    const std::wstring folder = kData + L"mock-corpus/";
    const Bytes manifestText = Read(folder + L"manifest.json");
    const nlohmann::json manifest = nlohmann::json::parse(manifestText.begin(), manifestText.end());
    ASSERT_EQ(manifest.size(), 46u);
    int passed = 0;
    for (const nlohmann::json& entry : manifest) {
        const std::string name = entry["name"];
        SigstoreTrust trust;
        const std::string rootName = entry["trusted_root"];
        trust.root = RootFrom(rootName == "production" ? kData + L"production/trusted_root.json"
                                                       : folder + FromUtf8(rootName));
        trust.signers.push_back({entry["issuer"], entry["identity"], ""});
        const SigstoreResult result = CheckCase(folder, entry["bundle"], entry["artifact"], trust);
        const bool expectPass = entry["expect"] == "pass";
        EXPECT_EQ(result.state == SignatureState::Good, expectPass) << name << ": " << result.detail;
        if (expectPass && result.state == SignatureState::Good) {
            ++passed;
            ASSERT_TRUE(result.signer) << name;
            EXPECT_EQ(result.signer->identity, "release@example.org");
            EXPECT_EQ(result.signer->issuer, "https://accounts.example.com");
            EXPECT_TRUE(result.loggedAt) << name;
        }
    }
    EXPECT_EQ(passed, 8);
}

TEST(SigstoreCorpus, AGoodBundleOfAnUntrustedSignerIsUnknownNotGood) {
    SigstoreTrust trust;
    trust.root = RootFrom(kData + L"mock-corpus/trusted_root.full.json");
    const SigstoreResult unknown = CheckCase(kData + L"mock-corpus/", "case00.sigstore.json", "v1.txt", trust);
    EXPECT_EQ(unknown.state, SignatureState::UnknownKey) << unknown.detail;
    ASSERT_TRUE(unknown.signer);
    EXPECT_EQ(unknown.signer->identity, "release@example.org");
    // A trusted repository covers no certificate that names none.
    trust.signers.push_back({"https://accounts.example.com", "", "release@example.org"});
    EXPECT_EQ(CheckCase(kData + L"mock-corpus/", "case00.sigstore.json", "v1.txt", trust).state,
              SignatureState::UnknownKey);
}

TEST(SigstoreProduction, RealBundlesVerifyAgainstTheBuiltInRoot) {
    const std::wstring folder = kData + L"production/";
    SigstoreTrust trust;
    trust.signers.push_back({"https://token.actions.githubusercontent.com",
                             "https://github.com/trailofbits/rfc8785.py/.github/workflows/release.yml@refs/tags/v0.1.2",
                             ""});
    const SigstoreResult wheel = CheckCase(folder, "bundle_v3_github.whl.sigstore", "bundle_v3_github.whl", trust);
    EXPECT_EQ(wheel.state, SignatureState::Good) << wheel.detail;
    ASSERT_TRUE(wheel.signer);
    EXPECT_EQ(wheel.signer->repository, "https://github.com/trailofbits/rfc8785.py");
    EXPECT_EQ(wheel.signer->reference, "refs/tags/v0.1.2");

    // The same workflow trusted by its repository.
    SigstoreTrust byRepository;
    byRepository.signers.push_back({"https://token.actions.githubusercontent.com", "", "https://github.com/trailofbits/rfc8785.py"});
    EXPECT_EQ(CheckCase(folder, "bundle_v3_github.whl.sigstore", "bundle_v3_github.whl", byRepository).state,
              SignatureState::Good);

    SigstoreTrust python;
    python.signers.push_back({"https://accounts.google.com", "thomas@python.org", ""});
    const SigstoreResult tarball =
        CheckCase(folder, "python-3.12.5/Python-3.12.5.tgz.sigstore",
                  "sha256:38dc4e2c261d49c661196066edbfb70fdb16be4a79cc8220c224dfeb5636d405", python);
    EXPECT_EQ(tarball.state, SignatureState::Good) << tarball.detail;

    const SigstoreResult unsigned_ =
        CheckCase(folder, "bundle_v3_no_signed_time.txt.sigstore.json", "bundle_v3_no_signed_time.txt", trust);
    EXPECT_EQ(unsigned_.state, SignatureState::Bad) << unsigned_.detail;
}

// A cosign key pair's bundle names a key hint instead of a certificate: made here from a certificate
// bundle, whose log entry still names the certificate.
TEST(SigstoreKeys, APlainKeyBundleNeedsAKeyAndItsLogEntryMustNameIt) {
    const std::wstring folder = kData + L"mock-corpus/";
    const Bytes text = Read(folder + L"case00.sigstore.json");
    nlohmann::json bundle = nlohmann::json::parse(text.begin(), text.end());
    const Bytes leaf = DecodeStrictBase64(bundle["verificationMaterial"]["certificate"]["rawBytes"].get<std::string>()).value();
    bundle["verificationMaterial"].erase("certificate");
    bundle["verificationMaterial"]["publicKey"] = {{"hint", "release key"}};
    const std::string keyBundle = bundle.dump();
    const Bytes artifact = Read(folder + L"v1.txt");
    const DocumentReader reader = InMemory(artifact);
    SigstoreArtifact input;
    input.document = &reader;
    SigstoreTrust trust;
    trust.root = RootFrom(folder + L"trusted_root.full.json");
    const ByteSpan keyBundleBytes(reinterpret_cast<const std::uint8_t*>(keyBundle.data()), keyBundle.size());

    const SigstoreResult unknown = CheckSigstoreBundle(keyBundleBytes, input, trust);
    EXPECT_EQ(unknown.state, SignatureState::UnknownKey);
    EXPECT_EQ(unknown.detail, "release key");

    // The certificate's key, as cosign writes a public key file.
    const std::optional<Certificate> certificate = Certificate::Parse(leaf);
    ASSERT_TRUE(certificate);
    const std::string pem = "-----BEGIN PUBLIC KEY-----\n" + EncodeBase64(certificate->KeyInfo()) + "\n-----END PUBLIC KEY-----\n";
    const KeyFileContents contents = ReadKeyFileContents(ByteSpan(reinterpret_cast<const std::uint8_t*>(pem.data()), pem.size()), 0);
    ASSERT_EQ(contents.kind, KeyFileKind::PemPublicKey);
    ASSERT_TRUE(contents.publicKey);
    EXPECT_EQ(contents.publicKey->kind, PkixKeyKind::EcdsaP256);
    trust.keys.push_back(*contents.publicKey);
    const SigstoreResult logged = CheckSigstoreBundle(keyBundleBytes, input, trust);
    EXPECT_EQ(logged.state, SignatureState::Bad);
    EXPECT_EQ(logged.detail, "its log entry doesn't match: it logs another certificate or key");
}

TEST(SigstoreProofs, MerkleInclusionFollowsTheAuditPath) {
    // A tree of three leaves: root = H(H(l0, l1), l2).
    const Bytes l0 = LeafHash(Bytes{'a'}), l1 = LeafHash(Bytes{'b'}), l2 = LeafHash(Bytes{'c'});
    auto node = [](const Bytes& left, const Bytes& right) {
        Bytes joined{1};
        joined.insert(joined.end(), left.begin(), left.end());
        joined.insert(joined.end(), right.begin(), right.end());
        return Sha256Of(joined);
    };
    const Bytes n01 = node(l0, l1), root = node(n01, l2);
    EXPECT_TRUE(VerifyInclusion(l0, 0, 3, {l1, l2}, root));
    EXPECT_TRUE(VerifyInclusion(l1, 1, 3, {l0, l2}, root));
    EXPECT_TRUE(VerifyInclusion(l2, 2, 3, {n01}, root));
    EXPECT_FALSE(VerifyInclusion(l2, 2, 3, {n01, l0}, root));  // a path longer than the tree
    EXPECT_FALSE(VerifyInclusion(l0, 1, 3, {l1, l2}, root));   // another index
    EXPECT_FALSE(VerifyInclusion(l0, 3, 3, {}, root));         // an index past the tree
    EXPECT_FALSE(VerifyInclusion(l0, 0, 5, {l1, l2}, root));   // another size
    EXPECT_TRUE(VerifyInclusion(l0, 0, 1, {}, l0));            // a tree of one leaf
}

TEST(SigstoreDer, RefusesIndefiniteOverlongAndTruncatedLengths) {
    EXPECT_TRUE(ReadSingleDer(Bytes{0x04, 0x01, 0xAA}, der::kOctetString));
    EXPECT_FALSE(ReadSingleDer(Bytes{0x04, 0x80, 0xAA, 0, 0}, der::kOctetString));  // indefinite
    EXPECT_FALSE(ReadSingleDer(Bytes{0x04, 0x81, 0x01, 0xAA}, der::kOctetString));  // long form below 128
    EXPECT_FALSE(ReadSingleDer(Bytes{0x04, 0x82, 0x00, 0x81}, der::kOctetString));  // leading zero
    EXPECT_FALSE(ReadSingleDer(Bytes{0x04, 0x85, 1, 0, 0, 0, 0}, der::kOctetString));
    EXPECT_FALSE(ReadSingleDer(Bytes{0x04, 0x02, 0xAA}, der::kOctetString));         // short
    EXPECT_FALSE(ReadSingleDer(Bytes{0x04, 0x01, 0xAA, 0x00}, der::kOctetString));   // trailing byte
    EXPECT_FALSE(ReadSingleDer(Bytes{0x1F, 0x01, 0xAA}, 0x1F));                       // high tag number
    EXPECT_EQ(DerLength(127), Bytes{127});
    EXPECT_EQ(DerLength(128), (Bytes{0x81, 0x80}));
    EXPECT_EQ(DerLength(0x1234), (Bytes{0x82, 0x12, 0x34}));
}

TEST(SigstoreJson, TimesAndNestingLimits) {
    EXPECT_EQ(ParseRfc3339("2021-10-07T13:28:39Z"), 1633613319);
    EXPECT_EQ(ParseRfc3339("2021-10-07T13:28:39.123456Z"), 1633613319);
    EXPECT_FALSE(ParseRfc3339("2021-10-07 13:28:39Z"));
    EXPECT_FALSE(ParseRfc3339("2021-10-07T13:28:39.Z"));
    EXPECT_FALSE(ParseJsonObject(std::string(40, '[') + std::string(40, ']'), 1024));
    EXPECT_FALSE(ParseJsonObject("[1]", 1024));
    EXPECT_TRUE(ParseJsonObject("{\"a\":[[[1]]]}", 1024));
}

}  // namespace
}  // namespace vms
