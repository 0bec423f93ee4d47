// vmsum's sentences for minisign, signify and SSH signatures, worded as
// plainly as the OpenPGP ones: who signed, by which key, when, and what to
// do about a key vmsum doesn't know.
#pragma once

#include "signatures/common/verdict.h"

#include <string>

namespace cli {

// signer is the verdict's, which has the time a minisign trusted comment gives.
std::wstring MinisignSentence(const vms::MinisignResult& result, const vms::Signer& signer);
std::wstring SshSentence(const vms::SshResult& result);
std::wstring SigstoreSentence(const vms::SigstoreResult& result);

// "\"thomas@python.org\" (signed in with Google, https://accounts.google.com)", and a workflow's repository and ref.
std::wstring SigstoreSignerText(const vms::SigstoreSigner& signer);
// What --list-keys and --trust-identity call a trusted signer.
std::wstring TrustedSignerText(const vms::TrustedSigner& signer);

// The words --list-keys and --trust-key use for a minisign or signify key and an SSH key.
std::wstring MinisignKeyText(const vms::MinisignKey& key);
std::wstring SshKeyText(const vms::SshPublicKey& key);

}  // namespace cli
