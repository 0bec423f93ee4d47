#include "gui/system/list_checks.h"

#include "checksums/checksum_reader.h"
#include "engine/file_bytes.h"
#include "gui/system/authenticode_check.h"
#include "engine/text.h"
#include "signatures/common/trusted_keys.h"

#include <algorithm>
#include <memory>
#include <thread>

namespace app {
namespace {

// A block that can't be posted is freed here.
template <typename Result>
void Post(HWND window, UINT message, std::unique_ptr<Result> result) {
    if (PostMessageW(window, message, 0, reinterpret_cast<LPARAM>(result.get()))) result.release();
}

// Runs work on a detached thread and posts what it makes.
template <typename Result, typename Work>
bool StartPosting(HWND window, UINT message, Work work) {
    try {
        std::thread([window, message, work] {
            try {
                if (std::unique_ptr<Result> result = work()) Post(window, message, std::move(result));
            } catch (const std::exception&) {
                // Short of memory: nothing to report with.
            }
        }).detach();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The download's own signature file beside it, checked against the trusted keys; nothing without one.
std::unique_ptr<OwnSignatureFound> CheckOwnSignature(RowId row, const std::wstring& path) {
    for (const std::wstring& candidate : vms::DetachedSignatureCandidates(path)) {
        const DWORD attributes = GetFileAttributesW(vms::ToLongPath(candidate).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        const std::uint32_t now = vms::CurrentUnixTime();
        std::optional<vms::KeySet> keys;
        const auto trusted = [&]() -> const vms::KeySet& {
            if (!keys) keys = vms::TrustedKeySet(now);
            return *keys;
        };
        return std::make_unique<OwnSignatureFound>(OwnSignatureFound{
            row, candidate, SummarizeSignature(vms::CheckFileSignature(path, nullptr, candidate, trusted, now))});
    }
    return nullptr;
}

}  // namespace

ListSignature CheckListSignature(const std::wstring& listPath, const std::optional<std::wstring>& signaturePath) {
    const vms::Result<vms::Bytes> bytes = vms::ReadChecksumBytes(listPath);
    if (!bytes) return SignatureIn(ListSignatureState::Unsigned);
    const std::uint32_t now = vms::CurrentUnixTime();
    std::optional<vms::KeySet> keys;
    const auto trusted = [&]() -> const vms::KeySet& {
        if (!keys) keys = vms::TrustedKeySet(now);
        return *keys;
    };
    return SummarizeSignature(vms::CheckFileSignature(listPath, &*bytes, signaturePath, trusted, now));
}

bool HoldsPublicKey(const std::wstring& path) {
    const bool keyName = std::ranges::any_of(
        std::initializer_list<const wchar_t*>{L".asc", L".gpg", L".key", L".pub", L"\\allowed_signers"},
        [&](const wchar_t* ending) { return vms::EndsWithIgnoreCase(path, ending); });
    if (!keyName) return false;
    const vms::Result<vms::Bytes> bytes = vms::ReadFileBytes(path, vms::kMaxKeyFileSize);
    if (!bytes) return false;
    const vms::KeyFileContents contents = vms::ReadKeyFileContents(*bytes, vms::CurrentUnixTime());
    return contents.kind != vms::KeyFileKind::None &&
           (contents.kind != vms::KeyFileKind::OpenPgp || !contents.openpgp->keys.empty());
}

bool StartListSignatureCheck(HWND window, const std::wstring& listPath,
                             const std::optional<std::wstring>& signaturePath) {
    return StartPosting<ListSignatureDone>(window, WM_APP_LIST_SIGNATURE_DONE, [listPath, signaturePath] {
        return std::make_unique<ListSignatureDone>(
            ListSignatureDone{listPath, CheckListSignature(listPath, signaturePath)});
    });
}

bool StartAuthenticodeCheck(HWND window, RowId row, const std::wstring& path) {
    try {
        std::thread([window, row, path] {
            // The block is made first, so that a check that runs out of memory
            // still reports, as one that could not check.
            std::unique_ptr<AuthenticodeResult> result;
            try {
                result = std::make_unique<AuthenticodeResult>(AuthenticodeResult{row, {}});
                result->info = CheckAuthenticode(path);
            } catch (const std::bad_alloc&) {
                if (!result) return;  // nothing to report with
                result->info = AuthenticodeInfo{};
            }
            Post(window, WM_APP_AUTHENTICODE_DONE, std::move(result));
        }).detach();
        return true;
    } catch (const std::exception&) {  // no thread, or no memory for its copy of the path
        return false;
    }
}

bool StartOwnSignatureCheck(HWND window, RowId row, const std::wstring& path) {
    return StartPosting<OwnSignatureFound>(window, WM_APP_OWN_SIGNATURE_FOUND,
                                           [row, path] { return CheckOwnSignature(row, path); });
}

bool StartSiblingSearch(HWND window, RowId row, const std::wstring& path) {
    try {
        std::thread([window, row, path] {
            try {
                if (std::optional<SiblingListing> listing = FindSiblingListing(path)) {
                    ListSignature signature = CheckListSignature(listing->listPath, std::nullopt);
                    Post(window, WM_APP_SIBLING_FOUND,
                         std::make_unique<SiblingFound>(SiblingFound{row, std::move(*listing), std::move(signature)}));
                } else if (std::unique_ptr<OwnSignatureFound> own = CheckOwnSignature(row, path)) {
                    Post(window, WM_APP_OWN_SIGNATURE_FOUND, std::move(own));
                }
            } catch (const std::exception&) {
                // Short of memory: nothing to report with.
            }
        }).detach();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace app
