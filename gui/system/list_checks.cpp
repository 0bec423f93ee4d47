#include "gui/system/list_checks.h"

#include "checksums/checksum_reader.h"
#include "engine/file_bytes.h"
#include "engine/text.h"
#include "signatures/common/trusted_keys.h"

#include <algorithm>
#include <memory>
#include <thread>

namespace app {
namespace {

// Runs work on a detached thread and posts what it makes; a block that
// can't be posted is freed here.
template <typename Result, typename Work>
bool StartPosting(HWND window, UINT message, Work work) {
    try {
        std::thread([window, message, work] {
            try {
                std::unique_ptr<Result> result = work();
                if (result && PostMessageW(window, message, 0, reinterpret_cast<LPARAM>(result.get()))) {
                    result.release();
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

}  // namespace

ListSignature CheckListSignature(const std::wstring& listPath, const std::optional<std::wstring>& signaturePath) {
    const auto bytes = vms::ReadChecksumBytes(listPath, nullptr);
    if (!bytes) return ListSignature{ListSignatureState::Unsigned, {}, {}};
    const std::uint32_t now = vms::CurrentUnixTime();
    std::optional<vms::KeySet> keys;
    const auto trusted = [&]() -> const vms::KeySet& {
        if (!keys) keys = vms::TrustedKeySet(now);
        return *keys;
    };
    return SummarizeSignature(vms::CheckFileSignature(listPath, &*bytes, signaturePath, trusted, now));
}

bool HoldsPublicKey(const std::wstring& path) {
    const bool keyEnding = std::ranges::any_of(std::initializer_list<const wchar_t*>{L".asc", L".gpg", L".key", L".pub"},
                                               [&](const wchar_t* ending) { return vms::EndsWithIgnoreCase(path, ending); });
    if (!keyEnding) return false;
    DWORD error = 0;
    const auto bytes = vms::ReadFileBytes(path, vms::kMaxKeyFileSize, error);
    return bytes && !vms::LoadKeys(*bytes, vms::CurrentUnixTime()).keys.empty();
}

bool StartListSignatureCheck(HWND window, const std::wstring& listPath,
                             const std::optional<std::wstring>& signaturePath) {
    return StartPosting<ListSignatureDone>(window, WM_APP_LIST_SIGNATURE_DONE, [listPath, signaturePath] {
        return std::make_unique<ListSignatureDone>(
            ListSignatureDone{listPath, CheckListSignature(listPath, signaturePath)});
    });
}

bool StartSiblingSearch(HWND window, RowId row, const std::wstring& path) {
    return StartPosting<SiblingFound>(window, WM_APP_SIBLING_FOUND, [row, path]() -> std::unique_ptr<SiblingFound> {
        std::optional<SiblingListing> listing = FindSiblingListing(path);
        if (!listing) return nullptr;
        ListSignature signature = CheckListSignature(listing->listPath, std::nullopt);
        return std::make_unique<SiblingFound>(SiblingFound{row, std::move(*listing), std::move(signature)});
    });
}

}  // namespace app
