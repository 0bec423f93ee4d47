#include "cli/signature_report.h"

#include "cli/console.h"
#include "cli/format_sentences.h"
#include "engine/error_text.h"
#include "engine/file_bytes.h"
#include "engine/text.h"
#include "signatures/common/crypto.h"
#include "signatures/common/key_text.h"
#include "signatures/common/trusted_keys.h"

#include <cwctype>

namespace cli {

using namespace vms;
namespace {

constexpr wchar_t kCantBeTrusted[] = L" The signature can't be trusted.";

std::wstring SignerText(const SignatureResult& result) {
    std::wstring text = KeyOwnerText(result.userId, result.primaryFingerprint);
    if (result.signingFingerprint != result.primaryFingerprint) {
        text.insert(text.size() - (result.userId.empty() ? 0 : 1),
                    L", subkey " + FormatFingerprint(result.signingFingerprint));
    }
    return text;
}

std::wstring BadReasonText(const SignatureResult& result) {
    switch (result.badReason) {
    case BadReason::ValuesDontVerify: break;
    case BadReason::MadeBeforeKey: return L"it is dated before its key existed.";
    case BadReason::MadeInFuture: return L"it is dated in the future (if your clock is wrong, set it right).";
    case BadReason::NotCertifiedToSign: return L"the key that made it isn't certified for signing by its owner.";
    case BadReason::UnknownCritical:
        return L"it carries a condition marked critical that vmsum doesn't know (subpacket " + FromUtf8(result.detail) +
               L").";
    }
    return L"the file was changed after it was signed, or the signature isn't by this key.";
}

std::wstring ExpiredSentence(const SignatureResult& result) {
    const std::wstring what = result.signatureExpired ? L"the signature"
                              : result.bySubkey       ? L"the subkey that made it"
                                                      : L"that key";
    return L"Signed by " + SignerText(result) + L", but " + what + L" expired on " + FormatDate(*result.expiredOn) + L"." +
           kCantBeTrusted;
}

std::wstring UnknownKeySentence(const SignatureResult& result) {
    const std::wstring issuer = result.issuer.size() == 8 ? L"key ID " + FormatFingerprint(result.issuer)
                                                          : FormatFingerprint(result.issuer);
    return L"Signed by an unknown key (" + issuer +
           L"). If you trust it, get the publisher's key from their website, compare its fingerprint, and run "
           L"\"vmsum --trust-key <key file>\", or give it for this run with --key <key file>.";
}

bool Printed(const SignatureVerdict& verdict, const Options& options, ReportStyle style) {
    if (style == ReportStyle::VerifyMode || !options.status) return true;
    return verdict.state == SignatureState::Bad || (options.requireSignature && verdict.state != SignatureState::Good);
}

// The allowed_signers file in the folder of a file given by name, when there is one.
std::optional<std::wstring> AllowedSignersBeside(const std::wstring& name) {
    if (name == L"-") return std::nullopt;
    const std::size_t separator = name.find_last_of(L"\\/");
    const std::wstring path = name.substr(0, separator == std::wstring::npos ? 0 : separator + 1) + L"allowed_signers";
    const DWORD attributes = GetFileAttributesW(ToLongPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
    return path;
}

void PrintLine(const std::wstring& name, const std::wstring& sentence, ReportStyle style) {
    if (style == ReportStyle::VerifyMode) WriteOutLine(name + L": " + sentence);
    else WriteErrLine(L"vmsum: " + name + L": " + sentence);
}

}  // namespace

std::wstring KeyOwnerText(const std::string& userId, const Bytes& fingerprint) {
    if (userId.empty()) return L"key " + FormatFingerprint(fingerprint);
    return L"\"" + UserIdText(userId) + L"\" (key " + FormatFingerprint(fingerprint) + L")";
}

void ReportUnusableKeys(const std::wstring& file, const KeyFileContents& contents) {
    const auto lineErrors = [&](const std::vector<SshLineError>& errors) {
        for (const SshLineError& error : errors) {
            WriteErrLine(L"vmsum: " + file + L": Line " + std::to_wstring(error.line) + L" can't be used: " +
                         FromUtf8(error.error) + L".");
        }
    };
    switch (contents.kind) {
    case KeyFileKind::SshKeys: lineErrors(contents.sshKeys.errors); return;
    case KeyFileKind::AllowedSigners: lineErrors(contents.allowedSigners.errors); return;
    case KeyFileKind::Minisign:
    case KeyFileKind::PemPublicKey: return;
    case KeyFileKind::None:
    case KeyFileKind::OpenPgp: break;
    }
    if (!contents.openpgp) {
        WriteErrLine(L"vmsum: " + file + L": No usable key: " + FromUtf8(contents.openpgp.GetError().detail) + L".");
        return;
    }
    for (const RejectedKey& rejected : contents.openpgp->rejected) {
        WriteErrLine(L"vmsum: " + file + L": Key " + FormatFingerprint(rejected.fingerprint) + L" can't be used: " +
                     FromUtf8(rejected.reason) + L".");
    }
}

bool LoadRunKeys(const Options& options, std::uint32_t now, KeySet& keys) {
    keys = TrustedKeySet(now);
    for (const std::wstring& file : options.keyFiles) {
        const Result<Bytes> data = ReadFileBytes(file, kMaxKeyFileSize);
        if (!data) {
            // Projects print their minisign key as text; --key takes that text too.
            if (std::optional<MinisignKey> key = MinisignKeyFromText(file)) {
                keys.minisign.push_back(std::move(*key));
                continue;
            }
            WriteErrLine(L"vmsum: " + file + L": " + FormatErrorText(data.GetError().systemCode) + L".");
            return false;
        }
        KeyFileContents contents = ReadKeyFileContents(*data, now);
        ReportUnusableKeys(file, contents);
        AddKeys(keys, std::move(contents), now);
    }
    if (options.certificateIdentity) {
        keys.sigstore.signers.push_back({ToUtf8(*options.certificateIssuer), ToUtf8(*options.certificateIdentity), ""});
    }
    if (options.trustedRoot) {
        const Result<Bytes> data = ReadFileBytes(*options.trustedRoot, kMaxTrustedRootSize);
        if (!data) {
            WriteErrLine(L"vmsum: " + *options.trustedRoot + L": " + FormatErrorText(data.GetError().systemCode) +
                         L".");
            return false;
        }
        Result<TrustedRoot> root =
            ParseTrustedRoot(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
        if (!root) {
            std::wstring sentence = FromUtf8(root.GetError().detail);
            sentence[0] = static_cast<wchar_t>(std::towupper(sentence[0]));
            WriteErrLine(L"vmsum: " + *options.trustedRoot + L": " + sentence + L".");
            return false;
        }
        keys.sigstore.root = std::move(*root);
    }
    return true;
}

namespace {

std::wstring OpenPgpSentence(const SignatureResult& result) {
    switch (result.state) {
    case SignatureState::Good:
        return L"Good signature from " + SignerText(result) + L", made " + FormatDateTime(*result.created) + L".";
    case SignatureState::Bad:
        return L"BAD signature from " + SignerText(result) + L": " + BadReasonText(result) + L" Don't trust it.";
    case SignatureState::UnknownKey:
        return UnknownKeySentence(result);
    case SignatureState::Expired:
        return ExpiredSentence(result);
    case SignatureState::Revoked:
        return L"Signed by " + SignerText(result) + L", but " +
               (result.bySubkey ? L"the subkey that made it" : L"that key") + L" has been revoked." + kCantBeTrusted;
    case SignatureState::Weak:
        if (result.weakDigest) {
            return L"Signed by " + SignerText(result) + L" with " + FromUtf8(result.detail) + L", a broken digest." +
                   kCantBeTrusted;
        }
        return L"Signed by " + SignerText(result) + L", but the key is " + FromUtf8(result.detail) +
               L", too short to be safe." + kCantBeTrusted;
    case SignatureState::Unsupported:
        return L"The signature uses " + FromUtf8(result.detail) + L", which vmsum can't check.";
    case SignatureState::Malformed:
        return L"The signature is damaged or isn't an OpenPGP signature (" + FromUtf8(result.detail) + L").";
    case SignatureState::Uncheckable:
        if (!result.detail.empty()) return L"The signature can't be checked: " + FromUtf8(result.detail) + L".";
        return std::wstring(L"The signature can't be checked: ") + kCryptoLibraryNames +
               L" are missing beside vmsum.exe or don't work. Reinstall Verimond.";
    }
    return {};
}

}  // namespace

std::wstring SignatureSentence(const SignatureVerdict& verdict) {
    struct Sentence {
        const Signer& signer;
        std::wstring operator()(const SignatureResult& result) const { return OpenPgpSentence(result); }
        std::wstring operator()(const MinisignResult& result) const { return MinisignSentence(result, signer); }
        std::wstring operator()(const SshResult& result) const { return SshSentence(result); }
        std::wstring operator()(const SigstoreResult& result) const { return SigstoreSentence(result); }
    };
    return std::visit(Sentence{verdict.signer}, verdict.findings);
}

SignatureOutcome ReportFileSignature(const FileSignature& signature, const std::wstring& name, const Options& options,
                                     ReportStyle style) {
    SignatureOutcome outcome;
    if (signature.source == SignatureSource::None) {
        if (style == ReportStyle::VerifyMode || options.requireSignature) {
            PrintLine(name, L"No signature found.", style);
        }
        return outcome;
    }
    if (signature.readError != 0) {
        WriteErrLine(L"vmsum: " + signature.signaturePath + L": " + FormatErrorText(signature.readError) + L".");
        outcome.unreadable = true;
        return outcome;
    }
    bool unknownSshKey = false;
    for (const SignatureVerdict& verdict : signature.check.signatures) {
        if (!Printed(verdict, options, style)) continue;
        PrintLine(name, SignatureSentence(verdict), style);
        unknownSshKey |= verdict.state == SignatureState::UnknownKey && verdict.signer.kind == SignerKind::Ssh;
    }
    // The project's allowed_signers file is often published beside the signed file: named, never used unasked.
    if (const std::optional<std::wstring> beside = unknownSshKey ? AllowedSignersBeside(name) : std::nullopt) {
        PrintLine(name, L"There is an allowed_signers file beside it. If it is the publisher's, run \"vmsum --trust-key " +
                            *beside + L"\", or give it for this run with --key " + *beside + L".",
                  style);
    }
    outcome.good = signature.check.Good();
    outcome.bad = signature.check.AnyBad();
    return outcome;
}

}  // namespace cli
