#include "gui/logic/file_row.h"
#include "gui/system/authenticode_check.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <wintrust.h>

namespace app {
namespace {

std::wstring TextOf(AuthenticodeState state, std::wstring signer, bool viaCatalog) {
    FileRow row;
    row.authenticodeKnown = true;
    row.authenticode = {state, std::move(signer), viaCatalog, 0};
    return AuthenticodeText(row);
}

TEST(Signature, TextForEveryState) {
    FileRow row;
    EXPECT_EQ(AuthenticodeText(row), L"");
    row.authenticodeRequested = true;
    EXPECT_EQ(AuthenticodeText(row), L"Checking...");

    EXPECT_EQ(TextOf(AuthenticodeState::NotApplicable, L"", false), L"Not applicable (this file type has no digital signature)");
    EXPECT_EQ(TextOf(AuthenticodeState::NotSigned, L"", false), L"Not signed");
    EXPECT_EQ(TextOf(AuthenticodeState::Valid, L"Contoso Ltd", false), L"Signed by Contoso Ltd, valid");
    EXPECT_EQ(TextOf(AuthenticodeState::Valid, L"Microsoft Windows", true),
              L"Signed by Microsoft Windows (through a Windows catalog), valid");
    EXPECT_EQ(TextOf(AuthenticodeState::Valid, L"", false), L"Signed, valid");
    EXPECT_EQ(TextOf(AuthenticodeState::Invalid, L"Contoso Ltd", false),
              L"Signed by Contoso Ltd, but the signature is not valid (the file was changed after signing)");
    EXPECT_EQ(TextOf(AuthenticodeState::Untrusted, L"Contoso Ltd", true),
              L"Signed by Contoso Ltd (through a Windows catalog), but Windows doesn't trust the certificate");
    EXPECT_EQ(TextOf(AuthenticodeState::CannotCheck, L"", false), L"Can't be checked");
}

TEST(Signature, TrustResultsMapToStates) {
    EXPECT_EQ(StateOfTrustResult(ERROR_SUCCESS), AuthenticodeState::Valid);
    for (LONG untrusted : {CERT_E_EXPIRED, CERT_E_UNTRUSTEDROOT, CERT_E_CHAINING, CERT_E_REVOKED, CERT_E_UNTRUSTEDTESTROOT,
                           CERT_E_WRONG_USAGE, TRUST_E_EXPLICIT_DISTRUST, CRYPT_E_SECURITY_SETTINGS}) {
        EXPECT_EQ(StateOfTrustResult(untrusted), AuthenticodeState::Untrusted) << std::hex << untrusted;
    }
    for (LONG invalid : {TRUST_E_BAD_DIGEST, TRUST_E_FAIL, CERT_E_REVOCATION_FAILURE, CERT_E_CN_NO_MATCH}) {
        EXPECT_EQ(StateOfTrustResult(invalid), AuthenticodeState::Invalid) << std::hex << invalid;
    }

    // A failure of the check is not a broken signature.
    EXPECT_EQ(StateOfTrustResult(ERROR_INVALID_PARAMETER), AuthenticodeState::CannotCheck);
    EXPECT_EQ(StateOfTrustResult(HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY)), AuthenticodeState::CannotCheck);

    for (LONG none : {TRUST_E_NOSIGNATURE, TRUST_E_PROVIDER_UNKNOWN, TRUST_E_SUBJECT_FORM_UNKNOWN}) EXPECT_TRUE(MeansNoSignature(none));
    EXPECT_FALSE(MeansNoSignature(TRUST_E_BAD_DIGEST));
    EXPECT_EQ(StateWithoutSignature(TRUST_E_NOSIGNATURE, ERROR_SUCCESS), AuthenticodeState::NotSigned);
    EXPECT_EQ(StateWithoutSignature(TRUST_E_NOSIGNATURE, static_cast<DWORD>(TRUST_E_NOSIGNATURE)), AuthenticodeState::NotSigned);
    EXPECT_EQ(StateWithoutSignature(TRUST_E_NOSIGNATURE, static_cast<DWORD>(TRUST_E_SUBJECT_FORM_UNKNOWN)),
              AuthenticodeState::NotApplicable);
    EXPECT_EQ(StateWithoutSignature(TRUST_E_NOSIGNATURE, static_cast<DWORD>(TRUST_E_PROVIDER_UNKNOWN)),
              AuthenticodeState::NotApplicable);
    EXPECT_EQ(StateWithoutSignature(TRUST_E_SUBJECT_FORM_UNKNOWN, ERROR_SUCCESS), AuthenticodeState::NotApplicable);
    EXPECT_EQ(StateWithoutSignature(TRUST_E_PROVIDER_UNKNOWN, ERROR_SUCCESS), AuthenticodeState::NotApplicable);
}

TEST(Signature, ChecksRealFiles) {
    const vms::testing::TempFolder folder;
    const std::wstring text = folder.Write(L"readme.txt", {'R', 'e', 'a', 'd', ' ', 'm', 'e', '\n'});
    const AuthenticodeInfo plainText = CheckAuthenticode(text);
    EXPECT_EQ(plainText.state, AuthenticodeState::NotApplicable) << std::hex << plainText.error;

    // Some trust providers refuse files too short to tell their type.
    const AuthenticodeState empty = CheckAuthenticode(folder.Write(L"empty.txt", {})).state;
    EXPECT_TRUE(empty == AuthenticodeState::NotApplicable || empty == AuthenticodeState::CannotCheck) << static_cast<int>(empty);

    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    const AuthenticodeInfo unsigned_ = CheckAuthenticode(self);
    EXPECT_EQ(unsigned_.state, AuthenticodeState::NotSigned);
    EXPECT_EQ(unsigned_.error, static_cast<std::uint32_t>(TRUST_E_NOSIGNATURE));
    EXPECT_TRUE(unsigned_.signer.empty());

    const AuthenticodeInfo missing = CheckAuthenticode((folder.Path() / L"gone.exe").wstring());
    EXPECT_EQ(missing.state, AuthenticodeState::CannotCheck);
    EXPECT_EQ(missing.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace app
