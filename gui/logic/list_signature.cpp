#include "gui/logic/list_signature.h"

#include "engine/text.h"
#include "signatures/common/key_text.h"

namespace app {
namespace {

ListSignatureState StateOf(vms::SignatureState state) {
    switch (state) {
    case vms::SignatureState::Good: return ListSignatureState::Good;
    case vms::SignatureState::Bad: return ListSignatureState::Bad;
    case vms::SignatureState::UnknownKey: return ListSignatureState::UnknownKey;
    case vms::SignatureState::Expired: return ListSignatureState::Expired;
    case vms::SignatureState::Revoked: return ListSignatureState::Revoked;
    case vms::SignatureState::Weak: return ListSignatureState::Weak;
    case vms::SignatureState::Unsupported: return ListSignatureState::Unsupported;
    case vms::SignatureState::Malformed: return ListSignatureState::Malformed;
    case vms::SignatureState::Uncheckable: return ListSignatureState::Uncheckable;
    }
    return ListSignatureState::Malformed;
}

// The key as people are told which it is: an OpenPGP fingerprint alone, other formats by name.
std::wstring KeyText(const vms::Signer& signer) {
    switch (signer.kind) {
    case vms::SignerKind::OpenPgp: return signer.identifier;
    case vms::SignerKind::Minisign: return L"minisign key " + signer.identifier;
    case vms::SignerKind::Signify: return L"signify key " + signer.identifier;
    case vms::SignerKind::Ssh: return L"SSH key " + signer.identifier;
    case vms::SignerKind::Sigstore:
        if (signer.identifier.empty() && !signer.signedAt) return L"Sigstore";  // a failed check names no one
        return L"Sigstore, " + (signer.identifier.empty() ? L"a key" : L"issuer " + signer.identifier) +
               (signer.signedAt ? L", logged " + vms::FormatDateTime(*signer.signedAt) : L"");
    }
    return signer.identifier;
}

}  // namespace

ListSignature SummarizeSignature(const vms::FileSignature& file) {
    ListSignature summary;
    if (file.source == vms::SignatureSource::None) {
        summary.state = ListSignatureState::Unsigned;
        return summary;
    }
    if (file.readError != 0 || file.check.signatures.empty()) {
        summary.state = ListSignatureState::Malformed;
        return summary;
    }
    const auto pick = [&]() -> const vms::SignatureVerdict& {
        for (const vms::SignatureVerdict& verdict : file.check.signatures) {
            if (verdict.state == vms::SignatureState::Bad) return verdict;
        }
        if (file.check.Good()) {
            for (const vms::SignatureVerdict& verdict : file.check.signatures) {
                if (verdict.state == vms::SignatureState::Good) return verdict;
            }
        }
        return file.check.signatures.front();
    };
    const vms::SignatureVerdict& chosen = pick();
    summary.state = StateOf(chosen.state);
    summary.key = KeyText(chosen.signer);
    if (const auto* sigstore = std::get_if<vms::SigstoreResult>(&chosen.findings)) {
        summary.sigstoreSigner = sigstore->signer;
        if (sigstore->loggedAt) summary.logged = vms::FormatDate(*sigstore->loggedAt);
    }
    // Without a name the key stands for the signer: "key ABCD ...", "minisign key ...".
    summary.signer = !chosen.signer.name.empty()                   ? chosen.signer.name
                     : chosen.signer.kind == vms::SignerKind::Sigstore && chosen.state == vms::SignatureState::Bad
                         ? std::wstring()  // a bundle that failed names no signer
                     : chosen.signer.kind == vms::SignerKind::OpenPgp ? L"key " + summary.key
                                                                      : summary.key;
    // An OpenPGP key ID is the fingerprint's last eight bytes, its last four groups.
    constexpr std::size_t kKeyIdLength = 19;
    summary.keyId = chosen.signer.kind == vms::SignerKind::OpenPgp && summary.key.size() > kKeyIdLength
                        ? summary.key.substr(summary.key.size() - kKeyIdLength)
                        : summary.key;
    return summary;
}

std::wstring SignedByText(const ListSignature& signature, SignedThing thing) {
    const std::wstring key = L" (" + signature.key + L")";
    // A signer known only by the key is not named twice.
    const std::wstring signer = signature.signer == signature.key ? signature.signer : signature.signer + key;
    switch (signature.state) {
    case ListSignatureState::Checking: return L"Checking...";
    case ListSignatureState::Unsigned: return L"Not signed";
    case ListSignatureState::Good: return signer;
    case ListSignatureState::Bad:
        return (signature.signer.empty() ? L"BAD signature" + key : L"BAD signature by " + signer) +
               (thing == SignedThing::List ? L": don't trust this list" : L": don't trust this file");
    case ListSignatureState::UnknownKey:
        return signature.sigstoreSigner ? L"A signer you don't trust yet: " + signer : L"An unknown key" + key;
    case ListSignatureState::Expired: return signer + L", but the key or signature has expired";
    case ListSignatureState::Revoked: return signer + L", but the key has been revoked";
    case ListSignatureState::Weak: return signer + L", with a weak digest or key";
    case ListSignatureState::Unsupported: return L"Signed in a way Verimond can't check";
    case ListSignatureState::Malformed: return L"The signature is damaged";
    case ListSignatureState::Uncheckable: return L"Can't be checked (libgcrypt is missing)";
    }
    return {};
}

std::wstring SignatureClause(const ListSignature& signature, bool afterListName) {
    switch (signature.state) {
    case ListSignatureState::Checking:
    case ListSignatureState::Unsigned:
    case ListSignatureState::Bad: return {};
    case ListSignatureState::Good:
        return (afterListName ? L", which is signed by " : L", and the list is signed by ") + signature.signer + L".";
    case ListSignatureState::UnknownKey:
        return signature.sigstoreSigner ? L", but the list is signed by " + signature.signer + L", whom you don't trust yet."
                                     : L", but the list is signed by a key you don't trust yet.";
    case ListSignatureState::Expired: return L", but the list's signing key or signature has expired.";
    case ListSignatureState::Revoked: return L", but the list's signing key has been revoked.";
    case ListSignatureState::Weak: return L", but the list's signature is weak (a broken digest or short key).";
    case ListSignatureState::Unsupported: return L", but the list's signature can't be checked.";
    case ListSignatureState::Malformed: return L", but the list's signature is damaged.";
    case ListSignatureState::Uncheckable: return L", but the list's signature can't be checked here.";
    }
    return {};
}

ListSignature CombineSignatures(std::span<const ListSignature* const> signatures) {
    const ListSignature* firstOther = nullptr;
    bool allGood = !signatures.empty();
    for (const ListSignature* signature : signatures) {
        if (signature->state == ListSignatureState::Bad) return *signature;
        allGood &= signature->state == ListSignatureState::Good;
        if (!firstOther && signature->state != ListSignatureState::Good &&
            signature->state != ListSignatureState::Unsigned && signature->state != ListSignatureState::Checking) {
            firstOther = signature;
        }
    }
    if (allGood) return *signatures.front();
    if (firstOther) return *firstOther;
    return SignatureIn(ListSignatureState::Unsigned);
}

}  // namespace app
