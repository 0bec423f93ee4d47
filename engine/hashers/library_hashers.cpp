// BLAKE3, XXH64, XXH3-64 and XXH128 through their reference libraries.
// xxHash digests are stored in canonical (big-endian) form, as its tools print them.
#include "engine/hashers/hashers.h"

#include <blake3.h>
#include <xxhash.h>

#include <cstring>
#include <new>

namespace vms::hashers {
namespace {

class Blake3Hasher final : public Hasher {
public:
    Blake3Hasher() { blake3_hasher_init(&state_); }

    void Update(const void* data, std::uint64_t length) override {
        blake3_hasher_update(&state_, data, static_cast<std::size_t>(length));
    }

    Digest Finish() override {
        Digest digest;
        digest.size = BLAKE3_OUT_LEN;
        blake3_hasher_finalize(&state_, digest.bytes.data(), BLAKE3_OUT_LEN);
        return digest;
    }

private:
    blake3_hasher state_;
};

template <typename Canonical>
Digest CanonicalDigest(const Canonical& canonical) {
    Digest digest;
    digest.size = sizeof canonical.digest;
    std::memcpy(digest.bytes.data(), canonical.digest, sizeof canonical.digest);
    return digest;
}

class Xxh64Hasher final : public Hasher {
public:
    Xxh64Hasher() { XXH64_reset(&state_, 0); }

    void Update(const void* data, std::uint64_t length) override {
        XXH64_update(&state_, data, static_cast<std::size_t>(length));
    }

    Digest Finish() override {
        XXH64_canonical_t canonical;
        XXH64_canonicalFromHash(&canonical, XXH64_digest(&state_));
        return CanonicalDigest(canonical);
    }

private:
    XXH64_state_t state_;
};

struct Xxh3StateDeleter {
    void operator()(XXH3_state_t* state) const noexcept { XXH3_freeState(state); }
};

// XXH3-64 and XXH128 share the streaming state (seed 0, default secret);
// only the final digest differs.
class Xxh3Hasher final : public Hasher {
public:
    explicit Xxh3Hasher(bool is128) : is128_(is128), state_(XXH3_createState()) {
        if (!state_) throw std::bad_alloc();
        if (is128_) {
            XXH3_128bits_reset(state_.get());
        } else {
            XXH3_64bits_reset(state_.get());
        }
    }

    void Update(const void* data, std::uint64_t length) override {
        if (is128_) {
            XXH3_128bits_update(state_.get(), data, static_cast<std::size_t>(length));
        } else {
            XXH3_64bits_update(state_.get(), data, static_cast<std::size_t>(length));
        }
    }

    Digest Finish() override {
        if (is128_) {
            XXH128_canonical_t canonical;
            XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(state_.get()));
            return CanonicalDigest(canonical);
        }
        XXH64_canonical_t canonical;
        XXH64_canonicalFromHash(&canonical, XXH3_64bits_digest(state_.get()));
        return CanonicalDigest(canonical);
    }

private:
    bool is128_;
    std::unique_ptr<XXH3_state_t, Xxh3StateDeleter> state_;
};

}  // namespace

std::unique_ptr<Hasher> MakeBlake3() { return std::make_unique<Blake3Hasher>(); }
std::unique_ptr<Hasher> MakeXxh64() { return std::make_unique<Xxh64Hasher>(); }
std::unique_ptr<Hasher> MakeXxh3(bool is128) { return std::make_unique<Xxh3Hasher>(is128); }

}  // namespace vms::hashers
