// Reading the minisign and signify test data: the published signatures in
// tests/data/signatures and the vectors made with the peers in tests/data/minisign.
#pragma once

#include "engine/file_bytes.h"
#include "signatures/minisign/minisign_check.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vms::testing {

// A file of tests/data, which the build passes as VM_TEST_DATA_DIR.
inline Bytes ReadTestData(const std::wstring& relative) {
    const Result<Bytes> bytes = ReadFileBytes(std::wstring(L"Z:" VM_TEST_DATA_DIR L"/") + relative, 1024 * 1024);
    EXPECT_TRUE(bytes.Ok()) << "error " << bytes.GetError().systemCode;
    return bytes.ValueOr(Bytes{});
}

inline Bytes AsBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

inline std::string AsString(ByteSpan bytes) { return std::string(bytes.begin(), bytes.end()); }

// Hands the bytes over in small chunks, as a file is read.
inline DocumentReader ChunkedReader(ByteSpan bytes) {
    return [bytes](const std::function<void(ByteSpan)>& sink) {
        for (std::size_t at = 0; at < bytes.size(); at += 7) {
            sink(bytes.subspan(at, std::min<std::size_t>(7, bytes.size() - at)));
        }
        return true;
    };
}

inline std::optional<MinisignKey> KeyFrom(ByteSpan text) {
    Result<MinisignKey> key = ParseMinisignKey(text);
    if (!key) return std::nullopt;
    return std::move(*key);
}

inline std::optional<MinisignSignature> SignatureFrom(ByteSpan text) {
    Result<MinisignSignature> signature = ParseMinisignSignature(text);
    if (!signature) return std::nullopt;
    return std::move(*signature);
}

// The document a signature is checked against: its embedded message, or the document given.
inline ByteSpan SignedDocument(const MinisignSignature& signature, ByteSpan signatureText, ByteSpan document) {
    return signature.messageOffset ? signatureText.subspan(*signature.messageOffset) : document;
}

// Parses both, then checks; a text that doesn't parse is Malformed.
inline MinisignResult CheckTexts(ByteSpan signatureText, ByteSpan keyText, ByteSpan document) {
    const Result<MinisignSignature> signature = ParseMinisignSignature(signatureText);
    const Result<MinisignKey> key = ParseMinisignKey(keyText);
    if (!signature || !key) {
        MinisignResult unparsed;
        unparsed.detail = !key ? key.GetError().detail : signature.GetError().detail;
        return unparsed;
    }
    const MinisignKey keys[] = {*key};
    return CheckMinisign(*signature, keys, ChunkedReader(SignedDocument(*signature, signatureText, document)));
}

inline MinisignResult CheckFiles(const std::wstring& signature, const std::wstring& key, const std::wstring& document) {
    const Bytes signatureText = ReadTestData(signature);
    return CheckTexts(signatureText, ReadTestData(key), document.empty() ? Bytes{} : ReadTestData(document));
}

}  // namespace vms::testing
