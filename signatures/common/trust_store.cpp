#include "signatures/common/trust_store.h"

#include "engine/digest.h"
#include "engine/text.h"
#include "engine/win_handles.h"
#include "signatures/openpgp/armor.h"
#include "engine/file_bytes.h"
#include "engine/system_functions.h"

#include <shlobj.h>

namespace vms {
namespace {

constexpr wchar_t kStoreSubfolder[] = L"\\Verimond\\Trusted Keys";
constexpr wchar_t kKeyExtension[] = L".asc";

std::wstring ApplicationDataFolder() {
    std::wstring fromEnvironment(MAX_PATH, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"APPDATA", fromEnvironment.data(), MAX_PATH);
    if (length > 0 && length < MAX_PATH) return fromEnvironment.substr(0, length);
    const system::ShellFunctions* shell = system::Shell();
    wchar_t* known = nullptr;
    if (!shell || FAILED(shell->getKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known))) return {};
    const auto free = [shell](wchar_t* text) { shell->coTaskMemFree(text); };
    const std::unique_ptr<wchar_t, decltype(free)> owner(known, free);
    return known;
}

std::wstring KeyPath(const std::wstring& folder, const Bytes& fingerprint) {
    return folder + L"\\" + FingerprintHex(fingerprint) + kKeyExtension;
}

std::int64_t UnixSeconds(const FILETIME& time) {
    const std::uint64_t ticks = (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10000000) - 11644473600;
}

Result<void> EnsureFolder(const std::wstring& folder) {
    const std::size_t last = folder.find_last_of(L'\\');
    const std::wstring parent = folder.substr(0, last);
    for (const std::wstring& path : {parent, folder}) {
        if (!CreateDirectoryW(ToLongPath(path).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            return SystemError(GetLastError());
        }
    }
    return {};
}

// Creates the store's folder when needed, then replaces the file at path with text.
Result<void> StoreFile(const std::wstring& folder, const std::wstring& path, std::string_view text) {
    if (Result<void> created = EnsureFolder(folder); !created) return created;
    return ReplaceFileWith(path, text);
}

}  // namespace

std::wstring FingerprintHex(const Bytes& fingerprint) { return FromUtf8(BytesToHex(fingerprint, true)); }

std::optional<Bytes> ParseFingerprint(std::wstring_view text) {
    std::wstring digits(text);
    std::erase(digits, L' ');
    if (digits.size() != 40 && digits.size() != 64) return std::nullopt;
    return DecodeHexStrict(digits);
}

std::wstring TrustStoreFolder() {
    const std::wstring base = ApplicationDataFolder();
    return base.empty() ? std::wstring() : base + kStoreSubfolder;
}

std::vector<TrustedKey> ReadTrustStore(std::uint32_t now) {
    std::vector<TrustedKey> trusted;
    const std::wstring folder = TrustStoreFolder();
    if (folder.empty()) return trusted;
    WIN32_FIND_DATAW found;
    const UniqueFind search(FindFirstFileW(ToLongPath(folder + L"\\*" + kKeyExtension).c_str(), &found));
    if (!search.Valid()) return trusted;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const Result<Bytes> data = ReadFileBytes(folder + L"\\" + found.cFileName, kMaxKeyFileSize);
        if (!data) continue;
        Result<KeyLoadResult> loaded = LoadKeys(*data, now);
        if (!loaded) continue;
        for (CertifiedKey& key : loaded->keys) {
            // Only the key the file is named after; anything else in it was not chosen.
            if (EqualsIgnoreCase(FingerprintHex(key.primary.fingerprint) + kKeyExtension, found.cFileName)) {
                trusted.push_back({std::move(key), UnixSeconds(found.ftCreationTime)});
            }
        }
    } while (FindNextFileW(search.Get(), &found));
    return trusted;
}

Keyring TrustedKeyring(std::uint32_t now) {
    Keyring keys;
    for (TrustedKey& trusted : ReadTrustStore(now)) keys.Add(std::move(trusted.key), now);
    return keys;
}

