// The signature of a file, of any format: in place (an OpenPGP clear-signed
// text, or signify's signature lines before the text they sign), or a
// detached signature beside it, told by its content, checked against the keys
// of one run.
#pragma once

#include "signatures/common/key_set.h"
#include "signatures/common/verdict.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vms {

enum class SignatureSource { None, ClearSigned, Embedded, Detached };

struct FileSignature {
    SignatureSource source = SignatureSource::None;
    std::wstring signaturePath;  // Detached: the signature file used
    DWORD readError = 0;         // Detached: when not 0, the signature file couldn't be read
    SignatureCheck check;        // the verdicts, when a signature was found and read
};

// Where a detached signature of path may be, in the order they are tried:
// NAME.minisig, NAME.gpg, NAME.sig, NAME.asc, and Sigstore's NAME.sigstore.json,
// NAME.sigstore and NAME.bundle; for NAME.txt also the same names of NAME.
std::vector<std::wstring> DetachedSignatureCandidates(const std::wstring& path);

// The file a detached signature's name was made from: NAME for NAME.minisig
// and the other endings above; nothing for another name.
std::optional<std::wstring> SignedFileOf(const std::wstring& signaturePath);

// The verdicts of a detached signature of any format over a document.
SignatureCheck CheckDetachedSignature(ByteSpan signatureData, const DocumentReader& document, const KeySet& keys,
                                      std::uint32_t now);

// The signature of the file at path: in place when its bytes carry one, else
// the explicit signature file when one is given, else the first candidate
// beside it that exists. bytes are the file's, already read; without them
// the file is read as the check goes, and only a detached signature is looked
// for. An empty path (standard input) has no neighbours. keys is asked for
// only when a signature is found, so unsigned files cost no key loading.
using KeySource = std::function<const KeySet&()>;
FileSignature CheckFileSignature(const std::wstring& path, const std::vector<std::uint8_t>* bytes,
                                 const std::optional<std::wstring>& explicitSignature, const KeySource& keys,
                                 std::uint32_t now);

// A Sigstore bundle checked against a file's SHA-256 instead of the file, for
// a user who has only the digest; any other signature can't be.
FileSignature CheckDigestSignature(const Bytes& sha256, const std::wstring& signaturePath, const KeySet& keys);

// Seconds since 1970, UTC, from the system clock.
std::uint32_t CurrentUnixTime();

}  // namespace vms
