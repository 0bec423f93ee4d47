#include "engine/gcrypt_digest.h"

#include "engine/gcrypt_library.h"
#include "engine/program_library.h"

#include <gcrypt.h>

#include <optional>
#include <stdexcept>

namespace vms {
namespace {

// The digest entry points, looked up by name once per process.
struct DigestFunctions {
    decltype(&gcry_md_open) open;
    decltype(&gcry_md_write) write;
    decltype(&gcry_md_read) read;
    decltype(&gcry_md_close) close;
    decltype(&gcry_md_get_algo_dlen) length;
};

const DigestFunctions& Functions() {
    static const std::optional<DigestFunctions> functions = []() -> std::optional<DigestFunctions> {
        const HMODULE module = GcryptModule();
        DigestFunctions f{};
        if (!module || !Resolve(module, "gcry_md_open", f.open) || !Resolve(module, "gcry_md_write", f.write) ||
            !Resolve(module, "gcry_md_read", f.read) || !Resolve(module, "gcry_md_close", f.close) ||
            !Resolve(module, "gcry_md_get_algo_dlen", f.length)) {
            return std::nullopt;
        }
        return f;
    }();
    if (!functions) throw std::runtime_error("libgcrypt unavailable");
    return *functions;
}

}  // namespace

GcryptDigest::GcryptDigest(int algorithm) : algorithm_(algorithm) {
    if (Functions().open(&handle_, algorithm_, 0) != 0) {
        handle_ = nullptr;
        throw std::runtime_error("gcry_md_open failed");
    }
}

GcryptDigest::~GcryptDigest() {
    if (handle_) Functions().close(handle_);
}

void GcryptDigest::Write(const void* data, std::size_t length) {
    if (length != 0) Functions().write(handle_, data, length);
}

std::span<const std::uint8_t> GcryptDigest::Read() {
    const unsigned char* digest = Functions().read(handle_, algorithm_);
    if (!digest) throw std::runtime_error("gcry_md_read failed");
    return {digest, Functions().length(algorithm_)};
}

}  // namespace vms
