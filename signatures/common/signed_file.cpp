#include "signatures/common/signed_file.h"

#include "engine/file_bytes.h"
#include "engine/text.h"
#include "engine/win_handles.h"

#include <ctime>

namespace vms {
namespace {

constexpr const wchar_t* kSignatureEndings[] = {L".gpg", L".sig", L".asc"};

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(ToLongPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

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

}  // namespace

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

FileSignature CheckFileSignature(const std::wstring& path, const std::vector<std::uint8_t>* bytes,
                                 const std::optional<std::wstring>& explicitSignature, const KeySource& keys,
                                 std::uint32_t now) {
    FileSignature signature;
    if (!explicitSignature) {
        std::optional<DocumentCheck> inPlace =
            bytes && IsClearSigned(*bytes) ? CheckClearSigned(*bytes, keys(), now) : std::nullopt;
        if (inPlace) {
            signature.source = SignatureSource::ClearSigned;
            signature.check = FromOpenPgp(*inPlace);
            return signature;
        }
        const std::vector<std::wstring> candidates = path.empty() ? std::vector<std::wstring>{} : DetachedSignatureCandidates(path);
        for (const std::wstring& candidate : candidates) {
            if (IsFile(candidate)) {
                signature.signaturePath = candidate;
                break;
            }
        }
        if (signature.signaturePath.empty()) return signature;
    } else {
        signature.signaturePath = *explicitSignature;
    }
    signature.source = SignatureSource::Detached;
    std::optional<std::vector<std::uint8_t>> data =
        ReadFileBytes(signature.signaturePath, kMaxSignatureFileSize, signature.readError);
    if (!data && signature.readError == ERROR_FILE_TOO_LARGE) {
        signature.readError = 0;
        signature.check = FromOpenPgp(MalformedSignature("it is too large to be a signature"));
    } else if (data) {
        signature.check = FromOpenPgp(bytes ? CheckDetachedSignatures(*data, *bytes, keys(), now)
                                            : CheckDetachedSignatures(*data, FileReader(path), keys(), now));
    }
    return signature;
}

std::uint32_t CurrentUnixTime() { return static_cast<std::uint32_t>(std::time(nullptr)); }

}  // namespace vms
