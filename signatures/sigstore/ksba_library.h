// libksba, GnuPG's X.509 and CMS library, which reads the CMS signature of
// time-stamp tokens. It is loaded from the program's folder on first use like
// libgcrypt: the programs run without it, and only Sigstore bundles need it.
#pragma once

#include "engine/program_library.h"

#include <ksba.h>

namespace vms {

inline constexpr wchar_t kKsbaLibraryName[] = L"libksba-8.dll";

// The entry points used, looked up by name.
struct Ksba {
    UniqueModule errorLibrary;
    UniqueModule library;
    decltype(&ksba_check_version) checkVersion = nullptr;
    decltype(&ksba_free) free = nullptr;
    decltype(&ksba_reader_new) readerNew = nullptr;
    decltype(&ksba_reader_release) readerRelease = nullptr;
    decltype(&ksba_reader_set_mem) readerSetMem = nullptr;
    decltype(&ksba_cms_new) cmsNew = nullptr;
    decltype(&ksba_cms_release) cmsRelease = nullptr;
    decltype(&ksba_cms_set_reader_writer) cmsSetReaderWriter = nullptr;
    decltype(&ksba_cms_parse) cmsParse = nullptr;
    decltype(&ksba_cms_get_content_type) cmsContentType = nullptr;
    decltype(&ksba_cms_get_content_oid) cmsContentOid = nullptr;
    decltype(&ksba_cms_get_digest_algo) cmsDigestAlgo = nullptr;
    decltype(&ksba_cms_get_message_digest) cmsMessageDigest = nullptr;
    decltype(&ksba_cms_get_sig_val) cmsSigVal = nullptr;
    decltype(&ksba_cms_set_hash_function) cmsSetHashFunction = nullptr;
    decltype(&ksba_cms_hash_signed_attrs) cmsHashSignedAttrs = nullptr;
};

// The loaded library, or null when it is missing or too old; thread-safe, tried once per process.
const Ksba* KsbaLibrary();

// True when libksba can be used.
inline bool KsbaAvailable() { return KsbaLibrary() != nullptr; }

}  // namespace vms
