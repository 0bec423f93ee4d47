// Mutated Sigstore bundles of the mock corpus (Rekor v1 with a time stamp, Rekor v2, DSSE, version 0.1):
// their signed and logged bytes (signatures, certificate, log entry body, inclusion proof, checkpoint,
// signed entry timestamp, the signed fields of the RFC 3161 token, DSSE payload, log integers), members
// removed or of another type, the raw text, and hostile sizes and nesting. Nothing may crash, and a Good
// verdict may only come where every change is one the checker may rightly ignore.
#include "engine/file_bytes.h"
#include "engine/text.h"
#include "signatures/common/strict_base64.h"
#include "signatures/sigstore/der.h"
#include "signatures/sigstore/json_fields.h"
#include "signatures/sigstore/sigstore_check.h"

#include "mutator.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <set>

namespace vms {
namespace {

using namespace vms::testing;
using nlohmann::json;
using Pointer = json::json_pointer;

std::string Read(const wchar_t* name) {
    const Bytes bytes =
        ReadFileBytes(std::wstring(VM_TEST_DATA_DIR) + L"/sigstore/mock-corpus/" + name, 1 << 20).Value();
    return std::string(bytes.begin(), bytes.end());
}

ByteSpan Span(std::string_view text) { return ByteSpan(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()); }

const std::string kEntry = "/verificationMaterial/tlogEntries/0", kProof = kEntry + "/inclusionProof";

struct Sample {
    const wchar_t* bundle;
    const wchar_t* artifact;
    // What the bundle verifies without, changes below them included: the message digest is a hint, the SET
    // or the time stamp suffices beside a proof, and version 0.1 may rest on the SET alone.
    std::vector<std::string> harmless;
    std::string text = {}, artifactBytes = {};
    json document = {};
};

std::vector<Sample>& Samples() {
    static std::vector<Sample> samples = [] {
        const std::string digest = "/messageSignature/messageDigest";
        std::vector<Sample> list = {
            {L"case00.sigstore.json", L"v1.txt",
             {digest, "/verificationMaterial/timestampVerificationData", kEntry + "/inclusionPromise"}},
            // An entry's own index is signed only by the log's promise, which Rekor v2 entries lack; the
            // inclusion proof's index is what the check uses, and in a sharded Rekor v1 log the two differ.
            {L"case02.sigstore.json", L"v2.txt", {digest, kEntry + "/logIndex"}},
            {L"case03.sigstore.json", L"dsse.txt", {}},
            {L"case04.sigstore.json", L"v01.txt", {digest, kProof}}};
        for (Sample& sample : list) {
            sample.text = Read(sample.bundle);
            sample.artifactBytes = Read(sample.artifact);
            sample.document = json::parse(sample.text);
        }
        return list;
    }();
    return samples;
}

SignatureState Check(const Sample& sample, std::string_view text) {
    static const SigstoreTrust trust = [] {
        return SigstoreTrust{ParseTrustedRoot(Read(L"trusted_root.full.json")).Value(),
                             {{"https://accounts.example.com", "release@example.org", ""}}, {}};
    }();
    const DocumentReader reader = [&](const std::function<void(ByteSpan)>& sink) { return sink(Span(sample.artifactBytes)), true; };
    return CheckSigstoreBundle(Span(text), SigstoreArtifact{&reader, std::nullopt}, trust).state;
}

// Every member and element below the root, parents first.
std::vector<Pointer> Pointers(const json& value, const Pointer& at = Pointer()) {
    std::vector<Pointer> pointers;
    if (!value.is_structured()) return pointers;
    for (const auto& [key, child] : value.items()) {
        pointers.push_back(value.is_array() ? at / std::stoul(key) : at / key);
        std::ranges::copy(Pointers(child, pointers.back()), std::back_inserter(pointers));
    }
    return pointers;
}

// A member's name, or for an element of an array the array's.
std::string NameOf(const Pointer& at) {
    return std::isdigit(static_cast<unsigned char>(at.back()[0])) ? at.parent_pointer().back() : at.back();
}

std::optional<std::int64_t> IntegerOf(const json& value) { return IntegerMember(json{{"v", value}}, "v"); }

// A checkpoint as far as it is signed: the note's body and the signature values, not the signers' names.
std::string SignedNote(const std::string& note) {
    const std::size_t split = note.find("\n\n");
    if (split == std::string::npos) return note;
    std::string kept = note.substr(0, split + 2);
    for (std::size_t line = split + 2, end; line < note.size(); line = end + 1) {
        end = std::min(note.find('\n', line), note.size());
        const std::size_t space = note.rfind(' ', end), from = space == std::string::npos || space < line ? line : space;
        kept += note.substr(from, end - from) + "\n";
    }
    return kept;
}

using Region = std::pair<std::size_t, std::size_t>;  // offset and size

// The content of the next element of this tag, after skipping elements of the others.
ByteSpan Next(DerReader& reader, std::initializer_list<std::uint8_t> skipped, std::uint8_t tag, bool whole = false) {
    for (std::uint8_t other : skipped) reader.Optional(other);
    const DerNode node = reader.Expect(tag).value();
    return whole ? node.whole : node.content;
}

// What an RFC 3161 response's signature covers: the TSTInfo, the signed attributes and the signature value.
// The status, the SignedData's version and digest algorithms and the signer's identifier are signed by nobody.
std::vector<Region> SignedRegions(const Bytes& token) try {
    using namespace der;
    auto at = [&](ByteSpan bytes) { return Region(static_cast<std::size_t>(bytes.data() - token.data()), bytes.size()); };
    DerReader response(ReadSingleDer(token, kSequence).value().content);
    DerReader info(Next(response, {kSequence}, kSequence));
    DerReader signedData(ReadSingleDer(Next(info, {kOid}, Context(0)), kSequence).value().content);
    DerReader encapsulated(Next(signedData, {kInteger, kSet}, kSequence));
    const ByteSpan tstInfo = ReadSingleDer(Next(encapsulated, {kOid}, Context(0)), kOctetString).value().content;
    DerReader signers(Next(signedData, {Context(0)}, kSet));
    DerReader signer(Next(signers, {}, kSequence));
    const ByteSpan attributes = Next(signer, {kInteger, kSequence, kSequence}, Context(0), true);
    return {at(tstInfo), at(attributes), at(Next(signer, {kSequence}, kOctetString))};
} catch (const std::bad_optional_access&) {
    return {};
}

// The signed bytes of a base64 token, one after another; nothing when it isn't a token.
Bytes SignedTokenBytes(const json& value) {
    const Bytes token = DecodeStrictBase64(value.is_string() ? value.get<std::string>() : "").value_or(Bytes{});
    Bytes covered;
    for (const auto& [at, size] : SignedRegions(token)) covered.insert(covered.end(), token.begin() + at, token.begin() + at + size);
    return covered;
}

// Whether every difference is one a checker may ignore: below a harmless member, a member of a name no
// bundle uses, an integer written another way, a checkpoint signer's name, or unsigned bytes of a token.
bool OnlyHarmless(const Sample& sample, const json& mutated) {
    static const std::set<std::string> known = [] {
        std::set<std::string> names;
        for (const Sample& s : Samples()) std::ranges::for_each(Pointers(s.document), [&](const Pointer& p) { names.insert(p.back()); });
        return names;
    }();
    for (const json& change : json::diff(sample.document, mutated)) {
        const Pointer at(change["path"].get<std::string>());
        const std::string path = at.to_string() + "/", op = change["op"];
        if (std::ranges::any_of(sample.harmless, [&](const std::string& h) { return path.starts_with(h + "/"); })) continue;
        if (at.empty()) return false;
        if (op == "add" && mutated.at(at.parent_pointer()).is_object() && !known.contains(at.back())) continue;
        if (op != "replace") return false;
        const json &before = sample.document.at(at), &after = mutated.at(at);
        if (IntegerOf(before) && IntegerOf(before) == IntegerOf(after)) continue;
        if (at.back() == "envelope" && after.is_string() && SignedNote(before) == SignedNote(after)) continue;
        if (at.back() != "signedTimestamp" || SignedTokenBytes(after).empty() || SignedTokenBytes(before) != SignedTokenBytes(after)) {
            return false;
        }
    }
    return true;
}

const std::set<std::string> kBase64 = {"signature", "rawBytes", "canonicalizedBody", "rootHash", "hashes", "keyId",
                                       "signedEntryTimestamp", "signedTimestamp", "payload", "sig", "digest"};
const std::set<std::string> kIntegers = {"logIndex", "integratedTime", "treeSize"};
const std::set<std::string> kTexts = {"envelope", "payloadType", "kind", "version", "algorithm"};

// The field changed where it is signed or logged; the same JSON back when the change came to nothing.
json MutateField(const json& value, const std::string& name, Mutator& mutator) {
    if (kIntegers.contains(name)) {
        const std::int64_t old = IntegerOf(value).value();
        const std::int64_t choices[] = {old + 1, old - 1, 0, -1, -old, old ^ (std::int64_t{1} << mutator.Below(62)),
                                        old + (std::int64_t{1} << 32), INT64_MAX, INT64_MIN};
        const std::int64_t changed = choices[mutator.Below(std::size(choices))];
        return mutator.Below(2) ? json(std::to_string(changed)) : json(changed);
    }
    if (kTexts.contains(name)) {
        // One ASCII character, never one of a checkpoint signer's name.
        const std::string original = value;
        std::string text = original;
        while (text == original || (name == "envelope" && SignedNote(text) == SignedNote(original))) {
            text = original;
            char& c = text[mutator.Below(text.size())];
            if (static_cast<unsigned char>(c) < 0x80) c = mutator.Below(10) ? static_cast<char>(' ' + mutator.Below(95)) : '\n';
        }
        return text;
    }
    const Bytes original = DecodeStrictBase64(value.get<std::string>()).value();
    Bytes bytes = original;
    if (name != "signedTimestamp") return EncodeBase64(mutator.Mutate(bytes));
    const std::vector<Region> regions = SignedRegions(original);
    const Region region = regions.at(mutator.Below(regions.size()));
    for (std::size_t edits = 1 + mutator.Below(3); edits > 0; --edits) {
        std::uint8_t& byte = bytes[region.first + mutator.Below(region.second)];
        byte = static_cast<std::uint8_t>(mutator.Below(2) ? byte ^ (1u << mutator.Below(8)) : mutator.Below(256));
    }
    return EncodeBase64(bytes);
}

TEST(SigstoreFuzz, ChangedSignedOrLoggedBytesNeverVerify) {
    Mutator mutator(20261208);
    int checked = 0;
    for (const Sample& sample : Samples()) {
        ASSERT_EQ(Check(sample, sample.text), SignatureState::Good) << ToUtf8(sample.bundle);
        std::vector<Pointer> targets;
        std::ranges::copy_if(Pointers(sample.document), std::back_inserter(targets), [&](const Pointer& p) {
            const std::string name = NameOf(p);
            // A harmless field of its own is signed by nothing (a whole harmless member still has signed parts).
            return sample.document.at(p).is_string() && std::ranges::find(sample.harmless, p.to_string()) == sample.harmless.end() &&
                   (kBase64.contains(name) || kIntegers.contains(name) || kTexts.contains(name));
        });
        for (int round = 0; round < 1500; ++round) {
            const Pointer& target = targets[mutator.Below(targets.size())];
            json mutated = sample.document;
            mutated[target] = MutateField(sample.document[target], NameOf(target), mutator);
            // Base64 is written one way only, so the same text is the same bytes; a number may be written two ways.
            const bool sameInteger = kIntegers.contains(NameOf(target)) && IntegerOf(mutated[target]) == IntegerOf(sample.document[target]);
            if (mutated == sample.document || sameInteger) continue;
            ++checked;
            ASSERT_NE(Check(sample, mutated.dump()), SignatureState::Good)
                << ToUtf8(sample.bundle) << " " << target.to_string() << " round " << round << ": " << mutated[target];
        }
    }
    EXPECT_GT(checked, 5500);
    std::cout << "checked " << checked << " bundles with changed signed or logged bytes\n";
}

TEST(SigstoreFuzz, RemovedOrRetypedMembersOnlyVerifyWhereHarmless) {
    const json others[] = {nullptr, false, 7, 1.5, "", "x", json::array(), json::object()};
    int checked = 0, good = 0;
    for (const Sample& sample : Samples()) {
        for (const Pointer& at : Pointers(sample.document)) {
            std::vector<json> variants(std::size(others) + 3, sample.document);
            json& parent = variants[0].at(at.parent_pointer());
            parent.is_object() ? void(parent.erase(at.back())) : parent.erase(std::stoul(at.back()));
            for (std::size_t i = 0; i < std::size(others); ++i) variants[i + 1][at] = others[i];
            variants[std::size(others) + 1][at] = json::array({sample.document[at]});
            variants[std::size(others) + 2][at] = json{{"value", sample.document[at]}};
            for (const json& variant : variants) {
                if (variant == sample.document) continue;
                ++checked;
                if (Check(sample, variant.dump()) != SignatureState::Good) continue;
                ++good;
                ASSERT_TRUE(OnlyHarmless(sample, variant)) << ToUtf8(sample.bundle) << ": " << json::diff(sample.document, variant);
            }
        }
    }
    EXPECT_GT(checked, 1200);
    std::cout << "checked " << checked << " bundles with a member removed or retyped, " << good << " harmlessly good\n";
}

TEST(SigstoreFuzz, RawTextMutationsOnlyVerifyWhereHarmless) {
    Mutator mutator(4251);
    int checked = 0, good = 0, changedButGood = 0;
    for (const Sample& sample : Samples()) {
        for (int round = 0; round < 1000; ++round, ++checked) {
            const Bytes mutated = mutator.Mutate(Bytes(sample.text.begin(), sample.text.end()));
            const std::string text(mutated.begin(), mutated.end());
            if (Check(sample, text) != SignatureState::Good) continue;
            ++good;
            // Blanks may change; anything else only where OnlyHarmless allows.
            const json parsed = json::parse(text, nullptr, false);
            ASSERT_FALSE(parsed.is_discarded()) << ToUtf8(sample.bundle) << " round " << round;
            if (parsed == sample.document) continue;
            ++changedButGood;
            ASSERT_TRUE(OnlyHarmless(sample, parsed)) << ToUtf8(sample.bundle) << " round " << round << ": " << json::diff(sample.document, parsed);
        }
    }
    std::cout << "checked " << checked << " raw mutations, " << good << " good, " << changedButGood << " of them changed harmlessly\n";
}

TEST(SigstoreFuzz, HostileSizesAndNestingAreRefused) {
    const Sample &v1 = Samples()[0], &v2 = Samples()[1], &dsse = Samples()[2];
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    auto member = [](const Sample& sample, const std::string& text) {
        std::string bundle = sample.text;
        return bundle.insert(bundle.find('{', bundle.find("\"verificationMaterial\"")) + 1, "\"hostile\": " + text + ",");
    };
    auto with = [](const Sample& sample, std::vector<std::pair<std::string, json>> changes) {
        json changed = sample.document;
        for (const auto& [at, value] : changes) changed[Pointer(at)] = value;
        return changed.dump();
    };
    json thousand = json::array();
    for (int i = 0; i < 1000; ++i) thousand.push_back(v1.document[Pointer(kProof + "/hashes/0")]);
    const std::string huge = "4611686018427387904";  // 2^62
    const std::vector<std::pair<const Sample*, std::string>> cases = {
        {&v1, member(v1, deep)}, {&v1, member(v1, std::string(100000, '['))},
        {&v1, member(v1, std::string(50000, '{') + std::string(50000, '}'))},
        {&v1, member(v1, "[" + std::string(100000, '{') + "]")},
        {&v1, with(v1, {{kEntry + "/canonicalizedBody", EncodeBase64(Span(deep))}})},
        {&dsse, with(dsse, {{"/dsseEnvelope/payload", EncodeBase64(Span(deep))}})},
        {&v1, member(v1, "\"" + std::string(2 << 20, 'x') + "\"")}, {&v1, v1.text + std::string(2 << 20, ' ')},
        {&dsse, with(dsse, {{"/dsseEnvelope/payload", EncodeBase64(Bytes(2 << 20, 'x'))}})},
        {&v1, with(v1, {{kEntry + "/logIndex", "99999999999999999999999"}})},
        {&v1, with(v1, {{kEntry + "/logIndex", json::parse("18446744073709551615")}})},
        {&v1, with(v1, {{kEntry + "/integratedTime", json::parse("1e300")}})},
        {&v1, with(v1, {{kEntry + "/integratedTime", "-9223372036854775808"}})},
        {&v1, with(v1, {{kProof + "/treeSize", json::parse("18446744073709551615")}})},
        {&v1, with(v1, {{kProof + "/treeSize", huge}})},
        {&v2, with(v2, {{kProof + "/treeSize", huge}, {kProof + "/logIndex", "4611686018427387903"}})},
        {&v1, with(v1, {{kProof + "/hashes", thousand}})},
        {&v1, with(v1, {{kProof + "/hashes", thousand}, {kProof + "/treeSize", huge}})},
        {&v2, with(v2, {{kProof + "/hashes", thousand}, {kProof + "/treeSize", huge}})},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_NE(Check(*cases[i].first, cases[i].second), SignatureState::Good) << "case " << i;
    std::cout << "checked " << cases.size() << " hostile bundles\n";
}

}  // namespace
}  // namespace vms
