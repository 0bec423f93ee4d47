// The keys the user chose to trust: one armoured file per key, named by its
// fingerprint, in "%APPDATA%\Verimond\Trusted Keys". Keys are added and removed
// only on the user's explicit request.
#pragma once

#include "signatures/openpgp/keyring.h"

#include <windows.h>

#include <string>
#include <vector>

namespace vms {

struct TrustedKey {
    CertifiedKey key;
    std::int64_t added = 0;  // when it was trusted, seconds since 1970
};

// The store's folder; empty when the user's application-data folder is unknown.
std::wstring TrustStoreFolder();

// Every trusted key, checked as of now. A file whose key no longer loads, or
// that holds another key than its name says, is passed over.
std::vector<TrustedKey> ReadTrustStore(std::uint32_t now);

// The trusted keys as one keyring, checked as of now.
Keyring TrustedKeyring(std::uint32_t now);

enum class TrustOutcome { Added, AlreadyTrusted, Updated, Failed };

// True when the key's file is in the store.
bool IsTrusted(const Bytes& fingerprint);

// Writes the key's file (to a temporary name, then moved in place). A key
// already trusted is merged with this copy, and its file rewritten when the
// copy brings something new, such as a revocation. On failure, the system
// error in error.
TrustOutcome TrustKey(const CertifiedKey& key, std::uint32_t now, DWORD& error);

enum class ForgetOutcome { Removed, NotFound, Failed };

ForgetOutcome ForgetKey(const Bytes& fingerprint, DWORD& error);

// Upper-case hex digits without separators, as the store names its files.
std::wstring FingerprintHex(const Bytes& fingerprint);

// The fingerprint in "ABCD 1234 ..." or any case and spacing; nothing unless
// it is 40 or 64 hex digits.
std::optional<Bytes> ParseFingerprint(std::wstring_view text);

}  // namespace vms
