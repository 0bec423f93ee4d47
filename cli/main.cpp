#include "cli/run_modes.h"
#include "cli/options.h"

int wmain(int argc, wchar_t** argv) {
    using namespace cli;
    Options options;
    const ParseOutcome outcome = ParseCommandLine(argc, argv, options);
    if (outcome.finished) return static_cast<int>(outcome.exitCode);

    const int modeCount = int{options.text.has_value()} + int{options.expect.has_value()} + int{options.check};
    if (modeCount >= 2) return UsageError(L"Use only one of --check, --expect and --text.");
    const int keyModeCount = int{options.verifySignature} + int{options.trustKey.has_value()} +
                             int{options.listKeys} + int{options.forgetKey.has_value()} + int{options.audit.has_value()};
    if (keyModeCount >= 2 || (keyModeCount == 1 && modeCount == 1)) {
        return UsageError(L"Use only one of --check, --expect, --text, --audit, --verify-signature, --trust-key, "
                          L"--list-keys and --forget-key.");
    }
    const bool trustSigner = options.trustIdentity || options.trustRepository;
    if (trustSigner && (keyModeCount + modeCount > 0 || !options.inputs.empty() ||
                        (options.trustIdentity && options.trustRepository))) {
        return UsageError(L"Use --trust-identity or --trust-repository on its own, with --certificate-oidc-issuer.");
    }
    if ((trustSigner || options.certificateIdentity) && !options.certificateIssuer) {
        return UsageError(L"Name the signer's identity provider with --certificate-oidc-issuer URL.");
    }
    if (options.certificateIssuer && !options.certificateIssuer->starts_with(L"https://")) {
        return UsageError(L"--certificate-oidc-issuer needs the identity provider's URL, starting with https://.");
    }
    if (options.certificateIssuer && !trustSigner && !options.certificateIdentity) {
        return UsageError(L"--certificate-oidc-issuer goes with --certificate-identity, --trust-identity or "
                          L"--trust-repository.");
    }
    if (trustSigner) return RunTrustSigner(options);
    if (options.audit) return RunAudit(options);
    if (keyModeCount == 1 && !options.verifySignature && !options.inputs.empty()) {
        return UsageError(L"--trust-key, --list-keys and --forget-key take no file names.");
    }
    if (options.signatureFile && (options.check || options.verifySignature) && options.inputs.size() > 1) {
        return UsageError(L"--signature goes with one signed file only.");
    }
    if (options.trustKey) return RunTrustKey(options);
    if (options.listKeys) return RunListKeys(options);
    if (options.forgetKey) return RunForgetKey(options);
    if (options.verifySignature) {
        if (options.inputs.empty()) return UsageError(L"--verify-signature needs the signed files.");
        return RunVerifySignature(options);
    }
    if (options.text) {
        if (!options.inputs.empty()) return UsageError(L"--text hashes the string only. Leave out the file names.");
        return RunText(options);
    }
    if (options.check) return RunCheck(options);
    if (options.expect) return RunExpect(options);
    return RunCompute(options);
}
