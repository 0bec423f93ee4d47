// The trusted keys of the formats beside OpenPGP, kept in the store as their
// own texts: a minisign or signify key in "minisign-<KEY ID>.pub", an SSH key
// in "ssh-<SHA-256 of its blob>.pub" when trusted for anything, or with the
// allowed_signers lines that limit it in "ssh-<SHA-256 of its blob>.allowed".
// Each file holds one key; a file whose key isn't the one its name says is
// passed over.
#pragma once

#include "signatures/common/key_set.h"
#include "signatures/common/trust_store.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vms {

struct TrustedMinisignKey {
    MinisignKey key;
    std::int64_t added = 0;
};

struct TrustedSshKey {
    SshPublicKey key;
    bool anyUse = false;                 // trusted as a plain key: any principal, namespace and time
    std::vector<AllowedSigner> limits;   // the allowed_signers lines trusted for it
    std::int64_t added = 0;
};

std::vector<TrustedMinisignKey> ReadTrustedMinisignKeys();
std::vector<TrustedSshKey> ReadTrustedSshKeys();

// Every trusted key of every format, OpenPGP's checked as of now.
KeySet TrustedKeySet(std::uint32_t now);

Result<TrustOutcome> TrustMinisignKey(const MinisignKey& key);
Result<TrustOutcome> TrustSshKey(const SshPublicKey& key);
// The lines of an allowed_signers file grouped by the key they name, in the file's order.
std::vector<std::vector<AllowedSigner>> LinesByKey(const std::vector<AllowedSigner>& lines);

// Every principal of these lines, for people: "a@example.org, b@example.org".
std::wstring PrincipalsOf(std::span<const AllowedSigner> lines);

// The lines of an allowed_signers file that name one key, stored with their
// text as written; ERROR_INVALID_DATA for no lines, lines of several keys or
// lines the text doesn't have.
Result<TrustOutcome> TrustAllowedSigners(std::string_view fileText, std::span<const AllowedSigner> lines);

Result<ForgetOutcome> ForgetMinisignKey(const std::array<std::uint8_t, 8>& keyId);
// Removes the key's plain and limited entries.
Result<ForgetOutcome> ForgetSshKey(const SshPublicKey& key);

}  // namespace vms