bool IsTrusted(const Bytes& fingerprint) {
    const std::wstring folder = TrustStoreFolder();
    if (folder.empty()) return false;
    return GetFileAttributesW(ToLongPath(KeyPath(folder, fingerprint)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

Result<TrustOutcome> TrustKey(const CertifiedKey& key, std::uint32_t now) {
    const std::wstring folder = TrustStoreFolder();
    if (folder.empty()) return SystemError(ERROR_PATH_NOT_FOUND);
    const std::wstring path = KeyPath(folder, key.primary.fingerprint);
    TrustOutcome outcome = TrustOutcome::Added;
    Bytes packets = key.packets;
    if (IsTrusted(key.primary.fingerprint)) {
        const Result<Bytes> stored = ReadFileBytes(path, kMaxKeyFileSize);
        if (!stored) return stored.GetError();
        const Result<KeyLoadResult> held = LoadKeys(*stored, now);
        if (!held || held->keys.size() != 1) {
            return MalformedError("the trusted copy of the key doesn't read as one key");
        }
        Keyring merged;
        merged.Add(held->keys.front(), now);
        merged.Add(key, now);
        if (merged.Keys().front().packets == held->keys.front().packets) return TrustOutcome::AlreadyTrusted;
        packets = merged.Keys().front().packets;
        outcome = TrustOutcome::Updated;
    }
    if (Result<void> stored = StoreFile(folder, path, Armor("PGP PUBLIC KEY BLOCK", packets)); !stored) {
        return stored.GetError();
    }
    return outcome;
}

Result<ForgetOutcome> ForgetKey(const Bytes& fingerprint) {
    return ForgetKeyFile(FingerprintHex(fingerprint) + kKeyExtension);
}

std::vector<StoredKeyText> ReadStoredKeyTexts(std::wstring_view prefix) {
    std::vector<StoredKeyText> stored;
    const std::wstring folder = TrustStoreFolder();
    if (folder.empty()) return stored;
    WIN32_FIND_DATAW found;
    const UniqueFind search(FindFirstFileW(ToLongPath(folder + L"\\" + std::wstring(prefix) + L"*").c_str(), &found));
    if (!search.Valid()) return stored;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        Result<Bytes> text = ReadFileBytes(folder + L"\\" + found.cFileName, kMaxKeyFileSize);
        if (text) stored.push_back({found.cFileName, std::move(*text), UnixSeconds(found.ftCreationTime)});
    } while (FindNextFileW(search.Get(), &found));
    return stored;
}

Result<TrustOutcome> StoreKeyText(const std::wstring& fileName, std::string_view text) {
    const std::wstring folder = TrustStoreFolder();
    if (folder.empty()) return SystemError(ERROR_PATH_NOT_FOUND);
    const std::wstring path = folder + L"\\" + fileName;
    TrustOutcome outcome = TrustOutcome::Added;
    if (GetFileAttributesW(ToLongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES) {
        const Result<Bytes> stored = ReadFileBytes(path, kMaxKeyFileSize);
        if (!stored) return stored.GetError();
        if (std::string_view(reinterpret_cast<const char*>(stored->data()), stored->size()) == text) {
            return TrustOutcome::AlreadyTrusted;
        }
        outcome = TrustOutcome::Updated;
    }
    if (Result<void> stored = StoreFile(folder, path, text); !stored) return stored.GetError();
    return outcome;
}

Result<ForgetOutcome> ForgetKeyFile(const std::wstring& fileName) {
    const std::wstring folder = TrustStoreFolder();
    if (folder.empty()) return ForgetOutcome::NotFound;
    if (DeleteFileW(ToLongPath(folder + L"\\" + fileName).c_str())) return ForgetOutcome::Removed;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return ForgetOutcome::NotFound;
    return SystemError(error);
}

}  // namespace vms
