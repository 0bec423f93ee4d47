#include "checksums/folder_audit.h"

#include "checksums/entry_verification.h"
#include "engine/folder_walker.h"
#include "engine/text.h"
#include "signatures/common/signed_file.h"

#include <algorithm>
#include <map>
#include <optional>

namespace vms {
namespace {

std::wstring Key(const std::wstring& path) { return ToLowerW(ToLongPath(path)); }

std::wstring WithSlashes(std::wstring name) {
    std::ranges::replace(name, L'\\', L'/');
    return name;
}

AlgorithmMask CandidatesOf(const ChecksumEntry& entry) {
    AlgorithmMask mask = 0;
    for (AlgorithmId id : entry.candidates) mask |= MaskOf(id);
    return mask;
}

bool DigestMatches(const HashResult& result, const ChecksumEntry& entry) {
    return std::ranges::any_of(entry.candidates, [&](AlgorithmId id) {
        return result.digests[id].present && DigestEquals(result.digests[id].digest, entry.bytes);
    });
}

Digest DigestFor(const HashResult& result, std::optional<AlgorithmId> algorithm) {
    return algorithm && result.digests[*algorithm].present ? result.digests[*algorithm].digest : Digest{};
}

struct NewFile {
    FoundFile file;
    std::optional<HashResult> hashed;
    bool movedHere = false;
};

}  // namespace

Result<std::vector<AuditItem>> AuditFolder(const std::wstring& listPath, const ChecksumFile& list,
                                           const std::wstring& root, bool hidden, const AuditHashing& hashing,
                                           std::optional<AlgorithmId> listAlgorithm) {
    const AlgorithmMask forUpdate = listAlgorithm ? MaskOf(*listAlgorithm) : 0;
    std::vector<AuditItem> items;
    const std::size_t separator = listPath.find_last_of(L"\\/");
    const std::wstring listFolder = separator == std::wstring::npos ? L"." : listPath.substr(0, separator);
    const std::wstring treeRoot = root.empty() ? listFolder : root;
    // Entries resolve against the root as they would against a list inside it.
    const std::wstring base = JoinPath(treeRoot, L"list");

    std::map<std::wstring, FoundFile> found;
    std::vector<std::wstring> order;
    std::vector<std::wstring> excluded = {Key(listPath)};
    for (const std::wstring& signature : DetachedSignatureCandidates(listPath)) excluded.push_back(Key(signature));
    const Result<void> listed = FindInFolder(treeRoot, FindOptions{true, hidden, nullptr}, [&](FoundFile file) {
        const std::wstring key = Key(file.path);
        if (std::ranges::find(excluded, key) != excluded.end()) return;
        order.push_back(key);
        found.emplace(key, std::move(file));
    });
    if (!listed) return listed.GetError();

    // Listed files found are hashed together; their items are filled in as the results come.
    std::vector<std::size_t> missing;
    std::vector<BatchFile> listedFiles;
    std::vector<std::wstring> listedNames;
    std::vector<std::size_t> listedItems;
    for (const ChecksumEntry& entry : list.entries) {
        std::wstring path = ResolveEntryPath(base, entry.name);
        if (std::ranges::find(excluded, Key(path)) != excluded.end()) {
            items.push_back({AuditFinding::Unchanged, entry.name, {}, 0, {}, true});
            continue;
        }
        const auto file = found.find(Key(path));
        if (file == found.end()) {
            missing.push_back(items.size());
            items.push_back({AuditFinding::Missing, entry.name, {}, 0, {}, false});
            continue;
        }
        listedFiles.push_back({std::move(path), CandidatesOf(entry) | forUpdate, file->second.size, nullptr});
        listedNames.push_back(entry.name);
        listedItems.push_back(items.size());
        items.push_back({AuditFinding::Unchanged, entry.name, {}, 0, {}, false});
        found.erase(file);
    }
    // Each entry has the item of its own place.
    hashing(listedFiles, listedNames, [&](std::size_t index, const HashResult& hashed) {
        AuditItem& item = items[listedItems[index]];
        const ChecksumEntry& entry = list.entries[listedItems[index]];
        if (hashed.error) {
            item.finding = AuditFinding::Unreadable;
            item.error = hashed.error;
        } else if (!DigestMatches(hashed, entry)) {
            item.finding = AuditFinding::Changed;
            item.digest = DigestFor(hashed, entry.candidates.front());
        }
    });

    std::vector<NewFile> newFiles;
    for (const std::wstring& key : order) {
        if (const auto file = found.find(key); file != found.end()) newFiles.push_back({file->second, {}, false});
    }
    // A file is read to find a move only when some listed name is missing.
    AlgorithmMask wanted = 0;
    for (std::size_t index : missing) wanted |= CandidatesOf(list.entries[index]);
    wanted |= forUpdate;  // an updated list needs the digests of new files too
    if (wanted) {
        std::vector<BatchFile> files;
        std::vector<std::wstring> names;
        for (const NewFile& file : newFiles) {
            files.push_back({file.file.path, wanted, file.file.size, nullptr});
            names.push_back(WithSlashes(file.file.relative));
        }
        hashing(files, names, [&](std::size_t index, const HashResult& hashed) { newFiles[index].hashed = hashed; });
        for (std::size_t index : missing) {
            for (NewFile& file : newFiles) {
                if (file.movedHere || file.hashed->error || !DigestMatches(*file.hashed, list.entries[index])) continue;
                file.movedHere = true;
                AuditItem& item = items[index];
                item.finding = AuditFinding::Moved;
                item.movedTo = WithSlashes(file.file.relative);
                break;
            }
        }
    }
    for (const NewFile& file : newFiles) {
        if (file.movedHere) continue;
        const std::uint32_t error = file.hashed ? file.hashed->error : 0;
        items.push_back({error ? AuditFinding::Unreadable : AuditFinding::New, WithSlashes(file.file.relative), {},
                         error, file.hashed ? DigestFor(*file.hashed, listAlgorithm) : Digest{}, false});
    }
    return items;
}

}  // namespace vms
