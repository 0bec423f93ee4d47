#include "engine/hashers/cng_provider.h"

#include "engine/system_functions.h"

#include <cstdlib>

namespace vms::hashers {
namespace {

struct ProviderSlot {
    AlgorithmId id;
    CngProvider record;
};

// Process-wide by design: opening a provider is costly, and its handle may be
// shared by every thread once open.
ProviderSlot g_providers[] = {
    {kMd5, {L"MD5", INIT_ONCE_STATIC_INIT, nullptr, 0, 0}},
    {kSha1, {L"SHA1", INIT_ONCE_STATIC_INIT, nullptr, 0, 0}},
    {kSha256, {L"SHA256", INIT_ONCE_STATIC_INIT, nullptr, 0, 0}},
    {kSha384, {L"SHA384", INIT_ONCE_STATIC_INIT, nullptr, 0, 0}},
    {kSha512, {L"SHA512", INIT_ONCE_STATIC_INIT, nullptr, 0, 0}},
    {kMd2, {L"MD2", INIT_ONCE_STATIC_INIT, nullptr, 0, 0}},
    {kMd4, {L"MD4", INIT_ONCE_STATIC_INIT, nullptr, 0, 0}},
};

bool ReadUlongProperty(const system::BcryptFunctions& bcrypt, BCRYPT_ALG_HANDLE handle, const wchar_t* property,
                       ULONG& value) {
    ULONG written = 0;
    return bcrypt.getProperty(handle, property, reinterpret_cast<PUCHAR>(&value), sizeof value, &written, 0) >= 0;
}

void Open(CngProvider& provider) {
    const system::BcryptFunctions* bcrypt = system::Bcrypt();
    if (!bcrypt) return;
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (bcrypt->openAlgorithmProvider(&handle, provider.algorithmName, nullptr, 0) < 0) return;
    if (!ReadUlongProperty(*bcrypt, handle, BCRYPT_OBJECT_LENGTH, provider.objectLength) ||
        !ReadUlongProperty(*bcrypt, handle, BCRYPT_HASH_LENGTH, provider.digestLength)) {
        bcrypt->closeAlgorithmProvider(handle, 0);
        return;
    }
    provider.handle = handle;
}

}  // namespace

CngProvider* FindCngProvider(AlgorithmId id) {
    for (ProviderSlot& slot : g_providers) {
        if (slot.id == id) return &slot.record;
    }
    return nullptr;
}

const CngProvider& OpenedCngProvider(CngProvider& provider) {
    BOOL pending = FALSE;
    // The one-time primitives fail only when the process is already broken.
    if (!InitOnceBeginInitialize(&provider.once, 0, &pending, nullptr)) std::abort();
    if (pending) {
        Open(provider);
        if (!InitOnceComplete(&provider.once, 0, nullptr)) std::abort();
    }
    return provider;
}

}  // namespace vms::hashers
