// The signature lines of vmsum: the keys one run trusts, and one sentence per
// signature verdict, worded for people who have never used OpenPGP.
#pragma once

#include "cli/options.h"
#include "signatures/common/signed_file.h"

#include <string>

namespace cli {

// The trusted keys of every format and those of --key: key files, or a
// minisign key's text. False, after reporting why, when a key file can't be read.
bool LoadRunKeys(const Options& options, std::uint32_t now, vms::KeySet& keys);

// Reports what of a key file can't be used, by its kind, on standard error.
void ReportUnusableKeys(const std::wstring& file, const vms::KeyFileContents& contents);

// "Good signature from ...", "BAD signature from ...", ...
std::wstring SignatureSentence(const vms::SignatureVerdict& verdict);

// "\"user ID\" (key ABCD ...)" or "key ABCD ..." for a key without user IDs.
std::wstring KeyOwnerText(const std::string& userId, const vms::Bytes& fingerprint);

struct SignatureOutcome {
    bool good = false;        // at least one Good signature and no Bad one
    bool bad = false;         // a Bad signature
    bool unreadable = false;  // the signature file couldn't be read
};

enum class ReportStyle {
    CheckMode,   // "vmsum: NAME: ..." on standard error, filtered by --status
    VerifyMode,  // "NAME: ..." on standard output
};

// Prints one file's signature lines as the style and options say.
SignatureOutcome ReportFileSignature(const vms::FileSignature& signature, const std::wstring& name, const Options& options,
                                     ReportStyle style);

}  // namespace cli
