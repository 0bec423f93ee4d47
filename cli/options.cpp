#include "cli/options.h"

#include "cli/console.h"
#include "cli/help.h"
#include "verimond_version.h"

namespace cli {

using namespace vms;
namespace {

enum class Action {
    Help, Version, ListAlgorithms, Algorithms, Recursive, Hidden, Upper, Format, Tag,
    Check, Quiet, Status, IgnoreMissing, Ignored, Expect, Text,
    Key, Signature, RequireSignature, VerifySignature, TrustKey, ListKeys, ForgetKey, Audit, Verbose, Update,
    CertificateIdentity, CertificateIssuer, TrustIdentity, TrustRepository, TrustedRoot, Jobs,
};

struct OptionName {
    std::wstring_view name;
    Action action;
};

// Compared exactly and case-sensitively, in this order.
constexpr OptionName kOptionNames[] = {
    {L"-h", Action::Help}, {L"--help", Action::Help}, {L"-?", Action::Help}, {L"/?", Action::Help},
    {L"--version", Action::Version},
    {L"--list-algorithms", Action::ListAlgorithms},
    {L"-a", Action::Algorithms}, {L"--algorithm", Action::Algorithms}, {L"--algorithms", Action::Algorithms},
    {L"-r", Action::Recursive}, {L"--recursive", Action::Recursive},
    {L"--hidden", Action::Hidden},
    {L"-u", Action::Upper}, {L"--upper", Action::Upper},
    {L"-f", Action::Format}, {L"--format", Action::Format},
    {L"--tag", Action::Tag},
    {L"-c", Action::Check}, {L"--check", Action::Check},
    {L"-q", Action::Quiet}, {L"--quiet", Action::Quiet},
    {L"--status", Action::Status},
    {L"--ignore-missing", Action::IgnoreMissing},
    // Accepted for compatibility with other checksum tools; they change nothing.
    {L"-b", Action::Ignored}, {L"--binary", Action::Ignored}, {L"-t", Action::Ignored},
    {L"--text-mode", Action::Ignored}, {L"--strict", Action::Ignored}, {L"-w", Action::Ignored},
    {L"--warn", Action::Ignored},
    {L"--expect", Action::Expect},
    {L"--text", Action::Text},
    {L"--key", Action::Key},
    {L"--signature", Action::Signature},
    {L"--require-signature", Action::RequireSignature},
    {L"--verify-signature", Action::VerifySignature},
    {L"--trust-key", Action::TrustKey},
    {L"--list-keys", Action::ListKeys},
    {L"--forget-key", Action::ForgetKey},
    {L"--audit", Action::Audit},
    {L"-v", Action::Verbose}, {L"--verbose", Action::Verbose},
    {L"--update", Action::Update},
    {L"--certificate-identity", Action::CertificateIdentity},
    {L"--certificate-oidc-issuer", Action::CertificateIssuer},
    {L"--trust-identity", Action::TrustIdentity},
    {L"--trust-repository", Action::TrustRepository},
    {L"--trusted-root", Action::TrustedRoot},
    {L"-j", Action::Jobs}, {L"--jobs", Action::Jobs},
};

// The message for an option whose value is missing; empty for options without one.
std::wstring_view MissingValueMessage(Action action) {
    switch (action) {
    case Action::Algorithms: return L"--algorithm needs a list, for example -a sha256,md5.";
    case Action::Format: return L"--format must be gnu, bsd, sfv, csv or json.";
    case Action::Expect: return L"--expect needs the expected hash.";
    case Action::Text: return L"--text needs the string to hash.";
    case Action::Key: return L"--key needs a key file.";
    case Action::Signature: return L"--signature needs a signature file.";
    case Action::TrustKey: return L"--trust-key needs a key file.";
    case Action::ForgetKey: return L"--forget-key needs a key's fingerprint.";
    case Action::Audit: return L"--audit needs the checksum file to audit against.";
    case Action::CertificateIdentity: return L"--certificate-identity needs the signer's e-mail address or URI.";
    case Action::CertificateIssuer: return L"--certificate-oidc-issuer needs the URL of the signer's identity provider.";
    case Action::TrustIdentity: return L"--trust-identity needs the signer's e-mail address or URI.";
    case Action::TrustRepository: return L"--trust-repository needs the repository's URL.";
    case Action::TrustedRoot: return L"--trusted-root needs a trusted_root.json file.";
    case Action::Jobs: return L"--jobs needs the number of files to hash at once, 1 or more.";
    default: return {};
    }
}

const OptionName* FindOption(std::wstring_view name) {
    for (const OptionName& option : kOptionNames) {
        if (option.name == name) return &option;
    }
    return nullptr;
}

// A whole number from 1 to kMaxJobs, digits only.
std::optional<unsigned> ParseJobs(std::wstring_view text) {
    if (text.empty() || text.size() > 3) return std::nullopt;
    unsigned jobs = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        jobs = jobs * 10 + static_cast<unsigned>(c - L'0');
    }
    if (jobs == 0 || jobs > kMaxJobs) return std::nullopt;
    return jobs;
}

ParseOutcome Finish(int exitCode) { return {static_cast<std::uint32_t>(exitCode), true}; }

}  // namespace

