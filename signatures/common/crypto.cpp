#include "signatures/common/crypto.h"

#include "engine/gcrypt_digest.h"
#include "engine/gcrypt_library.h"
#include "engine/program_library.h"

#include <gcrypt.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace vms {
namespace {

// The entry points used, looked up by name.
struct Gcrypt {
    decltype(&gcry_sexp_build) sexpBuild = nullptr;
    decltype(&gcry_sexp_release) sexpRelease = nullptr;
    decltype(&gcry_sexp_sscan) sexpScan = nullptr;
    decltype(&gcry_sexp_find_token) sexpFindToken = nullptr;
    decltype(&gcry_sexp_canon_len) sexpCanonLength = nullptr;
    decltype(&gcry_pk_verify) pkVerify = nullptr;
    decltype(&gcry_mpi_ec_new) ecNew = nullptr;
    decltype(&gcry_mpi_ec_get_point) ecGetPoint = nullptr;
    decltype(&gcry_mpi_ec_curve_point) ecCurvePoint = nullptr;
    decltype(&gcry_ctx_release) contextRelease = nullptr;
    decltype(&gcry_mpi_point_release) pointRelease = nullptr;
};

// The entry points of the library the engine loaded and initialised; nothing
// when it is unavailable.
std::unique_ptr<Gcrypt> LoadGcrypt() {
    const HMODULE module = GcryptModule();
    if (!module) return nullptr;
    auto gcrypt = std::make_unique<Gcrypt>();
    const bool resolved =
        Resolve(module, "gcry_sexp_build", gcrypt->sexpBuild) &&
        Resolve(module, "gcry_sexp_release", gcrypt->sexpRelease) &&
        Resolve(module, "gcry_sexp_sscan", gcrypt->sexpScan) &&
        Resolve(module, "gcry_sexp_find_token", gcrypt->sexpFindToken) &&
        Resolve(module, "gcry_sexp_canon_len", gcrypt->sexpCanonLength) &&
        Resolve(module, "gcry_pk_verify", gcrypt->pkVerify) &&
        Resolve(module, "gcry_mpi_ec_new", gcrypt->ecNew) &&
        Resolve(module, "gcry_mpi_ec_get_point", gcrypt->ecGetPoint) &&
        Resolve(module, "gcry_mpi_ec_curve_point", gcrypt->ecCurvePoint) &&
        Resolve(module, "gcry_ctx_release", gcrypt->contextRelease) &&
        Resolve(module, "gcry_mpi_point_release", gcrypt->pointRelease);
    if (!resolved) return nullptr;
    return gcrypt;
}

const Gcrypt* Library() {
    static const std::unique_ptr<Gcrypt> gcrypt = LoadGcrypt();
    return gcrypt.get();
}

struct DigestNames {
    int id;
    const char* name;  // as a PKCS #1 hash is named in an S-expression
};

DigestNames NamesOf(DigestAlgorithm algorithm) {
    switch (algorithm) {
    case DigestAlgorithm::Md5: return {GCRY_MD_MD5, "md5"};
    case DigestAlgorithm::Sha1: return {GCRY_MD_SHA1, "sha1"};
    case DigestAlgorithm::Ripemd160: return {GCRY_MD_RMD160, "rmd160"};
    case DigestAlgorithm::Sha224: return {GCRY_MD_SHA224, "sha224"};
    case DigestAlgorithm::Sha256: return {GCRY_MD_SHA256, "sha256"};
    case DigestAlgorithm::Sha384: return {GCRY_MD_SHA384, "sha384"};
    case DigestAlgorithm::Sha512: return {GCRY_MD_SHA512, "sha512"};
    case DigestAlgorithm::Sha3_256: return {GCRY_MD_SHA3_256, "sha3-256"};
    case DigestAlgorithm::Sha3_512: return {GCRY_MD_SHA3_512, "sha3-512"};
    case DigestAlgorithm::Blake2b512: return {GCRY_MD_BLAKE2B_512, "blake2b_512"};
    }
    return {GCRY_MD_NONE, ""};
}

// An S-expression that is released on every path.
class Sexp {
public:
    explicit Sexp(const Gcrypt& gcrypt) : gcrypt_(gcrypt) {}
    ~Sexp() {
        if (sexp_) gcrypt_.sexpRelease(sexp_);
    }
    Sexp(const Sexp&) = delete;
    Sexp& operator=(const Sexp&) = delete;
    gcry_sexp_t* Out() { return &sexp_; }
    gcry_sexp_t Get() const { return sexp_; }

private:
    const Gcrypt& gcrypt_;
    gcry_sexp_t sexp_ = nullptr;
};

int Size(ByteSpan bytes) { return static_cast<int>(bytes.size()); }

// An elliptic-curve context with its point "q" read from a key, released on every path.
class CurveContext {
public:
    CurveContext(const Gcrypt& gcrypt, const Sexp& key) : gcrypt_(gcrypt) {
        if (gcrypt_.ecNew(&context_, key.Get(), nullptr) != 0) context_ = nullptr;
        if (context_) point_ = gcrypt_.ecGetPoint("q", context_, 1);
    }
    ~CurveContext() {
        if (point_) gcrypt_.pointRelease(point_);
        if (context_) gcrypt_.contextRelease(context_);
    }
    CurveContext(const CurveContext&) = delete;
    CurveContext& operator=(const CurveContext&) = delete;

