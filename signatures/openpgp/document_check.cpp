#include "signatures/openpgp/document_check.h"

#include "signatures/openpgp/armor.h"
#include "signatures/openpgp/cleartext.h"
#include "signatures/openpgp/packets.h"
#include "signatures/openpgp/signature_digest.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <variant>

namespace vms {
namespace {

constexpr std::size_t kMinRsaBits = 2048;

std::string_view AsText(ByteSpan bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

SignatureResult Verdict(SignatureState state, std::string detail = {}) {
    SignatureResult result;
    result.state = state;
    result.detail = std::move(detail);
    return result;
}

SignatureResult Malformed(std::string detail) { return Verdict(SignatureState::Malformed, std::move(detail)); }

DocumentReader InMemory(ByteSpan bytes) {
    return [bytes](const std::function<void(ByteSpan)>& sink) {
        sink(bytes);
        return true;
    };
}

DocumentCheck OneResult(SignatureResult result) { return DocumentCheck{{std::move(result)}}; }

// Passes bytes on as a text signature hashes them: every line end as CR LF.
class CanonicalText {
public:
    explicit CanonicalText(SignatureDigest& digest) : digest_(digest) {}
    void Update(ByteSpan bytes) {
        static constexpr std::uint8_t kCr[] = {'\r'};
        std::size_t start = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\n' && !(i > 0 ? bytes[i - 1] == '\r' : afterCr_)) {
                digest_.Update(bytes.subspan(start, i - start));
                digest_.Update(kCr);
                start = i;
            }
        }
        digest_.Update(bytes.subspan(start));
        if (!bytes.empty()) afterCr_ = bytes.back() == '\r';
    }

private:
    SignatureDigest& digest_;
    bool afterCr_ = false;
};

struct Document {
    const DocumentReader& read;
    bool cleartext = false;                 // the bytes are already the canonical signed text
    const std::vector<std::string>* hashNames = nullptr;
};

bool HashHeaderAllows(const std::vector<std::string>& names, HashAlgorithm hash) {
    if (names.empty()) return true;
    std::string wanted = HashAlgorithmName(hash);
    std::erase(wanted, '-');
    return std::ranges::any_of(names, [&](const std::string& name) {
        return std::ranges::equal(name, wanted, [](char a, char b) {
            return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
        });
    });
}

bool IsShortRsa(const PublicKey& key) {
    return (key.algorithm == PublicKeyAlgorithm::Rsa || key.algorithm == PublicKeyAlgorithm::RsaSignOnly) &&
           key.bits < kMinRsaBits;
}

// Judges a parsed signature once its key is known and its values verified.
void JudgeKeyValidity(const Signature& signature, const KeyMatch& match, std::uint32_t now, SignatureResult& result) {
    const PublicKey& signing = match.SigningKey();
    const CertifiedKey& key = *match.key;
    if (*signature.created < signing.created) {
        result.state = SignatureState::Bad;
        result.badReason = BadReason::MadeBeforeKey;
    } else if (*signature.created > now) {
        result.state = SignatureState::Bad;
        result.badReason = BadReason::MadeInFuture;
    } else if (match.subkey ? !match.subkey->canSign : !key.canSign) {
        result.state = SignatureState::Bad;
        result.badReason = BadReason::NotCertifiedToSign;
    } else if (key.revoked || (match.subkey && match.subkey->revoked)) {
        result.state = SignatureState::Revoked;
        result.bySubkey = !key.revoked;
    } else if (key.expires && *key.expires <= now) {
        result.state = SignatureState::Expired;
        result.expiredOn = key.expires;
    } else if (match.subkey && match.subkey->expires && *match.subkey->expires <= now) {
        result.state = SignatureState::Expired;
        result.expiredOn = match.subkey->expires;
        result.bySubkey = true;
    } else if (signature.expiresAfter && *signature.expiresAfter &&
               std::uint64_t{*signature.created} + *signature.expiresAfter <= now) {
        result.state = SignatureState::Expired;
        result.expiredOn = *signature.created + *signature.expiresAfter;
        result.signatureExpired = true;
    } else if (IsBrokenHash(signature.hash)) {
        result.state = SignatureState::Weak;
        result.weakDigest = true;
        result.detail = HashAlgorithmName(signature.hash);
    } else if (IsShortRsa(signing) || IsShortRsa(key.primary)) {
        // A short primary key lets whoever factors it bind subkeys of their own.
        result.state = SignatureState::Weak;
        result.detail = DescribeKeyAlgorithm(IsShortRsa(signing) ? signing : key.primary);
    } else {
        result.state = SignatureState::Good;
    }
}

// A signature whose key is known and whose digest is being computed while
// the document is read; every signature of a document shares that one read.
struct PendingCheck {
    Signature signature;
    KeyMatch match;
    SignatureResult result;
    std::unique_ptr<SignatureDigest> digest;
    std::unique_ptr<CanonicalText> text;  // for text signatures over a file as it is

