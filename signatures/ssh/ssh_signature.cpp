#include "signatures/ssh/ssh_signature.h"

#include "signatures/common/strict_base64.h"
#include "signatures/ssh/ssh_wire.h"

#include <array>

namespace vms {
namespace {

constexpr std::string_view kBeginLine = "-----BEGIN SSH SIGNATURE-----";
constexpr std::string_view kEndLine = "-----END SSH SIGNATURE-----";
constexpr std::string_view kMagic = "SSHSIG";
constexpr std::uint32_t kVersion = 1;
// P-521's order takes 66 bytes.
constexpr std::size_t kMaxEcdsaValue = 66;

struct AlgorithmInfo {
    SshKeyType key;
    std::string_view name;
    SshSignatureAlgorithm algorithm;
};

constexpr std::array<AlgorithmInfo, 9> kAlgorithms = {{
    {SshKeyType::Ed25519, "ssh-ed25519", SshSignatureAlgorithm::Ed25519},
    {SshKeyType::EcdsaP256, "ecdsa-sha2-nistp256", SshSignatureAlgorithm::EcdsaSha256},
    {SshKeyType::EcdsaP384, "ecdsa-sha2-nistp384", SshSignatureAlgorithm::EcdsaSha384},
    {SshKeyType::EcdsaP521, "ecdsa-sha2-nistp521", SshSignatureAlgorithm::EcdsaSha512},
    {SshKeyType::Rsa, "rsa-sha2-256", SshSignatureAlgorithm::RsaSha256},
    {SshKeyType::Rsa, "rsa-sha2-512", SshSignatureAlgorithm::RsaSha512},
    {SshKeyType::Rsa, "ssh-rsa", SshSignatureAlgorithm::RsaSha1},
    {SshKeyType::SkEd25519, "sk-ssh-ed25519@openssh.com", SshSignatureAlgorithm::SkEd25519},
    {SshKeyType::SkEcdsaP256, "sk-ecdsa-sha2-nistp256@openssh.com", SshSignatureAlgorithm::SkEcdsaSha256},
}};

bool IsLineEnd(std::string_view text) { return text.starts_with('\n') || text.starts_with("\r\n"); }

// The base64 between the armour lines, blanks and line ends dropped.
Result<std::string> ArmourBody(std::string_view text) {
    if (!text.starts_with(kBeginLine) || !IsLineEnd(text.substr(kBeginLine.size()))) {
        return MalformedError("it doesn't start with \"-----BEGIN SSH SIGNATURE-----\"");
    }
    text.remove_prefix(text.find('\n') + 1);
    std::string body;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line == kEndLine) return body;
        for (char c : line) {
            if (c != ' ' && c != '\t') body += c;
        }
    }
    return MalformedError("it has no \"-----END SSH SIGNATURE-----\" line");
}

