// The public-key mathematics and digests of signature checking, done by
// libgcrypt. The library is loaded from the program's own folder on first
// use, so the programs run without it and only signature checks need it.
#pragma once

#include "signatures/openpgp/signature_packet.h"

#include <memory>
#include <string>

namespace vms {

// True when libgcrypt could be loaded and initialised; thread-safe, tried once per process.
bool CryptoAvailable();

// The DLL names the programs look for beside themselves.
inline constexpr wchar_t kCryptoLibraryNames[] = L"libgcrypt-20.dll and libgpg-error-0.dll";

// An incremental digest. Construct only when CryptoAvailable(); throws
// std::runtime_error when the digest can't be opened.
class DigestContext {
public:
    explicit DigestContext(HashAlgorithm algorithm);
    ~DigestContext();
    DigestContext(const DigestContext&) = delete;
    DigestContext& operator=(const DigestContext&) = delete;

    void Update(ByteSpan bytes);
    Bytes Finish();  // once

private:
    struct State;
    std::unique_ptr<State> state_;
};

enum class VerifyOutcome {
    Good,           // the signature values verify under the key
    Bad,            // they don't
    InvalidValues,  // the key's or signature's numbers are unusable: a point off the curve, a value out of range
};

// Checks signature values over a digest with a key that canVerify, of the
// signature's algorithm. Requires CryptoAvailable().
VerifyOutcome VerifyDigest(const PublicKey& key, const Signature& signature, ByteSpan digest);

}  // namespace vms
