#include "checksums/checksum_reader.h"
#include "cli/console.h"
#include "cli/modes.h"
#include "cli/signature_report.h"
#include "engine/error_text.h"
#include "engine/file_bytes.h"
#include "engine/text.h"
#include "signatures/common/crypto.h"
#include "signatures/common/key_text.h"
#include "signatures/common/trust_store.h"

#include <algorithm>

namespace vms {
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

}  // namespace

int RunVerifySignature(const Options& options) {
    const std::uint32_t now = CurrentUnixTime();
    Keyring keys;
    if (!LoadRunKeys(options, now, keys)) return 3;
    bool anyNotGood = false, anyUnreadable = false;
    for (const std::wstring& input : options.inputs) {
        DWORD error = 0;
        const DWORD attributes = GetFileAttributesW(ToLongPath(input).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_DIRECTORY;
            WriteErrLine(L"vmsum: " + input + L": " + FormatErrorText(error) + L".");
            anyUnreadable = true;
            continue;
        }
        // Files a checksum list could be are read whole, so a clear-signed one is checked in place;
        // larger ones are read as each detached signature is checked.
        const auto bytes = ReadFileBytes(input, kMaxChecksumFileSize, error);
        if (!bytes && error != ERROR_FILE_TOO_LARGE) {
            WriteErrLine(L"vmsum: " + input + L": " + FormatErrorText(error) + L".");
            anyUnreadable = true;
            continue;
        }
        const FileSignature signature = CheckFileSignature(input, bytes ? &*bytes : nullptr, options.signatureFile,
                                                           [&]() -> const Keyring& { return keys; }, now);
        const SignatureOutcome outcome = ReportFileSignature(signature, input, options, ReportStyle::VerifyMode);
        anyUnreadable |= outcome.unreadable;
        anyNotGood |= !outcome.good && !outcome.unreadable;
    }
    return anyNotGood ? 1 : anyUnreadable ? 3 : 0;
}

int RunTrustKey(const Options& options) {
    const std::wstring& file = *options.trustKey;
    const std::uint32_t now = CurrentUnixTime();
    DWORD error = 0;
    const auto data = ReadFileBytes(file, kMaxKeyFileSize, error);
    if (!data) {
        WriteErrLine(L"vmsum: " + file + L": " + FormatErrorText(error) + L".");
        return 3;
    }
    const KeyLoadResult loaded = LoadKeys(*data, now);
    if (!loaded.error.empty()) {
        WriteErrLine(L"vmsum: " + file + L": No usable key: " + FromUtf8(loaded.error) + L".");
        return 1;
    }
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
        switch (TrustKey(key, now, error)) {
        case TrustOutcome::Added: WriteOutLine(L"Trusted " + owner + L"."); break;
        case TrustOutcome::AlreadyTrusted: WriteOutLine(owner + L" is already trusted."); break;
        case TrustOutcome::Updated:
            WriteOutLine(L"Updated " + owner + (why ? L": it " + *why + L", so signatures by it are no longer good."
                                                    : L" with what this copy adds."));
            break;
        case TrustOutcome::Failed:
            WriteErrLine(L"vmsum: " + TrustStoreFolder() + L": " + FormatErrorText(error) + L".");
            return 3;
        }
    }
    return refused ? 1 : 0;
}

int RunListKeys(const Options&) {
    if (!CryptoAvailable()) {
        WriteErrLine(std::wstring(L"vmsum: The trusted keys can't be read: ") + kCryptoLibraryNames +
                     L" are missing beside vmsum.exe or don't work. Reinstall Verimond.");
        return 3;
    }
    const std::uint32_t now = CurrentUnixTime();
    std::vector<TrustedKey> trusted = ReadTrustStore(now);
    if (trusted.empty()) {
        WriteErrLine(L"vmsum: No keys are trusted yet.");
        return 0;
    }
    std::ranges::sort(trusted, {}, [](const TrustedKey& entry) { return entry.added; });
    std::wstring listing;
    for (const TrustedKey& entry : trusted) {
        const CertifiedKey& key = entry.key;
        if (!listing.empty()) listing += L"\n";
        listing += FormatFingerprint(key.primary.fingerprint) + L"\n";
        listing += L"    " + (key.primaryUserId.empty() ? L"(no user ID)" : UserIdText(key.primaryUserId)) + L"\n";
        listing += L"    " + FromUtf8(DescribeKeyAlgorithm(key.primary)) + L", created " +
                   FormatDate(key.primary.created) + L", trusted since " + FormatDate(entry.added) +
                   StatusOf(key, now) + L"\n";
    }
    WriteOut(listing);
    return 0;
}

int RunForgetKey(const Options& options) {
    const std::optional<Bytes> fingerprint = ParseFingerprint(*options.forgetKey);
    if (!fingerprint) return UsageError(L"--forget-key needs a fingerprint of 40 or 64 hex digits.");
    std::wstring owner = L"key " + FormatFingerprint(*fingerprint);
    for (const TrustedKey& entry : ReadTrustStore(CurrentUnixTime())) {
        if (entry.key.primary.fingerprint == *fingerprint) {
            owner = KeyOwnerText(entry.key.primaryUserId, *fingerprint);
        }
    }
    DWORD error = 0;
    switch (ForgetKey(*fingerprint, error)) {
    case ForgetOutcome::Removed:
        WriteOutLine(L"Forgot " + owner + L".");
        return 0;
    case ForgetOutcome::NotFound:
        WriteErrLine(L"vmsum: No trusted key has the fingerprint " + FormatFingerprint(*fingerprint) + L".");
        return 1;
    case ForgetOutcome::Failed:
        break;
    }
    WriteErrLine(L"vmsum: " + TrustStoreFolder() + L": " + FormatErrorText(error) + L".");
    return 3;
}

}  // namespace vms
