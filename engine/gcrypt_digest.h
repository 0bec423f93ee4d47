// A message digest of libgcrypt (gcry_md_*), shared by the SHA hashers and
// signature checking, its handle closed on every path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

struct gcry_md_handle;  // libgcrypt's, kept out of this header

namespace vms {

class GcryptDigest {
public:
    // algorithm is one of libgcrypt's GCRY_MD_* numbers. Throws
    // std::runtime_error "libgcrypt unavailable" without the library, and
    // "gcry_md_open failed" when it can't open the algorithm.
    explicit GcryptDigest(int algorithm);
    ~GcryptDigest();
    GcryptDigest(const GcryptDigest&) = delete;
    GcryptDigest& operator=(const GcryptDigest&) = delete;

    void Write(const void* data, std::size_t length);
    // The digest, valid while the object lives; further writes are not
    // allowed. Throws std::runtime_error "gcry_md_read failed" when libgcrypt
    // gives none.
    std::span<const std::uint8_t> Read();

private:
    int algorithm_;
    ::gcry_md_handle* handle_ = nullptr;
};

}  // namespace vms
