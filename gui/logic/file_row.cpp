#include "gui/logic/file_row.h"

#include "engine/error_text.h"
#include "engine/text.h"

#include <algorithm>
#include <cstdio>

namespace app {

bool IsEntryOf(const FileRow& row, const std::wstring& listPath) {
    return row.fromChecksumFile && vms::EqualsIgnoreCase(row.checksumFile, listPath);
}

std::wstring AuthenticodeText(const FileRow& row) {
    if (!row.authenticodeKnown) return row.authenticodeRequested ? L"Checking..." : L"";
    const AuthenticodeInfo& info = row.authenticode;
    const std::wstring signer = info.signer.empty() ? L"" : L" by " + info.signer;
    const std::wstring catalog = info.viaCatalog ? L" (through a Windows catalog)" : L"";
    switch (info.state) {
    case AuthenticodeState::NotApplicable: return L"Not applicable (this file type has no digital signature)";
    case AuthenticodeState::NotSigned: return L"Not signed";
    case AuthenticodeState::Valid: return L"Signed" + signer + catalog + L", valid";
    case AuthenticodeState::Invalid: return L"Signed" + signer + L", but the signature is not valid (the file was changed after signing)";
    case AuthenticodeState::Untrusted: return L"Signed" + signer + catalog + L", but Windows doesn't trust the certificate";
    case AuthenticodeState::CannotCheck: return L"Can't be checked";
    }
    return L"Can't be checked";
}

std::wstring StatusText(const FileRow& row, const vms::ParsedHash* expected) {
    switch (row.status) {
    case RowStatus::Waiting: return L"Waiting";
    case RowStatus::Hashing: return L"Hashing";
    case RowStatus::Cancelled: return L"Cancelled";
    case RowStatus::Error:
        if (row.error == ERROR_FILE_NOT_FOUND || row.error == ERROR_PATH_NOT_FOUND) {
            return row.movedName.empty() ? L"Missing" : L"Moved to " + row.movedName;
        }
        return vms::FormatErrorText(row.error);
    case RowStatus::Done:
        if (row.notListed) return row.movedName.empty() ? L"Not listed" : L"Moved from " + row.movedName;
        if (row.fromChecksumFile) {
            if (const auto match = vms::FindMatchingCandidate(row.expectedCandidates, row.expectedBytes, row.digests)) {
                return L"OK (" + std::wstring(vms::GetAlgorithm(*match).displayName) + L")";
            }
            const bool allComputed = std::ranges::all_of(row.expectedCandidates, [&](vms::AlgorithmId id) {
                return row.digests[id].present;
            });
            if (allComputed) return L"FAILED";
        }
        if (expected) {
            if (const auto match = vms::FindMatchingCandidate(*expected, row.digests)) {
                return L"Match (" + std::wstring(vms::GetAlgorithm(*match).displayName) + L")";
            }
        }
        return row.changed ? L"Done, but the file changed while it was read" : L"Done";
    }
    return L"";
}

std::wstring FormatSize(std::uint64_t bytes) {
    if (bytes < 1024) return std::to_wstring(bytes) + (bytes == 1 ? L" byte" : L" bytes");
    static constexpr const wchar_t* kUnits[] = {L"KB", L"MB", L"GB", L"TB", L"PB"};
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(kUnits)) {
        value /= 1024;
        ++unit;
    }
    wchar_t text[32];
    std::swprintf(text, std::size(text), value < 10 ? L"%.1f %ls" : L"%.0f %ls", value, kUnits[unit]);
    return text;
}

}  // namespace app
