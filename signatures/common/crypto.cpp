#include "signatures/common/crypto.h"


#include <gcrypt.h>
#include <windows.h>

#include <stdexcept>

namespace vms {
namespace {

struct ModuleDeleter {
    void operator()(HMODULE module) const noexcept { FreeLibrary(module); }
};
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleDeleter>;

// The entry points used, looked up by name.
struct Gcrypt {
    UniqueModule errorLibrary;
    UniqueModule library;
    decltype(&gcry_check_version) checkVersion = nullptr;
    decltype(&gcry_control) control = nullptr;
    decltype(&gcry_sexp_build) sexpBuild = nullptr;
    decltype(&gcry_sexp_release) sexpRelease = nullptr;
    decltype(&gcry_pk_verify) pkVerify = nullptr;
    decltype(&gcry_md_open) mdOpen = nullptr;
    decltype(&gcry_md_write) mdWrite = nullptr;
    decltype(&gcry_md_read) mdRead = nullptr;
    decltype(&gcry_md_close) mdClose = nullptr;
    decltype(&gcry_md_get_algo_dlen) mdLength = nullptr;
    decltype(&gcry_mpi_ec_new) ecNew = nullptr;
    decltype(&gcry_mpi_ec_get_point) ecGetPoint = nullptr;
    decltype(&gcry_mpi_ec_curve_point) ecCurvePoint = nullptr;
    decltype(&gcry_ctx_release) contextRelease = nullptr;
};

template <typename Function>
bool Resolve(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

// Loads the two DLLs by full path, so no other folder is searched, then
// initialises the library; nothing when either step fails.
std::unique_ptr<Gcrypt> LoadGcrypt() {
    const std::wstring folder = ProgramFolder();
    if (folder.empty()) return nullptr;
    auto gcrypt = std::make_unique<Gcrypt>();
    gcrypt->errorLibrary.reset(LoadLibraryExW((folder + L"libgpg-error-0.dll").c_str(), nullptr, 0));
    if (!gcrypt->errorLibrary) return nullptr;
    gcrypt->library.reset(LoadLibraryExW((folder + L"libgcrypt-20.dll").c_str(), nullptr, 0));
    if (!gcrypt->library) return nullptr;
    const HMODULE module = gcrypt->library.get();
    const bool resolved =
        Resolve(module, "gcry_check_version", gcrypt->checkVersion) &&
        Resolve(module, "gcry_control", gcrypt->control) &&
        Resolve(module, "gcry_sexp_build", gcrypt->sexpBuild) &&
        Resolve(module, "gcry_sexp_release", gcrypt->sexpRelease) &&
        Resolve(module, "gcry_pk_verify", gcrypt->pkVerify) && Resolve(module, "gcry_md_open", gcrypt->mdOpen) &&
        Resolve(module, "gcry_md_write", gcrypt->mdWrite) && Resolve(module, "gcry_md_read", gcrypt->mdRead) &&
        Resolve(module, "gcry_md_close", gcrypt->mdClose) &&
        Resolve(module, "gcry_md_get_algo_dlen", gcrypt->mdLength) &&
        Resolve(module, "gcry_mpi_ec_new", gcrypt->ecNew) &&
        Resolve(module, "gcry_mpi_ec_get_point", gcrypt->ecGetPoint) &&
        Resolve(module, "gcry_mpi_ec_curve_point", gcrypt->ecCurvePoint) &&
        Resolve(module, "gcry_ctx_release", gcrypt->contextRelease);
    // 1.8 is the oldest release with every curve and form used here.
    if (!resolved || !gcrypt->checkVersion("1.8.0")) return nullptr;
    gcrypt->control(GCRYCTL_DISABLE_SECMEM, 0);
    gcrypt->control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return gcrypt;
}

const Gcrypt* Library() {
    static const std::unique_ptr<Gcrypt> gcrypt = LoadGcrypt();
    return gcrypt.get();
}

int GcryptDigestId(HashAlgorithm algorithm) {
    switch (algorithm) {
    case HashAlgorithm::Md5: return GCRY_MD_MD5;
    case HashAlgorithm::Sha1: return GCRY_MD_SHA1;
    case HashAlgorithm::Ripemd160: return GCRY_MD_RMD160;
    case HashAlgorithm::Sha224: return GCRY_MD_SHA224;
    case HashAlgorithm::Sha256: return GCRY_MD_SHA256;
    case HashAlgorithm::Sha384: return GCRY_MD_SHA384;
    case HashAlgorithm::Sha512: return GCRY_MD_SHA512;
    case HashAlgorithm::Sha3_256: return GCRY_MD_SHA3_256;
    case HashAlgorithm::Sha3_512: return GCRY_MD_SHA3_512;
    }
    return GCRY_MD_NONE;
}

const char* GcryptDigestName(HashAlgorithm algorithm) {
    switch (algorithm) {
    case HashAlgorithm::Md5: return "md5";
    case HashAlgorithm::Sha1: return "sha1";
    case HashAlgorithm::Ripemd160: return "rmd160";
    case HashAlgorithm::Sha224: return "sha224";
    case HashAlgorithm::Sha256: return "sha256";
    case HashAlgorithm::Sha384: return "sha384";
    case HashAlgorithm::Sha512: return "sha512";
    case HashAlgorithm::Sha3_256: return "sha3-256";
    case HashAlgorithm::Sha3_512: return "sha3-512";
    }
    return "";
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

int Size(const Bytes& bytes) { return static_cast<int>(bytes.size()); }

// A value of an EdDSA signature, written as an MPI without its leading zero bytes.
Bytes PadLeft(const Bytes& value, std::size_t size) {
    if (value.size() >= size) return value;
    Bytes padded(size - value.size(), 0);
    padded.insert(padded.end(), value.begin(), value.end());
    return padded;
}

bool BuildKey(const Gcrypt& g, const PublicKey& key, Sexp& out) {
    if (key.algorithm == PublicKeyAlgorithm::Rsa || key.algorithm == PublicKeyAlgorithm::RsaSignOnly) {
        return g.sexpBuild(out.Out(), nullptr, "(public-key(rsa(n%b)(e%b)))", Size(key.fields[0]),
                           key.fields[0].data(), Size(key.fields[1]), key.fields[1].data()) == 0;
    }
    if (key.algorithm == PublicKeyAlgorithm::Ecdsa) {
        const std::string curve = CurveName(key.curve);
        return g.sexpBuild(out.Out(), nullptr, "(public-key(ecc(curve %s)(q%b)))", curve.c_str(),
                           Size(key.fields[0]), key.fields[0].data()) == 0;
    }
    return g.sexpBuild(out.Out(), nullptr, "(public-key(ecc(curve Ed25519)(flags eddsa)(q%b)))",
                       Size(key.fields[0]), key.fields[0].data()) == 0;
}

// libgcrypt checks ECDSA points only partly while verifying; a point off the
// curve is refused here.
bool PointOnCurve(const Gcrypt& g, const Sexp& key) {
    gcry_ctx_t context = nullptr;
    if (g.ecNew(&context, key.Get(), nullptr) != 0) return false;
    const gcry_mpi_point_t point = g.ecGetPoint("q", context, 0);
    const bool onCurve = point && g.ecCurvePoint(point, context);
    g.contextRelease(context);
    return onCurve;
}

bool BuildData(const Gcrypt& g, const PublicKey& key, const Signature& signature, ByteSpan digest, Sexp& out) {
    const int size = static_cast<int>(digest.size());
    switch (key.algorithm) {
    case PublicKeyAlgorithm::Rsa:
    case PublicKeyAlgorithm::RsaSignOnly:
        return g.sexpBuild(out.Out(), nullptr, "(data(flags pkcs1)(hash %s %b))", GcryptDigestName(signature.hash),
                           size, digest.data()) == 0;
    case PublicKeyAlgorithm::Ecdsa: {
        // ECDSA signs the digest's leftmost bits, as many as the curve's order has.
        const int orderBytes = static_cast<int>(key.bits / 8);
        return g.sexpBuild(out.Out(), nullptr, "(data(flags raw)(value %b))", std::min(size, orderBytes),
                           digest.data()) == 0;
    }
    default:
        return g.sexpBuild(out.Out(), nullptr, "(data(flags eddsa)(hash-algo sha512)(value %b))", size,
                           digest.data()) == 0;
    }
}

bool BuildSignature(const Gcrypt& g, const PublicKey& key, const Signature& signature, Sexp& out) {
    const std::vector<Bytes>& values = signature.values;
    switch (key.algorithm) {
    case PublicKeyAlgorithm::Rsa:
    case PublicKeyAlgorithm::RsaSignOnly:
        return g.sexpBuild(out.Out(), nullptr, "(sig-val(rsa(s%b)))", Size(values[0]), values[0].data()) == 0;
    case PublicKeyAlgorithm::Ecdsa:
        return g.sexpBuild(out.Out(), nullptr, "(sig-val(ecdsa(r%b)(s%b)))", Size(values[0]), values[0].data(),
                           Size(values[1]), values[1].data()) == 0;
    case PublicKeyAlgorithm::EdDsaLegacy: {
        if (values[0].size() > 32 || values[1].size() > 32) return false;
        const Bytes r = PadLeft(values[0], 32);
        const Bytes s = PadLeft(values[1], 32);
        return g.sexpBuild(out.Out(), nullptr, "(sig-val(eddsa(r%b)(s%b)))", 32, r.data(), 32, s.data()) == 0;
    }
    default:
        return g.sexpBuild(out.Out(), nullptr, "(sig-val(eddsa(r%b)(s%b)))", 32, values[0].data(), 32,
                           values[0].data() + 32) == 0;
    }
}

// The signature's algorithm must be the key's, with the value count parsed for it.
bool Compatible(const PublicKey& key, const Signature& signature) {
    const auto family = [](PublicKeyAlgorithm algorithm) {
        return algorithm == PublicKeyAlgorithm::RsaSignOnly ? PublicKeyAlgorithm::Rsa : algorithm;
    };
    return key.canVerify && family(key.algorithm) == family(signature.algorithm) && !signature.values.empty();
}

}  // namespace

bool CryptoAvailable() { return Library() != nullptr; }

struct DigestContext::State {
    const Gcrypt* gcrypt = nullptr;
    gcry_md_hd_t handle = nullptr;
    int algorithm = 0;
};

DigestContext::DigestContext(HashAlgorithm algorithm) : state_(std::make_unique<State>()) {
    state_->gcrypt = Library();
    state_->algorithm = GcryptDigestId(algorithm);
    if (!state_->gcrypt || state_->algorithm == GCRY_MD_NONE ||
        state_->gcrypt->mdOpen(&state_->handle, state_->algorithm, 0) != 0) {
        throw std::runtime_error("digest unavailable");
    }
}

DigestContext::~DigestContext() {
    if (state_->handle) state_->gcrypt->mdClose(state_->handle);
}

void DigestContext::Update(ByteSpan bytes) {
    if (!bytes.empty()) state_->gcrypt->mdWrite(state_->handle, bytes.data(), bytes.size());
}

Bytes DigestContext::Finish() {
    const unsigned char* digest = state_->gcrypt->mdRead(state_->handle, state_->algorithm);
    if (!digest) throw std::runtime_error("digest unavailable");
    return Bytes(digest, digest + state_->gcrypt->mdLength(state_->algorithm));
}

VerifyOutcome VerifyDigest(const PublicKey& key, const Signature& signature, ByteSpan digest) {
    const Gcrypt* gcrypt = Library();
    if (!gcrypt || !Compatible(key, signature)) return VerifyOutcome::InvalidValues;
    const Gcrypt& g = *gcrypt;
    Sexp keySexp(g), dataSexp(g), signatureSexp(g);
    if (!BuildKey(g, key, keySexp) || !BuildData(g, key, signature, digest, dataSexp)) {
        return VerifyOutcome::InvalidValues;
    }
    if (key.algorithm == PublicKeyAlgorithm::Ecdsa && !PointOnCurve(g, keySexp)) return VerifyOutcome::InvalidValues;
    // A signature whose values can't even be written down is not by this key.
    if (!BuildSignature(g, key, signature, signatureSexp)) return VerifyOutcome::Bad;
    const gcry_error_t error = g.pkVerify(signatureSexp.Get(), dataSexp.Get(), keySexp.Get());
    if (error == 0) return VerifyOutcome::Good;
    return (error & GPG_ERR_CODE_MASK) == GPG_ERR_BAD_SIGNATURE ? VerifyOutcome::Bad : VerifyOutcome::InvalidValues;
}

}  // namespace vms
