#include "gui/window/key_trust.h"

#include "engine/error_text.h"
#include "engine/file_bytes.h"
#include "engine/text.h"
#include "gui/system/shell.h"
#include "gui/window/message_dialog.h"
#include "signatures/common/crypto.h"
#include "signatures/common/key_text.h"
#include "signatures/common/signed_file.h"
#include "signatures/common/trusted_keys.h"
#include "signatures/sigstore/trusted_signers.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <string_view>

namespace app {
namespace {

const COMDLG_FILTERSPEC kKeyFilters[] = {
    {L"Public keys", L"*.asc;*.gpg;*.key;*.pub;allowed_signers"},
    {L"All files", L"*.*"},
};

constexpr int kTrustButton = 100;
constexpr int kTrustRepositoryButton = 101;

std::wstring OpenPgpDescription(const vms::CertifiedKey& key) {
    std::wstring text;
    for (const std::string& userId : key.userIds) text += vms::UserIdText(userId) + L"\n";
    if (key.userIds.empty()) text += L"(This key has no user ID.)\n";
    text += L"\nFingerprint: " + vms::FormatFingerprint(key.primary.fingerprint) + L"\nCreated: " +
            vms::FormatDate(key.primary.created) + L", " + vms::FromUtf8(vms::DescribeKeyAlgorithm(key.primary));
    return text;
}

std::wstring MinisignDescription(const vms::MinisignKey& key) {
    return L"minisign or signify key\n" + (key.comment.empty() ? L"" : vms::UserIdText(key.comment) + L"\n") +
           L"\nKey ID: " + vms::FromUtf8(vms::FormatMinisignKeyId(key.keyId));
}

std::wstring SshDescription(const vms::SshPublicKey& key, const std::vector<vms::AllowedSigner>& lines) {
    std::wstring text = L"SSH key\n";
    if (!key.comment.empty()) text += vms::UserIdText(key.comment) + L"\n";
    for (const vms::AllowedSigner& line : lines) {
        const std::wstring namespaces = line.namespaces ? L", namespaces " + vms::UserIdText(*line.namespaces) : L"";
        text += L"For " + vms::JoinedNames(line.principals) + namespaces + L"\n";
    }
    return text + L"\nFingerprint: " + vms::FromUtf8(vms::SshFingerprint(key)) + L"\nType: " +
           vms::FromUtf8(std::string(vms::SshKeyTypeName(key.type)));
}

void TellStoreFailed(HWND owner, const vms::Error& error) {
    MessageDialog(owner, DialogIcon::Error, L"The key couldn't be stored.",
                  vms::TrustStoreFolder() + L"\n\n" + vms::FormatErrorText(error.systemCode) + L".");
}

// Tells of a failure to store; true when the store changed.
bool StoreChanged(HWND owner, const vms::Result<vms::TrustOutcome>& outcome) {
    if (!outcome) TellStoreFailed(owner, outcome.GetError());
    return outcome && *outcome != vms::TrustOutcome::AlreadyTrusted;
}

// One key's question; trust runs when the user says so. True when the store changed.
bool Ask(HWND owner, const std::wstring& description, const std::function<vms::Result<vms::TrustOutcome>()>& trust) {
    MessageDialogOptions options;
    options.title = L"Trust a Signing Key";
    options.content = description;
    options.instruction = L"Trust this key to sign the downloads you check?";
    options.footer = L"Compare the key with the one on the project's website before you trust it.";
    options.buttons = {{kTrustButton, L"Trust this key"}};
    options.commonButtons = TDCBF_CANCEL_BUTTON;
    options.defaultButton = IDCANCEL;
    if (MessageDialog(owner, options) != kTrustButton) return false;
    return StoreChanged(owner, trust());
}

bool OfferOpenPgpKeys(HWND owner, const vms::KeyLoadResult& loaded, std::uint32_t now) {
    bool trusted = false;
    for (const vms::CertifiedKey& key : loaded.keys) {
        MessageDialogOptions options;
        options.title = L"Trust a Signing Key";
        options.content = OpenPgpDescription(key);
        const bool known = vms::IsTrusted(key.primary.fingerprint);
        if (key.revoked || (key.expires && *key.expires <= now)) {
            options.icon = DialogIcon::Warning;
            options.instruction = key.revoked ? L"This key has been revoked by its owner. It can't be trusted."
                                              : L"This key expired on " + vms::FormatDate(*key.expires) +
                                                    L". It can't be trusted.";
        } else if (known) {
            options.icon = DialogIcon::Information;
            options.instruction = L"This key is already trusted.";
        } else {
            options.instruction = L"Trust this key to sign the downloads you check?";
            options.footer = L"Compare the fingerprint with the one on the project's website before you trust it.";
            options.buttons = {{kTrustButton, L"Trust this key"}};
            options.commonButtons = TDCBF_CANCEL_BUTTON;
            options.defaultButton = IDCANCEL;
        }
        const bool updateOnly = known && (key.revoked || (key.expires && *key.expires <= now));
        const int chosen = MessageDialog(owner, options);
        if (chosen != kTrustButton && !updateOnly) continue;
        // A trusted copy also learns of a revocation or a new expiry date.
        if (const vms::Result<vms::TrustOutcome> outcome = vms::TrustKey(key, now); !outcome) {
            TellStoreFailed(owner, outcome.GetError());
            continue;
        }
        trusted = true;
    }
    return trusted;
}

}  // namespace

KeyOffer OfferToTrustKeys(HWND owner, const std::vector<std::uint8_t>& bytes) {
    const std::uint32_t now = vms::CurrentUnixTime();
    const vms::KeyFileContents contents = vms::ReadKeyFileContents(bytes, now);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    KeyOffer offer;
    switch (contents.kind) {
    case vms::KeyFileKind::None:
    case vms::KeyFileKind::PemPublicKey:  // cosign keys are given to vmsum for each run, never stored
        return offer;
    case vms::KeyFileKind::OpenPgp:
        offer.found = !contents.openpgp->keys.empty();
        offer.trusted = OfferOpenPgpKeys(owner, *contents.openpgp, now);
        return offer;
    case vms::KeyFileKind::Minisign:
        offer.found = true;
        offer.trusted = Ask(owner, MinisignDescription(*contents.minisign),
                            [&] { return vms::TrustMinisignKey(*contents.minisign); });
        return offer;
    case vms::KeyFileKind::SshKeys:
    case vms::KeyFileKind::AllowedSigners:
        // SSH keys are named by their digest, which needs libgcrypt.
        if (!vms::CryptoAvailable()) return offer;
        break;
    }
    offer.found = true;
    for (const vms::SshPublicKey& key : contents.sshKeys.keys) {
        offer.trusted |= Ask(owner, SshDescription(key, {}), [&] { return vms::TrustSshKey(key); });
    }
    // The lines of an allowed_signers file, key by key.
    for (const std::vector<vms::AllowedSigner>& lines : vms::LinesByKey(contents.allowedSigners.signers)) {
        offer.trusted |= Ask(owner, SshDescription(lines.front().key, lines),
                             [&] { return vms::TrustAllowedSigners(text, lines); });
    }
    return offer;
}

bool OfferToTrustSigner(HWND owner, const vms::SigstoreSigner& signer) {
    MessageDialogOptions options;
    options.title = L"Trust a Signer";
    options.instruction = L"Trust this signer to sign the downloads you check?";
    options.content = L"Identity: " + vms::UserIdText(signer.identity) + L"\nSigned in at: " +
                      vms::UserIdText(signer.issuer);
    if (!signer.repository.empty()) options.content += L"\nRepository: " + vms::UserIdText(signer.repository);
    if (!signer.reference.empty()) options.content += L"\nRef: " + vms::UserIdText(signer.reference);
    if (!signer.workflow.empty()) options.content += L"\nWorkflow: " + vms::UserIdText(signer.workflow);
    options.footer = L"Compare the identity with the signers the project names on its own website (python.org, for "
                     L"example, lists its release managers) before you trust it.";
    options.buttons = {{kTrustButton, L"Trust this identity"}};
    if (!signer.repository.empty()) options.buttons.push_back({kTrustRepositoryButton, L"Trust every release of this repository"});
    options.commonButtons = TDCBF_CANCEL_BUTTON;
    options.defaultButton = IDCANCEL;
    const int chosen = MessageDialog(owner, options);
    if (chosen != kTrustButton && chosen != kTrustRepositoryButton) return false;
    vms::TrustedSigner trusted{signer.issuer, chosen == kTrustButton ? signer.identity : std::string(),
                               chosen == kTrustRepositoryButton ? signer.repository : std::string()};
    return StoreChanged(owner, vms::TrustSigner(trusted));
}

KeyOffer OfferToTrustKeyFile(HWND owner, const std::wstring& path) {
    const vms::Result<std::vector<std::uint8_t>> bytes = vms::ReadFileBytes(path, vms::kMaxKeyFileSize);
    if (!bytes) return {};
    return OfferToTrustKeys(owner, *bytes);
}

bool ChooseKeyFilesToTrust(HWND owner) {
    const std::vector<COMDLG_FILTERSPEC> filters(std::begin(kKeyFilters), std::end(kKeyFilters));
    bool trusted = false;
    for (const std::wstring& path : ChooseFiles(owner, L"Trust a Signing Key", filters)) {
        const KeyOffer offer = OfferToTrustKeyFile(owner, path);
        trusted |= offer.trusted;
        if (offer.found) continue;
        MessageDialog(owner, DialogIcon::Warning, L"No public key was found in this file.", path);
    }
    return trusted;
}

}  // namespace app
