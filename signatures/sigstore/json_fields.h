// Reading Sigstore's JSON (protobuf's JSON mapping) with nlohmann-json, with
// the limits hostile input needs: a bounded size and nesting, fields of the
// expected type or nothing, and 64-bit numbers written as numbers or strings.
#pragma once

#include "signatures/common/byte_reader.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vms {

// Deeper nesting than any bundle or trust root has is refused before parsing,
// as the parser recurses.
inline constexpr int kMaxJsonDepth = 32;

// The document, when it is an object within the limits; nothing otherwise.
std::optional<nlohmann::json> ParseJsonObject(std::string_view text, std::size_t maxSize);

const nlohmann::json* Member(const nlohmann::json& object, std::string_view name);
std::optional<std::string> StringMember(const nlohmann::json& object, std::string_view name);
// An int64 written either way protobuf allows: a number or a decimal string.
std::optional<std::int64_t> IntegerMember(const nlohmann::json& object, std::string_view name);
// The same for a field protobuf leaves out when it is 0: absent reads as 0,
// present and damaged as nothing.
std::optional<std::int64_t> IntegerMemberOrZero(const nlohmann::json& object, std::string_view name);
// A bytes field: standard base64 with padding.
std::optional<Bytes> BytesMember(const nlohmann::json& object, std::string_view name);

// Seconds since 1970 of an RFC 3339 UTC time, "2024-05-01T12:00:00Z", with or
// without a fraction, which is dropped.
std::optional<std::int64_t> ParseRfc3339(std::string_view text);

}  // namespace vms
