// vmsum's trusted keys, of every format: --trust-key, --list-keys and --forget-key.
#include "engine/digest.h"
#include "cli/console.h"
#include "cli/format_sentences.h"
#include "cli/run_modes.h"
#include "cli/signature_report.h"
#include "engine/error_text.h"
#include "engine/file_bytes.h"
#include "engine/text.h"
#include "signatures/common/crypto.h"
#include "signatures/common/key_text.h"
#include "signatures/common/trusted_keys.h"
#include "signatures/sigstore/trusted_signers.h"

#include <algorithm>

namespace cli {

using namespace vms;
namespace {

// A key that is no longer valid is not added to the trusted keys.
std::optional<std::wstring> WhyNotTrusted(const CertifiedKey& key, std::uint32_t now) {
    if (key.revoked) return L"has been revoked by its owner";
    if (key.expires && *key.expires <= now) return L"expired on " + FormatDate(*key.expires);
    return std::nullopt;
}

std::wstring StatusOf(const CertifiedKey& key, std::uint32_t now) {
    if (key.revoked) return L", revoked";
    if (key.expires && *key.expires <= now) return L", expired on " + FormatDate(*key.expires);
    if (key.expires) return L", expires on " + FormatDate(*key.expires);
    return {};
}

int StoreFailed(const Error& error) {
    WriteErrLine(L"vmsum: " + TrustStoreFolder() + L": " + FormatErrorText(error.systemCode) + L".");
    return 3;
}

int NoCrypto(const std::wstring& what) {
    WriteErrLine(L"vmsum: " + what + L": " + kCryptoLibraryNames +
                 L" are missing beside vmsum.exe or don't work. Reinstall Verimond.");
    return 3;
}

// Tells the outcome of trusting one key of another format than OpenPGP; false when the store failed.
bool ReportTrusted(const Result<TrustOutcome>& outcome, const std::wstring& key) {
    if (!outcome) {
        StoreFailed(outcome.GetError());
        return false;
    }
    switch (*outcome) {
    case TrustOutcome::Added: WriteOutLine(L"Trusted " + key + L"."); break;
    case TrustOutcome::AlreadyTrusted: WriteOutLine(key + L" is already trusted."); break;
    case TrustOutcome::Updated: WriteOutLine(L"Updated " + key + L"."); break;
    }
    return true;
}

int TrustOpenPgpKeys(const std::wstring& file, const KeyLoadResult& loaded, std::uint32_t now) {
    bool refused = !loaded.rejected.empty();
    for (const RejectedKey& rejected : loaded.rejected) {
        WriteErrLine(L"vmsum: " + file + L": Key " + FormatFingerprint(rejected.fingerprint) + L" can't be used: " +
                     FromUtf8(rejected.reason) + L". It wasn't trusted.");
    }
    for (const CertifiedKey& key : loaded.keys) {
        const std::wstring owner = KeyOwnerText(key.primaryUserId, key.primary.fingerprint);
        const auto why = WhyNotTrusted(key, now);
        // A revoked or expired key is never newly trusted; a trusted copy of it learns of the change.
        if (why && !IsTrusted(key.primary.fingerprint)) {
            WriteErrLine(L"vmsum: " + file + L": " + owner + L" " + *why + L". It wasn't trusted.");
            refused = true;
            continue;
        }
        const Result<TrustOutcome> outcome = TrustKey(key, now);
        if (!outcome) return StoreFailed(outcome.GetError());
        switch (*outcome) {
        case TrustOutcome::Added: WriteOutLine(L"Trusted " + owner + L"."); break;
        case TrustOutcome::AlreadyTrusted: WriteOutLine(owner + L" is already trusted."); break;
        case TrustOutcome::Updated:
            WriteOutLine(L"Updated " + owner + (why ? L": it " + *why + L", so signatures by it are no longer good."
                                                    : L" with what this copy adds."));
            break;
        }
    }
    return refused ? 1 : 0;
}

// Each key of an allowed_signers file is trusted with the lines that name it.
int TrustAllowedSignersFile(std::string_view text, const AllowedSigners& file) {
    for (const std::vector<AllowedSigner>& lines : LinesByKey(file.signers)) {
        const std::wstring key = SshKeyText(lines.front().key) + L" for " + PrincipalsOf(lines);
        if (!ReportTrusted(TrustAllowedSigners(text, lines), key)) return 3;
    }
    return file.errors.empty() ? 0 : 1;
}

void ListOpenPgp(std::wstring& listing, std::uint32_t now) {
    std::vector<TrustedKey> trusted = ReadTrustStore(now);
    std::ranges::sort(trusted, {}, [](const TrustedKey& entry) { return entry.added; });
    if (trusted.empty()) return;
    listing += L"OpenPGP keys:\n";
    for (const TrustedKey& entry : trusted) {
        const CertifiedKey& key = entry.key;
        listing += L"\n" + FormatFingerprint(key.primary.fingerprint) + L"\n";
        listing += L"    " + (key.primaryUserId.empty() ? L"(no user ID)" : UserIdText(key.primaryUserId)) + L"\n";
        listing += L"    " + FromUtf8(DescribeKeyAlgorithm(key.primary)) + L", created " +
                   FormatDate(key.primary.created) + L", trusted since " + FormatDate(entry.added) +
                   StatusOf(key, now) + L"\n";
    }
}

void ListMinisign(std::wstring& listing) {
    std::vector<TrustedMinisignKey> trusted = ReadTrustedMinisignKeys();
    std::ranges::sort(trusted, {}, [](const TrustedMinisignKey& entry) { return entry.added; });
    if (trusted.empty()) return;
    listing += std::wstring(listing.empty() ? L"" : L"\n") + L"minisign and signify keys:\n";
    for (const TrustedMinisignKey& entry : trusted) {
        listing += L"\n" + FromUtf8(FormatMinisignKeyId(entry.key.keyId)) + L"\n";
        listing += L"    " + (entry.key.comment.empty() ? L"(no comment)" : UserIdText(entry.key.comment)) + L"\n";
        listing += L"    Ed25519, trusted since " + FormatDate(entry.added) + L"\n";
    }
}

std::wstring LimitsText(const AllowedSigner& line) {
    std::wstring text = JoinedNames(line.principals);
    text += line.namespaces ? L"; namespaces " + UserIdText(*line.namespaces) : L"; any namespace";
    if (line.validAfter || line.validBefore) text += L"; for a limited time";
    if (line.certAuthority) text += L"; as a certificate authority";
    return text;
}

void ListSsh(std::wstring& listing) {
    std::vector<TrustedSshKey> trusted = ReadTrustedSshKeys();
    std::ranges::sort(trusted, {}, [](const TrustedSshKey& entry) { return entry.added; });
    if (trusted.empty()) return;
    listing += std::wstring(listing.empty() ? L"" : L"\n") + L"SSH keys:\n";
    for (const TrustedSshKey& entry : trusted) {
        listing += L"\n" + FromUtf8(SshFingerprint(entry.key)) + L"\n";
        if (entry.anyUse) listing += L"    any signer, any namespace\n";
        for (const AllowedSigner& line : entry.limits) listing += L"    " + LimitsText(line) + L"\n";
        listing += L"    " + FromUtf8(std::string(SshKeyTypeName(entry.key.type))) + L", trusted since " +
                   FormatDate(entry.added) + L"\n";
    }
}

void ListSigstore(std::wstring& listing) {
    std::vector<StoredSigner> trusted = ReadTrustedSigners();
    std::ranges::sort(trusted, {}, [](const StoredSigner& entry) { return entry.added; });
    if (trusted.empty()) return;
    listing += std::wstring(listing.empty() ? L"" : L"\n") + L"Sigstore signers:\n";
    for (const StoredSigner& entry : trusted) {
        const TrustedSigner& signer = entry.signer;
        listing += L"\n" + UserIdText(signer.identity.empty() ? signer.repository : signer.identity) + L"\n";
        listing += L"    " + std::wstring(signer.identity.empty() ? L"every signer of this repository" : L"this identity") +
                   L", issuer " + UserIdText(signer.issuer) + L"\n";
        listing += L"    trusted since " + FormatDate(entry.added) + L"\n";
    }
}

int Forgotten(const Result<ForgetOutcome>& outcome, const std::wstring& key) {
    if (!outcome) return StoreFailed(outcome.GetError());
    if (*outcome == ForgetOutcome::NotFound) {
        WriteErrLine(L"vmsum: No trusted key is " + key + L".");
        return 1;
    }
    WriteOutLine(L"Forgot " + key + L".");
    return 0;
}

// A minisign key ID as minisign prints it: up to 16 hex digits of a little-endian number.
std::optional<std::array<std::uint8_t, 8>> ParseMinisignKeyId(std::wstring_view text) {
    if (text.empty() || text.size() > 16) return std::nullopt;
    const std::optional<Bytes> digits = DecodeHexStrict(std::wstring(16 - text.size(), L'0') + std::wstring(text));
    if (!digits) return std::nullopt;
    std::array<std::uint8_t, 8> id{};
    std::reverse_copy(digits->begin(), digits->end(), id.begin());
    return id;
}

}  // namespace

int RunTrustKey(const Options& options) {
    const std::wstring& file = *options.trustKey;
    const std::uint32_t now = CurrentUnixTime();
    const Result<Bytes> data = ReadFileBytes(file, kMaxKeyFileSize);
    if (!data) {
        WriteErrLine(L"vmsum: " + file + L": " + FormatErrorText(data.GetError().systemCode) + L".");
        return 3;
    }
    const KeyFileContents contents = ReadKeyFileContents(*data, now);
    const std::string_view text(reinterpret_cast<const char*>(data->data()), data->size());
    switch (contents.kind) {
    case KeyFileKind::Minisign:
        return ReportTrusted(TrustMinisignKey(*contents.minisign), MinisignKeyText(*contents.minisign)) ? 0 : 3;
    case KeyFileKind::SshKeys:
    case KeyFileKind::AllowedSigners:
        // SSH keys are stored under their digest.
        if (!CryptoAvailable()) return NoCrypto(file);
        ReportUnusableKeys(file, contents);
        if (contents.kind == KeyFileKind::AllowedSigners) return TrustAllowedSignersFile(text, contents.allowedSigners);
        for (const SshPublicKey& key : contents.sshKeys.keys) {
            if (!ReportTrusted(TrustSshKey(key), SshKeyText(key))) return 3;
        }
        return 0;
    case KeyFileKind::PemPublicKey:
        WriteErrLine(L"vmsum: " + file + L": A Sigstore public key isn't stored; give it with --key <file> when you "
                                          L"check its bundles.");
        return 1;
    case KeyFileKind::OpenPgp:
    case KeyFileKind::None:
        break;
    }
    if (!contents.openpgp) {
        WriteErrLine(L"vmsum: " + file + L": No usable key: " + FromUtf8(contents.openpgp.GetError().detail) + L".");
        return 1;
    }
    return TrustOpenPgpKeys(file, *contents.openpgp, now);
}

int RunListKeys(const Options&) {
    if (!CryptoAvailable()) return NoCrypto(L"The trusted keys can't be read");
    std::wstring listing;
    ListOpenPgp(listing, CurrentUnixTime());
    ListMinisign(listing);
    ListSsh(listing);
    ListSigstore(listing);
    if (listing.empty()) {
        WriteErrLine(L"vmsum: No keys are trusted yet.");
        return 0;
    }
    WriteOut(listing);
    return 0;
}

int RunForgetKey(const Options& options) {
    const std::wstring& given = *options.forgetKey;
    if (given.starts_with(L"SHA256:")) {
        if (!CryptoAvailable()) return NoCrypto(L"The trusted keys can't be read");
        for (const TrustedSshKey& entry : ReadTrustedSshKeys()) {
            if (FromUtf8(SshFingerprint(entry.key)) == given) {
                return Forgotten(ForgetSshKey(entry.key), SshKeyText(entry.key));
            }
        }
        WriteErrLine(L"vmsum: No trusted SSH key has the fingerprint " + given + L".");
        return 1;
    }
    // A Sigstore signer is named by its identity or repository: an e-mail address or a URL.
    if (given.find(L'@') != std::wstring::npos || given.find(L"://") != std::wstring::npos) {
        const std::string name = ToUtf8(given);
        bool found = false;
        for (const StoredSigner& entry : ReadTrustedSigners()) {
            if (entry.signer.identity != name && entry.signer.repository != name) continue;
            found = true;
            if (Forgotten(ForgetSigner(entry.signer), TrustedSignerText(entry.signer)) != 0) return 3;
        }
        if (!found) WriteErrLine(L"vmsum: No trusted Sigstore signer is " + given + L".");
        return found ? 0 : 1;
    }
    std::optional<std::array<std::uint8_t, 8>> keyId = ParseMinisignKeyId(given);
    if (const std::optional<MinisignKey> key = MinisignKeyFromText(given)) keyId = key->keyId;
    if (keyId) {
        return Forgotten(ForgetMinisignKey(*keyId), L"minisign key " + FromUtf8(FormatMinisignKeyId(*keyId)));
    }
    const std::optional<Bytes> fingerprint = ParseFingerprint(given);
    if (!fingerprint) {
        return UsageError(L"--forget-key needs an OpenPGP fingerprint of 40 or 64 hex digits, a minisign key ID of 16 "
                          L"or its key text, an SSH fingerprint starting with SHA256:, or a Sigstore signer's "
                          L"identity or repository.");
    }
    std::wstring owner = L"key " + FormatFingerprint(*fingerprint);
    for (const TrustedKey& entry : ReadTrustStore(CurrentUnixTime())) {
        if (entry.key.primary.fingerprint == *fingerprint) owner = KeyOwnerText(entry.key.primaryUserId, *fingerprint);
    }
    const Result<ForgetOutcome> outcome = ForgetKey(*fingerprint);
    if (!outcome) return StoreFailed(outcome.GetError());
    if (*outcome == ForgetOutcome::NotFound) {
        WriteErrLine(L"vmsum: No trusted key has the fingerprint " + FormatFingerprint(*fingerprint) + L".");
        return 1;
    }
    WriteOutLine(L"Forgot " + owner + L".");
    return 0;
}

int RunTrustSigner(const Options& options) {
    TrustedSigner signer;
    signer.issuer = ToUtf8(*options.certificateIssuer);
    signer.identity = options.trustIdentity ? ToUtf8(*options.trustIdentity) : std::string();
    signer.repository = options.trustRepository ? ToUtf8(*options.trustRepository) : std::string();
    if (!CryptoAvailable()) return NoCrypto(L"The signer can't be stored");
    return ReportTrusted(TrustSigner(signer), TrustedSignerText(signer)) ? 0 : 3;
}

}  // namespace cli
