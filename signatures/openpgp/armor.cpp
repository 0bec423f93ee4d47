#include "signatures/openpgp/armor.h"

#include "signatures/common/strict_base64.h"

#include <array>
#include <optional>

namespace vms {
namespace {

constexpr std::string_view kBeginPrefix = "-----BEGIN ";
constexpr std::string_view kEndPrefix = "-----END ";
constexpr std::string_view kDashes = "-----";

std::string_view TrimLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    return line;
}

std::string_view TrimStart(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' ||
                             text.front() == '\n')) {
        text.remove_prefix(1);
    }
    return text;
}

// "LABEL" of "-----BEGIN LABEL-----"; nothing for other lines.
std::optional<std::string_view> LabelOf(std::string_view line, std::string_view prefix) {
    if (!line.starts_with(prefix) || !line.ends_with(kDashes) || line.size() < prefix.size() + kDashes.size()) {
        return std::nullopt;
    }
    return line.substr(prefix.size(), line.size() - prefix.size() - kDashes.size());
}

// Base64 of one block's data lines, '=' padding only at the very end.
bool DecodeBase64Into(std::string_view text, std::vector<std::uint8_t>& out) {
    std::uint32_t buffer = 0;
    int bits = 0;
    bool padding = false;
    for (char c : text) {
        if (c == '=') {
            padding = true;
            continue;
        }
        const int value = Base64Digit(c);
        if (value < 0 || padding) return false;
        buffer = (buffer << 6) | static_cast<std::uint32_t>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<std::uint8_t>(buffer >> bits));
        }
    }
    return bits < 6 && (buffer & ((1u << bits) - 1)) == 0;
}

class LineCursor {
public:
    explicit LineCursor(std::string_view text) : text_(text) {}
    bool Next(std::string_view& line) {
        if (position_ > text_.size()) return false;
        std::size_t end = text_.find('\n', position_);
        if (end == std::string_view::npos) end = text_.size();
        line = TrimLineEnd(text_.substr(position_, end - position_));
        position_ = end + 1;
        return true;
    }

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

bool IsHeaderLine(std::string_view line) {
    const std::size_t colon = line.find(": ");
    return colon != std::string_view::npos && colon > 0 && line.find(' ') > colon;
}

// True when the four characters of a CRC line hold the CRC-24 of bytes.
bool ChecksumMatches(std::string_view checksum, const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> crc;
    return checksum.size() == 4 && DecodeBase64Into(checksum, crc) && crc.size() == 3 &&
           ((std::uint32_t{crc[0]} << 16) | (std::uint32_t{crc[1]} << 8) | crc[2]) == Crc24(bytes);
}

// Reads one block after its BEGIN line, or what is damaged in it.
Result<ArmorBlock> ReadBlock(LineCursor& lines, std::string_view label) {
    ArmorBlock block{std::string(label), {}};
    std::string data;
    std::optional<std::string_view> checksum;
    bool inHeaders = true;
    std::string_view line;
    while (lines.Next(line)) {
        if (const auto end = LabelOf(line, kEndPrefix)) {
            if (*end != label) return MalformedError("the armour's end line doesn't match its begin line");
            if (!DecodeBase64Into(data, block.bytes)) {
                return MalformedError("the armour holds characters that aren't base64");
            }
            if (checksum && !ChecksumMatches(*checksum, block.bytes)) {
                return MalformedError("the armour's checksum doesn't match its data");
            }
            if (block.bytes.empty()) return MalformedError("the armour holds no data");
            return block;
        }
        if (inHeaders) {
            if (line.empty() || !IsHeaderLine(line)) inHeaders = false;
            if (line.empty() || IsHeaderLine(line)) continue;
        }
        if (checksum) return MalformedError("the armour has data after its checksum line");
        if (line.starts_with('=') && line.size() == 5) {
            checksum = line.substr(1);
        } else {
            data += line;
        }
    }
    return MalformedError("the armour has no end line");
}

}  // namespace

std::uint32_t Crc24(ByteSpan bytes) {
    std::uint32_t crc = 0xB704CE;
    for (std::uint8_t byte : bytes) {
        crc ^= std::uint32_t{byte} << 16;
        for (int bit = 0; bit < 8; ++bit) {
            crc <<= 1;
            if (crc & 0x1000000) crc ^= 0x1864CFB;
        }
    }
    return crc & 0xFFFFFF;
}

bool LooksArmored(std::string_view text) {
    // Binary OpenPGP data starts with a packet header, whose top bit is always set.
    const std::string_view start = TrimStart(text);
    if (start.empty() || static_cast<unsigned char>(start.front()) >= 0x80) return false;
    return start.starts_with("-----BEGIN PGP ") || text.find("\n-----BEGIN PGP ") != std::string_view::npos;
}

Result<std::vector<ArmorBlock>> Dearmor(std::string_view text) {
    std::vector<ArmorBlock> blocks;
    LineCursor lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        const auto label = LabelOf(line, kBeginPrefix);
        if (!label) continue;
        Result<ArmorBlock> block = ReadBlock(lines, *label);
        if (!block) return block.GetError();
        blocks.push_back(std::move(*block));
    }
    if (blocks.empty()) return MalformedError("no armoured OpenPGP data found");
    return blocks;
}

std::string Armor(std::string_view label, ByteSpan bytes) {
    std::string out = std::string(kBeginPrefix) + std::string(label) + std::string(kDashes) + "\n\n";
    const std::string body = EncodeBase64(bytes);
    for (std::size_t i = 0; i < body.size(); i += 64) out += body.substr(i, 64) + "\n";
    const std::uint32_t crc = Crc24(bytes);
    const std::uint8_t crcBytes[] = {static_cast<std::uint8_t>(crc >> 16), static_cast<std::uint8_t>(crc >> 8),
                                     static_cast<std::uint8_t>(crc)};
    out += "=" + EncodeBase64(crcBytes) + "\n";
    out += std::string(kEndPrefix) + std::string(label) + std::string(kDashes) + "\n";
    return out;
}

}  // namespace vms
