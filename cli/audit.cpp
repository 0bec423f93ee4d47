#include "checksums/checksum_reader.h"
#include "checksums/folder_audit.h"
#include "checksums/list_update.h"
#include "cli/compute.h"
#include "cli/console.h"
#include "cli/run_modes.h"
#include "engine/error_text.h"
#include "engine/text.h"
#include "signatures/common/signed_file.h"

namespace cli {

using namespace vms;
namespace {

struct AuditCounts {
    std::uint32_t unchanged = 0, changed = 0, added = 0, missing = 0, moved = 0, unreadable = 0;

    std::wstring Summary() const {
        std::wstring text = L"vmsum: " + std::to_wstring(unchanged) + L" unchanged";
        const auto add = [&](std::uint32_t count, const wchar_t* word) {
            if (count) text += L", " + std::to_wstring(count) + word;
        };
        add(changed, L" changed");
        add(added, L" new");
        add(missing, L" missing");
        add(moved, L" moved");
        add(unreadable, L" unreadable");
        return text + L".";
    }

    int ExitCode() const {
        if (changed || added || missing || moved) return 1;
        return unreadable ? 3 : 0;
    }
};

void Report(const AuditItem& item, bool verbose, AuditCounts& counts) {
    switch (item.finding) {
    case AuditFinding::Unchanged:
        ++counts.unchanged;
        if (verbose) WriteOutLine(item.name + L": UNCHANGED");
        break;
    case AuditFinding::Changed:
        ++counts.changed;
        WriteOutLine(item.name + L": CHANGED");
        break;
    case AuditFinding::New:
        ++counts.added;
        WriteOutLine(item.name + L": NEW");
        break;
    case AuditFinding::Missing:
        ++counts.missing;
        WriteOutLine(item.name + L": MISSING");
        break;
    case AuditFinding::Moved:
        ++counts.moved;
        WriteOutLine(item.name + L" -> " + item.movedTo + L": MOVED");
        break;
    case AuditFinding::Unreadable:
        ++counts.unreadable;
        WriteOutLine(item.name + L": UNREADABLE (" + FormatErrorText(item.error) + L")");
        break;
    }
}

// Writes the refreshed list and says where; false after reporting a failure.
bool UpdateList(const std::wstring& listPath, const std::vector<std::uint8_t>& oldBytes, const ChecksumFile& list,
                const std::vector<AuditItem>& items) {
    const ListUpdate update = ListUpdateFor(listPath, oldBytes);
    if (const Result<void> written = WriteUpdatedList(update, oldBytes, list, items); !written) {
        WriteErrLine(L"vmsum: " + update.target + L": The updated list couldn't be written (" +
                     FormatErrorText(written.GetError().systemCode) + L"). The old list is unchanged.");
        return false;
    }
    if (update.clearSigned) {
        WriteErrLine(L"vmsum: " + listPath + L": The list is signed, and its signature wouldn't hold for a changed "
                     L"list; the update was written to " + update.target + L".");
        return true;
    }
    WriteErrLine(L"vmsum: " + listPath + L": Updated.");
    for (const std::wstring& signature : DetachedSignatureCandidates(listPath)) {
        if (GetFileAttributesW(ToLongPath(signature).c_str()) != INVALID_FILE_ATTRIBUTES) {
            WriteErrLine(L"vmsum: " + signature + L": This signature doesn't match the updated list.");
        }
    }
    return true;
}

}  // namespace

int RunAudit(const Options& options) {
    if (options.inputs.size() > 1) return UsageError(L"--audit takes one folder at most.");
    // New names are written relative to the list, so the tree must be the list's own folder.
    if (options.update && !options.inputs.empty()) {
        return UsageError(L"--update works on the list's own folder. Leave out the folder.");
    }
    const std::wstring& listPath = *options.audit;
    const Result<std::vector<std::uint8_t>> bytes = ReadChecksumBytes(listPath);
    if (!bytes) {
        WriteErrLine(L"vmsum: " + listPath + L": " + FormatErrorText(bytes.GetError().systemCode) + L".");
        return 3;
    }
    const ChecksumFile list =
        ParseChecksumText(DecodeText({reinterpret_cast<const char*>(bytes->data()), bytes->size()}), listPath);
    if (list.entries.empty()) {
        WriteErrLine(L"vmsum: " + listPath + L": No checksum lines found.");
        return 1;
    }
    const std::wstring root = options.inputs.empty() ? std::wstring() : options.inputs.front();
    Progress progress = Progress::ForStandardError();
    const auto hashing = [&](std::span<const BatchFile> files, std::span<const std::wstring> names,
                             const std::function<void(std::size_t, const HashResult&)>& done) {
        HashInOrder(files, names, options.jobs, progress, done);
    };
    const std::optional<AlgorithmId> listAlgorithm =
        options.update ? std::optional<AlgorithmId>(list.entries.front().candidates.front()) : std::nullopt;
    const Result<std::vector<AuditItem>> items =
        AuditFolder(listPath, list, root, options.hidden, hashing, listAlgorithm);
    ClearProgress(progress);
    if (!items) {
        const std::wstring& folder = root.empty() ? listPath : root;
        WriteErrLine(L"vmsum: " + folder + L": " + FormatErrorText(items.GetError().systemCode) + L".");
        return 3;
    }
    AuditCounts counts;
    for (const AuditItem& item : *items) {
        if (!item.listItself) Report(item, options.verbose, counts);
    }
    WriteErrLine(counts.Summary());
    const bool changes = counts.changed || counts.added || counts.missing || counts.moved;
    if (options.update && changes && !UpdateList(listPath, *bytes, list, *items)) return 3;
    return counts.ExitCode();
}

}  // namespace cli
