// A process of its own with libgcrypt beside it, in which the SHA-512
// provider's record is pointed at an identifier the system lacks before its
// first use.
#include "engine/hasher.h"
#include "engine/hashers/cng_provider.h"
#include "engine/hashers/fastest_sha.h"

#include <gtest/gtest.h>

namespace vms {
namespace {

using Bytes = std::vector<std::uint8_t>;

class ShaSources : public ::testing::Test {
protected:
    static void SetUpTestSuite() { hashers::FindCngProvider(kSha512)->algorithmName = L"VERIMOND-NO-SUCH-HASH"; }
};

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
