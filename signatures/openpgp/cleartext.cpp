#include "signatures/openpgp/cleartext.h"

namespace vms {
namespace {

constexpr std::string_view kMessageBegin = "-----BEGIN PGP SIGNED MESSAGE-----";
constexpr std::string_view kSignatureBegin = "-----BEGIN PGP SIGNATURE-----";
constexpr std::string_view kSignatureEnd = "-----END PGP SIGNATURE-----";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view WithoutTrailingBlanks(std::string_view line) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// Splits "SHA256, SHA512" into names.
void AddHashNames(std::string_view list, std::vector<std::string>& names) {
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        std::string_view name = list.substr(0, comma);
        while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
        while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
        if (!name.empty()) names.emplace_back(name);
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
}

}  // namespace

std::optional<Result<ClearSignedMessage>> ParseClearSigned(std::string_view text) {
    std::size_t position = 0;
    std::size_t begin = std::string_view::npos;
    while (position <= text.size()) {
        std::size_t end = text.find('\n', position);
        if (end == std::string_view::npos) end = text.size();
        if (WithoutTrailingBlanks(text.substr(position, end - position)) == kMessageBegin) {
            begin = position;
            position = end + 1;
            break;
        }
        position = end + 1;
    }
    if (begin == std::string_view::npos) return std::nullopt;

    ClearSignedMessage message;
    std::string_view before = text.substr(0, begin);
    if (before.starts_with(kUtf8Bom)) before.remove_prefix(kUtf8Bom.size());
    message.textOutside = !IsBlank(before);

    enum class Stage { Headers, Text, Signature, After } stage = Stage::Headers;
    bool firstTextLine = true;
    while (position <= text.size()) {
        std::size_t end = text.find('\n', position);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view raw = text.substr(position, end - position);
        const std::string_view line = WithoutTrailingBlanks(raw);
        position = end + 1;
        switch (stage) {
        case Stage::Headers:
            if (line.empty()) {
                stage = Stage::Text;
            } else if (line.starts_with("Hash: ")) {
                AddHashNames(line.substr(6), message.hashNames);
            } else {
                return MalformedError("the signed message has a header other than \"Hash:\"");
            }
            break;
        case Stage::Text:
            if (line == kSignatureBegin) {
                stage = Stage::Signature;
                message.signatureArmor = std::string(line) + "\n";
                break;
            }
            if (!firstTextLine) message.signedText += "\r\n";
            firstTextLine = false;
            // The escape goes first: "-  " is an escaped blank line.
            message.signedText += WithoutTrailingBlanks(raw.starts_with("- ") ? raw.substr(2) : raw);
            break;
        case Stage::Signature:
            message.signatureArmor += std::string(line) + "\n";
            if (line == kSignatureEnd) stage = Stage::After;
            break;
        case Stage::After:
            if (!IsBlank(raw)) message.textOutside = true;
            break;
        }
    }
    switch (stage) {
    case Stage::Headers: return MalformedError("the signed message has no text");
    case Stage::Text: return MalformedError("the signed message has no signature");
    case Stage::Signature: return MalformedError("the signature's armour has no end line");
    case Stage::After: break;
    }
    return message;
}

}  // namespace vms
