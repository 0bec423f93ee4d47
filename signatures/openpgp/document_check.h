// Checks the signatures of a document against the keys the user trusts:
// detached signatures over a file's bytes, or a clear-signed text.
#pragma once

#include "signatures/common/document_reader.h"
#include "signatures/common/signature_state.h"
#include "signatures/openpgp/keyring.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vms {

// Why a signature is Bad.
enum class BadReason {
    ValuesDontVerify,      // the data was changed, or the signature isn't by that key
    MadeBeforeKey,         // dated before its key existed
    MadeInFuture,          // dated after the time of the check
    NotCertifiedToSign,    // the key isn't flagged for signing, or a subkey lacks its back-signature
    UnknownCritical,       // a critical subpacket this program can't honour; detail has its type
};

struct SignatureResult {
    SignatureState state = SignatureState::Malformed;
    std::string detail;                  // Unsupported: what; Malformed: the fault; Weak: "SHA-1" or "RSA 1024"
    BadReason badReason = BadReason::ValuesDontVerify;
    std::string userId;                  // the signer's primary user ID, UTF-8, when the key is known
    Bytes primaryFingerprint;            // when the key is known
    Bytes signingFingerprint;            // the key or subkey that made the signature
    Bytes issuer;                        // Unknown key: the fingerprint or, without one, the key ID
    std::optional<std::uint32_t> created;
    std::optional<std::uint32_t> expiredOn;  // Expired: when
    bool weakDigest = false;                 // Weak: the digest, not the key
    bool bySubkey = false;                   // Expired, Revoked: the subkey, not the whole key
    bool signatureExpired = false;           // Expired: the signature itself
};

struct DocumentCheck {
    std::vector<SignatureResult> signatures;  // in the order they are written

    // Good only with at least one Good signature and no Bad one.
    bool Good() const;
    bool AnyBad() const;
};

// The most signatures judged on one document; more makes it Malformed.
inline constexpr std::size_t kMaxDocumentSignatures = 16;
// Largest detached signature file read.
inline constexpr std::uint64_t kMaxSignatureFileSize = 1024 * 1024;

// One Malformed verdict with this fault.
DocumentCheck MalformedSignature(std::string detail);

// Detached signatures (binary or armoured) over the document's bytes.
DocumentCheck CheckDetachedSignatures(ByteSpan signatureData, const DocumentReader& document, const Keyring& keys,
                                      std::uint32_t now);
DocumentCheck CheckDetachedSignatures(ByteSpan signatureData, ByteSpan document, const Keyring& keys,
                                      std::uint32_t now);

// A clear-signed text in place; nothing when the text isn't clear-signed.
std::optional<DocumentCheck> CheckClearSigned(ByteSpan text, const Keyring& keys, std::uint32_t now);

// True when the text holds a "-----BEGIN PGP SIGNED MESSAGE-----" line.
bool IsClearSigned(ByteSpan text);

}  // namespace vms
