// Bounded reading of DER, for the few structures no X.509 library hands out:
// bare public keys, ECDSA signature values, the list of certificate
// timestamps and the certificate body they are signed over, and a time
// stamp's token info. Only definite lengths in their shortest form and
// one-byte tags are taken; anything else is damage.
#pragma once

#include "signatures/common/byte_reader.h"

#include <cstdint>
#include <optional>

namespace vms {

namespace der {
inline constexpr std::uint8_t kBoolean = 0x01;
inline constexpr std::uint8_t kInteger = 0x02;
inline constexpr std::uint8_t kBitString = 0x03;
inline constexpr std::uint8_t kOctetString = 0x04;
inline constexpr std::uint8_t kNull = 0x05;
inline constexpr std::uint8_t kOid = 0x06;
inline constexpr std::uint8_t kUtf8String = 0x0C;
inline constexpr std::uint8_t kGeneralizedTime = 0x18;
inline constexpr std::uint8_t kSequence = 0x30;
inline constexpr std::uint8_t kSet = 0x31;
// [n] EXPLICIT or constructed context-specific tags.
constexpr std::uint8_t Context(unsigned n) { return static_cast<std::uint8_t>(0xA0 | n); }
}  // namespace der

struct DerNode {
    std::uint8_t tag = 0;
    ByteSpan whole;    // tag, length and content
    ByteSpan content;  // the content alone
};

class DerReader {
public:
    explicit DerReader(ByteSpan bytes) : bytes_(bytes) {}

    // The next element; nothing at the end or on damage, and then Failed() tells which.
    std::optional<DerNode> Next();
    // The next element when it has this tag; else fails.
    std::optional<DerNode> Expect(std::uint8_t tag);
    // The next element when it has this tag; else nothing, and nothing is read.
    std::optional<DerNode> Optional(std::uint8_t tag);

    bool AtEnd() const { return failed_ || offset_ == bytes_.size(); }
    bool Failed() const { return failed_; }

private:
    ByteSpan bytes_;
    std::size_t offset_ = 0;
    bool failed_ = false;
};

// The single element the bytes hold, with nothing after it.
std::optional<DerNode> ReadSingleDer(ByteSpan bytes, std::uint8_t tag);

// An INTEGER's magnitude without the leading zero that keeps it positive;
// nothing for a negative or empty one.
std::optional<ByteSpan> UnsignedInteger(const DerNode& node);

// A length written the way DER writes it, before content of that size.
Bytes DerLength(std::size_t length);

}  // namespace vms
