// The keys the user chose to trust, in "%APPDATA%\Verimond\Trusted Keys", one
// file per key: an OpenPGP key armoured in "<FINGERPRINT>.asc", a key of
// another format as its own text in "<kind>-<identifier>.<ending>". Keys are
// added and removed only on the user's explicit request.
#pragma once

#include "engine/result.h"
#include "signatures/openpgp/keyring.h"

#include <string>
#include <string_view>
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

enum class TrustOutcome { Added, AlreadyTrusted, Updated };

// True when the key's file is in the store.
bool IsTrusted(const Bytes& fingerprint);

// Writes the key's file (to a temporary name, then moved in place). A key
// already trusted is merged with this copy, and its file rewritten when the
// copy brings something new, such as a revocation. Fails with the system
// error, or as Malformed when the stored copy no longer reads as one key.
Result<TrustOutcome> TrustKey(const CertifiedKey& key, std::uint32_t now);

enum class ForgetOutcome { Removed, NotFound };

Result<ForgetOutcome> ForgetKey(const Bytes& fingerprint);

// The key files of another format, by the start of their names ("minisign-"):
// each file's name and text; files too large to be a key are passed over.
struct StoredKeyText {
    std::wstring fileName;
    Bytes text;
    std::int64_t added = 0;  // when it was trusted, seconds since 1970
};
std::vector<StoredKeyText> ReadStoredKeyTexts(std::wstring_view prefix);

// Stores a key's text under its file name (to a temporary name, then moved in
// place): AlreadyTrusted when the same text is there, Updated when another
// text was. Fails with the system error.
Result<TrustOutcome> StoreKeyText(const std::wstring& fileName, std::string_view text);

Result<ForgetOutcome> ForgetKeyFile(const std::wstring& fileName);

// Upper-case hex digits without separators, as the store names its files.
std::wstring FingerprintHex(const Bytes& fingerprint);

// The fingerprint in "ABCD 1234 ..." or any case and spacing; nothing unless
// it is 40 or 64 hex digits.
std::optional<Bytes> ParseFingerprint(std::wstring_view text);

}  // namespace vms
