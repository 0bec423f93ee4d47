#include "signatures/common/trusted_keys.h"

#include "engine/digest.h"
#include "engine/text.h"
#include "signatures/common/crypto.h"
#include "signatures/common/key_text.h"
#include "signatures/common/strict_base64.h"
#include "signatures/sigstore/trusted_signers.h"

#include <windows.h>

#include <algorithm>

namespace vms {
namespace {

constexpr wchar_t kMinisignPrefix[] = L"minisign-";
constexpr wchar_t kSshPrefix[] = L"ssh-";
constexpr wchar_t kPlainEnding[] = L".pub";
constexpr wchar_t kLimitsEnding[] = L".allowed";

std::string_view AsText(const Bytes& bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

std::wstring MinisignFileName(const std::array<std::uint8_t, 8>& keyId) {
    return kMinisignPrefix + FromUtf8(FormatMinisignKeyId(keyId)) + kPlainEnding;
}

// The blob's SHA-256 in hex: SSH fingerprints are base64, which file names can't all hold.
std::wstring SshFileStem(const SshPublicKey& key) {
    DigestContext digest(DigestAlgorithm::Sha256);
    digest.Update(key.blob);
    return kSshPrefix + FromUtf8(BytesToHex(digest.Finish(), true));
}

// The text lines of a file, from 1, as allowed_signers numbers them.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

std::string PublicKeyLine(const SshPublicKey& key) {
    std::string line = std::string(SshKeyTypeName(key.type)) + " " + EncodeBase64(key.blob);
    if (!key.comment.empty()) line += " " + key.comment;
    return line + "\n";
}

TrustedSshKey& EntryFor(std::vector<TrustedSshKey>& entries, const SshPublicKey& key, std::int64_t added) {
    const auto found = std::ranges::find_if(entries, [&](const TrustedSshKey& entry) { return entry.key.blob == key.blob; });
    if (found != entries.end()) return *found;
    return entries.emplace_back(TrustedSshKey{key, false, {}, added});
}

}  // namespace

std::vector<std::vector<AllowedSigner>> LinesByKey(const std::vector<AllowedSigner>& lines) {
    std::vector<std::vector<AllowedSigner>> byKey;
    for (const AllowedSigner& line : lines) {
        const auto same = std::ranges::find_if(byKey, [&](const auto& group) { return group.front().key.blob == line.key.blob; });
        if (same == byKey.end()) byKey.push_back({line});
        else same->push_back(line);
    }
    return byKey;
}

std::wstring PrincipalsOf(std::span<const AllowedSigner> lines) {
    std::vector<std::string> principals;
    for (const AllowedSigner& line : lines) principals.insert(principals.end(), line.principals.begin(), line.principals.end());
    return JoinedNames(principals);
}

std::vector<TrustedMinisignKey> ReadTrustedMinisignKeys() {
    std::vector<TrustedMinisignKey> trusted;
    for (const StoredKeyText& stored : ReadStoredKeyTexts(kMinisignPrefix)) {
        Result<MinisignKey> key = ParseMinisignKey(stored.text);
        if (key && EqualsIgnoreCase(MinisignFileName(key->keyId), stored.fileName)) {
            trusted.push_back({std::move(*key), stored.added});
        }
    }
    return trusted;
}

std::vector<TrustedSshKey> ReadTrustedSshKeys() {
    std::vector<TrustedSshKey> trusted;
    if (!CryptoAvailable()) return trusted;  // file names are digests
    for (const StoredKeyText& stored : ReadStoredKeyTexts(kSshPrefix)) {
        const bool plain = EndsWithIgnoreCase(stored.fileName, kPlainEnding);
        const bool limits = EndsWithIgnoreCase(stored.fileName, kLimitsEnding);
        const auto named = [&](const SshPublicKey& key) {
            return EqualsIgnoreCase(SshFileStem(key) + (plain ? kPlainEnding : kLimitsEnding), stored.fileName);
        };
        if (plain) {
            for (const SshPublicKey& key : ParseSshPublicKeys(AsText(stored.text)).ValueOr({}).keys) {
                if (named(key)) EntryFor(trusted, key, stored.added).anyUse = true;
            }
        } else if (limits) {
            for (AllowedSigner& line : ParseAllowedSigners(AsText(stored.text)).ValueOr({}).signers) {
                if (named(line.key)) EntryFor(trusted, line.key, stored.added).limits.push_back(std::move(line));
            }
        }
    }
    return trusted;
}

KeySet TrustedKeySet(std::uint32_t now) {
    KeySet keys;
    keys.openpgp = TrustedKeyring(now);
    for (TrustedMinisignKey& trusted : ReadTrustedMinisignKeys()) keys.minisign.push_back(std::move(trusted.key));
    for (TrustedSshKey& trusted : ReadTrustedSshKeys()) {
        if (trusted.anyUse) keys.ssh.keys.push_back(trusted.key);
        for (AllowedSigner& line : trusted.limits) keys.ssh.allowedSigners.push_back(std::move(line));
    }
    keys.sigstore = TrustedSigstore();
    return keys;
}

Result<TrustOutcome> TrustMinisignKey(const MinisignKey& key) {
    Bytes line = {'E', 'd'};
    line.insert(line.end(), key.keyId.begin(), key.keyId.end());
    line.insert(line.end(), key.publicKey.begin(), key.publicKey.end());
    const std::string comment = key.comment.empty() ? "minisign public key " + FormatMinisignKeyId(key.keyId) : key.comment;
    return StoreKeyText(MinisignFileName(key.keyId),
                        "untrusted comment: " + comment + "\n" + EncodeBase64(line) + "\n");
}

Result<TrustOutcome> TrustSshKey(const SshPublicKey& key) {
    return StoreKeyText(SshFileStem(key) + kPlainEnding, PublicKeyLine(key));
}

Result<TrustOutcome> TrustAllowedSigners(std::string_view fileText, std::span<const AllowedSigner> lines) {
    if (lines.empty()) return SystemError(ERROR_INVALID_DATA);
    const std::vector<std::string_view> written = Lines(fileText);
    std::string text;
    for (const AllowedSigner& line : lines) {
        if (line.key.blob != lines.front().key.blob || line.line == 0 || line.line > written.size()) {
            return SystemError(ERROR_INVALID_DATA);
        }
        std::string_view kept = written[line.line - 1];
        if (kept.ends_with('\r')) kept.remove_suffix(1);
        text += std::string(kept) + "\n";
    }
    return StoreKeyText(SshFileStem(lines.front().key) + kLimitsEnding, text);
}

Result<ForgetOutcome> ForgetMinisignKey(const std::array<std::uint8_t, 8>& keyId) {
    return ForgetKeyFile(MinisignFileName(keyId));
}

Result<ForgetOutcome> ForgetSshKey(const SshPublicKey& key) {
    const std::wstring stem = SshFileStem(key);
    const Result<ForgetOutcome> plain = ForgetKeyFile(stem + kPlainEnding);
    if (!plain) return plain;
    const Result<ForgetOutcome> limits = ForgetKeyFile(stem + kLimitsEnding);
    if (!limits) return limits;
    return *plain == ForgetOutcome::Removed || *limits == ForgetOutcome::Removed ? ForgetOutcome::Removed
                                                                                  : ForgetOutcome::NotFound;
}

}  // namespace vms
