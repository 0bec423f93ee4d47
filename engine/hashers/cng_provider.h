// The system cryptography providers behind MD2, MD4, MD5, SHA-1 and SHA-2:
// each is opened once per process, on first use, and then shared read-only by
// all threads. A failed opening is final; handles are never closed.
#pragma once

#include "engine/algorithms.h"

#include <windows.h>
#include <bcrypt.h>

namespace vms::hashers {

struct CngProvider {
    const wchar_t* algorithmName;  // the provider's algorithm identifier
    INIT_ONCE once;
    BCRYPT_ALG_HANDLE handle;      // null until opened, or when opening failed
    ULONG objectLength;
    ULONG digestLength;
};

// The record of a provider-backed algorithm (MD2, MD4, MD5, SHA-1, SHA-256,
// SHA-384, SHA-512); null for the others. Tests may point a record at an
// identifier the system lacks before its first use.
CngProvider* FindCngProvider(AlgorithmId id);

// The record, opened if this is its first use; its handle is null when the
// provider is unavailable. bcrypt.dll is loaded then, and only then.
const CngProvider& OpenedCngProvider(CngProvider& provider);

}  // namespace vms::hashers
