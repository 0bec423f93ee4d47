// Checks an OpenSSH file signature over a document against the keys the user
// trusts: the lines of allowed_signers files, or plain public keys.
#pragma once

#include "signatures/common/document_reader.h"
#include "signatures/ssh/allowed_signers.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vms {

struct SshTrust {
    std::vector<AllowedSigner> allowedSigners;  // limited by their lines' options
    std::vector<SshPublicKey> keys;             // trusted for any namespace, at any time
};

struct SshResult {
    SignatureState state = SignatureState::Malformed;
    // Malformed: the fault; Unsupported: what; Uncheckable: why; Weak: "SHA-1" or "RSA 1024";
    // Expired: "valid-after" or "valid-before", the limit that was crossed;
    // Bad: "namespace" when the signature isn't for a namespace its key may sign.
    std::string detail;
    std::string keyType;                  // "ssh-ed25519", ... when the signature could be read
    std::string fingerprint;              // "SHA256:...", of the key that made it
    std::vector<std::string> principals;  // of the allowed_signers lines that decided the verdict
    std::string signatureNamespace;
    std::optional<bool> userPresent;      // security keys, once verified: the user touched it
    std::optional<std::uint32_t> counter; // security keys, once verified
};

// The signature's verdict at now (seconds since 1970, UTC), when the
// allowed_signers lines' valid-after and valid-before are judged: the
// signature itself carries no time. When requiredNamespace isn't empty, a
// signature made for another namespace is Bad. The document is read only
// when a trusted key made the signature.
SshResult CheckSshSignature(ByteSpan signatureText, const DocumentReader& document, const SshTrust& trust,
                            std::int64_t now, std::string_view requiredNamespace = {});
SshResult CheckSshSignature(ByteSpan signatureText, ByteSpan document, const SshTrust& trust, std::int64_t now,
                            std::string_view requiredNamespace = {});

}  // namespace vms