// The signature field into signature: its type, which must fit the key, and
// its values; or what is wrong with it.
Result<void> ReadSignatureField(ByteSpan field, SshSignature& signature) {
    ByteReader reader(field);
    const std::string_view name = WireText(ReadSshString(reader));
    if (reader.Failed()) return MalformedError("its signature is cut short");
    const AlgorithmInfo* info = nullptr;
    for (const AlgorithmInfo& candidate : kAlgorithms) {
        if (candidate.key == signature.key.type && candidate.name == name) info = &candidate;
    }
    if (!info) {
        if (signature.key.type == SshKeyType::SkEcdsaP256 && name == "webauthn-sk-ecdsa-sha2-nistp256@openssh.com") {
            return UnsupportedError("webauthn signatures");
        }
        return MalformedError("its signature type doesn't fit its key");
    }
    signature.algorithm = info->algorithm;
    const ByteSpan value = ReadSshString(reader);
    switch (info->algorithm) {
    case SshSignatureAlgorithm::Ed25519:
    case SshSignatureAlgorithm::SkEd25519:
        if (!reader.Failed() && value.size() != 64) {
            return MalformedError("its Ed25519 value isn't 64 bytes");
        }
        signature.value.assign(value.begin(), value.end());
        break;
    case SshSignatureAlgorithm::EcdsaSha256:
    case SshSignatureAlgorithm::EcdsaSha384:
    case SshSignatureAlgorithm::EcdsaSha512:
    case SshSignatureAlgorithm::SkEcdsaSha256: {
        ByteReader values(value);
        ByteSpan r, s;
        if (!ReadSshMpint(values, r) || !ReadSshMpint(values, s) || !values.AtEnd() || r.size() > kMaxEcdsaValue ||
            s.size() > kMaxEcdsaValue) {
            return MalformedError("its ECDSA values are damaged");
        }
        signature.r.assign(r.begin(), r.end());
        signature.s.assign(s.begin(), s.end());
        break;
    }
    case SshSignatureAlgorithm::RsaSha256:
    case SshSignatureAlgorithm::RsaSha512:
    case SshSignatureAlgorithm::RsaSha1:
        if (!reader.Failed() && (value.empty() || value.size() > signature.key.modulus.size())) {
            return MalformedError("its RSA value doesn't fit its key");
        }
        signature.value.assign(value.begin(), value.end());
        break;
    }
    if (info->key == SshKeyType::SkEd25519 || info->key == SshKeyType::SkEcdsaP256) {
        signature.flags = reader.Byte();
        signature.counter = reader.Number32();
    }
    if (reader.Failed()) return MalformedError("its signature is cut short");
    if (!reader.AtEnd()) return MalformedError("its signature has data after its end");
    return {};
}

}  // namespace

bool LooksLikeSshSignature(ByteSpan text) {
    const std::string_view start = WireText(text);
    return start.starts_with(kBeginLine) && IsLineEnd(start.substr(kBeginLine.size()));
}

Result<SshSignature> ParseSshSignature(ByteSpan text) {
    if (text.size() > kMaxSshSignatureFileSize) return MalformedError("it is too large to be a signature");
    const Result<std::string> body = ArmourBody(WireText(text));
    if (!body) return body.GetError();
    const std::optional<Bytes> blob = DecodeStrictBase64(*body);
    if (!blob) return MalformedError("its armour isn't base64");
    return ParseSshSignatureBlob(*blob);
}

Result<SshSignature> ParseSshSignatureBlob(ByteSpan blob) {
    ByteReader reader(blob);
    if (WireText(reader.Take(kMagic.size())) != kMagic) {
        return MalformedError("it isn't an SSH signature");
    }
    const std::uint32_t version = reader.Number32();
    if (reader.Failed()) return MalformedError("it is cut short");
    if (version != kVersion) return UnsupportedError("version " + std::to_string(version));

    SshSignature signature;
    Result<SshPublicKey> key = ParseSshKeyBlob(ReadSshString(reader));
    if (reader.Failed()) return MalformedError("it is cut short");
    if (!key) return key.GetError();
    signature.key = std::move(*key);
    signature.signatureNamespace = WireText(ReadSshString(reader));
    const ByteSpan reserved = ReadSshString(reader);
    signature.reserved.assign(reserved.begin(), reserved.end());
    signature.hashName = WireText(ReadSshString(reader));
    const ByteSpan field = ReadSshString(reader);
    if (reader.Failed()) return MalformedError("it is cut short");
    if (!reader.AtEnd()) return MalformedError("it has data after its end");
    if (signature.signatureNamespace.empty()) return MalformedError("its namespace is empty");
    if (signature.hashName == "sha256") {
        signature.hash = DigestAlgorithm::Sha256;
    } else if (signature.hashName == "sha512") {
        signature.hash = DigestAlgorithm::Sha512;
    } else {
        return UnsupportedError("the digest " + PrintableName(signature.hashName));
    }
    if (const Result<void> read = ReadSignatureField(field, signature); !read) return read.GetError();
    return signature;
}

}  // namespace vms
