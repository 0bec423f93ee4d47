// SHA-1 and SHA-2 through libgcrypt, whose kernels use the processor's SHA and
// vector extensions.
#include "engine/gcrypt_library.h"
#include "engine/hashers/hashers.h"
#include "engine/program_library.h"

#include <gcrypt.h>

#include <cstring>
#include <optional>
#include <stdexcept>

namespace vms::hashers {
namespace {

// The digest entry points, looked up by name once per process.
struct DigestFunctions {
    decltype(&gcry_md_open) open;
    decltype(&gcry_md_write) write;
    decltype(&gcry_md_read) read;
    decltype(&gcry_md_close) close;
};

const DigestFunctions* Functions() {
    static const std::optional<DigestFunctions> functions = []() -> std::optional<DigestFunctions> {
        const HMODULE module = GcryptModule();
        DigestFunctions f{};
        if (!module || !Resolve(module, "gcry_md_open", f.open) || !Resolve(module, "gcry_md_write", f.write) ||
            !Resolve(module, "gcry_md_read", f.read) || !Resolve(module, "gcry_md_close", f.close)) {
            return std::nullopt;
        }
        return f;
    }();
    return functions ? &*functions : nullptr;
}

int GcryptAlgorithm(AlgorithmId id) {
    switch (id) {
    case kSha1: return GCRY_MD_SHA1;
    case kSha256: return GCRY_MD_SHA256;
    case kSha384: return GCRY_MD_SHA384;
    case kSha512: return GCRY_MD_SHA512;
    default: return GCRY_MD_NONE;
    }
}

struct HandleCloser {
    decltype(&gcry_md_close) close;
    void operator()(gcry_md_hd_t handle) const noexcept { close(handle); }
};

class GcryptHasher final : public Hasher {
public:
    GcryptHasher(const DigestFunctions& functions, AlgorithmId id)
        : functions_(functions), algorithm_(GcryptAlgorithm(id)), digestSize_(GetAlgorithm(id).digestSize),
          handle_(nullptr, {functions.close}) {
        gcry_md_hd_t handle = nullptr;
        if (functions_.open(&handle, algorithm_, 0) != 0) throw std::runtime_error("gcry_md_open failed");
        handle_.reset(handle);
    }

    void Update(const void* data, std::uint64_t length) override {
        functions_.write(handle_.get(), data, static_cast<std::size_t>(length));
    }

    Digest Finish() override {
        Digest digest;
        std::memcpy(digest.bytes.data(), functions_.read(handle_.get(), algorithm_), digestSize_);
        digest.size = static_cast<std::uint8_t>(digestSize_);
        return digest;
    }

private:
    const DigestFunctions& functions_;
    int algorithm_;
    std::uint32_t digestSize_;
    std::unique_ptr<gcry_md_handle, HandleCloser> handle_;
};

}  // namespace

std::unique_ptr<Hasher> MakeGcrypt(AlgorithmId id) {
    const DigestFunctions* functions = Functions();
    if (!functions) throw std::runtime_error("libgcrypt unavailable");
    return std::make_unique<GcryptHasher>(*functions, id);
}

}  // namespace vms::hashers
