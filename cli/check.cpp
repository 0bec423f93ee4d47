#include "checksums/checksum_reader.h"
#include "checksums/entry_verification.h"
#include "checksums/hash_recognition.h"
#include "cli/compute.h"
#include "cli/console.h"
#include "cli/run_modes.h"
#include "cli/signature_report.h"
#include "engine/error_text.h"
#include "engine/text.h"

namespace cli {

using namespace vms;
namespace {

constexpr DWORD kStdinChunk = 65536;

// The outcome of a whole run, decided in one place.
struct CheckCounts {
    std::uint32_t ok = 0;
    std::uint32_t failed = 0;
    std::uint32_t missing = 0;
    std::uint32_t unreadable = 0;
    bool noLinesSeen = false;
    bool badSignature = false;
    bool signatureRequirementFailed = false;

    int ExitCode() const {
        if (failed > 0 || noLinesSeen || badSignature || signatureRequirementFailed) return 1;
        if (missing > 0 || unreadable > 0) return 3;
        return 0;
    }

    std::wstring Summary() const {
        std::wstring summary = L"vmsum: " + std::to_wstring(ok) + L" OK";
        if (failed) summary += L", " + std::to_wstring(failed) + L" FAILED";
        if (missing) summary += L", " + std::to_wstring(missing) + L" missing";
        if (unreadable) summary += L", " + std::to_wstring(unreadable) + L" unreadable";
        return summary + L".";
    }
};

// ERROR_FILE_TOO_LARGE when standard input holds more than a checksum file may.
Result<std::vector<std::uint8_t>> ReadStandardInputBytes() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> chunk(kStdinChunk);
    DWORD read = 0;
    while (ReadFile(input, chunk.data(), kStdinChunk, &read, nullptr) && read > 0) {
        if (bytes.size() + read > kMaxChecksumFileSize) return SystemError(ERROR_FILE_TOO_LARGE);
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + read);
    }
    return bytes;
}

// The keys are loaded on the first signature found: unsigned lists cost nothing.
class RunKeys {
public:
    RunKeys(const Options& options, std::uint32_t now) : options_(options), now_(now) {}

    // False when a key file named on the command line can't be read.
    bool LoadNamedKeyFiles() { return options_.keyFiles.empty() || Load(); }

    const KeySet& Get() {
        if (!loaded_) Load();
        return keys_;
    }

private:
    bool Load() {
        loaded_ = true;
        return LoadRunKeys(options_, now_, keys_);
    }

    const Options& options_;
    std::uint32_t now_;
    KeySet keys_;
    bool loaded_ = false;
};

void CheckSignature(const Options& options, const std::wstring& input, const std::vector<std::uint8_t>& bytes,
                    RunKeys& keys, CheckCounts& counts) {
    const bool fromStdin = input == L"-";
    const FileSignature signature =
        CheckFileSignature(fromStdin ? L"" : input, &bytes, options.signatureFile,
                           [&]() -> const KeySet& { return keys.Get(); }, CurrentUnixTime());
    const SignatureOutcome outcome = ReportFileSignature(signature, input, options, ReportStyle::CheckMode);
    counts.badSignature |= outcome.bad;
    if (outcome.unreadable) ++counts.unreadable;
    if (options.requireSignature && !outcome.good) counts.signatureRequirementFailed = true;
}

void ReportSkippedLines(const std::wstring& input, const std::vector<std::uint32_t>& skipped) {
    const std::size_t count = skipped.size();
    WriteErrLine(L"vmsum: " + input + L": " + std::to_wstring(count) + (count == 1 ? L" line isn't" : L" lines aren't") +
                 L" a checksum line (first: line " + std::to_wstring(skipped.front()) + L").");
}

void ReportEntry(const Options& options, const ChecksumEntry& entry, const EntryResult& result, CheckCounts& counts) {
    const bool print = !options.status;
    switch (result.verdict) {
    case EntryVerdict::Ok:
        ++counts.ok;
        if (print && !options.quiet) WriteOutLine(entry.name + L": OK");
        break;
    case EntryVerdict::Failed:
        ++counts.failed;
        if (print) WriteOutLine(entry.name + L": FAILED");
        break;
    case EntryVerdict::Missing:
        if (options.ignoreMissing) break;
        ++counts.missing;
        if (print) WriteOutLine(entry.name + L": MISSING");
        break;
    case EntryVerdict::Unreadable:
    case EntryVerdict::Cancelled:  // nothing cancels a console run
        ++counts.unreadable;
        if (print) WriteOutLine(entry.name + L": UNREADABLE (" + FormatErrorText(result.error) + L")");
        break;
    }
}

void CheckOneFile(const Options& options, const std::wstring& input, Progress& progress, RunKeys& keys,
                  CheckCounts& counts) {
    const bool fromStdin = input == L"-";
    const Result<std::vector<std::uint8_t>> bytes = fromStdin ? ReadStandardInputBytes() : ReadChecksumBytes(input);
    if (!bytes) {
        WriteErrLine(L"vmsum: " + input + L": " + FormatErrorText(bytes.GetError().systemCode) + L".");
        ++counts.unreadable;
        return;
    }
    // The signature is checked over the very bytes that are parsed.
    CheckSignature(options, input, *bytes, keys, counts);
    const std::wstring text = DecodeText({reinterpret_cast<const char*>(bytes->data()), bytes->size()});
    const ChecksumFile file = ParseChecksumText(text, fromStdin ? L"" : input);
    if (file.entries.empty()) {
        WriteErrLine(L"vmsum: " + input + L": No checksum lines found.");
        counts.noLinesSeen = true;
        return;
    }
    if (!file.skipped_lines.empty() && !options.status) ReportSkippedLines(input, file.skipped_lines);

    const std::wstring base = fromStdin ? L".\\-" : input;
    const std::optional<FileIdentity> self = fromStdin ? std::nullopt : IdentityOfPath(input);
    const std::uint64_t selfSize = fromStdin ? 0 : FileSizeOf(input);
    Batch batch;
    std::vector<const ChecksumEntry*> entries;
    for (const ChecksumEntry& entry : file.entries) {
        std::wstring path = ResolveEntryPath(base, entry.name);
        const std::uint64_t size = FileSizeOf(path);
        // A checksum file that lists itself; only a file of its size can be it.
        if (self && size == selfSize && IdentityOfPath(path) == self) continue;
        batch.files.push_back({std::move(path), CandidateMask(entry.candidates), size, nullptr});
        batch.names.push_back(entry.name);
        entries.push_back(&entry);
    }
    HashInOrder(batch.files, batch.names, options.jobs, progress, [&](std::size_t index, const HashResult& result) {
        ReportEntry(options, *entries[index], JudgeEntry(*entries[index], result), counts);
    });
}

}  // namespace

int RunCheck(const Options& options) {
    const std::vector<std::wstring> inputs = options.inputs.empty() ? std::vector<std::wstring>{L"-"} : options.inputs;
    Progress progress = Progress::ForStandardError();
    CheckCounts counts;
    RunKeys keys(options, CurrentUnixTime());
    if (!keys.LoadNamedKeyFiles()) return 3;
    for (const std::wstring& input : inputs) CheckOneFile(options, input, progress, keys, counts);
    if (!options.status && (counts.failed || counts.missing || counts.unreadable)) WriteErrLine(counts.Summary());
    return counts.ExitCode();
}

}  // namespace cli
