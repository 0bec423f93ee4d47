#include "checksums/checksum_reader.h"
#include "checksums/hash_recognition.h"
#include "cli/console.h"
#include "cli/run_modes.h"
#include "cli/options.h"
#include "cli/signature_report.h"
#include "engine/digest.h"
#include "engine/error_text.h"
#include "engine/file_bytes.h"
#include "engine/text.h"

namespace cli {

using namespace vms;

int RunVerifySignature(const Options& options) {
    const std::uint32_t now = CurrentUnixTime();
    KeySet keys;
    if (!LoadRunKeys(options, now, keys)) return 3;
    bool anyNotGood = false, anyUnreadable = false;
    for (const std::wstring& input : options.inputs) {
        // "sha256:HEX" stands for a file the user has only the digest of.
        if (EqualsIgnoreCase(input.substr(0, 7), L"sha256:")) {
            const std::optional<Bytes> digest = DecodeHexStrict(input.substr(7));
            if (!digest || digest->size() != 32 || !options.signatureFile) {
                return UsageError(L"A digest is given as sha256: and 64 hex digits, with its Sigstore bundle in "
                                  L"--signature.");
            }
            const FileSignature signature = CheckDigestSignature(*digest, *options.signatureFile, keys);
            const SignatureOutcome outcome = ReportFileSignature(signature, input, options, ReportStyle::VerifyMode);
            anyUnreadable |= outcome.unreadable;
            anyNotGood |= !outcome.good && !outcome.unreadable;
            continue;
        }
        const DWORD attributes = GetFileAttributesW(ToLongPath(input).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            const DWORD error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_DIRECTORY;
            WriteErrLine(L"vmsum: " + input + L": " + FormatErrorText(error) + L".");
            anyUnreadable = true;
            continue;
        }
        // Files a checksum list could be are read whole, so a clear-signed one is checked in place;
        // larger ones are read as each detached signature is checked.
        const Result<std::vector<std::uint8_t>> bytes = ReadFileBytes(input, kMaxChecksumFileSize);
        if (!bytes && bytes.GetError().systemCode != ERROR_FILE_TOO_LARGE) {
            WriteErrLine(L"vmsum: " + input + L": " + FormatErrorText(bytes.GetError().systemCode) + L".");
            anyUnreadable = true;
            continue;
        }
        const FileSignature signature = CheckFileSignature(input, bytes ? &*bytes : nullptr, options.signatureFile,
                                                           [&]() -> const KeySet& { return keys; }, now);
        const SignatureOutcome outcome = ReportFileSignature(signature, input, options, ReportStyle::VerifyMode);
        anyUnreadable |= outcome.unreadable;
        anyNotGood |= !outcome.good && !outcome.unreadable;
    }
    return anyNotGood ? 1 : anyUnreadable ? 3 : 0;
}

}  // namespace cli
