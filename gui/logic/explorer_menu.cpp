#include "gui/logic/explorer_menu.h"

#include "gui/logic/sibling_checksums.h"
#include "gui/logic/verdict.h"

#include "engine/file_bytes.h"
#include "engine/folder_walker.h"
#include "signatures/common/signed_file.h"
#include "signatures/openpgp/document_check.h"

#include <algorithm>

namespace app {
namespace {

bool HasSignatureBeside(const std::wstring& path) {
    return std::ranges::any_of(vms::DetachedSignatureCandidates(path), vms::IsExistingFile);
}

bool IsSignedList(const std::wstring& listPath) {
    if (HasSignatureBeside(listPath)) return true;
    const vms::Result<std::vector<std::uint8_t>> bytes = vms::ReadFileBytes(listPath, kMaxSiblingSize);
    return bytes && vms::IsClearSigned(*bytes);
}

// The file "Check who signed this" opens: for a signature, the file it signs
// when that is there.
std::wstring SignerSubject(const std::wstring& path) {
    const std::optional<std::wstring> signedFile = vms::SignedFileOf(path);
    return signedFile && vms::IsExistingFile(*signedFile) ? *signedFile : path;
}

bool SingleFile(std::span<const SelectedItem> items) { return items.size() == 1 && !items.front().folder; }

}  // namespace

bool HasSignatureToCheck(const std::wstring& path) {
    if (const std::optional<std::wstring> signedFile = vms::SignedFileOf(path)) {
        if (vms::IsExistingFile(*signedFile)) return true;
    }
    if (HasSignatureBeside(path)) return true;
    const std::optional<SiblingListing> listing = FindSiblingListing(path);
    return listing && IsSignedList(listing->listPath);
}

bool CommandFits(MenuCommand command, std::span<const SelectedItem> items, std::wstring_view clipboard,
                 const SignatureProbe& probe) {
    if (items.empty()) return false;
    switch (command) {
    case MenuCommand::Calculate:
        return true;
    case MenuCommand::VerifyList:
        return SingleFile(items) && LooksLikeChecksumFile(items.front().path);
    case MenuCommand::CheckSigner:
        return SingleFile(items) && probe(items.front().path);
    case MenuCommand::CompareClipboard:
        return ClipboardOffer(clipboard, L"", L"").has_value();
    }
    return false;
}

bool CommandNeedsReading(MenuCommand command) { return command == MenuCommand::CheckSigner; }

std::vector<std::wstring> VmviewArguments(MenuCommand command, std::span<const SelectedItem> items) {
    if (command == MenuCommand::CheckSigner && SingleFile(items)) return {SignerSubject(items.front().path)};
    std::vector<std::wstring> arguments;
    for (const SelectedItem& item : items) arguments.push_back(item.path);
    return arguments;
}

std::wstring CommandLineOf(const std::wstring& program, std::span<const std::wstring> arguments) {
    std::wstring line = L"\"" + program + L"\"";
    for (const std::wstring& argument : arguments) {
        // Windows paths hold no quotes; a trailing backslash (a drive's root)
        // is doubled so that it doesn't escape the closing quote.
        line += L" \"" + argument + (argument.ends_with(L'\\') ? L"\\" : L"") + L"\"";
    }
    return line;
}

}  // namespace app
