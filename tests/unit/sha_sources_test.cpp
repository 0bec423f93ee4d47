// A process of its own with libgcrypt beside it: nothing has loaded libgcrypt
// when the first test starts, and the SHA-512 provider's record is pointed at
// an identifier the system lacks before its first use.
#include "engine/hasher.h"
#include "engine/hashers/cng_provider.h"
#include "engine/hashers/fastest_sha.h"
#include "engine/pipeline.h"
#include "temp_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <random>

namespace vms {
namespace {

using Bytes = std::vector<std::uint8_t>;

bool GcryptLoaded() { return GetModuleHandleW(L"libgcrypt-20.dll") != nullptr; }

Bytes RandomBytes(std::size_t length) {
    std::mt19937 random(static_cast<unsigned>(length));
    Bytes bytes(length);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

std::string HexOf(const HashResult& result, AlgorithmId id) {
    EXPECT_EQ(result.error, 0u);
    EXPECT_TRUE(result.digests[id].present);
    return DigestToHex(result.digests[id].digest, false);
}

class ShaSources : public ::testing::Test {
protected:
    static void SetUpTestSuite() { hashers::FindCngProvider(kSha512)->algorithmName = L"VERIMOND-NO-SUCH-HASH"; }
};

// Runs first: the tests after it load libgcrypt.
TEST_F(ShaSources, OnlyAnInputLongerThanOneBlockLoadsLibgcrypt) {
    ASSERT_FALSE(GcryptLoaded());
    testing::TempFolder folder;
    const AlgorithmMask mask = MaskOf(kSha1) | MaskOf(kSha256);
    const Bytes small = RandomBytes(kSharedBlockSize - 1);
    const HashResult one = HashFile(folder.Write(L"small", small), mask, {});
    EXPECT_EQ(HexOf(one, kSha1), DigestToHex(HashBytes(kSha1, small), false));
    EXPECT_EQ(HexOf(one, kSha256), DigestToHex(HashBytes(kSha256, small), false));
    EXPECT_FALSE(GcryptLoaded());

    const Bytes large = RandomBytes(3 * kSharedBlockSize + 1);
    const HashResult several = HashFile(folder.Write(L"large", large), mask, {});
    EXPECT_EQ(HexOf(several, kSha1), DigestToHex(HashBytes(kSha1, large), false));
    EXPECT_EQ(HexOf(several, kSha256), DigestToHex(HashBytes(kSha256, large), false));
    EXPECT_TRUE(GcryptLoaded());
}

TEST_F(ShaSources, WithoutTheSystemsProviderTheFastestIsLibgcrypt) {
    try {
        CreateHasher(kSha512);
        ADD_FAILURE() << "SHA-512 hasher created from the system";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Windows cryptography provider unavailable");
    }
    EXPECT_EQ(hashers::FastestShaSource(kSha512), ShaSource::Libgcrypt);
    const Bytes abc = {'a', 'b', 'c'};
    const auto hasher = CreateHasher(kSha512, ShaSource::Fastest);
    hasher->Update(abc.data(), abc.size());
    EXPECT_EQ(DigestToHex(hasher->Finish(), false),
              "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f");
}

}  // namespace
}  // namespace vms
