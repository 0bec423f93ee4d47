#include "signatures/sigstore/json_fields.h"

#include "signatures/common/strict_base64.h"
#include "signatures/sigstore/certificate.h"

#include <charconv>

namespace vms {
namespace {

bool WithinDepth(std::string_view text) {
    int depth = 0;
    bool inString = false, escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped) escaped = false;
            else if (c == '\\') escaped = true;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > kMaxJsonDepth) return false;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return true;
}

}  // namespace

std::optional<nlohmann::json> ParseJsonObject(std::string_view text, std::size_t maxSize) {
    if (text.size() > maxSize || !WithinDepth(text)) return std::nullopt;
    nlohmann::json document = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
    if (document.is_discarded() || !document.is_object()) return std::nullopt;
    return document;
}

const nlohmann::json* Member(const nlohmann::json& object, std::string_view name) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

std::optional<std::string> StringMember(const nlohmann::json& object, std::string_view name) {
    const nlohmann::json* value = Member(object, name);
    if (!value || !value->is_string()) return std::nullopt;
    return value->get<std::string>();
}

std::optional<std::int64_t> IntegerMember(const nlohmann::json& object, std::string_view name) {
    const nlohmann::json* value = Member(object, name);
    if (!value) return std::nullopt;
    if (value->is_number_integer()) return value->get<std::int64_t>();
    if (!value->is_string()) return std::nullopt;
    const std::string& text = value->get_ref<const std::string&>();
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return number;
}

std::optional<std::int64_t> IntegerMemberOrZero(const nlohmann::json& object, std::string_view name) {
    return Member(object, name) ? IntegerMember(object, name) : std::optional<std::int64_t>(0);
}

std::optional<Bytes> BytesMember(const nlohmann::json& object, std::string_view name) {
    const std::optional<std::string> text = StringMember(object, name);
    if (!text) return std::nullopt;
    return DecodeStrictBase64(*text);
}

std::optional<std::int64_t> ParseRfc3339(std::string_view text) {
    // YYYY-MM-DDTHH:MM:SS[.fraction]Z, read as GeneralizedTime once the separators are gone.
    if (text.size() < 20 || text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != 't') ||
        text[13] != ':' || text[16] != ':' || (text.back() != 'Z' && text.back() != 'z')) {
        return std::nullopt;
    }
    const std::string compact = std::string(text.substr(0, 4)) + std::string(text.substr(5, 2)) +
                                std::string(text.substr(8, 2)) + std::string(text.substr(11, 2)) +
                                std::string(text.substr(14, 2)) + std::string(text.substr(17, text.size() - 18)) + "Z";
    return GeneralizedTimeToUnix(compact);
}

}  // namespace vms
