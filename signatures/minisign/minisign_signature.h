// minisign and signify signatures, which share their first two lines: an
// untrusted comment, then base64 of "Ed" or "ED", the signer's key ID and an
// Ed25519 signature. minisign adds a trusted comment and its signature;
// signify may follow its two lines with the message it signed.
#pragma once

#include "engine/result.h"
#include "signatures/common/byte_reader.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace vms {

enum class MinisignKind {
    MinisignLegacy,     // "Ed" with a trusted comment: Ed25519 over the file itself
    MinisignPrehashed,  // "ED": Ed25519 over the file's BLAKE2b-512
    Signify,            // "Ed" without a trusted comment: Ed25519 over the file itself
};

// Largest signature text read, an embedded signify message included.
inline constexpr std::size_t kMaxMinisignSignatureSize = 16 * 1024 * 1024;

struct MinisignSignature {
    MinisignKind kind = MinisignKind::Signify;
    std::array<std::uint8_t, 8> keyId{};
    std::array<std::uint8_t, 64> signature{};
    std::string untrustedComment;  // as written, after "untrusted comment: "; signed by nobody
    // minisign only: the text after "trusted comment: " and the signature over
    // signature || trustedComment that binds it.
    std::string trustedComment;
    std::array<std::uint8_t, 64> commentSignature{};
    // signify only: "NAME.pub" of a "verify with NAME.pub" comment, when NAME is
    // a plain file name (letters, digits, ".", "-", "_"); else empty.
    std::string signifyKeyName;
    // signify's embedded form: where the signed message starts in the text
    // parsed; it runs to the text's end. signify writes nothing after the
    // second line of a detached signature.
    std::optional<std::size_t> messageOffset;
    bool base64Wrapped = false;  // Tauri's base64 of a whole file
};

// Any of the forms, or Malformed saying what is wrong; CR LF line ends are accepted.
Result<MinisignSignature> ParseMinisignSignature(ByteSpan text);

// A cheap test of the content, never of a name: the first line is an
// untrusted comment and the second base64 of "Ed" or "ED", a key ID and a
// signature; or the whole text is base64 of such a text.
bool LooksLikeMinisignOrSignify(ByteSpan text);

}  // namespace vms
