#include "engine/hasher.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace vms {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes AsBytes(std::string_view text) { return {text.begin(), text.end()}; }

// Input of the published BLAKE3 vectors: length bytes of 0, 1, ..., 250, 0, 1, ...
Bytes Pattern251(std::size_t length) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
    return bytes;
}

Bytes RandomBytes(std::mt19937& random, std::size_t length) {
    Bytes bytes(length);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

std::string Hex(AlgorithmId id, const Bytes& input) { return DigestToHex(HashBytes(id, input), false); }

std::string Hex(AlgorithmId id, ShaSource source, const Bytes& input) {
    const auto hasher = CreateHasher(id, source);
    hasher->Update(input.data(), input.size());
    return DigestToHex(hasher->Finish(), false);
}

constexpr ShaSource kShaSources[] = {ShaSource::System, ShaSource::Libgcrypt, ShaSource::Fastest};

const char* SourceName(ShaSource source) {
    switch (source) {
    case ShaSource::System: return "system";
    case ShaSource::Libgcrypt: return "libgcrypt";
    case ShaSource::Fastest: return "fastest";
    }
    return "";
}

enum Input { kEmpty, kAbc, kDigits, kMessageDigest, kFips448, kFips896, kMillionA };

Bytes InputBytes(Input input) {
    switch (input) {
    case kEmpty: return {};
    case kAbc: return AsBytes("abc");
    case kDigits: return AsBytes("123456789");
    case kMessageDigest: return AsBytes("message digest");
    case kFips448: return AsBytes("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq");
    case kFips896:
        return AsBytes("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu");
    case kMillionA: return Bytes(1000000, 'a');
    }
    return {};
}

struct Vector {
    AlgorithmId algorithm;
    Input input;
    const char* hex;
};

// Published values (FIPS 180-4, FIPS 202, RFC 1319/1320/1321, the BLAKE3 and
// xxHash references), as md5sum, sha*sum, b3sum, xxhsum and rhash print them.
const Vector kVectors[] = {
    {kCrc32, kEmpty, "00000000"},
    {kMd5, kEmpty, "d41d8cd98f00b204e9800998ecf8427e"},
    {kSha1, kEmpty, "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    {kSha256, kEmpty, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {kSha384, kEmpty, "38b060a751ac96384cd9327eb1b1e36a21fdb71114be07434c0cc7bf63f6e1da274edebfe76f65fbd51ad2f14898b95b"},
    {kSha512, kEmpty, "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e"},
    {kSha3_256, kEmpty, "a7ffc6f8bf1ed76651c14756a061d662f580ff4de43b49fa82d80a4b80f8434a"},
    {kSha3_384, kEmpty, "0c63a75b845e4f7d01107d852e4c2485c51a50aaaa94fc61995e71bbee983a2ac3713831264adb47fb6bd1e058d5f004"},
    {kSha3_512, kEmpty, "a69f73cca23a9ac5c8b567dc185a756e97c982164fe25859e0d1dcc1475c80a615b2123af1f5f94c11e3e9402c3ac558f500199d95b6d3e301758586281dcd26"},
    {kBlake3, kEmpty, "af1349b9f5f9a1a6a0404dea36dcc9499bcb25c9adc112b7cc9a93cae41f3262"},
    {kXxh64, kEmpty, "ef46db3751d8e999"},
    {kXxh3_64, kEmpty, "2d06800538d394c2"},
    {kXxh128, kEmpty, "99aa06d3014798d86001c324468d497f"},
    {kMd2, kEmpty, "8350e5a3e24c153df2275c9f80692773"},
    {kMd4, kEmpty, "31d6cfe0d16ae931b73c59d7e0c089c0"},
    {kCrc32, kAbc, "352441c2"},
    {kMd5, kAbc, "900150983cd24fb0d6963f7d28e17f72"},
    {kSha1, kAbc, "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {kSha256, kAbc, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {kSha384, kAbc, "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
    {kSha512, kAbc, "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
    {kSha3_256, kAbc, "3a985da74fe225b2045c172d6bd390bd855f086e3e9d525b46bfe24511431532"},
    {kSha3_384, kAbc, "ec01498288516fc926459f58e2c6ad8df9b473cb0fc08c2596da7cf0e49be4b298d88cea927ac7f539f1edf228376d25"},
    {kSha3_512, kAbc, "b751850b1a57168a5693cd924b6b096e08f621827444f70d884f5d0240d2712e10e116e9192af3c91a7ec57647e3934057340b4cf408d5a56592f8274eec53f0"},
    {kBlake3, kAbc, "6437b3ac38465133ffb63b75273a8db548c558465d79db03fd359c6cd5bd9d85"},
    {kXxh64, kAbc, "44bc2cf5ad770999"},
    {kXxh3_64, kAbc, "78af5f94892f3950"},
    {kXxh128, kAbc, "06b05ab6733a618578af5f94892f3950"},
    {kMd2, kAbc, "da853b0d3f88d99b30283a69e6ded6bb"},
    {kMd4, kAbc, "a448017aaf21d8525fc10ae87aa6729d"},
    {kCrc32, kDigits, "cbf43926"},
    {kMd5, kDigits, "25f9e794323b453885f5181f1b624d0b"},
    {kSha1, kDigits, "f7c3bc1d808e04732adf679965ccc34ca7ae3441"},
    {kSha256, kDigits, "15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225"},
    {kSha384, kDigits, "eb455d56d2c1a69de64e832011f3393d45f3fa31d6842f21af92d2fe469c499da5e3179847334a18479c8d1dedea1be3"},
    {kSha512, kDigits, "d9e6762dd1c8eaf6d61b3c6192fc408d4d6d5f1176d0c29169bc24e71c3f274ad27fcd5811b313d681f7e55ec02d73d499c95455b6b5bb503acf574fba8ffe85"},
    {kSha3_256, kDigits, "87cd084d190e436f147322b90e7384f6a8e0676c99d21ef519ea718e51d45f9c"},
    {kSha3_384, kDigits, "8b90ede4d095409f1a12492c2520599683a9478dc70b7566d23b3e41ece8538c6cde92382a5e38786490375c54672abf"},
    {kSha3_512, kDigits, "e1e44d20556e97a180b6dd3ed7ae5c465cafd553fa8747dca038fb95635b77a37318f7ddf7aec1f6c3c14bb160ba2497007decf38dd361cab199e3b8c8fe1f5c"},
    {kBlake3, kDigits, "b7d65b48420d1033cb2595293263b6f72eabee20d55e699d0df1973b3c9deed1"},
    {kXxh64, kDigits, "8cb841db40e6ae83"},
    {kXxh3_64, kDigits, "72dcb18b67a17dff"},
    {kXxh128, kDigits, "33119477ede5dcd5e9716427681d5860"},
    {kMd4, kDigits, "2ae523785d0caf4d2fb557c12016185c"},
    {kCrc32, kMessageDigest, "20159d7f"},
    {kMd5, kMessageDigest, "f96b697d7cb7938d525a2f31aaf161d0"},
    {kSha1, kMessageDigest, "c12252ceda8be8994d5fa0290a47231c1d16aae3"},
    {kSha256, kMessageDigest, "f7846f55cf23e14eebeab5b4e1550cad5b509e3348fbc4efa3a1413d393cb650"},
    {kSha384, kMessageDigest, "473ed35167ec1f5d8e550368a3db39be54639f828868e9454c239fc8b52e3c61dbd0d8b4de1390c256dcbb5d5fd99cd5"},
    {kSha512, kMessageDigest, "107dbf389d9e9f71a3a95f6c055b9251bc5268c2be16d6c13492ea45b0199f3309e16455ab1e96118e8a905d5597b72038ddb372a89826046de66687bb420e7c"},
    {kSha3_256, kMessageDigest, "edcdb2069366e75243860c18c3a11465eca34bce6143d30c8665cefcfd32bffd"},
    {kSha3_384, kMessageDigest, "d9519709f44af73e2c8e291109a979de3d61dc02bf69def7fbffdfffe662751513f19ad57e17d4b93ba1e484fc1980d5"},
    {kSha3_512, kMessageDigest, "3444e155881fa15511f57726c7d7cfe80302a7433067b29d59a71415ca9dd141ac892d310bc4d78128c98fda839d18d7f0556f2fe7acb3c0cda4bff3a25f5f59"},
    {kBlake3, kMessageDigest, "7bc2a2eeb95ddbf9b7ecf6adcb76b453091c58dc43955e1d9482b1942f08d19b"},
    {kXxh64, kMessageDigest, "066ed728fceeb3be"},
    {kXxh3_64, kMessageDigest, "160d8e9329be94f9"},
    {kXxh128, kMessageDigest, "34ab715d95e3b6490abfabecb8e3a424"},
    {kMd2, kMessageDigest, "ab4f496bfb2a530b219ff33031fe06b0"},
    {kMd4, kMessageDigest, "d9130a8164549fe818874806e1c7014b"},
    {kCrc32, kFips448, "171a3f5f"},
    {kMd5, kFips448, "8215ef0796a20bcaaae116d3876c664a"},
    {kSha1, kFips448, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    {kSha256, kFips448, "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {kSha384, kFips448, "3391fdddfc8dc7393707a65b1b4709397cf8b1d162af05abfe8f450de5f36bc6b0455a8520bc4e6f5fe95b1fe3c8452b"},
    {kSha512, kFips448, "204a8fc6dda82f0a0ced7beb8e08a41657c16ef468b228a8279be331a703c33596fd15c13b1b07f9aa1d3bea57789ca031ad85c7a71dd70354ec631238ca3445"},
    {kSha3_256, kFips448, "41c0dba2a9d6240849100376a8235e2c82e1b9998a999e21db32dd97496d3376"},
    {kSha3_384, kFips448, "991c665755eb3a4b6bbdfb75c78a492e8c56a22c5c4d7e429bfdbc32b9d4ad5aa04a1f076e62fea19eef51acd0657c22"},
    {kSha3_512, kFips448, "04a371e84ecfb5b8b77cb48610fca8182dd457ce6f326a0fd3d7ec2f1e91636dee691fbe0c985302ba1b0d8dc78c086346b533b49c030d99a27daf1139d6e75e"},
    {kBlake3, kFips448, "c19012cc2aaf0dc3d8e5c45a1b79114d2df42abb2a410bf54be09e891af06ff8"},
    {kXxh64, kFips448, "f06103773e8585df"},
    {kXxh3_64, kFips448, "5bbcbbabcdcc3d3f"},
    {kXxh128, kFips448, "3d62d22a5169b016c0d894fd4828a1a7"},
    {kMd4, kFips448, "4691a9ec81b1a6bd1ab8557240b245c5"},
    {kCrc32, kFips896, "191f3349"},
    {kMd5, kFips896, "03dd8807a93175fb062dfb55dc7d359c"},
    {kSha1, kFips896, "a49b2446a02c645bf419f995b67091253a04a259"},
    {kSha256, kFips896, "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
    {kSha384, kFips896, "09330c33f71147e83d192fc782cd1b4753111b173b3b05d22fa08086e3b0f712fcc7c71a557e2db966c3e9fa91746039"},
    {kSha512, kFips896, "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018501d289e4900f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909"},
    {kSha3_256, kFips896, "916f6061fe879741ca6469b43971dfdb28b1a32dc36cb3254e812be27aad1d18"},
    {kSha3_384, kFips896, "79407d3b5916b59c3e30b09822974791c313fb9ecc849e406f23592d04f625dc8c709b98b43b3852b337216179aa7fc7"},
    {kSha3_512, kFips896, "afebb2ef542e6579c50cad06d2e578f9f8dd6881d7dc824d26360feebf18a4fa73e3261122948efcfd492e74e82e2189ed0fb440d187f382270cb455f21dd185"},
    {kBlake3, kFips896, "553e1aa2a477cb3166e6ab38c12d59f6c5017f0885aaf079f217da00cfca363f"},
    {kXxh64, kFips896, "bafc02122ded1d21"},
    {kXxh3_64, kFips896, "458619cd5260aa9a"},
    {kXxh128, kFips896, "97d535cb0c62bf199c12d0b7e499edb8"},
    {kMd4, kFips896, "2102d1d94bd58ebf5aa25c305bb783ad"},
    {kCrc32, kMillionA, "dc25bfbc"},
    {kMd5, kMillionA, "7707d6ae4e027c70eea2a935c2296f21"},
    {kSha1, kMillionA, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    {kSha256, kMillionA, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    {kSha384, kMillionA, "9d0e1809716474cb086e834e310a4a1ced149e9c00f248527972cec5704c2a5b07b8b3dc38ecc4ebae97ddd87f3d8985"},
    {kSha512, kMillionA, "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432ce577c31beb009c5c2c49aa2e4eadb217ad8cc09b"},
    {kSha3_256, kMillionA, "5c8875ae474a3634ba4fd55ec85bffd661f32aca75c6d699d0cdcb6c115891c1"},
    {kSha3_384, kMillionA, "eee9e24d78c1855337983451df97c8ad9eedf256c6334f8e948d252d5e0e76847aa0774ddb90a842190d2c558b4b8340"},
    {kSha3_512, kMillionA, "3c3a876da14034ab60627c077bb98f7e120a2a5370212dffb3385a18d4f38859ed311d0a9d5141ce9cc5c66ee689b266a8aa18ace8282a0e0db596c90b0a7b87"},
    {kBlake3, kMillionA, "616f575a1b58d4c9797d4217b9730ae5e6eb319d76edef6549b46f4efe31ff8b"},
    {kXxh64, kMillionA, "dc483aaa9b4fdc40"},
    {kXxh3_64, kMillionA, "b1fd6fae5285c4eb"},
    {kXxh128, kMillionA, "a545df8e384a9579b1fd6fae5285c4eb"},
    {kMd4, kMillionA, "bbce80cc6bb65e5c6745e30d4eeca9a4"},
};

TEST(HasherVectors, EveryAlgorithmGivesThePublishedDigests) {
    for (const Vector& v : kVectors) {
        EXPECT_EQ(Hex(v.algorithm, InputBytes(v.input)), v.hex)
            << GetAlgorithm(v.algorithm).cliName << " of input #" << v.input;
    }
    // Every algorithm is covered, each with its empty-input value.
    for (AlgorithmId id : AlgorithmsInMask(kAllAlgorithms)) {
        EXPECT_TRUE(std::ranges::any_of(kVectors, [&](const Vector& v) { return v.algorithm == id && v.input == kEmpty; }))
            << GetAlgorithm(id).cliName;
    }
}

// FIPS 180-4's vectors and the others of the table, through the system's
// provider and libgcrypt, each forced, and the faster of the two.
TEST(HasherVectors, EveryShaSourceGivesThePublishedDigests) {
    for (const Vector& v : kVectors) {
        if ((MaskOf(v.algorithm) & kShaSourceAlgorithms) == 0) continue;
        const Bytes input = InputBytes(v.input);
        for (ShaSource source : kShaSources) {
            EXPECT_EQ(Hex(v.algorithm, source, input), v.hex)
                << GetAlgorithm(v.algorithm).cliName << " of input #" << v.input << " from " << SourceName(source);
        }
    }
}

TEST(HasherVectors, Blake3ReferenceVectorsAroundChunkBoundaries) {
    struct Case {
        std::size_t length;
        const char* hex;
    };
    const Case cases[] = {
        {0, "af1349b9f5f9a1a6a0404dea36dcc9499bcb25c9adc112b7cc9a93cae41f3262"},
        {1, "2d3adedff11b61f14c886e35afa036736dcd87a74d27b5c1510225d0f592e213"},
        {1023, "10108970eeda3eb932baac1428c7a2163b0e924c9a9e25b35bba72b28f70bd11"},
        {1024, "42214739f095a406f3fc83deb889744ac00df831c10daa55189b5d121c855af7"},
        {1025, "d00278ae47eb27b34faecf67b4fe263f82d5412916c1ffd97c8cb7fb814b8444"},
        {2048, "e776b6028c7cd22a4d0ba182a8bf62205d2ef576467e838ed6f2529b85fba24a"},
        {2049, "5f4d72f40d7a5f82b15ca2b2e44b1de3c2ef86c426c95c1af0b6879522563030"},
        {3072, "b98cb0ff3623be03326b373de6b9095218513e64f1ee2edd2525c7ad1e5cffd2"},
        {3073, "7124b49501012f81cc7f11ca069ec9226cecb8a2c850cfe644e327d22d3e1cd3"},
        {4096, "015094013f57a5277b59d8475c0501042c0b642e531b0a1c8f58d2163229e969"},
        {4097, "9b4052b38f1c5fc8b1f9ff7ac7b27cd242487b3d890d15c96a1c25b8aa0fb995"},
        {5120, "9cadc15fed8b5d854562b26a9536d9707cadeda9b143978f319ab34230535833"},
        {5121, "628bd2cb2004694adaab7bbd778a25df25c47b9d4155a55f8fbd79f2fe154cff"},
        {6144, "3e2e5b74e048f3add6d21faab3f83aa44d3b2278afb83b80b3c35164ebeca205"},
        {6145, "f1323a8631446cc50536a9f705ee5cb619424d46887f3c376c695b70e0f0507f"},
        {7168, "61da957ec2499a95d6b8023e2b0e604ec7f6b50e80a9678b89d2628e99ada77a"},
        {7169, "a003fc7a51754a9b3c7fae0367ab3d782dccf28855a03d435f8cfe74605e7817"},
        {8192, "aae792484c8efe4f19e2ca7d371d8c467ffb10748d8a5a1ae579948f718a2a63"},
        {8193, "bab6c09cb8ce8cf459261398d2e7aef35700bf488116ceb94a36d0f5f1b7bc3b"},
        {16384, "f875d6646de28985646f34ee13be9a576fd515f76b5b0a26bb324735041ddde4"},
        {31744, "62b6960e1a44bcc1eb1a611a8d6235b6b4b78f32e7abc4fb4c6cdcce94895c47"},
        {102400, "bc3e3d41a1146b069abffad3c0d44860cf664390afce4d9661f7902e7943e085"},
    };
    for (const Case& c : cases) EXPECT_EQ(Hex(kBlake3, Pattern251(c.length)), c.hex) << c.length;
}

TEST(HasherVectors, Sha3AroundTheRate) {
    struct Case {
        AlgorithmId algorithm;
        std::size_t length;
        const char* hex;
    };
    const Case cases[] = {
        {kSha3_256, 135, "fded8fd9d6551c601eeb3b7c6bc5e5cfd8aad1d015b7e9aaa9c9b9475231d5e2"},
        {kSha3_256, 136, "cf3ccff92480a29160c2d38317c430e14749bfee1788106957dfe73f8c4930e5"},
        {kSha3_256, 137, "ce9d7dc90913ee5d92745019479a5352c6d6279bef18ed07dc0a83ee8084daca"},
        {kSha3_384, 103, "1f91ee551ad18f268876d1fc262f137fe196580216c5193819a95ec5222537d2a658dd129c3d8080e65ec7460f1f4704"},
        {kSha3_384, 104, "5b8d0d5cf8b41be507be8fcbfcbdbac3a28eb368d430fed6780aaa78a93a8da4a6c50485949ca344f228be91a96005a3"},
        {kSha3_384, 105, "4a2f0a8f2f1f4cc4605cc2537e0be28cf8b465c30f0a54b494a7128ec54ee4e85706b5e47a5697344d15cbf85680cd40"},
        {kSha3_512, 71, "3ccc850d53a1287af7b4560b2ef0d43eb5d9a80d62a0e9cf1dbc040135921104d4395168e90bfc871773ebb34bca1bd67056e1cc7dc7a48ff7c3167d389f117c"},
        {kSha3_512, 72, "5d63f2bbe971a983ac6847480106e4e1264ee3a0befd79954914e1d86e795b2e18238f12fc5e46cb9cc78efdec610a93647cc04e1c23d8caaa6a58c21dd26c07"},
        {kSha3_512, 73, "921d9b7b2b0f3066a1646dbb058c979cb3925dec0f8c269faaa7f9648e73465ae55ec527257d5d5e1cfdbf5d6799bea1004b6186f5108c74e3b92fe924166558"},
    };
    for (const Case& c : cases) EXPECT_EQ(Hex(c.algorithm, Pattern251(c.length)), c.hex) << c.length;
}

// Every source of SHA-1 and SHA-2 gives the system's one-shot digest; the
// other algorithms ignore the source.
TEST(Hasher, PiecesOfAnySizeGiveTheOneShotDigest) {
    std::mt19937 random(20261208);
    const std::size_t lengths[] = {0, 1, 7, 8, 9, 55, 56, 63, 64, 65, 71, 72, 73, 111, 112, 127, 128, 129,
                                   135, 136, 137, 1023, 1024, 1025, 4097, 70001};
    for (std::size_t length : lengths) {
        const Bytes input = RandomBytes(random, length);
        for (AlgorithmId id : AlgorithmsInMask(kAllAlgorithms)) {
            for (ShaSource source : kShaSources) {
                const auto hasher = CreateHasher(id, source);
                std::size_t offset = 0;
                while (offset < length) {
                    const std::size_t piece =
                        std::min<std::size_t>(length - offset, random() % 3 == 0 ? 1 : random() % 300);
                    hasher->Update(input.data() + offset, piece);
                    hasher->Update(input.data() + offset, 0);
                    offset += piece;
                }
                EXPECT_EQ(DigestToHex(hasher->Finish(), false), Hex(id, input))
                    << GetAlgorithm(id).cliName << " of " << length << " bytes from " << SourceName(source);
            }
        }
    }
}

TEST(Hasher, DigestSizesFollowTheTableAndUnknownIdsThrow) {
    for (const AlgorithmInfo& row : AllAlgorithms()) {
        const Digest digest = HashBytes(static_cast<AlgorithmId>(row.id), {});
        EXPECT_EQ(digest.size, row.digestSize);
        EXPECT_EQ(DigestToHex(digest, false).size(), 2 * row.digestSize);
    }
    try {
        CreateHasher(15);
        ADD_FAILURE() << "id 15 made a hasher";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "unknown algorithm");
    }
}

TEST(Hasher, ProviderUpdatesOverFourGibibytesAreSplit) {
    // Zero pages cost no memory until written.
    constexpr std::uint64_t kLength = 0x100000001;
    void* zeros = VirtualAlloc(nullptr, kLength, MEM_RESERVE | MEM_COMMIT, PAGE_READONLY);
    ASSERT_NE(zeros, nullptr);
    const auto hasher = CreateHasher(kMd5);
    hasher->Update(zeros, kLength);
    EXPECT_EQ(DigestToHex(hasher->Finish(), false), "f18c798ff5d450dfe4d3acdc12b621ff");
    VirtualFree(zeros, 0, MEM_RELEASE);
}

TEST(Digest, HexAndComparison) {
    const Digest crc = HashBytes(kCrc32, AsBytes("123456789"));
    EXPECT_EQ(DigestToHex(crc, false), "cbf43926");
    EXPECT_EQ(DigestToHex(crc, true), "CBF43926");
    EXPECT_EQ(DigestToHexW(crc, true), L"CBF43926");
    const Bytes expected = {0xCB, 0xF4, 0x39, 0x26};
    EXPECT_TRUE(DigestEquals(crc, expected));
    EXPECT_FALSE(DigestEquals(crc, Bytes(expected.begin(), expected.begin() + 3)));
    EXPECT_FALSE(DigestEquals(crc, Bytes{0xCB, 0xF4, 0x39, 0x26, 0x00}));
    EXPECT_EQ(DigestToHex(HashBytes(kSha512, {}), true).size(), 128u);
    EXPECT_EQ(BytesToHex(Bytes{0x00, 0x0F, 0xA5}, false), "000fa5");
    EXPECT_EQ(BytesToHex({}, true), "");
}

}  // namespace
}  // namespace vms
