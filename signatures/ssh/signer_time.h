// The times of allowed_signers' valid-after and valid-before options:
// YYYYMMDD[Z] or YYYYMMDDHHMM[SS][Z], local time unless "Z" marks UTC.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vms {

struct SignerTime {
    std::int64_t civilSeconds = 0;  // the written date and time counted from 1970 as if it were UTC
    bool utc = false;               // written with "Z"
};

// Nothing for any other form, or for a date or time that doesn't exist, such
// as a 31st of February or a 60th second, which ssh-keygen would roll over
// into the next month or minute; years 1970 to 9999.
std::optional<SignerTime> ParseSignerTime(std::string_view text);

// Seconds since 1970, UTC: local times through the system's time zone rules
// for that date. Nothing when the system can't convert it.
std::optional<std::int64_t> SignerTimeToUnix(const SignerTime& time);

}  // namespace vms
