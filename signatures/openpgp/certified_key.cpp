#include "signatures/openpgp/certified_key.h"

#include "signatures/openpgp/armor.h"
#include "signatures/openpgp/packets.h"
#include "signatures/openpgp/signature_digest.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <string_view>

namespace vms {
namespace {

// GnuPG's rule: SHA-1 self-signatures made before this moment (2019-01-19)
// still count; later ones, and any made with MD5, don't.
constexpr std::uint32_t kSha1SelfSignatureCutoff = 1547856000;

// More self-signatures than this on one key is a flood, not a key.
constexpr std::size_t kMaxSelfSignatures = 1000;

struct RawComponent {
    Packet packet;
    std::vector<Packet> signatures;
};

struct RawKey {
    Packet primary;
    std::vector<Packet> directSignatures;
    std::vector<RawComponent> userIds;
    std::vector<RawComponent> subkeys;
};

void AppendPacket(Bytes& out, const Packet& packet) {
    const std::size_t size = packet.body.size();
    out.push_back(static_cast<std::uint8_t>(0xC0 | static_cast<std::uint8_t>(packet.tag)));
    out.push_back(0xFF);
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(size >> shift));
    out.insert(out.end(), packet.body.begin(), packet.body.end());
}

// The key's packets in their canonical order, for storing it.
Bytes Serialize(const RawKey& key) {
    Bytes out;
    AppendPacket(out, key.primary);
    for (const Packet& signature : key.directSignatures) AppendPacket(out, signature);
    for (const auto* components : {&key.userIds, &key.subkeys}) {
        for (const RawComponent& component : *components) {
            AppendPacket(out, component.packet);
            for (const Packet& signature : component.signatures) AppendPacket(out, signature);
        }
    }
    return out;
}

bool SamePacket(const Packet& a, const Packet& b) { return a.tag == b.tag && a.body == b.body; }

void AddOnce(std::vector<Packet>& packets, const Packet& packet) {
    if (std::ranges::none_of(packets, [&](const Packet& held) { return SamePacket(held, packet); })) {
        packets.push_back(packet);
    }
}

RawComponent& ComponentFor(std::vector<RawComponent>& components, const Packet& packet) {
    for (RawComponent& component : components) {
        if (SamePacket(component.packet, packet)) return component;
    }
    components.push_back({packet, {}});
    return components.back();
}

// A revocation certificate on its own names its key only as issuer.
RawKey* KeyIssuing(std::vector<RawKey>& keys, const Packet& signaturePacket) {
    const Result<Signature> signature = ParseSignature(signaturePacket.body);
    if (!signature) return nullptr;
    for (RawKey& key : keys) {
        const Result<PublicKey> primary = ParsePublicKey(key.primary.body);
        if (primary && (signature->issuerFingerprint.empty() ? signature->issuerKeyId == primary->keyId
                                                             : signature->issuerFingerprint == primary->fingerprint)) {
            return &key;
        }
    }
    return nullptr;
}

// Groups packets into keys: a primary key, then its signatures, user IDs and
// subkeys. Copies of one key merge, each packet once, so that an update such
// as a revocation joins the key it belongs to, also when it stands alone.
std::vector<RawKey> GroupKeys(const std::vector<Packet>& packets) {
    std::vector<RawKey> keys;
    std::vector<Packet> loose;
    RawKey* key = nullptr;
    std::vector<Packet>* signatures = &loose;
    for (const Packet& packet : packets) {
        if (packet.tag == PacketTag::PublicKey) {
            const auto held =
                std::ranges::find_if(keys, [&](const RawKey& k) { return SamePacket(k.primary, packet); });
            if (held == keys.end()) {
                keys.push_back({packet, {}, {}, {}});
                key = &keys.back();
            } else {
                key = &*held;
            }
            signatures = &key->directSignatures;
        } else if (packet.tag == PacketTag::Signature) {
            AddOnce(*signatures, packet);
        } else if (!key) {
            continue;  // nothing else before the first key belongs to one
        } else if (packet.tag == PacketTag::UserId || packet.tag == PacketTag::UserAttribute) {
            signatures = &ComponentFor(key->userIds, packet).signatures;
        } else if (packet.tag == PacketTag::PublicSubkey) {
            signatures = &ComponentFor(key->subkeys, packet).signatures;
        }
        // Trust packets and other local additions are not kept.
    }
    for (const Packet& signature : loose) {
        if (RawKey* owner = KeyIssuing(keys, signature)) AddOnce(owner->directSignatures, signature);
    }
    return keys;
}

bool IssuedBy(const Signature& signature, const PublicKey& key) {
    if (!signature.issuerFingerprint.empty()) return signature.issuerFingerprint == key.fingerprint;
    if (!signature.issuerKeyId.empty()) return signature.issuerKeyId == key.keyId;
    return true;  // no hint: only verifying tells
}

class SelfSignatureChecker {
public:
    explicit SelfSignatureChecker(std::uint32_t now) : now_(now) {}

