#include "gui/logic/file_checks.h"

#include "checksums/checksum_reader.h"
#include "checksums/list_update.h"
#include "engine/file_bytes.h"
#include "engine/folder_walker.h"
#include "engine/text.h"
#include "signatures/common/trusted_keys.h"

#include <algorithm>

namespace app {
namespace {

// The trusted keys, read once and only when a signature needs them.
class TrustedKeysOnce {
public:
    explicit TrustedKeysOnce(std::uint32_t now) : now_(now) {}
    const vms::KeySet& operator()() {
        if (!keys_) keys_ = vms::TrustedKeySet(now_);
        return *keys_;
    }

private:
    std::uint32_t now_;
    std::optional<vms::KeySet> keys_;
};

vms::Result<vms::ListUpdate> UpdateList(const std::wstring& listPath, bool includeHidden) {
    const vms::Result<std::vector<std::uint8_t>> bytes = vms::ReadChecksumBytes(listPath);
    if (!bytes) return bytes.GetError();
    const vms::ChecksumFile list =
        vms::ParseChecksumText(vms::DecodeText({reinterpret_cast<const char*>(bytes->data()), bytes->size()}), listPath);
    // The same audit as vmsum --audit --update, so the list follows the same rules.
    const vms::Result<std::vector<vms::AuditItem>> items = vms::AuditFolder(
        listPath, list, L"", includeHidden,
        [](std::span<const vms::BatchFile> files, std::span<const std::wstring>,
           const std::function<void(std::size_t, const vms::HashResult&)>& done) { vms::HashBatch(files, {}, done); },
        list.entries.empty() ? std::nullopt : std::optional(list.entries.front().candidates.front()));
    if (!items) return items.GetError();
    const vms::ListUpdate update = vms::ListUpdateFor(listPath, *bytes);
    if (const vms::Result<void> written = vms::WriteUpdatedList(update, *bytes, list, *items); !written) {
        return written.GetError();
    }
    return update;
}

}  // namespace

ListSignature CheckListSignature(const std::wstring& listPath, const std::optional<std::wstring>& signaturePath) {
    const vms::Result<std::vector<std::uint8_t>> bytes = vms::ReadChecksumBytes(listPath);
    if (!bytes) return SignatureIn(ListSignatureState::Unsigned);
    const std::uint32_t now = vms::CurrentUnixTime();
    TrustedKeysOnce trusted(now);
    return SummarizeSignature(vms::CheckFileSignature(listPath, &*bytes, signaturePath, std::ref(trusted), now));
}

std::optional<OwnSignatureFound> CheckOwnSignature(RowId row, const std::wstring& path) {
    for (const std::wstring& candidate : vms::DetachedSignatureCandidates(path)) {
        if (!vms::IsExistingFile(candidate)) continue;
        const std::uint32_t now = vms::CurrentUnixTime();
        TrustedKeysOnce trusted(now);
        return OwnSignatureFound{row, candidate,
                                 SummarizeSignature(vms::CheckFileSignature(path, nullptr, candidate, std::ref(trusted), now))};
    }
    return std::nullopt;
}

bool HoldsPublicKey(const std::wstring& path) {
    const bool keyName = std::ranges::any_of(
        std::initializer_list<const wchar_t*>{L".asc", L".gpg", L".key", L".pub", L"\\allowed_signers"},
        [&](const wchar_t* ending) { return vms::EndsWithIgnoreCase(path, ending); });
    if (!keyName) return false;
    const vms::Result<std::vector<std::uint8_t>> bytes = vms::ReadFileBytes(path, vms::kMaxKeyFileSize);
    if (!bytes) return false;
    const vms::KeyFileContents contents = vms::ReadKeyFileContents(*bytes, vms::CurrentUnixTime());
    return contents.kind != vms::KeyFileKind::None &&
           (contents.kind != vms::KeyFileKind::OpenPgp || (contents.openpgp && !contents.openpgp->keys.empty()));
}

FolderListed ListFolderOf(const std::wstring& listPath, bool includeHidden) {
    FolderListed listed{listPath, {}};
    const std::size_t separator = listPath.find_last_of(L"\\/");
    const std::wstring folder = separator == std::wstring::npos ? L"." : listPath.substr(0, separator);
    // A folder that can't be listed has no files to add.
    static_cast<void>(vms::FindInFolder(folder, vms::FindOptions{true, includeHidden, nullptr},
                                        [&](vms::FoundFile found) { listed.files.push_back(std::move(found.path)); }));
    return listed;
}

ListUpdateDone UpdateListFromFolder(const std::wstring& listPath, bool includeHidden) {
    return {listPath, UpdateList(listPath, includeHidden)};
}

}  // namespace app
