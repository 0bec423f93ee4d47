// The keys one check may use, looked up by the issuer a signature names.
#pragma once

#include "signatures/openpgp/certified_key.h"

namespace vms {

struct KeyMatch {
    const CertifiedKey* key = nullptr;
    const CertifiedSubkey* subkey = nullptr;  // null when the primary key signed
    const PublicKey& SigningKey() const { return subkey ? subkey->key : key->primary; }
};

class Keyring {
public:
    // A key already held (same fingerprint) is merged with the new copy and
    // checked again as of now, so an update such as a revocation takes effect.
    void Add(CertifiedKey key, std::uint32_t now);
    const std::vector<CertifiedKey>& Keys() const { return keys_; }

    // The key or subkey with this fingerprint, else with this key ID.
    std::optional<KeyMatch> Find(const Bytes& fingerprint, const Bytes& keyId) const;

private:
    std::vector<CertifiedKey> keys_;
};

}  // namespace vms