    void Update(ByteSpan bytes) {
        if (text) text->Update(bytes);
        else digest->Update(bytes);
    }
};

// Everything that can be judged before the document is read: a final result,
// or a check that waits for the document's bytes.
std::variant<SignatureResult, std::unique_ptr<PendingCheck>> Prepare(const Packet& packet, const Document& document,
                                                                     const Keyring& keys) {
    const Result<Signature> parsed = ParseSignature(packet.body);
    if (!parsed) return Verdict(SignatureStateOf(parsed.GetError()), parsed.GetError().detail);
    const Signature& signature = *parsed;
    const SignatureType type = static_cast<SignatureType>(signature.type);
    if (type != SignatureType::Binary && type != SignatureType::Text) {
        return Malformed("it isn't a signature over a document");
    }
    if (!signature.created) return Malformed("it has no creation time");
    if (!IsAcceptedHash(signature.hash) && !IsBrokenHash(signature.hash)) {
        return Verdict(SignatureState::Unsupported, "the digest " + HashAlgorithmName(signature.hash));
    }
    if (document.hashNames && !HashHeaderAllows(*document.hashNames, signature.hash)) {
        return Malformed("its digest isn't the one the message's \"Hash:\" header names");
    }

    SignatureResult result;
    result.created = signature.created;
    const std::optional<KeyMatch> match = keys.Find(signature.issuerFingerprint, signature.issuerKeyId);
    if (!match) {
        result.state = SignatureState::UnknownKey;
        result.issuer = signature.issuerFingerprint.empty() ? signature.issuerKeyId : signature.issuerFingerprint;
        if (result.issuer.empty()) return Malformed("it doesn't name the key that made it");
        return result;
    }
    const PublicKey& signing = match->SigningKey();
    result.userId = match->key->primaryUserId;
    result.primaryFingerprint = match->key->primary.fingerprint;
    result.signingFingerprint = signing.fingerprint;
    if (!signing.canVerify) {
        result.state = SignatureState::Unsupported;
        result.detail = "a " + DescribeKeyAlgorithm(signing) + " key";
        return result;
    }
    if (!SignatureFitsKey(signature, signing)) {
        result.state = SignatureState::Malformed;
        result.detail = "its version, salt or digest doesn't fit its key";
        return result;
    }
    auto pending = std::make_unique<PendingCheck>(PendingCheck{std::move(*parsed), *match, std::move(result), {}, {}});
    pending->digest = std::make_unique<SignatureDigest>(pending->signature);
    if (!document.cleartext && type == SignatureType::Text) {
        pending->text = std::make_unique<CanonicalText>(*pending->digest);
    }
    return pending;
}

// The verdict once the document has been read into the signature's digest.
SignatureResult Finish(PendingCheck& pending, std::uint32_t now) {
    SignatureResult& result = pending.result;
    const Signature& signature = pending.signature;
    switch (CheckDigest(pending.match.SigningKey(), signature, pending.digest->Finish())) {
    case VerifyOutcome::Bad:
        result.state = SignatureState::Bad;
        return result;
    case VerifyOutcome::InvalidValues:
        result.state = SignatureState::Malformed;
        result.detail = "its numbers or its key's are invalid for the algorithm";
        return result;
    case VerifyOutcome::Good:
        break;
    }
    // As GnuPG judges it: a signer's critical statement that can't be honoured voids the signature.
    if (signature.unknownCritical >= 0) {
        result.state = SignatureState::Bad;
        result.badReason = BadReason::UnknownCritical;
        result.detail = std::to_string(signature.unknownCritical);
        return result;
    }
    JudgeKeyValidity(signature, pending.match, now, result);
    return result;
}

DocumentCheck CheckPackets(ByteSpan signatureData, const Document& document, const Keyring& keys, std::uint32_t now) {
    if (!CryptoAvailable()) return OneResult(Verdict(SignatureState::Uncheckable));
    std::vector<std::uint8_t> dearmored;
    if (LooksArmored(AsText(signatureData))) {
        const Result<std::vector<ArmorBlock>> blocks = Dearmor(AsText(signatureData));
        if (!blocks) return OneResult(Malformed(blocks.GetError().detail));
        for (const ArmorBlock& block : *blocks) {
            if (block.label != "PGP SIGNATURE") return OneResult(Malformed("the armour isn't a signature"));
            dearmored.insert(dearmored.end(), block.bytes.begin(), block.bytes.end());
        }
        signatureData = dearmored;
    }
    const Result<std::vector<Packet>> packets = ReadPackets(signatureData);
    if (!packets) return OneResult(Malformed(packets.GetError().detail));

    // Each verdict keeps its signature's place; the checks that need the document share one read of it.
    std::vector<std::variant<SignatureResult, std::unique_ptr<PendingCheck>>> checks;
    try {
        for (const Packet& packet : *packets) {
            if (packet.tag != PacketTag::Signature) continue;
            if (checks.size() == kMaxDocumentSignatures) return OneResult(Malformed("too many signatures"));
            checks.push_back(Prepare(packet, document, keys));
        }
        if (checks.empty()) return OneResult(Malformed("it holds no signature"));
        const auto pending = [](const auto& check) {
            return std::holds_alternative<std::unique_ptr<PendingCheck>>(check);
        };
        const bool readAll = !std::ranges::any_of(checks, pending) || document.read([&](ByteSpan bytes) {
            for (auto& check : checks) {
                if (pending(check)) std::get<std::unique_ptr<PendingCheck>>(check)->Update(bytes);
            }
        });
        DocumentCheck result;
        for (auto& check : checks) {
            if (!pending(check)) {
                result.signatures.push_back(std::move(std::get<SignatureResult>(check)));
            } else if (!readAll) {
                result.signatures.push_back(Verdict(SignatureState::Uncheckable, "the signed file couldn't be read"));
            } else {
                result.signatures.push_back(Finish(*std::get<std::unique_ptr<PendingCheck>>(check), now));
            }
        }
        return result;
    } catch (const std::runtime_error&) {
        return OneResult(Verdict(SignatureState::Uncheckable, "libgcrypt can't compute its digest"));
    }
}

}  // namespace