    // False when the key has no point that decodes onto its curve.
    bool OnCurve() const { return point_ && gcrypt_.ecCurvePoint(point_, context_); }

private:
    const Gcrypt& gcrypt_;
    gcry_ctx_t context_ = nullptr;
    gcry_mpi_point_t point_ = nullptr;
};

bool BuildEd25519Point(const Gcrypt& g, ByteSpan point, Sexp& out) {
    return g.sexpBuild(out.Out(), nullptr, "(public-key(ecc(curve Ed25519)(flags eddsa)(q%b)))", Size(point),
                       point.data()) == 0;
}

// Little-endian values compared from their most significant byte.
bool BelowLittleEndian(ByteSpan value, const std::uint8_t (&limit)[32]) {
    for (std::size_t i = 32; i-- > 0;) {
        if (value[i] != limit[i]) return value[i] < limit[i];
    }
    return false;
}

// The group order L = 2^252 + 27742317777372353535851937790883648493, little-endian.
constexpr std::uint8_t kEd25519Order[32] = {0xED, 0xD3, 0xF5, 0x5C, 0x1A, 0x63, 0x12, 0x58, 0xD6, 0x9C, 0xF7,
                                            0xA2, 0xDE, 0xF9, 0xDE, 0x14, 0,    0,    0,    0,    0,    0,
                                            0,    0,    0,    0,    0,    0,    0,    0,    0,    0x10};
// The field prime p = 2^255 - 19, little-endian: an encoded y must be below it.
constexpr std::uint8_t kEd25519Prime[32] = {0xED, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                            0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                            0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F};

// The y coordinates of the eight points of small order, little-endian: 1 (the
// neutral element), p - 1 (order 2), 0 (order 4) and the two of order 8. Each
// stands for two points, x's sign being the top bit of the encoding.
constexpr std::uint8_t kSmallOrderY[][32] = {
    {0x01},
    {0xEC, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},
    {0x00},
    {0x26, 0xE8, 0x95, 0x8F, 0xC2, 0xB2, 0x27, 0xB0, 0x45, 0xC3, 0xF4, 0x89, 0xF2, 0xEF, 0x98, 0xF0,
     0xD5, 0xDF, 0xAC, 0x05, 0xD3, 0xC6, 0x33, 0x39, 0xB1, 0x38, 0x02, 0x88, 0x6D, 0x53, 0xFC, 0x05},
    {0xC7, 0x17, 0x6A, 0x70, 0x3D, 0x4D, 0xD8, 0x4F, 0xBA, 0x3C, 0x0B, 0x76, 0x0D, 0x10, 0x67, 0x0F,
     0x2A, 0x20, 0x53, 0xFA, 0x2C, 0x39, 0xCC, 0xC6, 0x4E, 0xC7, 0xFD, 0x77, 0x92, 0xAC, 0x03, 0x7A},
};

// An encoded point whose y is below the field prime, so it has one encoding,
// and that is not of small order.
bool UsableEd25519Point(ByteSpan point) {
    std::uint8_t y[32];
    std::copy(point.begin(), point.end(), y);
    y[31] &= 0x7F;  // the top bit is x's sign
    if (!BelowLittleEndian(y, kEd25519Prime)) return false;
    return std::ranges::none_of(kSmallOrderY,
                                [&](const std::uint8_t(&small)[32]) { return std::ranges::equal(y, small); });
}

VerifyOutcome Verdict(const Gcrypt& g, const Sexp& signature, const Sexp& data, const Sexp& key) {
    const gcry_error_t error = g.pkVerify(signature.Get(), data.Get(), key.Get());
    if (error == 0) return VerifyOutcome::Good;
    return (error & GPG_ERR_CODE_MASK) == GPG_ERR_BAD_SIGNATURE ? VerifyOutcome::Bad : VerifyOutcome::InvalidValues;
}

const char* CurveName(EcdsaCurve curve) {
    switch (curve) {
    case EcdsaCurve::NistP256: return "NIST P-256";
    case EcdsaCurve::NistP384: return "NIST P-384";
    case EcdsaCurve::NistP521: return "NIST P-521";
    }
    return "";
}

std::size_t OrderBytes(EcdsaCurve curve) {
    switch (curve) {
    case EcdsaCurve::NistP256: return 32;
    case EcdsaCurve::NistP384: return 48;
    case EcdsaCurve::NistP521: return 66;
    }
    return 0;
}

// True when the S-expression has the token anywhere inside.
bool HasToken(const Gcrypt& g, const Sexp& sexp, const char* token) {
    const gcry_sexp_t found = g.sexpFindToken(sexp.Get(), token, 0);
    if (!found) return false;
    g.sexpRelease(found);
    return true;
}

// ECDSA over a digest, which is cut to the curve order's size as ECDSA signs,
// with the signature value written by signatureOf; a value it can't write is
// not by this key.
template <typename SignatureOf>
VerifyOutcome VerifyEcdsaWith(EcdsaCurve curve, ByteSpan point, ByteSpan digest, const SignatureOf& signatureOf) {
    const Gcrypt* gcrypt = Library();
    if (!gcrypt) return VerifyOutcome::InvalidValues;
    const Gcrypt& g = *gcrypt;
    Sexp key(g), data(g), value(g);
    const int used = static_cast<int>(std::min(digest.size(), OrderBytes(curve)));
    if (g.sexpBuild(key.Out(), nullptr, "(public-key(ecc(curve %s)(q%b)))", CurveName(curve), Size(point),
                    point.data()) != 0 ||
        g.sexpBuild(data.Out(), nullptr, "(data(flags raw)(value %b))", used, digest.data()) != 0) {
        return VerifyOutcome::InvalidValues;
    }
    // libgcrypt checks the point only partly while verifying.
    if (!CurveContext(g, key).OnCurve()) return VerifyOutcome::InvalidValues;
    if (!signatureOf(g, value)) return VerifyOutcome::Bad;
    return Verdict(g, value, data, key);
}

}  // namespace

