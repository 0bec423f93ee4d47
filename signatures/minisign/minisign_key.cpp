#include "signatures/minisign/minisign_key.h"

#include "signatures/common/strict_base64.h"
#include "signatures/minisign/minisign_lines.h"

#include <algorithm>

namespace vms {
namespace {

std::string_view TrimBlanks(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t start = text.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) return {};
    return text.substr(start, text.find_last_not_of(kBlanks) - start + 1);
}

Result<MinisignKey> KeyFromLine(std::string_view line, std::string_view comment) {
    const std::optional<KeyedValue> keyed = DecodeKeyedValue(line, kEd25519KeySize);
    if (!keyed) return MalformedError("it doesn't hold a minisign or signify key");
    if (keyed->algorithm != std::array<char, 2>{'E', 'd'}) return MalformedError("it isn't an Ed25519 key");
    MinisignKey key;
    key.keyId = keyed->keyId;
    std::ranges::copy(keyed->value, key.publicKey.begin());
    key.comment = comment;
    return key;
}

Result<MinisignKey> ParseKeyFile(std::string_view text) {
    LineReader lines(text);
    const std::optional<std::string_view> commentLine = lines.Next();
    if (!commentLine || !commentLine->starts_with(kUntrustedCommentPrefix)) {
        return MalformedError("its first line isn't an untrusted comment");
    }
    const std::optional<std::string_view> keyLine = lines.Next();
    if (!keyLine) return MalformedError("it has no key line after its comment");
    if (!lines.OnlyEmptyLinesLeft()) return MalformedError("text follows its key line");
    return KeyFromLine(*keyLine, commentLine->substr(kUntrustedCommentPrefix.size()));
}

}  // namespace

Result<MinisignKey> ParseMinisignKey(ByteSpan bytes) {
    if (bytes.size() > kMaxMinisignKeySize) return MalformedError("it is too large to be a minisign or signify key");
    const std::string_view text = AsText(bytes);
    if (text.starts_with(kUntrustedCommentPrefix)) return ParseKeyFile(text);
    const std::string_view token = TrimBlanks(text);
    if (const std::optional<std::string> unwrapped = UnwrapBase64File(token)) return ParseKeyFile(*unwrapped);
    return KeyFromLine(token, {});
}

std::string FormatMinisignKeyId(const std::array<std::uint8_t, 8>& keyId) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (auto byte = keyId.rbegin(); byte != keyId.rend(); ++byte) {
        text += kDigits[*byte >> 4];
        text += kDigits[*byte & 0x0F];
    }
    // minisign writes the number without leading zeros.
    const std::size_t first = text.find_first_not_of('0');
    return first == std::string::npos ? "0" : text.substr(first);
}

}  // namespace vms