bool DocumentCheck::Good() const {
    return std::ranges::any_of(signatures, [](const SignatureResult& r) { return r.state == SignatureState::Good; }) &&
           !AnyBad();
}

bool DocumentCheck::AnyBad() const {
    return std::ranges::any_of(signatures, [](const SignatureResult& r) { return r.state == SignatureState::Bad; });
}

DocumentCheck MalformedSignature(std::string detail) { return OneResult(Malformed(std::move(detail))); }

DocumentCheck CheckDetachedSignatures(ByteSpan signatureData, const DocumentReader& document, const Keyring& keys,
                                      std::uint32_t now) {
    if (signatureData.size() > kMaxSignatureFileSize) return MalformedSignature("it is too large to be a signature");
    return CheckPackets(signatureData, Document{document, false, nullptr}, keys, now);
}

DocumentCheck CheckDetachedSignatures(ByteSpan signatureData, ByteSpan document, const Keyring& keys,
                                      std::uint32_t now) {
    return CheckDetachedSignatures(signatureData, InMemory(document), keys, now);
}

bool IsClearSigned(ByteSpan text) { return ParseClearSigned(AsText(text)).has_value(); }

std::optional<DocumentCheck> CheckClearSigned(ByteSpan text, const Keyring& keys, std::uint32_t now) {
    const std::optional<Result<ClearSignedMessage>> parsed = ParseClearSigned(AsText(text));
    if (!parsed) return std::nullopt;
    if (!*parsed) return OneResult(Malformed(parsed->GetError().detail));
    const ClearSignedMessage& message = **parsed;
    // Lines outside the signed part would be read as if the signature covered them.
    if (message.textOutside) return OneResult(Malformed("the file holds text outside its signed part"));
    if (message.signatureArmor.size() > kMaxSignatureFileSize) {
        return OneResult(Malformed("its signature is too large"));
    }
    const ByteSpan signedText(reinterpret_cast<const std::uint8_t*>(message.signedText.data()),
                              message.signedText.size());
    const ByteSpan armor(reinterpret_cast<const std::uint8_t*>(message.signatureArmor.data()),
                         message.signatureArmor.size());
    return CheckPackets(armor, Document{InMemory(signedText), true, &message.hashNames}, keys, now);
}

}  // namespace vms
