#include "signatures/minisign/minisign_signature.h"

#include "signatures/common/strict_base64.h"
#include "signatures/minisign/minisign_lines.h"

#include <algorithm>

namespace vms {
namespace {

constexpr std::string_view kVerifyWith = "verify with ";
constexpr std::string_view kKeyFileEnding = ".pub";
constexpr std::array<char, 2> kLegacy = {'E', 'd'};
constexpr std::array<char, 2> kPrehashed = {'E', 'D'};
constexpr std::size_t kCommentSignatureLineLength = 4 * ((kEd25519SignatureSize + 2) / 3);
// Enough of a text to hold the two lines LooksLikeMinisignOrSignify reads.
constexpr std::size_t kFirstLinesSize = kUntrustedCommentPrefix.size() + kMaxCommentLength + 256;

bool IsKeyNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
}

// A name a caller can look up among its keys: it can name no folder.
std::string SignifyKeyName(std::string_view comment) {
    if (!comment.starts_with(kVerifyWith)) return {};
    const std::string_view name = comment.substr(kVerifyWith.size());
    if (name.size() <= kKeyFileEnding.size() || !name.ends_with(kKeyFileEnding) || name.starts_with('.') ||
        !std::ranges::all_of(name, IsKeyNameCharacter)) {
        return {};
    }
    return std::string(name);
}

// The untrusted comment of a first line, or nothing when it isn't one.
std::optional<std::string_view> UntrustedComment(std::optional<std::string_view> line) {
    if (!line || !line->starts_with(kUntrustedCommentPrefix)) return std::nullopt;
    return line->substr(kUntrustedCommentPrefix.size());
}

bool IsEd25519(const KeyedValue& keyed) { return keyed.algorithm == kLegacy || keyed.algorithm == kPrehashed; }

// minisign's last two lines, after the signature line.
Result<void> ReadTrustedComment(LineReader& lines, std::string_view commentLine, MinisignSignature& signature) {
    const std::string_view comment = commentLine.substr(kTrustedCommentPrefix.size());
    if (comment.size() > kMaxCommentLength) return MalformedError("its trusted comment is too long");
    const std::optional<std::string_view> signatureLine = lines.Next();
    const std::optional<Bytes> commentSignature =
        signatureLine && signatureLine->size() == kCommentSignatureLineLength ? DecodeStrictBase64(*signatureLine)
                                                                              : std::nullopt;
    if (!commentSignature || commentSignature->size() != kEd25519SignatureSize) {
        return MalformedError("its trusted comment's signature line isn't base64 of an Ed25519 signature");
    }
    if (!lines.OnlyEmptyLinesLeft()) return MalformedError("text follows its trusted comment's signature");
    signature.trustedComment = comment;
    std::ranges::copy(*commentSignature, signature.commentSignature.begin());
    return {};
}

// Text that starts with an untrusted comment line.
Result<MinisignSignature> ParseLines(std::string_view text, bool wrapped) {
    LineReader lines(text);
    const std::optional<std::string_view> comment = UntrustedComment(lines.Next());
    if (!comment) return MalformedError("its first line isn't an untrusted comment");
    if (comment->size() > kMaxCommentLength) return MalformedError("its untrusted comment is too long");
    const std::optional<std::string_view> signatureLine = lines.Next();
    if (!signatureLine) return MalformedError("it has no signature line");
    const std::optional<KeyedValue> keyed = DecodeKeyedValue(*signatureLine, kEd25519SignatureSize);
    if (!keyed) return MalformedError("its signature line isn't base64 of a minisign or signify signature");
    if (!IsEd25519(*keyed)) return MalformedError("its signature isn't an Ed25519 one");

    MinisignSignature signature;
    signature.keyId = keyed->keyId;
    std::ranges::copy(keyed->value, signature.signature.begin());
    signature.untrustedComment = *comment;
    signature.base64Wrapped = wrapped;
    const std::size_t afterSignature = lines.Offset();
    const std::optional<std::string_view> third = lines.Next();
    if (third && third->starts_with(kTrustedCommentPrefix)) {
        if (Result<void> read = ReadTrustedComment(lines, *third, signature); !read) return read.GetError();
        signature.kind =
            keyed->algorithm == kPrehashed ? MinisignKind::MinisignPrehashed : MinisignKind::MinisignLegacy;
        return signature;
    }
    if (keyed->algorithm == kPrehashed) return MalformedError("its trusted comment is missing");
    signature.kind = MinisignKind::Signify;
    signature.signifyKeyName = SignifyKeyName(*comment);
    if (afterSignature < text.size()) {
        // Tauri wraps minisign's detached files only.
        if (wrapped) return MalformedError("text follows its signature line");
        signature.messageOffset = afterSignature;
    }
    return signature;
}

}  // namespace

Result<MinisignSignature> ParseMinisignSignature(ByteSpan bytes) {
    if (bytes.size() > kMaxMinisignSignatureSize) {
        return MalformedError("it is too large to be a minisign or signify signature");
    }
    const std::string_view text = AsText(bytes);
    if (text.starts_with(kUntrustedCommentPrefix)) return ParseLines(text, false);
    if (const std::optional<std::string> unwrapped = UnwrapBase64File(text)) return ParseLines(*unwrapped, true);
    return MalformedError("its first line isn't an untrusted comment");
}

bool LooksLikeMinisignOrSignify(ByteSpan bytes) {
    std::string_view text = AsText(bytes);
    std::optional<std::string> unwrapped;
    if (!text.starts_with(kUntrustedCommentPrefix)) {
        unwrapped = UnwrapBase64File(text);
        if (!unwrapped) return false;
        text = *unwrapped;
    }
    LineReader lines(text.substr(0, kFirstLinesSize));
    const std::optional<std::string_view> comment = UntrustedComment(lines.Next());
    const std::optional<std::string_view> signatureLine = lines.Next();
    if (!comment || !signatureLine) return false;
    const std::optional<KeyedValue> keyed = DecodeKeyedValue(*signatureLine, kEd25519SignatureSize);
    return keyed && IsEd25519(*keyed);
}

}  // namespace vms
