// SHA-1 and SHA-2 through libgcrypt, whose kernels use the processor's SHA and
// vector extensions.
#include "engine/gcrypt_digest.h"
#include "engine/hashers/hashers.h"

#include <gcrypt.h>

#include <algorithm>

namespace vms::hashers {
namespace {

int GcryptAlgorithm(AlgorithmId id) {
    switch (id) {
    case kSha1: return GCRY_MD_SHA1;
    case kSha256: return GCRY_MD_SHA256;
    case kSha384: return GCRY_MD_SHA384;
    case kSha512: return GCRY_MD_SHA512;
    default: return GCRY_MD_NONE;
    }
}

class GcryptHasher final : public Hasher {
public:
    explicit GcryptHasher(AlgorithmId id) : digest_(GcryptAlgorithm(id)) {}

    void Update(const void* data, std::uint64_t length) override {
        digest_.Write(data, static_cast<std::size_t>(length));
    }

    Digest Finish() override {
        const std::span<const std::uint8_t> bytes = digest_.Read();
        Digest digest;
        digest.size = static_cast<std::uint8_t>(std::min(bytes.size(), digest.bytes.size()));
        std::copy_n(bytes.begin(), digest.size, digest.bytes.begin());
        return digest;
    }

private:
    GcryptDigest digest_;
};

}  // namespace

std::unique_ptr<Hasher> MakeGcrypt(AlgorithmId id) { return std::make_unique<GcryptHasher>(id); }

}  // namespace vms::hashers