bool CryptoAvailable() { return Library() != nullptr; }

struct DigestContext::State {
    std::optional<GcryptDigest> digest;
};

DigestContext::DigestContext(DigestAlgorithm algorithm) : state_(std::make_unique<State>()) {
    const int id = NamesOf(algorithm).id;
    try {
        if (!Library() || id == GCRY_MD_NONE) throw std::runtime_error("no such digest");
        state_->digest.emplace(id);
    } catch (const std::runtime_error&) {
        throw std::runtime_error("digest unavailable");
    }
}

DigestContext::~DigestContext() = default;

void DigestContext::Update(ByteSpan bytes) { state_->digest->Write(bytes.data(), bytes.size()); }

Bytes DigestContext::Finish() {
    try {
        const std::span<const std::uint8_t> digest = state_->digest->Read();
        return Bytes(digest.begin(), digest.end());
    } catch (const std::runtime_error&) {
        throw std::runtime_error("digest unavailable");
    }
}

Bytes DigestOf(DigestAlgorithm algorithm, ByteSpan bytes) {
    DigestContext digest(algorithm);
    digest.Update(bytes);
    return digest.Finish();
}

VerifyOutcome VerifyRsaPkcs1(ByteSpan modulus, ByteSpan exponent, ByteSpan signature, DigestAlgorithm algorithm,
                             ByteSpan digest) {
    const Gcrypt* gcrypt = Library();
    if (!gcrypt || modulus.empty() || exponent.empty()) return VerifyOutcome::InvalidValues;
    const Gcrypt& g = *gcrypt;
    Sexp key(g), data(g), value(g);
    if (g.sexpBuild(key.Out(), nullptr, "(public-key(rsa(n%b)(e%b)))", Size(modulus), modulus.data(), Size(exponent),
                    exponent.data()) != 0 ||
        g.sexpBuild(data.Out(), nullptr, "(data(flags pkcs1)(hash %s %b))", NamesOf(algorithm).name, Size(digest),
                    digest.data()) != 0) {
        return VerifyOutcome::InvalidValues;
    }
    // A signature whose value can't even be written down is not by this key.
    if (g.sexpBuild(value.Out(), nullptr, "(sig-val(rsa(s%b)))", Size(signature), signature.data()) != 0) {
        return VerifyOutcome::Bad;
    }
    return Verdict(g, value, data, key);
}

