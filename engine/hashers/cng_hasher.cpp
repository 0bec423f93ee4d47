// MD2, MD4, MD5, SHA-1 and SHA-2 through the system's CNG providers.
#include "engine/hashers/cng_provider.h"
#include "engine/hashers/hashers.h"
#include "engine/system_functions.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace vms::hashers {
namespace {

// CNG takes 32-bit lengths; larger inputs go in pieces of this size.
constexpr std::uint64_t kMaxPiece = 0x40000000;

class CngHasher final : public Hasher {
public:
    // The provider is open, so bcrypt.dll is loaded.
    explicit CngHasher(const CngProvider& provider)
        : bcrypt_(*system::Bcrypt()), object_(provider.objectLength), digestLength_(provider.digestLength) {
        if (bcrypt_.createHash(provider.handle, &hash_, object_.data(), static_cast<ULONG>(object_.size()),
                             nullptr, 0, 0) < 0) {
            throw std::runtime_error("BCryptCreateHash failed");
        }
    }

    ~CngHasher() override {
        if (hash_) bcrypt_.destroyHash(hash_);
    }

    CngHasher(const CngHasher&) = delete;
    CngHasher& operator=(const CngHasher&) = delete;

    void Update(const void* data, std::uint64_t length) override {
        auto bytes = static_cast<PUCHAR>(const_cast<void*>(data));
        while (length > 0) {
            const auto piece = static_cast<ULONG>(std::min(length, kMaxPiece));
            bcrypt_.hashData(hash_, bytes, piece, 0);
            bytes += piece;
            length -= piece;
        }
    }

    Digest Finish() override {
        Digest digest;
        bcrypt_.finishHash(hash_, digest.bytes.data(), digestLength_, 0);
        digest.size = static_cast<std::uint8_t>(digestLength_);
        return digest;
    }

private:
    const system::BcryptFunctions& bcrypt_;
    std::vector<UCHAR> object_;  // the provider's hash object lives here
    ULONG digestLength_;
    BCRYPT_HASH_HANDLE hash_ = nullptr;
};

}  // namespace

std::unique_ptr<Hasher> MakeCng(AlgorithmId id) {
    CngProvider* record = FindCngProvider(id);
    if (!record || !OpenedCngProvider(*record).handle) {
        throw std::runtime_error("Windows cryptography provider unavailable");
    }
    return std::make_unique<CngHasher>(*record);
}

}  // namespace vms::hashers