    bool Flooded() const { return checked_ > kMaxSelfSignatures; }

    // The signature when it is a valid self-signature of one of these types
    // by signer over what feed adds to the digest.
    template <typename Feed>
    std::optional<Signature> Valid(const Packet& packet, std::initializer_list<SignatureType> types,
                                   const PublicKey& signer, const Feed& feed) {
        Result<Signature> signature = ParseSignature(packet.body);
        if (!signature || std::ranges::find(types, static_cast<SignatureType>(signature->type)) == types.end() ||
            !IssuedBy(*signature, signer) || !Acceptable(*signature, signer) || ++checked_ > kMaxSelfSignatures) {
            return std::nullopt;
        }
        try {
            SignatureDigest digest(*signature);
            feed(digest);
            if (CheckDigest(signer, *signature, digest.Finish()) != VerifyOutcome::Good) return std::nullopt;
        } catch (const std::runtime_error&) {
            return std::nullopt;
        }
        return std::move(*signature);
    }

private:
    bool Acceptable(const Signature& signature, const PublicKey& signer) const {
        if (!signature.created || *signature.created < signer.created || *signature.created > now_) return false;
        if (signature.unknownCritical >= 0 || !SignatureFitsKey(signature, signer)) return false;
        if (signature.expiresAfter && *signature.expiresAfter &&
            std::uint64_t{*signature.created} + *signature.expiresAfter <= now_) {
            return false;
        }
        if (signature.hash == HashAlgorithm::Sha1) return *signature.created < kSha1SelfSignatureCutoff;
        return IsAcceptedHash(signature.hash) && signer.canVerify;
    }

    std::uint32_t now_;
    std::size_t checked_ = 0;
};

std::optional<std::uint32_t> ExpiryOf(const PublicKey& key, const Signature& signature) {
    if (!signature.keyExpiresAfter || *signature.keyExpiresAfter == 0) return std::nullopt;
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(std::uint64_t{key.created} + *signature.keyExpiresAfter, 0xFFFFFFFF));
}

bool FlagsAllowSigning(const Signature& signature) {
    return !signature.keyFlags || (*signature.keyFlags & kKeyFlagSign);
}

bool Newer(const std::optional<Signature>& candidate, const std::optional<Signature>& current) {
    return candidate && (!current || *candidate->created >= *current->created);
}

std::optional<CertifiedSubkey> CertifySubkey(const RawComponent& raw, const PublicKey& primary,
                                             SelfSignatureChecker& checker) {
    const Result<PublicKey> subkey = ParsePublicKey(raw.packet.body);
    if (!subkey) return std::nullopt;
    const auto feedBinding = [&](SignatureDigest& digest) {
        digest.UpdateKey(primary);
        digest.UpdateKey(*subkey);
    };
    std::optional<Signature> binding;
    bool revoked = false;
    for (const Packet& packet : raw.signatures) {
        if (auto valid = checker.Valid(packet, {SignatureType::SubkeyBinding}, primary, feedBinding);
            Newer(valid, binding)) {
            binding = std::move(valid);
        }
        if (checker.Valid(packet, {SignatureType::SubkeyRevocation}, primary, feedBinding)) revoked = true;
    }
    if (!binding) return std::nullopt;
    CertifiedSubkey certified{*subkey, false, ExpiryOf(*subkey, *binding), revoked};
    if (FlagsAllowSigning(*binding) && binding->keyFlags && subkey->canVerify &&
        !binding->embeddedSignature.empty()) {
        // The subkey's own signature that it belongs to this primary key.
        const Packet backSignature{PacketTag::Signature, binding->embeddedSignature};
        certified.canSign =
            checker.Valid(backSignature, {SignatureType::PrimaryKeyBinding}, *subkey, feedBinding).has_value();
    }
    return certified;
}

struct UserIdState {
    std::string text;
    Signature latest;
};

