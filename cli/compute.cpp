#include "cli/compute.h"

#include "checksums/checksum_writer.h"
#include "cli/console.h"
#include "cli/run_modes.h"
#include "engine/error_text.h"
#include "engine/text.h"
#include "engine/win_handles.h"

#include <algorithm>

namespace cli {

using namespace vms;
namespace {

void WriteChecksumText(const std::vector<FileDigests>& files, const ChecksumWriterOptions& options) {
    WriteOut(FromUtf8(FormatChecksums(files, options)));
}

// Applies the format and algorithm rules; returns a usage error's exit code, or 0.
int SettleFormat(Options& options) {
    if (options.formatGiven && options.format == OutputFormat::Sfv) {
        if (options.algorithms == 0) {
            options.algorithms = MaskOf(kCrc32);
        } else if (!(options.algorithms & MaskOf(kCrc32))) {
            return UsageError(L"SFV files hold CRC32 checksums. Add -a crc32.");
        }
    }
    if (options.algorithms == 0) options.algorithms = MaskOf(kSha256);
    if (!options.formatGiven) {
        options.format = CountAlgorithms(options.algorithms) == 1 ? OutputFormat::Gnu : OutputFormat::Bsd;
    }
    if (options.format == OutputFormat::Gnu && CountAlgorithms(options.algorithms) > 1) {
        return UsageError(L"A GNU checksum file holds one algorithm. Use --format bsd for several.");
    }
    return 0;
}

}  // namespace

std::optional<FileIdentity> IdentityOfHandle(HANDLE handle) {
    if (GetFileType(handle) != FILE_TYPE_DISK) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(handle, &information)) return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber,
                        (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

std::optional<FileIdentity> IdentityOfPath(const std::wstring& path) {
    const UniqueFile file(CreateFileW(ToLongPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid()) return std::nullopt;
    return IdentityOfHandle(file.Get());
}

std::uint64_t FileSizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(ToLongPath(path).c_str(), GetFileExInfoStandard, &attributes)) return 0;
    return (std::uint64_t{attributes.nFileSizeHigh} << 32) | attributes.nFileSizeLow;
}

// The size the folder listing gave, else the attribute size.
std::uint64_t SizeOf(const Target& target) { return target.size ? *target.size : FileSizeOf(target.path); }

void RemoveOutputFile(std::vector<Target>& targets, const FileIdentity& output, std::uint64_t outputSize) {
    std::erase_if(targets, [&](const Target& target) {
        if (target.path.empty()) return false;
        return SizeOf(target) == outputSize && IdentityOfPath(target.path) == output;
    });
}

Batch BatchOf(const std::vector<Target>& targets, AlgorithmMask algorithms) {
    Batch batch;
    batch.files.reserve(targets.size());
    batch.names.reserve(targets.size());
    for (const Target& target : targets) {
        if (target.path.empty()) {
            batch.files.push_back({L"", algorithms, kUnknownSize, GetStdHandle(STD_INPUT_HANDLE)});
        } else {
            batch.files.push_back({target.path, algorithms, SizeOf(target), nullptr});
        }
        batch.names.push_back(target.display);
    }
    return batch;
}

void HashInOrder(std::span<const BatchFile> files, std::span<const std::wstring> names, unsigned jobs,
                 Progress& progress, const std::function<void(std::size_t, const HashResult&)>& done) {
    BatchOptions options;
    options.jobs = jobs;
    options.progress = [&](std::span<const InFlight> inFlight) { ShowFilesInFlight(progress, inFlight, files, names); };
    HashBatch(files, options, [&](std::size_t index, const HashResult& result) {
        ClearProgress(progress);
        done(index, result);
    });
}

void ReportHashError(const Target& target, const HashResult& result) {
    WriteErrLine(L"vmsum: " + target.display + L": " + FormatErrorText(result.error) + L".");
}

int RunCompute(const Options& given) {
    Options options = given;
    if (const int usage = SettleFormat(options)) return usage;
    if (options.inputs.empty()) options.inputs.push_back(L"-");

    std::vector<Target> targets;
    int exitCode = CollectTargets(options, targets) ? 0 : 3;
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    LARGE_INTEGER outputSize;
    if (const auto identity = IdentityOfHandle(output); identity && GetFileSizeEx(output, &outputSize)) {
        RemoveOutputFile(targets, *identity, static_cast<std::uint64_t>(outputSize.QuadPart));
    }

    const ChecksumWriterOptions writerOptions{options.format, false, options.upper, std::nullopt};
    const bool fileByFile = options.format == OutputFormat::Gnu || options.format == OutputFormat::Bsd;
    const std::vector<AlgorithmId> algorithms = AlgorithmsInMask(options.algorithms);
    Progress progress = Progress::ForStandardError();
    std::vector<FileDigests> kept;

    const Batch batch = BatchOf(targets, options.algorithms);
    HashInOrder(batch.files, batch.names, options.jobs, progress, [&](std::size_t index, const HashResult& result) {
        const Target& target = targets[index];
        if (result.error != 0 || result.cancelled) {
            ReportHashError(target, result);
            exitCode = 3;
            return;
        }
        if (result.changed) WriteErrLine(L"vmsum: " + target.display + L": The file changed while it was being read.");

        FileDigests record;
        record.path = target.display;
        std::ranges::replace(record.path, L'\\', L'/');
        record.size = target.path.empty() ? result.bytesHashed : batch.files[index].size;
        for (AlgorithmId id : algorithms) record.digests.emplace_back(id, result.digests[id].digest);
        if (fileByFile) {
            WriteChecksumText({record}, writerOptions);
        } else {
            kept.push_back(std::move(record));
        }
    });
    if (!fileByFile) WriteChecksumText(kept, writerOptions);
    return exitCode;
}

}  // namespace cli
