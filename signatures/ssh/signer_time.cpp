#include "signatures/ssh/signer_time.h"

#include <windows.h>

namespace vms {
namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the date, in the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int year, int month, int day) {
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = y / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return std::int64_t{era} * 146097 + dayOfEra - 719468;
}

// The two or four digits at offset; 0 for a part the short forms leave out.
std::optional<int> Digits(std::string_view text, std::size_t offset, std::size_t count) {
    if (offset >= text.size()) return 0;
    text = text.substr(offset, count);
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

constexpr std::int64_t kFileTimeTicksPerSecond = 10'000'000;
constexpr std::int64_t kFileTimeTo1970 = 11'644'473'600;  // seconds from 1601 to 1970

}  // namespace

std::optional<SignerTime> ParseSignerTime(std::string_view text) {
    SignerTime time;
    if (text.ends_with('Z')) {
        time.utc = true;
        text.remove_suffix(1);
    }
    if (text.size() != 8 && text.size() != 12 && text.size() != 14) return std::nullopt;
    const auto year = Digits(text, 0, 4), month = Digits(text, 4, 2), day = Digits(text, 6, 2);
    const auto hour = Digits(text, 8, 2), minute = Digits(text, 10, 2), second = Digits(text, 12, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    if (*year < 1970 || *month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month) || *hour > 23 ||
        *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    time.civilSeconds = DaysFromCivil(*year, *month, *day) * 86400 + *hour * 3600 + *minute * 60 + *second;
    return time;
}

std::optional<std::int64_t> SignerTimeToUnix(const SignerTime& time) {
    if (time.utc) return time.civilSeconds;
    const std::int64_t ticks = (time.civilSeconds + kFileTimeTo1970) * kFileTimeTicksPerSecond;
    const FILETIME asFileTime{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME local{}, utc{};
    FILETIME utcFileTime{};
    if (!FileTimeToSystemTime(&asFileTime, &local) || !TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) ||
        !SystemTimeToFileTime(&utc, &utcFileTime)) {
        return std::nullopt;
    }
    const std::int64_t utcTicks =
        (static_cast<std::int64_t>(utcFileTime.dwHighDateTime) << 32) | utcFileTime.dwLowDateTime;
    return utcTicks / kFileTimeTicksPerSecond - kFileTimeTo1970;
}

}  // namespace vms
