#include "gui/logic/verdict.h"

#include "checksums/checksum_reader.h"
#include "engine/text.h"
#include "gui/logic/notice.h"

#include <algorithm>

namespace app {
namespace {

std::wstring DisplayName(vms::AlgorithmId id) { return vms::GetAlgorithm(id).displayName; }

std::wstring HashDescription(const vms::ParsedHash& expected) {
    if (expected.algorithm_named) return DisplayName(expected.candidates.front()) + L" hash";
    return L"hash (" + JoinAlgorithmNames(expected.candidates, L"or") + L")";
}

std::wstring FileNameOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

}  // namespace

RowComparison CompareRow(const FileRow& row, std::span<const std::uint8_t> bytes,
                         std::span<const vms::AlgorithmId> candidates) {
    if (row.status == RowStatus::Error) {
        const bool missing = row.error == ERROR_FILE_NOT_FOUND || row.error == ERROR_PATH_NOT_FOUND;
        return {missing ? RowMatch::Missing : RowMatch::Unreadable};
    }
    bool anyMissing = false;
    for (vms::AlgorithmId id : candidates) {
        const vms::DigestEntry& entry = row.digests[id];
        if (!entry.present) {
            anyMissing = true;
        } else if (vms::DigestEquals(entry.digest, bytes)) {
            return {RowMatch::Match, id};
        }
    }
    if (anyMissing) return {row.status == RowStatus::Cancelled ? RowMatch::NotChecked : RowMatch::Pending};
    return {RowMatch::Mismatch};
}

std::wstring JoinAlgorithmNames(std::span<const vms::AlgorithmId> ids, std::wstring_view word) {
    std::wstring joined;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (i > 0) joined += i + 1 == ids.size() ? L" " + std::wstring(word) + L" " : L", ";
        joined += DisplayName(ids[i]);
    }
    return joined;
}

Verdict ExpectedHashVerdict(const vms::ParsedHash& expected, std::span<const FileRow> rows) {
    if (rows.empty()) return {L"Add the file to compare with this " + HashDescription(expected) + L".", VerdictStyle::Info};
    std::vector<std::pair<const FileRow*, vms::AlgorithmId>> matches;
    bool pending = false;
    const FileRow* named = nullptr;
    for (const FileRow& row : rows) {
        const RowComparison comparison = CompareRow(row, expected.bytes, expected.candidates);
        if (comparison.match == RowMatch::Match) matches.emplace_back(&row, comparison.algorithm);
        if (comparison.match == RowMatch::Pending) pending = true;
        if (!expected.name.empty() && vms::EqualsIgnoreCase(row.name, FileNameOf(expected.name))) named = &row;
    }
    if (matches.size() == 1) {
        return {L"Match. The " + DisplayName(matches.front().second) + L" of " + matches.front().first->name +
                    L" is the expected hash.",
                VerdictStyle::Match};
    }
    if (matches.size() > 1) {
        return {L"Match. " + std::to_wstring(matches.size()) + L" files have this " +
                    DisplayName(matches.front().second) + L" hash.",
                VerdictStyle::Match};
    }
    if (pending) return {L"Checking...", VerdictStyle::Busy};
    if (!named && rows.size() != 1) {
        return {L"No match. None of the " + std::to_wstring(rows.size()) + L" files has this hash.", VerdictStyle::Mismatch};
    }
    const FileRow& row = named ? *named : rows.front();
    if (row.status == RowStatus::Error) return {row.name + L" can't be read, so it can't be compared.", VerdictStyle::Mismatch};
    return {L"No match. " + row.name + L" has a different " + JoinAlgorithmNames(expected.candidates, L"and") + L".",
            VerdictStyle::Mismatch};
}

