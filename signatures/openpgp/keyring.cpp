#include "signatures/openpgp/keyring.h"

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
    Result<KeyLoadResult> loaded = LoadKeys(both, now);
    if (!loaded) return;
    for (CertifiedKey& merged : loaded->keys) {
        if (merged.primary.fingerprint == held->primary.fingerprint) *held = std::move(merged);
    }
}

std::optional<KeyMatch> Keyring::Find(const Bytes& fingerprint, const Bytes& keyId) const {
    const auto search = [&](auto matches) -> std::optional<KeyMatch> {
        for (const CertifiedKey& key : keys_) {
            if (matches(key.primary)) return KeyMatch{&key, nullptr};
            for (const CertifiedSubkey& subkey : key.subkeys) {
                if (matches(subkey.key)) return KeyMatch{&key, &subkey};
            }
        }
        return std::nullopt;
    };
    if (!fingerprint.empty()) {
        if (auto match = search([&](const PublicKey& candidate) { return candidate.fingerprint == fingerprint; })) {
            return match;
        }
    }
    // As gpgv does: a fingerprint that names no key leaves the key ID to try.
    // The signature is still verified against that key, so a wrong match
    // reads as a bad signature.
    if (keyId.empty()) return std::nullopt;
    return search([&](const PublicKey& candidate) { return candidate.keyId == keyId; });
}

}  // namespace vms
