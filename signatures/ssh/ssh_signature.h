// OpenSSH's file signatures, as `ssh-keygen -Y sign` writes them: base64
// between "-----BEGIN SSH SIGNATURE-----" and "-----END SSH SIGNATURE-----"
// of a blob holding the signer's key, a namespace, the document's digest
// algorithm and the signature.
#pragma once

#include "signatures/common/crypto.h"
#include "signatures/ssh/ssh_key.h"

#include <cstdint>
#include <string>

namespace vms {

enum class SshSignatureAlgorithm {
    Ed25519,        // ssh-ed25519
    EcdsaSha256,    // ecdsa-sha2-nistp256
    EcdsaSha384,    // ecdsa-sha2-nistp384
    EcdsaSha512,    // ecdsa-sha2-nistp521
    RsaSha256,      // rsa-sha2-256
    RsaSha512,      // rsa-sha2-512
    RsaSha1,        // ssh-rsa
    SkEd25519,      // sk-ssh-ed25519@openssh.com
    SkEcdsaSha256,  // sk-ecdsa-sha2-nistp256@openssh.com
};

struct SshSignature {
    SshPublicKey key;                 // the key that made it, as the blob embeds it
    std::string signatureNamespace;   // never empty
    Bytes reserved;
    std::string hashName;             // "sha256" or "sha512", as signed
    DigestAlgorithm hash = DigestAlgorithm::Sha512;
    SshSignatureAlgorithm algorithm = SshSignatureAlgorithm::Ed25519;
    Bytes value;                      // Ed25519: R || S; RSA: s
    Bytes r, s;                       // ECDSA, big-endian without leading zeros
    std::uint8_t flags = 0;           // security keys: what the authenticator asserted
    std::uint32_t counter = 0;        // security keys: the authenticator's signature count
};

// Largest signature file read; a signature by the largest RSA key is a few kilobytes.
inline constexpr std::size_t kMaxSshSignatureFileSize = 64 * 1024;

// The user-presence bit of a security key's flags.
inline constexpr std::uint8_t kSkUserPresent = 0x01;

// The armoured text: it must start with the BEGIN line, as ssh-keygen
// requires; lines may end in CR LF; text after the END line is ignored.
// The signature, or why there is none: Unsupported for versions, key types,
// digests and signature types this program doesn't check (the detail names
// them), Malformed for damaged data.
Result<SshSignature> ParseSshSignature(ByteSpan text);

// The blob inside the armour.
Result<SshSignature> ParseSshSignatureBlob(ByteSpan blob);

// True when text starts with the BEGIN line: a cheap test for telling formats apart.
bool LooksLikeSshSignature(ByteSpan text);

}  // namespace vms
