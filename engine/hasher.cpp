#include "engine/hasher.h"

#include "engine/hashers/fastest_sha.h"
#include "engine/hashers/hashers.h"

#include <stdexcept>

namespace vms {
namespace {

std::unique_ptr<Hasher> MakeSha(AlgorithmId id, ShaSource source) {
    if (source == ShaSource::Fastest) source = hashers::FastestShaSource(id);
    return source == ShaSource::Libgcrypt ? hashers::MakeGcrypt(id) : hashers::MakeCng(id);
}

}  // namespace

std::unique_ptr<Hasher> CreateHasher(AlgorithmId id, ShaSource source) {
    switch (id) {
    case kCrc32: return hashers::MakeCrc32();
    case kSha1: case kSha256: case kSha384: case kSha512: return MakeSha(id, source);
    case kMd5: case kMd2: case kMd4: return hashers::MakeCng(id);
    case kSha3_256: return hashers::MakeSha3(32, 136);
    case kSha3_384: return hashers::MakeSha3(48, 104);
    case kSha3_512: return hashers::MakeSha3(64, 72);
    case kBlake3: return hashers::MakeBlake3();
    case kXxh64: return hashers::MakeXxh64();
    case kXxh3_64: return hashers::MakeXxh3(false);
    case kXxh128: return hashers::MakeXxh3(true);
    default: throw std::runtime_error("unknown algorithm");
    }
}

Digest HashBytes(AlgorithmId id, std::span<const std::uint8_t> bytes) {
    const auto hasher = CreateHasher(id);
    hasher->Update(bytes.data(), bytes.size());
    return hasher->Finish();
}

}  // namespace vms
