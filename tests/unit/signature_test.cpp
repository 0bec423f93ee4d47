#include "gui/logic/file_row.h"
#include "gui/system/signature.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <wintrust.h>

namespace app {
namespace {

std::wstring TextOf(SignatureState state, std::wstring signer, bool viaCatalog) {
    FileRow row;
    row.signatureKnown = true;
    row.signature = {state, std::move(signer), viaCatalog, 0};
    return SignatureText(row);
}

TEST(Signature, TextForEveryState) {
    FileRow row;
    EXPECT_EQ(SignatureText(row), L"");
    row.signatureRequested = true;
    EXPECT_EQ(SignatureText(row), L"Checking...");

    EXPECT_EQ(TextOf(SignatureState::NotApplicable, L"", false), L"Not applicable (this file type has no digital signature)");
    EXPECT_EQ(TextOf(SignatureState::NotSigned, L"", false), L"Not signed");
    EXPECT_EQ(TextOf(SignatureState::Valid, L"Contoso Ltd", false), L"Signed by Contoso Ltd, valid");
    EXPECT_EQ(TextOf(SignatureState::Valid, L"Microsoft Windows", true),
              L"Signed by Microsoft Windows (through a Windows catalog), valid");
    EXPECT_EQ(TextOf(SignatureState::Valid, L"", false), L"Signed, valid");
    EXPECT_EQ(TextOf(SignatureState::Invalid, L"Contoso Ltd", false),
              L"Signed by Contoso Ltd, but the signature is not valid (the file was changed after signing)");
    EXPECT_EQ(TextOf(SignatureState::Untrusted, L"Contoso Ltd", true),
              L"Signed by Contoso Ltd (through a Windows catalog), but Windows doesn't trust the certificate");
    EXPECT_EQ(TextOf(SignatureState::CannotCheck, L"", false), L"Can't be checked");
}

TEST(Signature, TrustResultsMapToStates) {
    EXPECT_EQ(StateOfTrustResult(ERROR_SUCCESS), SignatureState::Valid);
    for (LONG untrusted : {CERT_E_EXPIRED, CERT_E_UNTRUSTEDROOT, CERT_E_CHAINING, CERT_E_REVOKED, CERT_E_UNTRUSTEDTESTROOT,
                           CERT_E_WRONG_USAGE, TRUST_E_EXPLICIT_DISTRUST, CRYPT_E_SECURITY_SETTINGS}) {
        EXPECT_EQ(StateOfTrustResult(untrusted), SignatureState::Untrusted) << std::hex << untrusted;
    }
    for (LONG invalid : {TRUST_E_BAD_DIGEST, TRUST_E_FAIL, CERT_E_REVOCATION_FAILURE, CERT_E_CN_NO_MATCH}) {
        EXPECT_EQ(StateOfTrustResult(invalid), SignatureState::Invalid) << std::hex << invalid;
    }

    // A failure of the check is not a broken signature.
    EXPECT_EQ(StateOfTrustResult(ERROR_INVALID_PARAMETER), SignatureState::CannotCheck);
    EXPECT_EQ(StateOfTrustResult(HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY)), SignatureState::CannotCheck);

    for (LONG none : {TRUST_E_NOSIGNATURE, TRUST_E_PROVIDER_UNKNOWN, TRUST_E_SUBJECT_FORM_UNKNOWN}) EXPECT_TRUE(MeansNoSignature(none));
    EXPECT_FALSE(MeansNoSignature(TRUST_E_BAD_DIGEST));
    EXPECT_EQ(StateWithoutSignature(TRUST_E_NOSIGNATURE, ERROR_SUCCESS), SignatureState::NotSigned);
    EXPECT_EQ(StateWithoutSignature(TRUST_E_NOSIGNATURE, static_cast<DWORD>(TRUST_E_NOSIGNATURE)), SignatureState::NotSigned);
    EXPECT_EQ(StateWithoutSignature(TRUST_E_NOSIGNATURE, static_cast<DWORD>(TRUST_E_SUBJECT_FORM_UNKNOWN)),
              SignatureState::NotApplicable);
    EXPECT_EQ(StateWithoutSignature(TRUST_E_NOSIGNATURE, static_cast<DWORD>(TRUST_E_PROVIDER_UNKNOWN)),
              SignatureState::NotApplicable);
    EXPECT_EQ(StateWithoutSignature(TRUST_E_SUBJECT_FORM_UNKNOWN, ERROR_SUCCESS), SignatureState::NotApplicable);
    EXPECT_EQ(StateWithoutSignature(TRUST_E_PROVIDER_UNKNOWN, ERROR_SUCCESS), SignatureState::NotApplicable);
}

TEST(Signature, ChecksRealFiles) {
    const vms::testing::TempFolder folder;
    const std::wstring text = folder.Write(L"readme.txt", {'R', 'e', 'a', 'd', ' ', 'm', 'e', '\n'});
    const SignatureInfo plainText = CheckSignature(text);
    EXPECT_EQ(plainText.state, SignatureState::NotApplicable) << std::hex << plainText.error;

    // Some trust providers refuse files too short to tell their type.
    const SignatureState empty = CheckSignature(folder.Write(L"empty.txt", {})).state;
    EXPECT_TRUE(empty == SignatureState::NotApplicable || empty == SignatureState::CannotCheck) << static_cast<int>(empty);

    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    const SignatureInfo unsigned_ = CheckSignature(self);
    EXPECT_EQ(unsigned_.state, SignatureState::NotSigned);
    EXPECT_EQ(unsigned_.error, static_cast<std::uint32_t>(TRUST_E_NOSIGNATURE));
    EXPECT_TRUE(unsigned_.signer.empty());

    const SignatureInfo missing = CheckSignature((folder.Path() / L"gone.exe").wstring());
    EXPECT_EQ(missing.state, SignatureState::CannotCheck);
    EXPECT_EQ(missing.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace app
