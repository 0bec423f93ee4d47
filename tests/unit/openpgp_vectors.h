// Published OpenPGP samples of RFC 9580, appendix A, and the Debian archive's
// signed InRelease file with its keys, shared by the signature tests.
#pragma once

#include "engine/file_bytes.h"
#include "signatures/openpgp/armor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vms::testing {

using Bytes = std::vector<std::uint8_t>;

// A.1: a version 4 Ed25519Legacy key, bare, and A.2: its signature over "OpenPGP".
inline constexpr char kV4LegacyKey[] = "xjMEU/NfCxYJKwYBBAHaRw8BAQdAPwmJlL3ZFu1AUxl5NOSofIBzOhKA1i+AEJkuQ+47JAY=";
inline constexpr char kV4LegacyKeyFingerprint[] = "C959BDBAFA32A2F89A153B678CFDE12197965A9A";
inline constexpr char kV4LegacySignature[] =
    "iF4EABYIAAYFAlX5X5UACgkQjP3hIZeWWpr2IgD/VvkMypjiECY3vZg/2xbBMd/S"
    "ftgr9N3lYG4NdWrtM2YBANCcT6EVJ/A44PV/IgHYLy6iyQMyZfps60iehUuuYbQE";

// A.3: a version 6 certificate (Ed25519 primary key, X25519 subkey, no user ID).
inline constexpr char kV6Certificate[] =
    "-----BEGIN PGP PUBLIC KEY BLOCK-----\n"
    "\n"
    "xioGY4d/4xsAAAAg+U2nu0jWCmHlZ3BqZYfQMxmZu52JGggkLq2EVD34laPCsQYf\n"
    "GwoAAABCBYJjh3/jAwsJBwUVCg4IDAIWAAKbAwIeCSIhBssYbE8GCaaX5NUt+mxy\n"
    "KwwfHifBilZwj2Ul7Ce62azJBScJAgcCAAAAAK0oIBA+LX0ifsDm185Ecds2v8lw\n"
    "gyU2kCcUmKfvBXbAf6rhRYWzuQOwEn7E/aLwIwRaLsdry0+VcallHhSu4RN6HWaE\n"
    "QsiPlR4zxP/TP7mhfVEe7XWPxtnMUMtf15OyA51YBM4qBmOHf+MZAAAAIIaTJINn\n"
    "+eUBXbki+PSAld2nhJh/LVmFsS+60WyvXkQ1wpsGGBsKAAAALAWCY4d/4wKbDCIh\n"
    "BssYbE8GCaaX5NUt+mxyKwwfHifBilZwj2Ul7Ce62azJAAAAAAQBIKbpGG2dWTX8\n"
    "j+VjFM21J0hqWlEg+bdiojWnKfA5AQpWUWtnNwDEM0g12vYxoWM8Y81W+bHBw805\n"
    "I8kWVkXU6vFOi+HWvv/ira7ofJu16NnoUkhclkUrk0mXubZvyl4GBg==\n"
    "-----END PGP PUBLIC KEY BLOCK-----\n";
inline constexpr char kV6Fingerprint[] = "CB186C4F0609A697E4D52DFA6C722B0C1F1E27C18A56708F6525EC27BAD9ACC9";

// A.6: a cleartext message signed with the A.3 key, version 6 signature.
inline constexpr char kV6ClearSigned[] =
    "-----BEGIN PGP SIGNED MESSAGE-----\n"
    "\n"
    "What we need from the grocery store:\n"
    "\n"
    "- - tofu\n"
    "- - vegetables\n"
    "- - noodles\n"
    "\n"
    "-----BEGIN PGP SIGNATURE-----\n"
    "\n"
    "wpgGARsKAAAAKQWCY5ijYyIhBssYbE8GCaaX5NUt+mxyKwwfHifBilZwj2Ul7Ce6\n"
    "2azJAAAAAGk2IHZJX1AhiJD39eLuPBgiUU9wUA9VHYblySHkBONKU/usJ9BvuAqo\n"
    "/FvLFuGWMbKAdA+epq7V4HOtAPlBWmU8QOd6aud+aSunHQaaEJ+iTFjP2OMW0KBr\n"
    "NK2ay45cX1IVAQ==\n"
    "-----END PGP SIGNATURE-----\n";

// A fixed "now" well after every sample was made and before any key here expires.
inline constexpr std::uint32_t kNow = 1798761600;  // 2027-01-01

inline Bytes AsBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

// The bytes of base64 text, through the armour reader.
inline Bytes FromBase64(std::string_view base64) {
    const Result<std::vector<ArmorBlock>> blocks =
        Dearmor("-----BEGIN PGP X-----\n\n" + std::string(base64) + "\n-----END PGP X-----\n");
    EXPECT_EQ(blocks.GetError().detail, "");
    return blocks ? blocks->front().bytes : Bytes{};
}

// A file of tests/data, which the build passes as VM_TEST_DATA_DIR.
inline Bytes ReadTestData(const std::wstring& relative) {
    const Result<Bytes> bytes = ReadFileBytes(std::wstring(L"Z:" VM_TEST_DATA_DIR L"/") + relative, 64 * 1024 * 1024);
    EXPECT_TRUE(bytes.Ok()) << "error " << bytes.GetError().systemCode;
    return bytes.ValueOr(Bytes{});
}

}  // namespace vms::testing
