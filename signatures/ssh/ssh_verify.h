// The mathematics of an SSH signature: the bytes it signs over a document's
// digest, and their verification under the key the signature embeds.
#pragma once

#include "signatures/ssh/ssh_signature.h"

namespace vms {

// "SSHSIG", then as strings the namespace, the reserved field, the digest's
// name and the document's digest.
Bytes SshSignedData(const SshSignature& signature, ByteSpan documentDigest);

// The signature's values over the signed data, by its embedded key. A
// security key signs SHA-256(application) || flags || counter ||
// SHA-256(signed data): Ed25519 over those bytes, ECDSA over their SHA-256.
// Requires CryptoAvailable(); throws std::runtime_error when a digest can't
// be computed.
VerifyOutcome VerifySshSignature(const SshSignature& signature, ByteSpan documentDigest);

}  // namespace vms
