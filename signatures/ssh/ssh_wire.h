// SSH's wire encoding (RFC 4251): a string is a uint32 length and that many
// bytes, an mpint a string holding a two's-complement big-endian number.
#pragma once

#include "signatures/common/byte_reader.h"

#include <string_view>

namespace vms {

// The string's bytes; the reader fails when the length runs past the data,
// so a hostile length costs nothing.
inline ByteSpan ReadSshString(ByteReader& reader) { return reader.Take(reader.Number32()); }

// A non-negative mpint in its one minimal form, as RFC 4251 requires: no sign
// bit set and no needless leading zero. Gives the magnitude without the zero
// byte that keeps it positive; false (and the reader failed) otherwise.
inline bool ReadSshMpint(ByteReader& reader, ByteSpan& magnitude) {
    ByteSpan bytes = ReadSshString(reader);
    if (reader.Failed()) return false;
    if (!bytes.empty() && (bytes[0] & 0x80)) {
        reader.Fail();
        return false;
    }
    if (!bytes.empty() && bytes[0] == 0) {
        if (bytes.size() == 1 || !(bytes[1] & 0x80)) {
            reader.Fail();
            return false;
        }
        bytes = bytes.subspan(1);
    }
    magnitude = bytes;
    return true;
}

inline std::string_view WireText(ByteSpan bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

inline ByteSpan WireBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

inline void AppendSshString(Bytes& out, ByteSpan bytes) {
    const auto size = static_cast<std::uint32_t>(bytes.size());
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(size >> shift));
    out.insert(out.end(), bytes.begin(), bytes.end());
}

}  // namespace vms
