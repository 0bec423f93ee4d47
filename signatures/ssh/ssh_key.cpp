#include "signatures/ssh/ssh_key.h"

#include "signatures/common/crypto.h"
#include "signatures/common/strict_base64.h"
#include "signatures/ssh/ssh_wire.h"

#include <array>
#include <bit>

namespace vms {
namespace {

struct KeyTypeInfo {
    SshKeyType type;
    std::string_view name;
    std::string_view curve;  // ECDSA: the curve name the blob repeats
    std::size_t bits;
};

constexpr std::array<KeyTypeInfo, 7> kKeyTypes = {{
    {SshKeyType::Ed25519, "ssh-ed25519", "", 256},
    {SshKeyType::EcdsaP256, "ecdsa-sha2-nistp256", "nistp256", 256},
    {SshKeyType::EcdsaP384, "ecdsa-sha2-nistp384", "nistp384", 384},
    {SshKeyType::EcdsaP521, "ecdsa-sha2-nistp521", "nistp521", 521},
    {SshKeyType::Rsa, "ssh-rsa", "", 0},
    {SshKeyType::SkEd25519, "sk-ssh-ed25519@openssh.com", "", 256},
    {SshKeyType::SkEcdsaP256, "sk-ecdsa-sha2-nistp256@openssh.com", "nistp256", 256},
}};

constexpr std::string_view kCertificateSuffix = "-cert-v01@openssh.com";
constexpr std::size_t kMaxPrintableName = 64;

const KeyTypeInfo* FindKeyType(std::string_view name) {
    for (const KeyTypeInfo& info : kKeyTypes) {
        if (info.name == name) return &info;
    }
    return nullptr;
}

// An uncompressed point of the curve's size: 04 || X || Y.
bool IsUncompressedPoint(ByteSpan point, std::size_t bits) {
    const std::size_t coordinate = (bits + 7) / 8;
    return point.size() == 1 + 2 * coordinate && point[0] == 0x04;
}

// ssh-keygen prints fingerprints without base64's padding.
std::string Base64Unpadded(ByteSpan bytes) {
    std::string text = EncodeBase64(bytes);
    text.erase(text.find_last_not_of('=') + 1);
    return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string_view SshKeyTypeName(SshKeyType type) {
    for (const KeyTypeInfo& info : kKeyTypes) {
        if (info.type == type) return info.name;
    }
    return {};
}

std::string PrintableName(std::string_view name) {
    std::string text;
    for (char c : name.substr(0, kMaxPrintableName)) text += c > ' ' && c < 0x7F ? c : '?';
    if (name.size() > kMaxPrintableName) text += "...";
    return text;
}

Result<SshPublicKey> ParseSshKeyBlob(ByteSpan blob) {
    if (blob.size() > kMaxSshKeyBlob) return MalformedError("the key is too large");
    ByteReader reader(blob);
    const std::string_view name = WireText(ReadSshString(reader));
    if (reader.Failed()) return MalformedError("the key is cut short");
    if (name.ends_with(kCertificateSuffix)) {
        return UnsupportedError("OpenSSH certificates (" + PrintableName(name) + ")");
    }
    const KeyTypeInfo* info = FindKeyType(name);
    if (!info) return UnsupportedError("the key type " + PrintableName(name));

    SshPublicKey key;
    key.type = info->type;
    key.blob.assign(blob.begin(), blob.end());
    key.bits = info->bits;
    switch (info->type) {
    case SshKeyType::Ed25519:
    case SshKeyType::SkEd25519: {
        const ByteSpan point = ReadSshString(reader);
        if (!reader.Failed() && point.size() != 32) {
            return MalformedError("the Ed25519 key isn't 32 bytes");
        }
        key.point.assign(point.begin(), point.end());
        break;
    }
    case SshKeyType::EcdsaP256:
    case SshKeyType::EcdsaP384:
    case SshKeyType::EcdsaP521:
    case SshKeyType::SkEcdsaP256: {
        const std::string_view curve = WireText(ReadSshString(reader));
        const ByteSpan point = ReadSshString(reader);
        if (reader.Failed()) break;
        if (curve != info->curve) return MalformedError("the key's curve doesn't match its type");
        if (!IsUncompressedPoint(point, info->bits)) {
            return MalformedError("the key's point isn't an uncompressed point of its curve");
        }
        key.point.assign(point.begin(), point.end());
        break;
    }
    case SshKeyType::Rsa: {
        ByteSpan exponent, modulus;
        if (!ReadSshMpint(reader, exponent) || !ReadSshMpint(reader, modulus)) break;
        if (exponent.empty() || modulus.empty()) {
            return MalformedError("the RSA key has a zero value");
        }
        key.bits = 8 * (modulus.size() - 1) + static_cast<std::size_t>(std::bit_width(modulus[0]));
        if (key.bits > kMaxSshRsaBits) return UnsupportedError("RSA keys over 16384 bits");
        key.exponent.assign(exponent.begin(), exponent.end());
        key.modulus.assign(modulus.begin(), modulus.end());
        break;
    }
    }
    if (info->type == SshKeyType::SkEd25519 || info->type == SshKeyType::SkEcdsaP256) {
        key.application = WireText(ReadSshString(reader));
    }
    if (reader.Failed()) return MalformedError("the key is cut short");
    if (!reader.AtEnd()) return MalformedError("the key has data after its end");
    return key;
}

Result<SshPublicKey> ParseSshKeyLine(std::string_view line) {
    if (line.ends_with('\n')) line.remove_suffix(1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    const auto field = [&line]() {
        while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
        std::size_t end = 0;
        while (end < line.size() && !IsBlank(line[end])) ++end;
        const std::string_view text = line.substr(0, end);
        line.remove_prefix(end);
        return text;
    };
    const std::string_view type = field();
    const std::string_view base64 = field();
    if (type.empty() || base64.empty()) return MalformedError("the key line has no key");
    if (base64.size() > kMaxSshKeyBlob * 4 / 3 + 4) return MalformedError("the key is too large");
    const std::optional<Bytes> blob = DecodeStrictBase64(base64);
    if (!blob) return MalformedError("the key isn't base64");
    Result<SshPublicKey> parsed = ParseSshKeyBlob(*blob);
    if (!parsed) return parsed;
    if (SshKeyTypeName(parsed->type) != type) return MalformedError("the key line's type isn't its key's");
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    parsed->comment = line;
    return parsed;
}

std::string SshFingerprint(const SshPublicKey& key) {
    DigestContext digest(DigestAlgorithm::Sha256);
    digest.Update(key.blob);
    return "SHA256:" + Base64Unpadded(digest.Finish());
}

}  // namespace vms
