#include "signatures/common/key_set.h"

#include "engine/text.h"

#include <string_view>

namespace vms {
namespace {

std::string_view AsText(ByteSpan bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

}  // namespace

KeyFileContents ReadKeyFileContents(ByteSpan bytes, std::uint32_t now) {
    KeyFileContents contents;
    if (Result<MinisignKey> minisign = ParseMinisignKey(bytes)) {
        contents.minisign = std::move(*minisign);
        contents.kind = KeyFileKind::Minisign;
        return contents;
    }
    const std::string_view text = AsText(bytes);
    if (text.find("-----BEGIN PUBLIC KEY-----") != std::string_view::npos) {
        const std::optional<Bytes> der = PemBlock(text, "PUBLIC KEY");
        if ((contents.publicKey = der ? ParsePublicKeyDer(*der) : std::nullopt)) {
            contents.kind = KeyFileKind::PemPublicKey;
        } else {
            contents.openpgp = MalformedError("its PEM public key is damaged or of a kind not checked here (ECDSA "
                                              "P-256, P-384 and P-521 and Ed25519 are)");
        }
        return contents;
    }
    // A .pub line read as allowed_signers would take its type for a principal,
    // and the reverse fails on the principal: the form that reads cleanly wins.
    Result<SshKeyList> sshKeys = ParseSshPublicKeys(AsText(bytes));
    if (sshKeys && !sshKeys->keys.empty() && sshKeys->errors.empty()) {
        contents.sshKeys = std::move(*sshKeys);
        contents.kind = KeyFileKind::SshKeys;
        return contents;
    }
    Result<AllowedSigners> allowedSigners = ParseAllowedSigners(AsText(bytes));
    if (allowedSigners && !allowedSigners->signers.empty()) {
        contents.allowedSigners = std::move(*allowedSigners);
        contents.kind = KeyFileKind::AllowedSigners;
        return contents;
    }
    contents.openpgp = LoadKeys(bytes, now);
    if (contents.openpgp) contents.kind = KeyFileKind::OpenPgp;
    return contents;
}

std::optional<MinisignKey> MinisignKeyFromText(std::wstring_view text) {
    const std::string utf8 = ToUtf8(text);
    Result<MinisignKey> key =
        ParseMinisignKey(ByteSpan(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()));
    if (!key) return std::nullopt;
    return std::move(*key);
}

void AddKeys(KeySet& keys, KeyFileContents contents, std::uint32_t now) {
    if (contents.openpgp) {
        for (CertifiedKey& key : contents.openpgp->keys) keys.openpgp.Add(std::move(key), now);
    }
    if (contents.minisign) keys.minisign.push_back(std::move(*contents.minisign));
    for (SshPublicKey& key : contents.sshKeys.keys) keys.ssh.keys.push_back(std::move(key));
    for (AllowedSigner& signer : contents.allowedSigners.signers) keys.ssh.allowedSigners.push_back(std::move(signer));
    if (contents.publicKey) keys.sigstore.keys.push_back(std::move(*contents.publicKey));
}

}  // namespace vms