// Checks one key; nothing (and a reason) when it has no valid self-signature.
std::optional<CertifiedKey> CertifyKey(const RawKey& raw, std::uint32_t now, RejectedKey& rejected) {
    const Result<PublicKey> primary = ParsePublicKey(raw.primary.body);
    if (!primary) {
        rejected.reason = primary.GetError().detail;
        return std::nullopt;
    }
    rejected.fingerprint = primary->fingerprint;
    if (!primary->canVerify) {
        rejected.reason = "its algorithm, " + DescribeKeyAlgorithm(*primary) + ", can't be checked";
        return std::nullopt;
    }
    SelfSignatureChecker checker(now);
    CertifiedKey key;
    key.primary = *primary;
    key.packets = Serialize(raw);

    const auto feedKey = [&](SignatureDigest& digest) { digest.UpdateKey(*primary); };
    std::optional<Signature> direct;
    for (const Packet& packet : raw.directSignatures) {
        if (checker.Valid(packet, {SignatureType::KeyRevocation}, *primary, feedKey)) key.revoked = true;
        if (auto valid = checker.Valid(packet, {SignatureType::DirectKey}, *primary, feedKey); Newer(valid, direct)) {
            direct = std::move(valid);
        }
    }

    std::vector<UserIdState> userIds;
    for (const RawComponent& component : raw.userIds) {
        if (component.packet.tag != PacketTag::UserId) continue;
        const auto feedUserId = [&](SignatureDigest& digest) {
            digest.UpdateKey(*primary);
            digest.UpdateUserId(component.packet.body);
        };
        std::optional<Signature> certification, revocation;
        for (const Packet& packet : component.signatures) {
            if (auto valid = checker.Valid(packet,
                                           {SignatureType::GenericCertification, static_cast<SignatureType>(0x11),
                                            static_cast<SignatureType>(0x12), SignatureType::PositiveCertification},
                                           *primary, feedUserId);
                Newer(valid, certification)) {
                certification = std::move(valid);
            }
            if (auto valid = checker.Valid(packet, {SignatureType::CertificationRevocation}, *primary, feedUserId);
                Newer(valid, revocation)) {
                revocation = std::move(valid);
            }
        }
        if (certification && !(revocation && *revocation->created >= *certification->created)) {
            userIds.push_back({std::string(component.packet.body.begin(), component.packet.body.end()),
                               *certification});
        }
    }
    if (checker.Flooded()) {
        rejected.reason = "it carries too many signatures";
        return std::nullopt;
    }
    if (userIds.empty() && !direct) {
        rejected.reason = "it has no valid self-signature";
        return std::nullopt;
    }

    // The primary user ID: the newest flagged one, else the newest.
    const UserIdState* primaryUserId = nullptr;
    for (const UserIdState& state : userIds) {
        key.userIds.push_back(state.text);
        const bool better = !primaryUserId ||
                            (state.latest.primaryUserId && !primaryUserId->latest.primaryUserId) ||
                            (state.latest.primaryUserId == primaryUserId->latest.primaryUserId &&
                             *state.latest.created > *primaryUserId->latest.created);
        if (better) primaryUserId = &state;
    }
    // Version 6 keys state their expiry and use in the direct-key signature, version 4 keys in the primary
    // user ID's; either falls back on the other for what it leaves out.
    const Signature* userIdSignature = primaryUserId ? &primaryUserId->latest : nullptr;
    const Signature* directSignature = direct ? &*direct : nullptr;
    const bool directFirst = primary->version == 6 || !userIdSignature;
    const Signature* first = directFirst ? directSignature : userIdSignature;
    const Signature* second = directFirst ? userIdSignature : directSignature;
    const Signature& expiry = first->keyExpiresAfter || !second ? *first : *second;
    const Signature& flags = first->keyFlags || !second ? *first : *second;
    if (primaryUserId) key.primaryUserId = primaryUserId->text;
    key.expires = ExpiryOf(*primary, expiry);
    key.canSign = FlagsAllowSigning(flags);

    for (const RawComponent& component : raw.subkeys) {
        if (auto subkey = CertifySubkey(component, *primary, checker)) key.subkeys.push_back(std::move(*subkey));
    }
    if (checker.Flooded()) {
        rejected.reason = "it carries too many signatures";
        return std::nullopt;
    }
    return key;
}

// The packets of binary key data, or of every block of armoured key data.
Result<std::vector<Packet>> KeyPackets(ByteSpan data) {
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    if (!LooksArmored(text)) return ReadPackets(data);
    const Result<std::vector<ArmorBlock>> blocks = Dearmor(text);
    if (!blocks) return blocks.GetError();
    std::vector<Packet> packets;
    for (const ArmorBlock& block : *blocks) {
        Result<std::vector<Packet>> read = ReadPackets(block.bytes);
        if (!read) return read;
        std::ranges::move(*read, std::back_inserter(packets));
    }
    return packets;
}

}  // namespace

Result<KeyLoadResult> LoadKeys(ByteSpan data, std::uint32_t now) {
    if (data.size() > kMaxKeyFileSize) return MalformedError("the file is too large to be a key");
    if (!CryptoAvailable()) return SystemError(ERROR_MOD_NOT_FOUND, "libgcrypt isn't available");
    const Result<std::vector<Packet>> packets = KeyPackets(data);
    if (!packets) return packets.GetError();
    KeyLoadResult result;
    for (const RawKey& raw : GroupKeys(*packets)) {
        RejectedKey rejected;
        if (auto key = CertifyKey(raw, now, rejected)) result.keys.push_back(std::move(*key));
        else result.rejected.push_back(std::move(rejected));
    }
    if (result.keys.empty() && result.rejected.empty()) return MalformedError("it holds no OpenPGP public key");
    return result;
}

}  // namespace vms
