#include "signatures/common/signed_file.h"

#include "engine/file_bytes.h"
#include "engine/folder_walker.h"
#include "engine/text.h"
#include "engine/win_handles.h"
#include "signatures/ssh/ssh_signature.h"

#include <ctime>
#include <string_view>

namespace vms {
namespace {

constexpr const wchar_t* kSignatureEndings[] = {L".minisig", L".gpg", L".sig", L".asc", L".sigstore.json", L".sigstore", L".bundle"};

constexpr DWORD kReadBlock = 1024 * 1024;

// Reads the file from its start, one block at a time, for each signature checked.
DocumentReader FileReader(const std::wstring& path) {
    return [path](const std::function<void(ByteSpan)>& sink) {
        const UniqueFile file(CreateFileW(ToLongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file.Valid()) return false;
        std::vector<std::uint8_t> block(kReadBlock);
        DWORD read = 0;
        while (ReadFile(file.Get(), block.data(), kReadBlock, &read, nullptr)) {
            if (read == 0) return true;
            sink(ByteSpan(block.data(), read));
        }
        return false;
    };
}

DocumentReader InMemory(ByteSpan bytes) {
    return [bytes](const std::function<void(ByteSpan)>& sink) {
        sink(bytes);
        return true;
    };
}

SignatureCheck OneVerdict(SignatureVerdict verdict) {
    SignatureCheck check;
    check.signatures.push_back(std::move(verdict));
    return check;
}

SignatureVerdict MalformedMinisign(std::string detail) {
    MinisignResult result;
    result.state = SignatureState::Malformed;
    result.detail = std::move(detail);
    return FromMinisign(std::move(result));
}

// signify's signature lines followed by the text they sign, as OpenBSD's
// SHA256.sig is: nothing when the bytes aren't that.
std::optional<FileSignature> CheckEmbedded(ByteSpan bytes, const KeySource& keys) {
    if (!LooksLikeMinisignOrSignify(bytes)) return std::nullopt;
    const Result<MinisignSignature> signature = ParseMinisignSignature(bytes);
    if (!signature || !signature->messageOffset) return std::nullopt;
    FileSignature found;
    found.source = SignatureSource::Embedded;
    found.check = OneVerdict(
        FromMinisign(CheckMinisign(*signature, keys().minisign, InMemory(bytes.subspan(*signature->messageOffset)))));
    return found;
}

}  // namespace

SignatureCheck CheckDetachedSignature(ByteSpan signatureData, const DocumentReader& document, const KeySet& keys,
                                      std::uint32_t now) {
    if (LooksLikeSigstoreBundle(signatureData)) {
        SigstoreArtifact artifact;
        artifact.document = &document;
        return OneVerdict(FromSigstore(CheckSigstoreBundle(signatureData, artifact, keys.sigstore)));
    }
    if (LooksLikeSshSignature(signatureData)) {
        return OneVerdict(FromSsh(CheckSshSignature(signatureData, document, keys.ssh, now)));
    }
    if (LooksLikeMinisignOrSignify(signatureData)) {
        const Result<MinisignSignature> signature = ParseMinisignSignature(signatureData);
        if (!signature) return OneVerdict(MalformedMinisign(signature.GetError().detail));
        // Signed text of its own is no signature of this document.
        if (signature->messageOffset) {
            return OneVerdict(MalformedMinisign("it carries the text it signs, not a signature of this file"));
        }
        return OneVerdict(FromMinisign(CheckMinisign(*signature, keys.minisign, document)));
    }
    return FromOpenPgp(CheckDetachedSignatures(signatureData, document, keys.openpgp, now));
}

std::vector<std::wstring> DetachedSignatureCandidates(const std::wstring& path) {
    std::vector<std::wstring> candidates;
    for (const wchar_t* ending : kSignatureEndings) candidates.push_back(path + ending);
    const std::size_t nameStart = path.find_last_of(L"\\/") == std::wstring::npos ? 0 : path.find_last_of(L"\\/") + 1;
    if (path.size() > nameStart + 4 && EndsWithIgnoreCase(path, L".txt")) {
        const std::wstring base = path.substr(0, path.size() - 4);
        for (const wchar_t* ending : kSignatureEndings) candidates.push_back(base + ending);
    }
    return candidates;
}

std::optional<std::wstring> SignedFileOf(const std::wstring& signaturePath) {
    const std::size_t separator = signaturePath.find_last_of(L"\\/");
    const std::size_t nameStart = separator == std::wstring::npos ? 0 : separator + 1;
    for (const std::wstring_view ending : kSignatureEndings) {
        if (signaturePath.size() > nameStart + ending.size() && EndsWithIgnoreCase(signaturePath, ending)) {
            return signaturePath.substr(0, signaturePath.size() - ending.size());
        }
    }
    return std::nullopt;
}

FileSignature CheckFileSignature(const std::wstring& path, const std::vector<std::uint8_t>* bytes,
                                 const std::optional<std::wstring>& explicitSignature, const KeySource& keys,
                                 std::uint32_t now) {
    FileSignature signature;
    if (!explicitSignature) {
        std::optional<DocumentCheck> inPlace =
            bytes && IsClearSigned(*bytes) ? CheckClearSigned(*bytes, keys().openpgp, now) : std::nullopt;
        if (inPlace) {
            signature.source = SignatureSource::ClearSigned;
            signature.check = FromOpenPgp(*inPlace);
            return signature;
        }
        if (std::optional<FileSignature> embedded = bytes ? CheckEmbedded(*bytes, keys) : std::nullopt) {
            return std::move(*embedded);
        }
        const std::vector<std::wstring> candidates = path.empty() ? std::vector<std::wstring>{} : DetachedSignatureCandidates(path);
        for (const std::wstring& candidate : candidates) {
            if (IsExistingFile(candidate)) {
                signature.signaturePath = candidate;
                break;
            }
        }
        if (signature.signaturePath.empty()) return signature;
    } else {
        signature.signaturePath = *explicitSignature;
    }
    signature.source = SignatureSource::Detached;
    const Result<std::vector<std::uint8_t>> data = ReadFileBytes(signature.signaturePath, kMaxSignatureFileSize);
    if (data) {
        signature.check = CheckDetachedSignature(*data, bytes ? InMemory(*bytes) : FileReader(path), keys(), now);
    } else if (data.GetError().systemCode == ERROR_FILE_TOO_LARGE) {
        signature.check = FromOpenPgp(MalformedSignature("it is too large to be a signature"));
    } else {
        signature.readError = data.GetError().systemCode;
    }
    return signature;
}

FileSignature CheckDigestSignature(const Bytes& sha256, const std::wstring& signaturePath, const KeySet& keys) {
    FileSignature signature;
    signature.source = SignatureSource::Detached;
    signature.signaturePath = signaturePath;
    const Result<std::vector<std::uint8_t>> data = ReadFileBytes(signaturePath, kMaxSignatureFileSize);
    if (!data && data.GetError().systemCode != ERROR_FILE_TOO_LARGE) {
        signature.readError = data.GetError().systemCode;
        return signature;
    }
    SigstoreArtifact artifact;
    artifact.sha256 = sha256;
    SigstoreResult result;
    if (!data) {
        result.detail = "it is too large to be a Sigstore bundle";
    } else if (LooksLikeSigstoreBundle(*data)) {
        result = CheckSigstoreBundle(*data, artifact, keys.sigstore);
    } else {
        result.detail = "only a Sigstore bundle can be checked against a digest";
    }
    signature.check = OneVerdict(FromSigstore(std::move(result)));
    return signature;
}

std::uint32_t CurrentUnixTime() { return static_cast<std::uint32_t>(std::time(nullptr)); }

}  // namespace vms
