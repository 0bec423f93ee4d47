#include "signatures/keyring.h"

#include <algorithm>

namespace vms {

void Keyring::Add(CertifiedKey key) {
    const bool held = std::ranges::any_of(
        keys_, [&](const CertifiedKey& existing) { return existing.primary.fingerprint == key.primary.fingerprint; });
    if (!held) keys_.push_back(std::move(key));
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
