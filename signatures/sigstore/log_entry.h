// What a transparency log entry in a bundle proves: that its body names this
// signature, key and digest; that the log promised to include it (the signed
// entry timestamp); and that it is in the tree whose root the log signed (the
// inclusion proof and the checkpoint).
#pragma once

#include "engine/result.h"
#include "signatures/sigstore/bundle.h"
#include "signatures/sigstore/trusted_root.h"

#include <string>

namespace vms {

// What the entry's body must name.
struct ExpectedEntry {
    Bytes signature;
    Bytes verifier;      // the signing certificate's DER, or the plain key's SubjectPublicKeyInfo
    bool verifierIsKey = false;
    Bytes digest;        // message signatures: the artifact's SHA-256
    Bytes payloadHash;   // DSSE: the payload's SHA-256
};

// Success when the body names the expected values, else Malformed saying what differs.
Result<void> CheckEntryBody(const LogEntry& entry, const ExpectedEntry& expected);

// The Merkle audit path of RFC 6962 (2.1.1) from a leaf to a root.
bool VerifyInclusion(ByteSpan leafHash, std::uint64_t index, std::uint64_t treeSize, const std::vector<Bytes>& path,
                     ByteSpan rootHash);

// The leaf hash of an entry body: SHA-256 of 0x00 || body.
Bytes LeafHash(ByteSpan body);

// True when the log signed this promise of the entry, its time and index included.
bool VerifySignedEntryTimestamp(const LogEntry& entry, const TransparencyLog& log);

// True when the checkpoint is a note signed by the log's key whose tree size
// and root hash are the proof's.
bool VerifyCheckpoint(const std::string& note, const TransparencyLog& log, const InclusionProof& proof);

}  // namespace vms
