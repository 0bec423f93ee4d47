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

std::optional<MinisignKey> KeyFromLine(std::string_view line, std::string_view comment, std::string& error) {
    const std::optional<KeyedValue> keyed = DecodeKeyedValue(line, kEd25519KeySize);
    if (!keyed) {
        error = "it doesn't hold a minisign or signify key";
        return std::nullopt;
    }
    if (keyed->algorithm != std::array<char, 2>{'E', 'd'}) {
        error = "it isn't an Ed25519 key";
        return std::nullopt;
    }
    MinisignKey key;
    key.keyId = keyed->keyId;
    std::ranges::copy(keyed->value, key.publicKey.begin());
    key.comment = comment;
    return key;
}

std::optional<MinisignKey> ParseKeyFile(std::string_view text, std::string& error) {
    LineReader lines(text);
    const std::optional<std::string_view> commentLine = lines.Next();
    if (!commentLine || !commentLine->starts_with(kUntrustedCommentPrefix)) {
        error = "its first line isn't an untrusted comment";
        return std::nullopt;
    }
    const std::optional<std::string_view> keyLine = lines.Next();
    if (!keyLine) {
        error = "it has no key line after its comment";
        return std::nullopt;
    }
    if (!lines.OnlyEmptyLinesLeft()) {
        error = "text follows its key line";
        return std::nullopt;
    }
    return KeyFromLine(*keyLine, commentLine->substr(kUntrustedCommentPrefix.size()), error);
}

}  // namespace

std::optional<MinisignKey> ParseMinisignKey(ByteSpan bytes, std::string& error) {
    if (bytes.size() > kMaxMinisignKeySize) {
        error = "it is too large to be a minisign or signify key";
        return std::nullopt;
    }
    const std::string_view text = AsText(bytes);
    if (text.starts_with(kUntrustedCommentPrefix)) return ParseKeyFile(text, error);
    const std::string_view token = TrimBlanks(text);
    if (const std::optional<std::string> unwrapped = UnwrapBase64File(token)) return ParseKeyFile(*unwrapped, error);
    return KeyFromLine(token, {}, error);
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
