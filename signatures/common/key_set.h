// The keys one check may use, of every format, and what a key file or a
// pasted key text holds, told by its content.
#pragma once

#include "signatures/minisign/minisign_key.h"
#include "signatures/openpgp/keyring.h"
#include "signatures/sigstore/sigstore_check.h"
#include "signatures/ssh/ssh_check.h"

#include <optional>
#include <string_view>
#include <vector>

namespace vms {

struct KeySet {
    Keyring openpgp;
    std::vector<MinisignKey> minisign;
    SshTrust ssh;
    SigstoreTrust sigstore;
};

enum class KeyFileKind { None, OpenPgp, Minisign, SshKeys, AllowedSigners, PemPublicKey };

struct KeyFileContents {
    KeyFileKind kind = KeyFileKind::None;
    // OpenPGP: the keys and those refused, or why there are none
    Result<KeyLoadResult> openpgp = KeyLoadResult{};
    std::optional<MinisignKey> minisign;  // a minisign or signify public key
    SshKeyList sshKeys;                   // lines of .pub files
    AllowedSigners allowedSigners;        // an allowed_signers file
    std::optional<PkixKey> publicKey;   // a PEM public key, as cosign writes its key pairs'
};

// A minisign or signify key (a .pub file, the bare "RW..." text or Tauri's
// base64 of a .pub file), a PEM public key, OpenSSH public key lines, an allowed_signers file,
// else OpenPGP key data; OpenPGP keys are checked as of now.
KeyFileContents ReadKeyFileContents(ByteSpan bytes, std::uint32_t now);

// A minisign key given as the text projects print ("RW..."), as on a command line.
std::optional<MinisignKey> MinisignKeyFromText(std::wstring_view text);

// Adds the usable keys a file holds.
void AddKeys(KeySet& keys, KeyFileContents contents, std::uint32_t now);

}  // namespace vms
