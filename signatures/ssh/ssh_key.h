// OpenSSH public keys: the wire form that signatures embed and fingerprints
// hash, and the "TYPE BASE64 [comment]" lines of .pub and allowed_signers files.
#pragma once

#include "engine/result.h"
#include "signatures/common/byte_reader.h"

#include <string>
#include <string_view>
#include <vector>

namespace vms {

enum class SshKeyType { Ed25519, EcdsaP256, EcdsaP384, EcdsaP521, Rsa, SkEd25519, SkEcdsaP256 };

struct SshPublicKey {
    SshKeyType type = SshKeyType::Ed25519;
    Bytes blob;               // the wire form: what fingerprints hash and trust compares
    Bytes point;              // Ed25519: the 32-byte key; ECDSA: 04 || X || Y
    Bytes modulus;            // RSA, big-endian without leading zeros
    Bytes exponent;           // RSA
    std::string application;  // security keys: the FIDO application, usually "ssh:"
    std::size_t bits = 0;     // RSA: the modulus's; curves: their size
    std::string comment;      // what follows the key on its text line
};

// The largest key blob read; an RSA key of kMaxSshRsaBits is well under it.
inline constexpr std::size_t kMaxSshKeyBlob = 8192;
inline constexpr std::size_t kMaxSshRsaBits = 16384;

// "ssh-ed25519", "ecdsa-sha2-nistp256", ... as written in keys and lines.
std::string_view SshKeyTypeName(SshKeyType type);

// The key, or why there is none: Unsupported for certificates and other key
// types (the detail names them), Malformed for damaged data.
Result<SshPublicKey> ParseSshKeyBlob(ByteSpan blob);

// "TYPE BASE64 [comment]", blanks before it and a line end (LF or CR LF)
// after it allowed; TYPE must be the type the blob names.
Result<SshPublicKey> ParseSshKeyLine(std::string_view line);

// The fingerprint as ssh-keygen prints it: "SHA256:" and the unpadded base64
// of the blob's SHA-256. Requires CryptoAvailable(); throws std::runtime_error
// when the digest can't be computed.
std::string SshFingerprint(const SshPublicKey& key);

// A name read from the data, printable for a detail: other characters become
// "?" and a long one is cut.
std::string PrintableName(std::string_view name);

}  // namespace vms