int UsageError(std::wstring_view message) {
    WriteErrLine(L"vmsum: " + std::wstring(message));
    WriteErrLine(L"Run \"vmsum --help\" for the options.");
    return 2;
}

ParseOutcome ParseCommandLine(int argc, const wchar_t* const* argv, Options& options) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view argument = argv[i];
        if (optionsEnded || argument.size() < 2 || (argument[0] != L'-' && argument != L"/?")) {
            options.inputs.emplace_back(argument);
            continue;
        }
        if (argument == L"--") {
            optionsEnded = true;
            continue;
        }
        std::wstring_view name = argument;
        std::optional<std::wstring_view> inlineValue;
        if (argument.starts_with(L"--")) {
            if (const size_t equals = argument.find(L'='); equals != std::wstring_view::npos) {
                name = argument.substr(0, equals);
                inlineValue = argument.substr(equals + 1);
            }
        }
        const OptionName* option = FindOption(name);
        if (!option) return Finish(UsageError(L"Unknown option " + std::wstring(name) + L"."));

        const std::wstring_view missingMessage = MissingValueMessage(option->action);
        std::optional<std::wstring_view> value;
        if (!missingMessage.empty()) {
            if (inlineValue) {
                value = inlineValue;
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                return Finish(UsageError(missingMessage));
            }
        }

        switch (option->action) {
        case Action::Help:
            WriteHelp();
            return Finish(0);
        case Action::Version:
            WriteOutLine(L"vmsum " VM_VERSION_WTEXT);
            return Finish(0);
        case Action::ListAlgorithms:
            WriteAlgorithmList();
            return Finish(0);
        case Action::Algorithms: {
            std::wstring offending;
            if (!ParseAlgorithmList(*value, options.algorithms, offending)) {
                return Finish(UsageError(L"Unknown algorithm \"" + offending +
                                         L"\". Run \"vmsum --list-algorithms\" to see them."));
            }
            break;
        }
        case Action::Recursive: options.recursive = true; break;
        case Action::Hidden: options.hidden = true; break;
        case Action::Upper: options.upper = true; break;
        case Action::Format: {
            const auto format = ParseFormatName(*value);
            if (!format) return Finish(UsageError(missingMessage));
            options.format = *format;
            options.formatGiven = true;
            break;
        }
        case Action::Tag:
            options.format = OutputFormat::Bsd;
            options.formatGiven = true;
            break;
        case Action::Check: options.check = true; break;
        case Action::Quiet: options.quiet = true; break;
        case Action::Status: options.status = true; break;
        case Action::IgnoreMissing: options.ignoreMissing = true; break;
        case Action::Ignored: break;
        case Action::Expect: options.expect = std::wstring(*value); break;
        case Action::Text: options.text = std::wstring(*value); break;
        case Action::Key: options.keyFiles.emplace_back(*value); break;
        case Action::Signature: options.signatureFile = std::wstring(*value); break;
        case Action::RequireSignature: options.requireSignature = true; break;
        case Action::VerifySignature: options.verifySignature = true; break;
        case Action::TrustKey: options.trustKey = std::wstring(*value); break;
        case Action::ListKeys: options.listKeys = true; break;
        case Action::ForgetKey: options.forgetKey = std::wstring(*value); break;
        case Action::Audit: options.audit = std::wstring(*value); break;
        case Action::Verbose: options.verbose = true; break;
        case Action::Update: options.update = true; break;
        case Action::CertificateIdentity: options.certificateIdentity = std::wstring(*value); break;
        case Action::CertificateIssuer: options.certificateIssuer = std::wstring(*value); break;
        case Action::TrustIdentity: options.trustIdentity = std::wstring(*value); break;
        case Action::TrustRepository: options.trustRepository = std::wstring(*value); break;
        case Action::TrustedRoot: options.trustedRoot = std::wstring(*value); break;
        case Action::Jobs: {
            const std::optional<unsigned> jobs = ParseJobs(*value);
            if (!jobs) return Finish(UsageError(missingMessage));
            options.jobs = *jobs;
            break;
        }
        }
    }
    return {};
}

}  // namespace cli