namespace {

std::wstring NameOfList(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

// Files that match a list whose signature isn't good are shown as information, not as a match.
VerdictStyle StyleWith(const ListSignature& signature) {
    const bool vouched = signature.state == ListSignatureState::Good || signature.state == ListSignatureState::Unsigned ||
                         signature.state == ListSignatureState::Checking;
    return vouched ? VerdictStyle::Match : VerdictStyle::Info;
}

// "download.iso matches SHA256SUMS (line 3)", for a row whose list was found beside it.
std::wstring FoundListing(const FileRow& row, bool match) {
    std::wstring text = row.name + (match ? L" matches " : L" doesn't match ") + NameOfList(row.checksumFile);
    if (row.checksumLine) text += L" (line " + std::to_wstring(row.checksumLine) + L")";
    return text;
}

// Who signed with Sigstore, for the verdict line: a workflow by its repository, as its identity, the URL of
// the workflow file at a ref, is too long to read there; the details pane has it whole.
std::wstring SigstoreSignerName(const ListSignature& signature) {
    const vms::SigstoreSigner& signer = *signature.sigstoreSigner;
    if (signer.repository.empty()) return signature.signer;
    std::wstring repository = vms::FromUtf8(signer.repository);
    if (repository.starts_with(L"https://")) repository.erase(0, 8);
    return L"a workflow of " + repository;
}

// A download checked by the signature beside it, with no list to vouch for it.
Verdict OwnSignatureVerdict(const FileRow& row) {
    const ListSignature& signature = *row.ownSignature;
    const std::wstring& name = row.name;
    switch (signature.state) {
    case ListSignatureState::Checking: return {L"Checking the signature of " + name + L"...", VerdictStyle::Busy};
    case ListSignatureState::Unsigned: return {};
    case ListSignatureState::Good:
        if (signature.sigstoreSigner) {
            return {name + L" is signed by " + SigstoreSignerName(signature) +
                        (signature.logged.empty() ? L"" : L", logged " + signature.logged) + L".",
                    VerdictStyle::Match};
        }
        return {name + L" is signed by " + signature.signer + L".", VerdictStyle::Match};
    case ListSignatureState::Bad:
        return {L"Don't trust " + name + L": its signature is BAD.", VerdictStyle::Mismatch};
    case ListSignatureState::UnknownKey:
        if (signature.sigstoreSigner) {
            return {name + L" is signed by " + SigstoreSignerName(signature) + L" with Sigstore, a signer you don't trust yet.",
                    VerdictStyle::Info};
        }
        return {name + L" is signed by a key you don't trust yet.", VerdictStyle::Info};
    case ListSignatureState::Expired:
        return {name + L" is signed, but the signing key or signature has expired.", VerdictStyle::Info};
    case ListSignatureState::Revoked: return {name + L" is signed, but the signing key has been revoked.", VerdictStyle::Info};
    case ListSignatureState::Weak:
        return {name + L" is signed, but the signature is weak (a broken digest or short key).", VerdictStyle::Info};
    case ListSignatureState::Unsupported: return {name + L" is signed in a way Verimond can't check.", VerdictStyle::Info};
    case ListSignatureState::Malformed: return {name + L"'s signature is damaged.", VerdictStyle::Info};
    case ListSignatureState::Uncheckable: return {name + L"'s signature can't be checked here.", VerdictStyle::Info};
    }
    return {};
}

// The one row checked by its own signature, when the others are only that signature's file.
const FileRow* SoleSignedDownload(std::span<const FileRow> rows) {
    const auto signedRow = std::ranges::find_if(rows, [](const FileRow& row) { return row.ownSignature.has_value(); });
    if (signedRow == rows.end()) return nullptr;
    for (const FileRow& row : rows) {
        if (&row != &*signedRow && !vms::EqualsIgnoreCase(row.path, signedRow->ownSignaturePath)) return nullptr;
    }
    return &*signedRow;
}

}  // namespace

Verdict ChecksumSummary(std::span<const FileRow> rows, bool workerBusy) {
    std::size_t total = 0, ok = 0, failed = 0, missing = 0, unreadable = 0, notChecked = 0, moved = 0, notListed = 0;
    std::vector<const ListSignature*> signatures;
    const FileRow* onlyRow = nullptr;
    for (const FileRow& row : rows) {
        notListed += row.notListed && row.movedName.empty();
        if (!row.fromChecksumFile) continue;
        ++total;
        onlyRow = &row;
        signatures.push_back(&row.listSignature);
        switch (CompareRow(row, row.expectedBytes, row.expectedCandidates).match) {
        case RowMatch::Match: ++ok; break;
        case RowMatch::Mismatch: ++failed; break;
        case RowMatch::Missing: ++(row.movedName.empty() ? missing : moved); break;
        case RowMatch::Unreadable: ++unreadable; break;
        case RowMatch::NotChecked:
        case RowMatch::Pending: ++notChecked; break;
        }
    }
    if (total == 0) {
        const FileRow* download = SoleSignedDownload(rows);
        return download ? OwnSignatureVerdict(*download) : Verdict{};
    }
    const ListSignature signature = CombineSignatures(signatures);
    if (signature.state == ListSignatureState::Bad) {
        return {L"Don't trust " + std::wstring(total == 1 ? L"this file" : L"these files") +
                    L": the checksum list's signature is BAD, whatever the hashes say.",
                VerdictStyle::Mismatch};
    }
    if (notChecked > 0 && workerBusy) return {L"Verifying " + std::to_wstring(total) + L" files...", VerdictStyle::Busy};
    const bool found = total == 1 && onlyRow->foundBeside;
    if (found && (ok == 1 || failed == 1)) {
        if (failed) return {FoundListing(*onlyRow, false) + L". Don't use it.", VerdictStyle::Mismatch};
        const std::wstring clause = SignatureClause(signature, true);
        return {FoundListing(*onlyRow, true) + (clause.empty() ? L"." : clause), StyleWith(signature)};
    }
    if (failed || missing || unreadable || notChecked || moved || notListed) {
        // Files found beside the list that it doesn't name make it a changed folder, not only a mismatch.
        std::wstring text = (moved || notListed ? L"The folder has changed: " : L"Not all files match: ") +
                            std::to_wstring(ok) + L" OK";
        if (failed) text += L", " + std::to_wstring(failed) + L" FAILED";
        if (missing) text += L", " + std::to_wstring(missing) + L" missing";
        if (unreadable) text += L", " + std::to_wstring(unreadable) + L" unreadable";
        if (notChecked) text += L", " + std::to_wstring(notChecked) + L" not checked";
        if (moved) text += L", " + std::to_wstring(moved) + L" moved";
        if (notListed) text += L", " + std::to_wstring(notListed) + L" not listed";
        return {text + L".", VerdictStyle::Mismatch};
    }
    const std::wstring clause = SignatureClause(signature, false);
    const std::wstring allOk = total == 1 ? L"The file is OK" : L"All " + std::to_wstring(total) + L" files are OK";
    return {allOk + (clause.empty() ? L"." : clause), StyleWith(signature)};
}

std::optional<std::wstring> ClipboardOffer(std::wstring_view clipboard, std::wstring_view dismissed,
                                           std::wstring_view boxText) {
    constexpr std::size_t kMaxLength = 300;
    constexpr std::size_t kMinDigestBytes = 16;
    const std::wstring_view trimmed = vms::TrimText(clipboard);
    if (trimmed.empty() || trimmed.size() > kMaxLength || trimmed.find(L'\n') != std::wstring_view::npos) return std::nullopt;
    const auto parsed = vms::RecognizeHash(trimmed, true);
    if (!parsed || parsed->bytes.size() < kMinDigestBytes) return std::nullopt;
    if (clipboard == dismissed || vms::TrimText(boxText) == trimmed) return std::nullopt;
    const std::wstring description = parsed->algorithm_named
                                         ? L"a " + DisplayName(parsed->candidates.front()) + L" hash"
                                         : L"a " + std::to_wstring(parsed->bytes.size() * 8) + L"-bit hash";
    return NoticeText(L"The clipboard contains " + description + L".  ",
                      {NoticeAction::CompareCopiedHash, NoticeAction::Dismiss});
}

bool LooksLikeChecksumFile(const std::wstring& path) {
    if (vms::ChecksumAlgorithmFromFileName(path)) return true;
    const std::wstring name = vms::ToLowerW(FileNameOf(path));
    for (const wchar_t* exact : {L"checksums", L"checksum", L"checksums.txt", L"checksum.txt", L"digests"}) {
        if (name == exact) return true;
    }
    return name.ends_with(L".digests") || name.ends_with(L".checksums");
}

}  // namespace app
