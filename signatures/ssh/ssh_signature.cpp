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

SshSignatureParse Failure(SignatureState state, std::string error) {
    return SshSignatureParse{std::nullopt, state, std::move(error)};
}

bool IsLineEnd(std::string_view text) { return text.starts_with('\n') || text.starts_with("\r\n"); }

// The base64 between the armour lines, blanks and line ends dropped.
std::optional<std::string> ArmourBody(std::string_view text, std::string& error) {
    if (!text.starts_with(kBeginLine) || !IsLineEnd(text.substr(kBeginLine.size()))) {
        error = "it doesn't start with \"-----BEGIN SSH SIGNATURE-----\"";
        return std::nullopt;
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
    error = "it has no \"-----END SSH SIGNATURE-----\" line";
    return std::nullopt;
}

// The signature field into signature: its type, which must fit the key, and
// its values. What is wrong with it, if anything.
std::optional<SshSignatureParse> ReadSignatureField(ByteSpan field, SshSignature& signature) {
    ByteReader reader(field);
    const std::string_view name = WireText(ReadSshString(reader));
    if (reader.Failed()) return Failure(SignatureState::Malformed, "its signature is cut short");
    const AlgorithmInfo* info = nullptr;
    for (const AlgorithmInfo& candidate : kAlgorithms) {
        if (candidate.key == signature.key.type && candidate.name == name) info = &candidate;
    }
    if (!info) {
        if (signature.key.type == SshKeyType::SkEcdsaP256 && name == "webauthn-sk-ecdsa-sha2-nistp256@openssh.com") {
            return Failure(SignatureState::Unsupported, "webauthn signatures");
        }
        return Failure(SignatureState::Malformed, "its signature type doesn't fit its key");
    }
    signature.algorithm = info->algorithm;
    const ByteSpan value = ReadSshString(reader);
    switch (info->algorithm) {
    case SshSignatureAlgorithm::Ed25519:
    case SshSignatureAlgorithm::SkEd25519:
        if (!reader.Failed() && value.size() != 64) {
            return Failure(SignatureState::Malformed, "its Ed25519 value isn't 64 bytes");
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
            return Failure(SignatureState::Malformed, "its ECDSA values are damaged");
        }
        signature.r.assign(r.begin(), r.end());
        signature.s.assign(s.begin(), s.end());
        break;
    }
    case SshSignatureAlgorithm::RsaSha256:
    case SshSignatureAlgorithm::RsaSha512:
    case SshSignatureAlgorithm::RsaSha1:
        if (!reader.Failed() && (value.empty() || value.size() > signature.key.modulus.size())) {
            return Failure(SignatureState::Malformed, "its RSA value doesn't fit its key");
        }
        signature.value.assign(value.begin(), value.end());
        break;
    }
    if (info->key == SshKeyType::SkEd25519 || info->key == SshKeyType::SkEcdsaP256) {
        signature.flags = reader.Byte();
        signature.counter = reader.Number32();
    }
    if (reader.Failed()) return Failure(SignatureState::Malformed, "its signature is cut short");
    if (!reader.AtEnd()) return Failure(SignatureState::Malformed, "its signature has data after its end");
    return std::nullopt;
}

}  // namespace

bool LooksLikeSshSignature(ByteSpan text) {
    const std::string_view start = WireText(text);
    return start.starts_with(kBeginLine) && IsLineEnd(start.substr(kBeginLine.size()));
}

SshSignatureParse ParseSshSignature(ByteSpan text) {
    if (text.size() > kMaxSshSignatureFileSize) {
        return Failure(SignatureState::Malformed, "it is too large to be a signature");
    }
    std::string error;
    const std::optional<std::string> body = ArmourBody(WireText(text), error);
    if (!body) return Failure(SignatureState::Malformed, std::move(error));
    const std::optional<Bytes> blob = DecodeStrictBase64(*body);
    if (!blob) return Failure(SignatureState::Malformed, "its armour isn't base64");
    return ParseSshSignatureBlob(*blob);
}

SshSignatureParse ParseSshSignatureBlob(ByteSpan blob) {
    ByteReader reader(blob);
    if (WireText(reader.Take(kMagic.size())) != kMagic) {
        return Failure(SignatureState::Malformed, "it isn't an SSH signature");
    }
    const std::uint32_t version = reader.Number32();
    if (reader.Failed()) return Failure(SignatureState::Malformed, "it is cut short");
    if (version != kVersion) return Failure(SignatureState::Unsupported, "version " + std::to_string(version));

    SshSignature signature;
    SshKeyParse key = ParseSshKeyBlob(ReadSshString(reader));
    if (reader.Failed()) return Failure(SignatureState::Malformed, "it is cut short");
    if (!key.key) return Failure(key.state, std::move(key.error));
    signature.key = std::move(*key.key);
    signature.signatureNamespace = WireText(ReadSshString(reader));
    const ByteSpan reserved = ReadSshString(reader);
    signature.reserved.assign(reserved.begin(), reserved.end());
    signature.hashName = WireText(ReadSshString(reader));
    const ByteSpan field = ReadSshString(reader);
    if (reader.Failed()) return Failure(SignatureState::Malformed, "it is cut short");
    if (!reader.AtEnd()) return Failure(SignatureState::Malformed, "it has data after its end");
    if (signature.signatureNamespace.empty()) return Failure(SignatureState::Malformed, "its namespace is empty");
    if (signature.hashName == "sha256") {
        signature.hash = DigestAlgorithm::Sha256;
    } else if (signature.hashName == "sha512") {
        signature.hash = DigestAlgorithm::Sha512;
    } else {
        return Failure(SignatureState::Unsupported, "the digest " + PrintableName(signature.hashName));
    }
    if (std::optional<SshSignatureParse> failure = ReadSignatureField(field, signature)) return std::move(*failure);
    return SshSignatureParse{std::move(signature), SignatureState::Good, {}};
}

}  // namespace vms
