#include "signatures/sigstore/sigstore_check.h"

#include "engine/digest.h"
#include "engine/text.h"
#include "signatures/sigstore/certificate_timestamps.h"
#include "signatures/sigstore/json_fields.h"
#include "signatures/sigstore/ksba_library.h"
#include "signatures/sigstore/log_entry.h"
#include "signatures/sigstore/timestamp_token.h"

#include <algorithm>

namespace vms {
namespace {

constexpr char kInTotoPayloadType[] = "application/vnd.in-toto+json";
constexpr std::string_view kInTotoStatements[] = {"https://in-toto.io/Statement/v0.1",
                                                  "https://in-toto.io/Statement/v1"};
constexpr std::uint8_t kSha256HashAlgorithm = 4;  // TLS HashAlgorithm
constexpr std::uint8_t kEcdsaSignatureAlgorithm = 3;

// The state so far; a check ends at the first step that isn't Good.
struct Failure {
    SignatureState state;
    std::string detail;
};

// DSSE's pre-authentication encoding, which is what the signature covers.
Bytes PreAuthenticationEncoding(const DsseEnvelope& envelope) {
    const std::string header = "DSSEv1 " + std::to_string(envelope.payloadType.size()) + " " + envelope.payloadType +
                               " " + std::to_string(envelope.payload.size()) + " ";
    Bytes encoded(header.begin(), header.end());
    encoded.insert(encoded.end(), envelope.payload.begin(), envelope.payload.end());
    return encoded;
}

// "" when the in-toto statement names the file's SHA-256 among its subjects.
std::optional<Failure> CheckStatement(const DsseEnvelope& envelope, const Bytes& sha256) {
    if (envelope.payloadType != kInTotoPayloadType) {
        return Failure{SignatureState::Unsupported, "an envelope of type " + envelope.payloadType};
    }
    const std::string_view text(reinterpret_cast<const char*>(envelope.payload.data()), envelope.payload.size());
    const std::optional<nlohmann::json> statement = ParseJsonObject(text, kMaxBundleSize);
    const std::optional<std::string> type = statement ? StringMember(*statement, "_type") : std::nullopt;
    const nlohmann::json* subjects = statement ? Member(*statement, "subject") : nullptr;
    if (!type || std::ranges::find(kInTotoStatements, *type) == std::end(kInTotoStatements) || !subjects ||
        !subjects->is_array()) {
        return Failure{SignatureState::Malformed, "its in-toto statement is damaged"};
    }
    const std::string wanted = BytesToHex(sha256, false);
    for (const nlohmann::json& subject : *subjects) {
        const nlohmann::json* digest = Member(subject, "digest");
        if (digest && StringMember(*digest, "sha256") == wanted) return std::nullopt;
    }
    return Failure{SignatureState::Bad, "its attestation names other files, not this one"};
}

// The SHA-256 of the file, read once.
std::optional<Bytes> ArtifactDigest(const SigstoreArtifact& artifact) {
    if (artifact.sha256) return artifact.sha256;
    if (!artifact.document) return std::nullopt;
    DigestContext digest(DigestAlgorithm::Sha256);
    if (!(*artifact.document)([&](ByteSpan bytes) { digest.Update(bytes); })) return std::nullopt;
    return digest.Finish();
}

const TransparencyLog* FindLog(const std::vector<TransparencyLog>& logs, ByteSpan logId) {
    const auto found = std::ranges::find_if(logs, [&](const TransparencyLog& log) {
        return std::ranges::equal(log.logId, logId);
    });
    return found == logs.end() ? nullptr : &*found;
}

// Checks every log entry; adds the times their signed promises prove, and the logs of entries without
// one, whose keys must be valid at the time stamps' times instead.
std::optional<Failure> CheckLogEntries(const Bundle& bundle, const ExpectedEntry& expected, const TrustedRoot& root,
                                       std::vector<std::int64_t>& logTimes,
                                       std::vector<const TransparencyLog*>& unpromised) {
    if (bundle.entries.empty()) return Failure{SignatureState::Bad, "it has no transparency log entry"};
    for (const LogEntry& entry : bundle.entries) {
        const TransparencyLog* log = FindLog(root.transparencyLogs, entry.logId);
        if (!log) return Failure{SignatureState::Bad, "its log entry is in a log the trust root doesn't list"};
        if (const Result<void> body = CheckEntryBody(entry, expected); !body) {
            return Failure{SignatureState::Bad, "its log entry doesn't match: " + body.GetError().detail};
        }
        if (entry.signedEntryTimestamp) {
            if (!VerifySignedEntryTimestamp(entry, *log)) {
                return Failure{SignatureState::Bad, "the log's signed entry timestamp doesn't verify"};
            }
            if (!log->validFor.Contains(*entry.integratedTime)) {
                return Failure{SignatureState::Bad, "the log's key wasn't valid when the entry was logged"};
            }
            logTimes.push_back(*entry.integratedTime);
        } else {
            unpromised.push_back(log);  // Rekor v2 entries carry no time of their own
        }
        if (!entry.proof) {
            // Only version 0.1 may rest on the log's promise alone.
            if (bundle.version != BundleVersion::V01 || !entry.signedEntryTimestamp) {
                return Failure{SignatureState::Bad, "its log entry has no inclusion proof"};
            }
            continue;
        }
        const InclusionProof& proof = *entry.proof;
        if (proof.logIndex < 0 || proof.treeSize <= 0 ||
            !VerifyInclusion(LeafHash(entry.body), static_cast<std::uint64_t>(proof.logIndex),
                             static_cast<std::uint64_t>(proof.treeSize), proof.hashes, proof.rootHash)) {
            return Failure{SignatureState::Bad, "the inclusion proof of its log entry doesn't verify"};
        }
        if (!proof.checkpoint) {
            if (bundle.version != BundleVersion::V01) {
                return Failure{SignatureState::Bad, "the inclusion proof of its log entry has no checkpoint"};
            }
        } else if (!VerifyCheckpoint(*proof.checkpoint, *log, proof)) {
            return Failure{SignatureState::Bad, "the log's checkpoint doesn't verify or isn't the proof's tree"};
        }
    }
    return std::nullopt;
}

// A Fulcio CA of the root, valid at every trusted time, issued the leaf; its issuing certificate returned.
std::optional<Certificate> IssuingAuthority(const Certificate& leaf, const TrustedRoot& root,
                                            const std::vector<std::int64_t>& times) {
    for (const CertificateAuthority& authority : root.certificateAuthorities) {
        if (!std::ranges::all_of(times, [&](std::int64_t t) { return authority.validFor.Contains(t); })) continue;
        std::optional<std::vector<Certificate>> chain = VerifiedChain(authority.chain, times);
        if (!chain || !chain->front().IsCa() || !chain->front().MaySignCertificates() ||
            !leaf.SignedBy(chain->front())) {
            continue;
        }
        return std::move(chain->front());
    }
    return std::nullopt;
}

bool HasLoggedTimestamp(const Certificate& leaf, const Certificate& issuer, const TrustedRoot& root) {
    const std::optional<ByteSpan> extension = leaf.Extension(kTimestampListExtension);
    const std::optional<std::vector<CertificateTimestamp>> timestamps =
        extension ? ParseTimestampList(*extension) : std::nullopt;
    const std::optional<Bytes> body = timestamps ? PrecertificateBody(leaf.Der()) : std::nullopt;
    if (!body) return false;
    const Bytes issuerKeyHash = Sha256Of(issuer.KeyInfo());
    return std::ranges::any_of(*timestamps, [&](const CertificateTimestamp& timestamp) {
        const TransparencyLog* log = FindLog(root.certificateLogs, timestamp.logId);
        if (!log || timestamp.hashAlgorithm != kSha256HashAlgorithm ||
            timestamp.signatureAlgorithm != kEcdsaSignatureAlgorithm ||
            !log->validFor.Contains(static_cast<std::int64_t>(timestamp.timestampMs / 1000))) {
            return false;
        }
        const Bytes signedData = TimestampSignedData(timestamp, issuerKeyHash, *body);
        return VerifyDigestSignature(log->key, Sha256Of(signedData), timestamp.signature) == VerifyOutcome::Good;
    });
}

// The signature over the file's digest or over the envelope, by this key.
VerifyOutcome VerifyContent(const Bundle& bundle, const PkixKey& key, const Bytes& sha256) {
    if (bundle.envelope) {
        return VerifyMessageSignature(key, PreAuthenticationEncoding(*bundle.envelope), bundle.Signature());
    }
    // Ed25519 signs a message whole, and a bundle's message is the file, which can be any size.
    if (key.kind == PkixKeyKind::Ed25519) return VerifyOutcome::InvalidValues;
    return VerifyDigestSignature(key, sha256, bundle.Signature());
}

SigstoreResult Check(const Bundle& bundle, const SigstoreArtifact& artifact, const SigstoreTrust& trust) {
    SigstoreResult result;
    result.attestation = bundle.envelope.has_value();
    // A failed check names no signer: its certificate is only a claim until every step has passed.
    auto fail = [&](Failure failure) {
        result.state = failure.state;
        result.detail = std::move(failure.detail);
        result.signer.reset();
        result.key.reset();
        return result;
    };
    if (bundle.message && !bundle.message->digestAlgorithm.empty() && bundle.message->digestAlgorithm != "SHA2_256") {
        return fail({SignatureState::Unsupported, "a message digest of " + bundle.message->digestAlgorithm});
    }
    const std::optional<Bytes> sha256 = ArtifactDigest(artifact);
    if (!sha256) return fail({SignatureState::Uncheckable, "the file can't be read"});
    if (bundle.message && !bundle.message->digestAlgorithm.empty() && bundle.message->digest != *sha256) {
        return fail({SignatureState::Bad, "the file was changed after it was signed"});
    }
    const TrustedRoot& root = trust.Root();
    ExpectedEntry expected;
    expected.signature = bundle.Signature();
    if (bundle.envelope) expected.payloadHash = Sha256Of(bundle.envelope->payload);
    else expected.digest = *sha256;

    std::optional<Certificate> leaf;
    if (bundle.certificates.empty()) {
        // A plain key's bundle: the key is one the user gave or trusted.
        for (const PkixKey& key : trust.keys) {
            if (VerifyContent(bundle, key, *sha256) == VerifyOutcome::Good) result.key = key;
        }
        if (!result.key) return fail({SignatureState::UnknownKey, bundle.publicKeyHint});
        expected.verifier = result.key->der;
        expected.verifierIsKey = true;
    } else {
        leaf = Certificate::Parse(bundle.certificates.front());
        if (!leaf) return fail({SignatureState::Malformed, "its certificate is damaged"});
        for (std::size_t i = 1; i < bundle.certificates.size(); ++i) {
            const std::optional<Certificate> other = Certificate::Parse(bundle.certificates[i]);
            if (!other) return fail({SignatureState::Malformed, "a certificate of its chain is damaged"});
            // Trust comes from the trust root only; a root the bundle brings along proves nothing.
            if (other->SelfIssued()) return fail({SignatureState::Bad, "it brings its own root certificate"});
        }
        result.signer = SignerOf(*leaf);
        const VerifyOutcome outcome = VerifyContent(bundle, leaf->Key(), *sha256);
        if (outcome == VerifyOutcome::InvalidValues && leaf->Key().kind == PkixKeyKind::Ed25519) {
            return fail({SignatureState::Unsupported, "an Ed25519 signature over the whole file"});
        }
        if (outcome != VerifyOutcome::Good) {
            return fail({SignatureState::Bad, "the file was changed after it was signed, or the signature isn't by "
                                              "its certificate"});
        }
        expected.verifier = bundle.certificates.front();
    }

    // The statement is read only once its signature verified.
    if (bundle.envelope) {
        if (std::optional<Failure> failure = CheckStatement(*bundle.envelope, *sha256)) return fail(std::move(*failure));
    }

    std::vector<std::int64_t> times;
    std::vector<const TransparencyLog*> unpromised;
    if (std::optional<Failure> failure = CheckLogEntries(bundle, expected, root, times, unpromised)) {
        return fail(std::move(*failure));
    }
    if (!times.empty()) result.loggedAt = times.front();
    for (const Bytes& token : bundle.timestamps) {
        const Result<std::int64_t> time = VerifyTimestampToken(token, bundle.Signature(), root);
        if (!time) return fail({SignatureState::Bad, time.GetError().detail});
        if (!result.loggedAt) result.loggedAt = *time;
        times.push_back(*time);
    }
    if (times.empty() || (!unpromised.empty() && bundle.timestamps.empty())) {
        return fail({SignatureState::Bad, "no time is signed by the log or a time-stamp authority, so its "
                                          "certificate can't be checked"});
    }
    for (const TransparencyLog* log : unpromised) {
        if (!std::ranges::all_of(times, [&](std::int64_t t) { return log->validFor.Contains(t); })) {
            return fail({SignatureState::Bad, "the log's key wasn't valid when the entry was time-stamped"});
        }
    }

    if (leaf) {
        if (!std::ranges::all_of(times, [&](std::int64_t t) { return leaf->ValidAt(t); })) {
            return fail({SignatureState::Bad,
                         "its certificate had expired, or wasn't yet valid, when it was logged or time-stamped"});
        }
        if (leaf->IsCa() || !leaf->MaySignData() || !leaf->HasExtendedUsage(kCodeSigningUsage)) {
            return fail({SignatureState::Bad, "its certificate isn't for code signing"});
        }
        const std::optional<Certificate> issuer = IssuingAuthority(*leaf, root, times);
        if (!issuer) {
            return fail({SignatureState::Bad,
                         "its certificate wasn't issued by a certificate authority of the trust root"});
        }
        if (!HasLoggedTimestamp(*leaf, *issuer, root)) {
            return fail({SignatureState::Bad, "its certificate has no valid timestamp from a certificate "
                                              "transparency log of the trust root"});
        }
        if (!result.signer) return fail({SignatureState::Malformed, "its certificate names no signer"});
        const bool trusted = std::ranges::any_of(trust.signers, [&](const TrustedSigner& signer) {
            return signer.Trusts(*result.signer);
        });
        result.state = trusted ? SignatureState::Good : SignatureState::UnknownKey;
        return result;
    }
    result.state = SignatureState::Good;
    return result;
}

}  // namespace

SigstoreResult CheckSigstoreBundle(ByteSpan bundleText, const SigstoreArtifact& artifact, const SigstoreTrust& trust) {
    SigstoreResult result;
    const Result<Bundle> bundle = ParseBundle(bundleText);
    if (!bundle) {
        result.state = SignatureStateOf(bundle.GetError());
        result.detail = bundle.GetError().detail;
        return result;
    }
    if (!CryptoAvailable()) {
        result.state = SignatureState::Uncheckable;
        return result;
    }
    if (!bundle->timestamps.empty() && !KsbaAvailable()) {
        result.state = SignatureState::Uncheckable;
        result.detail = ToUtf8(kKsbaLibraryName) + " is missing beside the program or doesn't work";
        return result;
    }
    return Check(*bundle, artifact, trust);
}

}  // namespace vms
