#include "signatures/keyring.h"

#include <algorithm>

namespace vms {

void Keyring::Add(CertifiedKey key, std::uint32_t now) {
    const auto held = std::ranges::find_if(
        keys_, [&](const CertifiedKey& existing) { return existing.primary.fingerprint == key.primary.fingerprint; });
    if (held == keys_.end()) {
        keys_.push_back(std::move(key));
        return;
    }
    Bytes both = held->packets;
    both.insert(both.end(), key.packets.begin(), key.packets.end());
    for (CertifiedKey& merged : LoadKeys(both, now).keys) {
        if (merged.primary.fingerprint == held->primary.fingerprint) *held = std::move(merged);
    }
}

std::optional<KeyMatch> Keyring::Find(const Bytes& fingerprint, const Bytes& keyId) const {
    const auto matches = [&](const PublicKey& candidate) {
        return fingerprint.empty() ? !keyId.empty() && candidate.keyId == keyId : candidate.fingerprint == fingerprint;
    };
    for (const CertifiedKey& key : keys_) {
        if (matches(key.primary)) return KeyMatch{&key, nullptr};
        for (const CertifiedSubkey& subkey : key.subkeys) {
            if (matches(subkey.key)) return KeyMatch{&key, &subkey};
        }
    }
    return std::nullopt;
}

}  // namespace vms