VerifyOutcome VerifyEcdsa(EcdsaCurve curve, ByteSpan point, ByteSpan r, ByteSpan s, ByteSpan digest) {
    return VerifyEcdsaWith(curve, point, digest, [&](const Gcrypt& g, Sexp& value) {
        return g.sexpBuild(value.Out(), nullptr, "(sig-val(ecdsa(r%b)(s%b)))", Size(r), r.data(), Size(s), s.data()) == 0;
    });
}

VerifyOutcome VerifyEd25519(ByteSpan publicKey, ByteSpan signature, ByteSpan message) {
    const Gcrypt* gcrypt = Library();
    if (!gcrypt || publicKey.size() != 32 || !UsableEd25519Point(publicKey) || message.size() > kMaxEd25519Message) {
        return VerifyOutcome::InvalidValues;
    }
    if (signature.size() != 64) return VerifyOutcome::Bad;
    const Gcrypt& g = *gcrypt;
    Sexp key(g), data(g), value(g);
    if (!BuildEd25519Point(g, publicKey, key) ||
        g.sexpBuild(data.Out(), nullptr, "(data(flags eddsa)(hash-algo sha512)(value %b))", Size(message),
                    message.data()) != 0) {
        return VerifyOutcome::InvalidValues;
    }
    if (!CurveContext(g, key).OnCurve()) return VerifyOutcome::InvalidValues;
    // libgcrypt takes S + L for S, and an R of small order or in a second encoding: all are refused.
    const ByteSpan rBytes = signature.first(32), sBytes = signature.subspan(32);
    if (!BelowLittleEndian(sBytes, kEd25519Order) || !UsableEd25519Point(rBytes)) return VerifyOutcome::Bad;
    if (g.sexpBuild(value.Out(), nullptr, "(sig-val(eddsa(r%b)(s%b)))", 32, rBytes.data(), 32, sBytes.data()) != 0) {
        return VerifyOutcome::Bad;
    }
    return Verdict(g, value, data, key);
}

VerifyOutcome VerifyEcdsaSexp(EcdsaCurve curve, ByteSpan point, ByteSpan signature, ByteSpan digest) {
    return VerifyEcdsaWith(curve, point, digest, [&](const Gcrypt& g, Sexp& value) {
        return g.sexpScan(value.Out(), nullptr, reinterpret_cast<const char*>(signature.data()), signature.size()) == 0 &&
               HasToken(g, value, "ecdsa");
    });
}

std::size_t CanonicalSexpLength(const unsigned char* sexp) {
    const Gcrypt* gcrypt = Library();
    return gcrypt && sexp ? gcrypt->sexpCanonLength(sexp, 0, nullptr, nullptr) : 0;
}

}  // namespace vms
