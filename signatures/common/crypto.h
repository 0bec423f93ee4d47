// The public-key mathematics and digests of signature checking, done by
// libgcrypt for every format. The library is loaded from the program's own
// folder on first use, so the programs run without it and only signature
// checks need it.
#pragma once

#include "signatures/common/byte_reader.h"

#include <memory>
#include <string>

namespace vms {

// True when libgcrypt could be loaded and initialised; thread-safe, tried once per process.
bool CryptoAvailable();

// The DLL names the programs look for beside themselves.
inline constexpr wchar_t kCryptoLibraryNames[] = L"libgcrypt-20.dll and libgpg-error-0.dll";

enum class DigestAlgorithm { Md5, Sha1, Ripemd160, Sha224, Sha256, Sha384, Sha512, Sha3_256, Sha3_512, Blake2b512 };

// An incremental digest. Construct only when CryptoAvailable(); throws
// std::runtime_error when the digest can't be opened.
class DigestContext {
public:
    explicit DigestContext(DigestAlgorithm algorithm);
    ~DigestContext();
    DigestContext(const DigestContext&) = delete;
    DigestContext& operator=(const DigestContext&) = delete;

    void Update(ByteSpan bytes);
    Bytes Finish();  // once

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The digest of bytes held whole. Requires CryptoAvailable().
Bytes DigestOf(DigestAlgorithm algorithm, ByteSpan bytes);

enum class VerifyOutcome {
    Good,           // the signature values verify under the key
    Bad,            // they don't
    InvalidValues,  // the key's or signature's numbers are unusable: a point off the curve, a value out of range
};

// RSA with PKCS #1 v1.5 padding over a digest of that algorithm; modulus,
// exponent and signature big-endian. Requires CryptoAvailable().
VerifyOutcome VerifyRsaPkcs1(ByteSpan modulus, ByteSpan exponent, ByteSpan signature, DigestAlgorithm algorithm,
                             ByteSpan digest);

enum class EcdsaCurve { NistP256, NistP384, NistP521 };

// ECDSA over a digest, which is cut to the curve order's size as ECDSA
// signs; the point uncompressed (04 || X || Y), r and s big-endian. A point
// off the curve is InvalidValues. Requires CryptoAvailable().
VerifyOutcome VerifyEcdsa(EcdsaCurve curve, ByteSpan point, ByteSpan r, ByteSpan s, ByteSpan digest);

// The longest message VerifyEd25519 takes: libgcrypt 1.10 passes it inside an
// S-expression, whose lengths it keeps in 16 bits, and aborts the process a
// little past 65,470 bytes.
inline constexpr std::size_t kMaxEd25519Message = 64 * 1024 - 512;

// Ed25519 (RFC 8032) over a message: a 32-byte key, a 64-byte signature R || S.
// Stricter than libgcrypt alone, as libsodium is: a signature whose S is at
// or above the group order or whose R has small order is Bad; a key of small
// order or not in its canonical encoding is InvalidValues, and so is a
// message longer than kMaxEd25519Message. Requires CryptoAvailable().
VerifyOutcome VerifyEd25519(ByteSpan publicKey, ByteSpan signature, ByteSpan message);

// ECDSA as VerifyEcdsa, with the signature as the canonical S-expression a
// CMS library gives: (sig-val(ecdsa(r ...)(s ...))).
VerifyOutcome VerifyEcdsaSexp(EcdsaCurve curve, ByteSpan point, ByteSpan signature, ByteSpan digest);

// The length of a canonical S-expression that ends where its parentheses
// balance; 0 when it is damaged or libgcrypt is unavailable.
std::size_t CanonicalSexpLength(const unsigned char* sexp);

}  // namespace vms
