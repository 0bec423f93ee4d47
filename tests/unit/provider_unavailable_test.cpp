// A process in which the MD2 provider cannot be opened: the system is asked for
// an algorithm identifier it does not have. The program's folder has no
// libgcrypt either.
#include "engine/gcrypt_library.h"
#include "engine/hasher.h"
#include "engine/hashers/cng_provider.h"
#include "engine/hashers/fastest_sha.h"
#include "engine/pipeline.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace vms {
namespace {

class ProviderUnavailable : public ::testing::Test {
protected:
    static void SetUpTestSuite() { hashers::FindCngProvider(kMd2)->algorithmName = L"VERIMOND-NO-SUCH-HASH"; }
};

TEST_F(ProviderUnavailable, EveryRequestFailsWhileOtherAlgorithmsWork) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            CreateHasher(kMd2);
            ADD_FAILURE() << "MD2 hasher created";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Windows cryptography provider unavailable");
        }
    }
    EXPECT_EQ(DigestToHex(HashBytes(kSha256, {}), false),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST_F(ProviderUnavailable, AFileNeedingItFailsWholeWithNotSupported) {
    testing::TempFolder folder;
    const std::wstring path = folder.Write(L"data", std::vector<std::uint8_t>(3000000, 0x5A));
    const HashResult failed = HashFile(path, MaskOf(kMd2) | MaskOf(kSha256), {});
    EXPECT_EQ(failed.error, static_cast<std::uint32_t>(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(failed.bytesHashed, 0u);
    for (const auto& entry : failed.digests) EXPECT_FALSE(entry.present);
    const HashResult fine = HashFile(path, MaskOf(kSha256), {});
    EXPECT_EQ(fine.error, 0u);
    EXPECT_TRUE(fine.digests[kSha256].present);
}

TEST_F(ProviderUnavailable, WithoutLibgcryptShaComesFromTheSystem) {
    ASSERT_EQ(GcryptModule(), nullptr);
    const std::vector<std::uint8_t> abc = {'a', 'b', 'c'};
    for (AlgorithmId id : AlgorithmsInMask(kShaSourceAlgorithms)) {
        try {
            CreateHasher(id, ShaSource::Libgcrypt);
            ADD_FAILURE() << GetAlgorithm(id).cliName << " hasher created from libgcrypt";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "libgcrypt unavailable");
        }
        EXPECT_EQ(hashers::FastestShaSource(id), ShaSource::System) << GetAlgorithm(id).cliName;
        const auto hasher = CreateHasher(id, ShaSource::Fastest);
        hasher->Update(abc.data(), abc.size());
        EXPECT_EQ(DigestToHex(hasher->Finish(), false), DigestToHex(HashBytes(id, abc), false));
    }
    EXPECT_EQ(DigestToHex(HashBytes(kSha256, abc), false),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
}  // namespace vms
