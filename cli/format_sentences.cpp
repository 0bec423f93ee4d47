#include "cli/format_sentences.h"

#include "engine/text.h"
#include "signatures/common/crypto.h"
#include "signatures/common/key_text.h"
#include "signatures/common/strict_base64.h"

#include <algorithm>

namespace cli {

using namespace vms;
namespace {

constexpr wchar_t kCantBeTrusted[] = L" The signature can't be trusted.";
constexpr wchar_t kChanged[] = L"the file was changed after it was signed, or the signature isn't by this key.";

std::wstring Quoted(std::string text) {
    std::ranges::replace(text, '\t', ' ');  // minisign's comments separate their fields with tabs
    return L"\"" + UserIdText(text) + L"\"";
}

std::wstring CantBeChecked(const std::string& detail) {
    if (!detail.empty()) return L"The signature can't be checked: " + FromUtf8(detail) + L".";
    return std::wstring(L"The signature can't be checked: ") + kCryptoLibraryNames +
           L" are missing beside vmsum.exe or don't work. Reinstall Verimond.";
}

std::wstring FormatName(const MinisignResult& result) {
    return result.kind == MinisignKind::Signify ? L"signify" : L"minisign";
}

std::wstring MinisignKeyId(const MinisignResult& result) {
    return L"key ID " + FromUtf8(FormatMinisignKeyId(result.keyId));
}

// signify names the key file to verify with in its comment.
std::wstring SignifyHint(const MinisignResult& result) {
    const std::string prefix = "verify with ";
    if (result.kind != MinisignKind::Signify || !result.untrustedComment.starts_with(prefix)) return {};
    return L" The signature says to verify it with " + UserIdText(result.untrustedComment.substr(prefix.size())) + L".";
}

std::wstring SshSigner(const SshResult& result) {
    const std::wstring principals = JoinedNames(result.principals);
    const std::wstring key = FromUtf8(result.keyType) + L" key " + FromUtf8(result.fingerprint);
    return principals.empty() ? key : principals + L" (" + key + L")";
}

std::wstring Presence(const SshResult& result) {
    if (!result.userPresent) return {};
    return *result.userPresent ? L", with the security key touched" : L", without touching the security key";
}

// The identity providers people know by name.
struct KnownIssuer {
    std::string_view url;
    const wchar_t* name;
};
constexpr KnownIssuer kKnownIssuers[] = {
    {"https://accounts.google.com", L"Google"},
    {"https://github.com/login/oauth", L"GitHub"},
    {"https://token.actions.githubusercontent.com", L"GitHub Actions"},
    {"https://gitlab.com", L"GitLab"},
    {"https://login.microsoftonline.com", L"Microsoft"},
};

std::wstring IssuerText(const std::string& issuer) {
    const auto known = std::ranges::find(kKnownIssuers, issuer, &KnownIssuer::url);
    if (known == std::end(kKnownIssuers)) return L"signed in at " + UserIdText(issuer);
    return std::wstring(L"signed in with ") + known->name + L", " + UserIdText(issuer);
}

std::wstring SigstoreKeyText(const PkixKey& key) {
    static constexpr const wchar_t* kNames[] = {L"ECDSA P-256", L"ECDSA P-384", L"ECDSA P-521", L"Ed25519"};
    std::string digest = EncodeBase64(KeyId(key));
    while (!digest.empty() && digest.back() == '=') digest.pop_back();
    return std::wstring(kNames[static_cast<int>(key.kind)]) + L" key SHA256:" + FromUtf8(digest);
}

std::wstring Quote(const std::string& text) { return L"\"" + UserIdText(text) + L"\""; }

}  // namespace

std::wstring SigstoreSignerText(const SigstoreSigner& signer) {
    std::wstring text = Quote(signer.identity) + L" (" + IssuerText(signer.issuer);
    if (!signer.repository.empty()) text += L"; repository " + UserIdText(signer.repository);
    if (!signer.reference.empty()) text += L" at " + UserIdText(signer.reference);
    return text + L")";
}

std::wstring TrustedSignerText(const TrustedSigner& signer) {
    if (signer.identity.empty()) {
        return L"Sigstore repository " + Quote(signer.repository) + L" (every release, " + IssuerText(signer.issuer) + L")";
    }
    return L"Sigstore signer " + Quote(signer.identity) + L" (" + IssuerText(signer.issuer) + L")";
}

std::wstring SigstoreSentence(const SigstoreResult& result) {
    const std::wstring what = result.attestation ? L"Sigstore attestation" : L"Sigstore signature";
    const std::wstring logged = result.loggedAt ? L", logged " + FormatDateTime(*result.loggedAt) : L"";
    switch (result.state) {
    case SignatureState::Good:
        if (result.key) return L"Good " + what + L" by " + SigstoreKeyText(*result.key) + logged + L".";
        return L"Good " + what + L" by " + SigstoreSignerText(*result.signer) + logged + L".";
    case SignatureState::Bad:
        return L"BAD " + what + L": " + FromUtf8(result.detail) + L". Don't trust it.";
    case SignatureState::UnknownKey: {
        if (!result.signer) {
            return L"Signed with Sigstore by a key vmsum wasn't given" +
                   (result.detail.empty() ? std::wstring() : L" (" + UserIdText(result.detail) + L")") +
                   L". If you trust it, get the publisher's public key file (cosign.pub) and give it with --key <file>.";
        }
        const SigstoreSigner& signer = *result.signer;
        std::wstring sentence = L"Signed with Sigstore by " + SigstoreSignerText(signer) + logged +
                                L", a signer vmsum doesn't trust yet. Compare it with the signers the project names on "
                                L"its own website (python.org, for example, lists its release managers' identities). "
                                L"If it is theirs, run \"vmsum --trust-identity " + FromUtf8(signer.identity) +
                                L" --certificate-oidc-issuer " + FromUtf8(signer.issuer) + L"\"";
        if (!signer.repository.empty()) {
            sentence += L", or to trust every release of the repository, \"vmsum --trust-repository " +
                        FromUtf8(signer.repository) + L" --certificate-oidc-issuer " + FromUtf8(signer.issuer) + L"\"";
        }
        return sentence + L"; for this run only, give --certificate-identity and --certificate-oidc-issuer.";
    }
    case SignatureState::Unsupported:
        return L"The signature uses " + FromUtf8(result.detail) + L", which vmsum can't check.";
    case SignatureState::Malformed:
        return L"The Sigstore bundle is damaged (" + FromUtf8(result.detail) + L").";
    case SignatureState::Expired:
    case SignatureState::Revoked:
    case SignatureState::Weak:
    case SignatureState::Uncheckable:
        break;
    }
    return CantBeChecked(result.detail);
}

std::wstring MinisignSentence(const MinisignResult& result, const Signer& signer) {
    const std::wstring kind = FormatName(result);
    switch (result.state) {
    case SignatureState::Good:
        if (result.kind == MinisignKind::Signify) {
            return L"Good signify signature by " + MinisignKeyId(result) + L"." + SignifyHint(result);
        }
        return L"Good minisign signature by " + MinisignKeyId(result) +
               (signer.signedAt ? L", made " + FormatDateTime(*signer.signedAt) : L"") + L", trusted comment: " +
               Quoted(result.trustedComment) + L".";
    case SignatureState::Bad:
        return L"BAD " + kind + L" signature by " + MinisignKeyId(result) + L": " +
               (result.commentChanged ? L"its trusted comment was changed after it was signed." : kChanged) +
               L" Don't trust it.";
    case SignatureState::UnknownKey:
        return L"Signed by an unknown " + kind + L" key (" + MinisignKeyId(result) + L")." + SignifyHint(result) +
               L" If you trust it, get the publisher's public key from their website (a .pub file, or the key "
               L"text starting with \"RW\"), compare it, and run \"vmsum --trust-key <key file>\", or give it for "
               L"this run with --key <key file or key text>.";
    case SignatureState::Malformed:
        // A damaged signature may not even say which of the two it is.
        return L"The signature is damaged or isn't a minisign or signify signature (" + FromUtf8(result.detail) + L").";
    case SignatureState::Expired:
    case SignatureState::Revoked:
    case SignatureState::Weak:
    case SignatureState::Unsupported:
    case SignatureState::Uncheckable:
        break;
    }
    return CantBeChecked(result.detail);
}

std::wstring SshSentence(const SshResult& result) {
    switch (result.state) {
    case SignatureState::Good:
        return L"Good SSH signature from " + SshSigner(result) + L", namespace " + Quoted(result.signatureNamespace) +
               Presence(result) + L".";
    case SignatureState::Bad:
        if (result.detail == "namespace") {
            return L"BAD SSH signature from " + SshSigner(result) + L": it was made for the namespace " +
                   Quoted(result.signatureNamespace) + L", which that key may not sign for. Don't trust it.";
        }
        return L"BAD SSH signature from " + SshSigner(result) + L": " + kChanged + L" Don't trust it.";
    case SignatureState::UnknownKey:
        return L"Signed by an unknown SSH key (" + FromUtf8(result.fingerprint) +
               L"). If you trust it, get the publisher's allowed_signers file or public key (.pub) from their "
               L"website, compare the fingerprint, and run \"vmsum --trust-key <file>\", or give it for this run "
               L"with --key <file>.";
    case SignatureState::Expired:
        return L"Signed by " + SshSigner(result) + L", but its allowed_signers line trusts that key only " +
               (result.detail == "valid-after" ? L"from a date still to come." : L"until a date that has passed.") +
               kCantBeTrusted;
    case SignatureState::Weak:
        return L"Signed by " + SshSigner(result) + L" with " + FromUtf8(result.detail) + L", which is too weak to be safe." +
               kCantBeTrusted;
    case SignatureState::Unsupported:
        return L"The signature uses " + FromUtf8(result.detail) + L", which vmsum can't check.";
    case SignatureState::Malformed:
        return L"The signature is damaged or isn't an SSH signature (" + FromUtf8(result.detail) + L").";
    case SignatureState::Revoked:
    case SignatureState::Uncheckable:
        break;
    }
    return CantBeChecked(result.detail);
}

std::wstring MinisignKeyText(const MinisignKey& key) {
    std::wstring text = L"minisign key " + FromUtf8(FormatMinisignKeyId(key.keyId));
    if (!key.comment.empty()) text += L" (" + Quoted(key.comment) + L")";
    return text;
}

std::wstring SshKeyText(const SshPublicKey& key) {
    std::wstring text = L"SSH key " + FromUtf8(SshFingerprint(key));
    if (!key.comment.empty()) text += L" (" + Quoted(key.comment) + L")";
    return text;
}

}  // namespace cli
