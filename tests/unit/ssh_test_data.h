// Reading the OpenSSH test data of tests/data/ssh, made with ssh-keygen and
// make_signatures.py there; its README says how each file was made.
#pragma once

#include "engine/file_bytes.h"
#include "signatures/common/strict_base64.h"
#include "signatures/ssh/ssh_check.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vms::testing {

// A fixed "now" after every sample was made, as ssh-keygen was given it with -O verify-time=20270101Z.
inline constexpr std::int64_t kSshNow = 1798761600;  // 2027-01-01 00:00:00 UTC

// A file of tests/data/ssh, which the build finds through VM_TEST_DATA_DIR.
inline Bytes SshData(const std::string& name) {
    const std::wstring path = std::wstring(L"Z:" VM_TEST_DATA_DIR L"/ssh/") + std::wstring(name.begin(), name.end());
    const Result<Bytes> bytes = ReadFileBytes(path, 1024 * 1024);
    EXPECT_TRUE(bytes.Ok()) << name << ": error " << bytes.GetError().systemCode;
    return bytes.ValueOr(Bytes{});
}

inline std::string_view TextOf(const Bytes& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

inline Bytes BytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

// What a reading gives a signature's state: Good when it read, else its error's.
template <typename T>
SignatureState StateOf(const Result<T>& read) {
    return read ? SignatureState::Good : SignatureStateOf(read.GetError());
}

// The trust of an allowed_signers file of the test data, which must read without errors.
inline SshTrust SignersFrom(const std::string& name) {
    Result<AllowedSigners> read = ParseAllowedSigners(TextOf(SshData(name)));
    EXPECT_EQ(read.GetError().detail, "") << name;
    AllowedSigners file = read.ValueOr({});
    EXPECT_TRUE(file.errors.empty()) << name << ": line " << file.errors.at(0).line << " " << file.errors.at(0).error;
    return SshTrust{std::move(file.signers), {}};
}

// The trust of plain public key files of the test data.
inline SshTrust KeysFrom(std::initializer_list<std::string> names) {
    SshTrust trust;
    for (const std::string& name : names) {
        const SshKeyList list = ParseSshPublicKeys(TextOf(SshData(name))).ValueOr({});
        EXPECT_TRUE(list.errors.empty()) << name;
        trust.keys.insert(trust.keys.end(), list.keys.begin(), list.keys.end());
    }
    return trust;
}

// Standard base64 with padding, in the 70-character lines ssh-keygen writes.
inline std::string ArmourSshSignature(ByteSpan blob) {
    const std::string body = EncodeBase64(blob);
    std::string text = "-----BEGIN SSH SIGNATURE-----\n";
    for (std::size_t i = 0; i < body.size(); i += 70) text += body.substr(i, 70) + "\n";
    return text + "-----END SSH SIGNATURE-----\n";
}

// The blob of an armoured signature of the test data, which is LF-ended.
inline Bytes SshSignatureBlob(const Bytes& armoured) {
    std::string body;
    std::string_view text = TextOf(armoured);
    text.remove_prefix(text.find('\n') + 1);
    text = text.substr(0, text.find("-----END"));
    for (char c : text) {
        if (c != '\n') body += c;
    }
    return DecodeStrictBase64(body).value_or(Bytes{});
}

// SSH wire strings, for building blobs.
inline Bytes WireString(std::string_view text) {
    const auto size = static_cast<std::uint32_t>(text.size());
    Bytes out(4 + text.size());
    for (std::size_t i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
    std::copy(text.begin(), text.end(), out.begin() + 4);
    return out;
}

inline Bytes WireString(const Bytes& bytes) { return WireString(TextOf(bytes)); }

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

}  // namespace vms::testing
