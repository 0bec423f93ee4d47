// vmsum's command line: the Options record, its parser and the usage errors.
#pragma once

#include "checksums/output_format.h"
#include "engine/algorithms.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// More files at once than any processor has cores to hash them is a mistake.
inline constexpr unsigned kMaxJobs = 256;

struct Options {
    vms::AlgorithmMask algorithms = 0;  // empty: the modes use SHA-256
    bool recursive = false;
    bool hidden = false;
    bool upper = false;
    vms::OutputFormat format = vms::OutputFormat::Gnu;
    bool formatGiven = false;
    bool check = false;
    bool quiet = false;
    bool status = false;
    bool ignoreMissing = false;
    std::optional<std::wstring> expect;
    std::optional<std::wstring> text;
    std::vector<std::wstring> inputs;  // every non-option argument, in order
    std::vector<std::wstring> keyFiles;          // keys trusted for this run only
    std::optional<std::wstring> signatureFile;   // an explicit detached signature
    bool requireSignature = false;
    bool verifySignature = false;
    std::optional<std::wstring> trustKey;        // a key file to add to the trusted keys
    bool listKeys = false;
    std::optional<std::wstring> forgetKey;       // a fingerprint to remove from the trusted keys
    std::optional<std::wstring> audit;           // a checksum file to audit its folder against
    bool verbose = false;
    bool update = false;                         // --audit writes the refreshed list
    // Sigstore signers, by cosign's option names: trusted for this run, or stored.
    std::optional<std::wstring> certificateIdentity;
    std::optional<std::wstring> certificateIssuer;
    std::optional<std::wstring> trustIdentity;
    std::optional<std::wstring> trustRepository;
    std::optional<std::wstring> trustedRoot;     // a trust root replacing the built-in one for this run
    unsigned jobs = 0;                           // files hashed at once; 0: by each file's device
};

// When finished is set the program returns exitCode at once and runs no mode.
struct ParseOutcome {
    std::uint32_t exitCode = 0;
    bool finished = false;
};

// Parses argv[1..argc-1] into options. Help, version and the algorithm list
// are written here and finish the run with 0; the first usage error is
// reported here and finishes it with 2.
ParseOutcome ParseCommandLine(int argc, const wchar_t* const* argv, Options& options);

// Prints "vmsum: " + message and the help hint to standard error; returns 2.
int UsageError(std::wstring_view message);

}  // namespace cli
