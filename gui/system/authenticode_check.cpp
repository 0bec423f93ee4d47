#include "gui/system/authenticode_check.h"

#include "engine/digest.h"
#include "engine/text.h"
#include "engine/win_handles.h"

#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>
#include <mscat.h>

#include <array>
#include <memory>

namespace app {
namespace {

// The catalog lookup hashes the whole file, so it is skipped for big ones.
constexpr LONGLONG kCatalogSizeLimit = 256LL * 1024 * 1024;

using AcquireContext2Function = BOOL(WINAPI*)(HCATADMIN*, const GUID*, PCWSTR, PCCERT_STRONG_SIGN_PARA, DWORD);
using CalcHash2Function = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);

struct CatalogAdmin {
    HCATADMIN handle = nullptr;
    CatalogAdmin() = default;
    CatalogAdmin(const CatalogAdmin&) = delete;
    CatalogAdmin& operator=(const CatalogAdmin&) = delete;
    ~CatalogAdmin() {
        if (handle) CryptCATAdminReleaseContext(handle, 0);
    }
};

struct CatalogEntry {
    HCATADMIN admin;
    HCATINFO handle;
    CatalogEntry(HCATADMIN owner, HCATINFO entry) : admin(owner), handle(entry) {}
    CatalogEntry(const CatalogEntry&) = delete;
    CatalogEntry& operator=(const CatalogEntry&) = delete;
    ~CatalogEntry() {
        if (handle) CryptCATAdminReleaseCatalogContext(admin, handle, 0);
    }
};

std::wstring SignerName(HANDLE stateData) {
    CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(stateData);
    if (!provider) return {};
    CRYPT_PROVIDER_SGNR* signer = WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
    if (!signer || signer->csCertChain == 0 || !signer->pasCertChain || !signer->pasCertChain[0].pCert) return {};
    const PCCERT_CONTEXT certificate = signer->pasCertChain[0].pCert;
    const DWORD length = CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
    if (length <= 1) return {};  // the count includes the terminating NUL
    std::wstring name(length, L'\0');
    name.resize(CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(), length) - 1);
    return name;
}

struct TrustOutcome {
    LONG result = 0;
    DWORD lastError = 0;
    std::wstring signer;
};

// Closes the trust provider's state data however the verification ends.
class TrustStateCloser {
public:
    TrustStateCloser(GUID& action, WINTRUST_DATA& data) : action_(action), data_(data) {}
    TrustStateCloser(const TrustStateCloser&) = delete;
    TrustStateCloser& operator=(const TrustStateCloser&) = delete;
    ~TrustStateCloser() {
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }

private:
    GUID& action_;
    WINTRUST_DATA& data_;
};

// One verification without user interface or network revocation lookups.
TrustOutcome VerifyTrust(WINTRUST_DATA& data) {
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    TrustOutcome outcome;
    TrustStateCloser closer(action, data);
    outcome.result = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    outcome.lastError = GetLastError();
    if (data.hWVTStateData) outcome.signer = SignerName(data.hWVTStateData);
    return outcome;
}

TrustOutcome VerifyEmbedded(const std::wstring& path, HANDLE file) {
    WINTRUST_FILE_INFO fileInfo{};
    fileInfo.cbStruct = sizeof fileInfo;
    fileInfo.pcwszFilePath = path.c_str();
    fileInfo.hFile = file;
    WINTRUST_DATA data{};
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &fileInfo;
    return VerifyTrust(data);
}

// One attempt to find the file in a catalog; true when a catalog lists it
// (info then holds the catalog's verdict, when the catalog could be read).
bool TryCatalog(const std::wstring& path, HANDLE file, bool withSha256, AuthenticodeInfo& info) {
    GUID driverAction = DRIVER_ACTION_VERIFY;
    CatalogAdmin admin;
    std::array<BYTE, 64> hash{};
    DWORD hashSize = static_cast<DWORD>(hash.size());
    LARGE_INTEGER start{};
    if (withSha256) {
        const HMODULE wintrust = GetModuleHandleW(L"wintrust.dll");
        const auto acquire = reinterpret_cast<AcquireContext2Function>(
            reinterpret_cast<void*>(GetProcAddress(wintrust, "CryptCATAdminAcquireContext2")));
        const auto calcHash = reinterpret_cast<CalcHash2Function>(
            reinterpret_cast<void*>(GetProcAddress(wintrust, "CryptCATAdminCalcHashFromFileHandle2")));
        if (!acquire || !calcHash) return false;
        if (!acquire(&admin.handle, &driverAction, L"SHA256", nullptr, 0)) return false;
        if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
        if (!calcHash(admin.handle, file, &hashSize, hash.data(), 0)) return false;
    } else {
        if (!CryptCATAdminAcquireContext(&admin.handle, &driverAction, 0)) return false;
        if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
        if (!CryptCATAdminCalcHashFromFileHandle(file, &hashSize, hash.data(), 0)) return false;
    }
    CatalogEntry catalog{admin.handle, CryptCATAdminEnumCatalogFromHash(admin.handle, hash.data(), hashSize, 0, nullptr)};
    if (!catalog.handle) return false;
    CATALOG_INFO catalogInfo{};
    catalogInfo.cbStruct = sizeof catalogInfo;
    if (!CryptCATCatalogInfoFromContext(catalog.handle, &catalogInfo, 0)) return true;  // found, but unreadable: the lookup ends

    const std::wstring memberTag = vms::FromUtf8(vms::BytesToHex({hash.data(), hashSize}, true));
    WINTRUST_CATALOG_INFO member{};
    member.cbStruct = sizeof member;
    member.pcwszCatalogFilePath = catalogInfo.wszCatalogFile;
    member.pcwszMemberTag = memberTag.c_str();
    member.pcwszMemberFilePath = path.c_str();
    member.hMemberFile = file;
    member.pbCalculatedFileHash = hash.data();
    member.cbCalculatedFileHash = hashSize;
    if (withSha256) member.hCatAdmin = admin.handle;
    WINTRUST_DATA data{};
    data.dwUnionChoice = WTD_CHOICE_CATALOG;
    data.pCatalog = &member;
    const TrustOutcome outcome = VerifyTrust(data);
    info.state = StateOfTrustResult(outcome.result);
    info.signer = outcome.signer;
    info.viaCatalog = true;
    info.error = static_cast<std::uint32_t>(outcome.result);
    return true;
}

}  // namespace

AuthenticodeInfo CheckAuthenticode(const std::wstring& path) {
    AuthenticodeInfo info;
    const std::wstring longPath = vms::ToLongPath(path);
    const vms::UniqueFile file(CreateFileW(longPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.Valid()) {
        info.error = GetLastError();
        return info;
    }
    const TrustOutcome embedded = VerifyEmbedded(longPath, file.Get());
    info.error = static_cast<std::uint32_t>(embedded.result);
    if (!MeansNoSignature(embedded.result)) {
        info.state = StateOfTrustResult(embedded.result);
        info.signer = embedded.signer;
        return info;
    }
    info.state = StateWithoutSignature(embedded.result, embedded.lastError);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > kCatalogSizeLimit) return info;
    if (!TryCatalog(longPath, file.Get(), true, info)) TryCatalog(longPath, file.Get(), false, info);
    return info;
}

}  // namespace app
