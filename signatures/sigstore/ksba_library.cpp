#include "signatures/sigstore/ksba_library.h"

#include <memory>

namespace vms {
namespace {

std::unique_ptr<Ksba> LoadKsba() {
    auto ksba = std::make_unique<Ksba>();
    ksba->errorLibrary = LoadProgramLibrary(L"libgpg-error-0.dll");
    if (!ksba->errorLibrary) return nullptr;
    ksba->library = LoadProgramLibrary(kKsbaLibraryName);
    if (!ksba->library) return nullptr;
    const HMODULE m = ksba->library.get();
    const bool resolved =
        Resolve(m, "ksba_check_version", ksba->checkVersion) && Resolve(m, "ksba_free", ksba->free) &&
        Resolve(m, "ksba_reader_new", ksba->readerNew) && Resolve(m, "ksba_reader_release", ksba->readerRelease) &&
        Resolve(m, "ksba_reader_set_mem", ksba->readerSetMem) && Resolve(m, "ksba_cms_new", ksba->cmsNew) &&
        Resolve(m, "ksba_cms_release", ksba->cmsRelease) &&
        Resolve(m, "ksba_cms_set_reader_writer", ksba->cmsSetReaderWriter) &&
        Resolve(m, "ksba_cms_parse", ksba->cmsParse) &&
        Resolve(m, "ksba_cms_get_content_type", ksba->cmsContentType) &&
        Resolve(m, "ksba_cms_get_content_oid", ksba->cmsContentOid) &&
        Resolve(m, "ksba_cms_get_digest_algo", ksba->cmsDigestAlgo) &&
        Resolve(m, "ksba_cms_get_message_digest", ksba->cmsMessageDigest) &&
        Resolve(m, "ksba_cms_get_sig_val", ksba->cmsSigVal) &&
        Resolve(m, "ksba_cms_set_hash_function", ksba->cmsSetHashFunction) &&
        Resolve(m, "ksba_cms_hash_signed_attrs", ksba->cmsHashSignedAttrs);
    // 1.6 is Debian 12's, which the tests run.
    if (!resolved || !ksba->checkVersion("1.6.0")) return nullptr;
    return ksba;
}

}  // namespace

const Ksba* KsbaLibrary() {
    static const std::unique_ptr<Ksba> ksba = LoadKsba();
    return ksba.get();
}

}  // namespace vms
