// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DateText.h"

#include <chrono>
#include <climits>
#include <cstdio>

namespace velmora {

bool isUsableCaptureDate(const std::optional<std::string>& text)
{
    if (!text || text->empty() || *text == "0000:00:00 00:00:00" || *text == "    :  :     :  :  ")
        return false;
    for (const unsigned char c : *text)
        if (c == '/' || c < 0x20 || c == 0x7f)
            return false;
    return true;
}

long long hoursFromTitle(const std::optional<std::string>& title)
{
    if (!title)
        return 0;
    const std::string& s = *title;
    size_t i = 0;
    while (i < s.size() &&
           (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r' || s[i] == '\v' || s[i] == '\f'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    long long value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        const int digit = s[i] - '0';
        if (value > (LLONG_MAX - digit) / 10)
            return negative ? LLONG_MIN : LLONG_MAX; // clamps, as a scanner would
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

namespace {

// "yyyy:MM:dd HH:mm:ss" as seconds of wall-clock time since 1970, in no time zone.
std::optional<std::chrono::seconds> wallClock(std::string_view text)
{
    using namespace std::chrono;
    static constexpr std::string_view pattern = "dddd:dd:dd dd:dd:dd";
    if (text.size() != pattern.size())
        return std::nullopt;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == 'd' ? !digit : text[i] != pattern[i])
            return std::nullopt;
    }
    auto number = [&](size_t pos, size_t len) {
        int n = 0;
        for (size_t i = pos; i < pos + len; ++i)
            n = n * 10 + (text[i] - '0');
        return n;
    };
    const year_month_day date{year{number(0, 4)}, month{static_cast<unsigned>(number(5, 2))},
                              day{static_cast<unsigned>(number(8, 2))}};
    const int h = number(11, 2), m = number(14, 2), s = number(17, 2);
    if (!date.ok() || date.year() < year{1} || h > 23 || m > 59 || s > 59)
        return std::nullopt;
    return sys_days{date}.time_since_epoch() + hours{h} + minutes{m} + seconds{s};
}

} // namespace

std::optional<long long> secondsBetween(std::string_view from, std::string_view to)
{
    const auto a = wallClock(from), b = wallClock(to);
    return a && b ? std::optional((*b - *a).count()) : std::nullopt;
}

std::optional<std::string> shiftCaptureDate(std::string_view text, long long shiftHours, long long shiftSeconds)
{
    using namespace std::chrono;
    const std::optional<seconds> wall = wallClock(text);
    if (!wall)
        return std::nullopt;

    // About 10,000 years of hours: anything beyond leaves the calendar's range anyway.
    constexpr long long maxHours = 24LL * 366 * 10000;
    if (shiftHours > maxHours || shiftHours < -maxHours || shiftSeconds > maxHours * 3600 ||
        shiftSeconds < -maxHours * 3600)
        return std::nullopt;
    // A clock without time zones: a shift across a daylight-saving change or
    // through a spring-forward gap is exactly N hours of wall-clock time.
    const seconds shifted = *wall + std::chrono::hours{shiftHours} + seconds{shiftSeconds};
    const sys_days day = floor<days>(sys_seconds{shifted});
    const year_month_day out{day};
    if (out.year() < year{1} || out.year() > year{9999})
        return std::nullopt;
    const hh_mm_ss clock{shifted - day.time_since_epoch()};
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d:%02u:%02u %02d:%02d:%02d", static_cast<int>(out.year()),
                  static_cast<unsigned>(out.month()), static_cast<unsigned>(out.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return std::string(buffer);
}

std::string dateStem(std::string_view shiftedCaptureDate)
{
    std::string stem;
    stem.reserve(shiftedCaptureDate.size() + 4);
    for (const char c : shiftedCaptureDate) {
        if (c == ':')
            stem += '-';
        else if (c == ' ')
            stem += "__";
        else
            stem += c;
    }
    return stem;
}

} // namespace velmora
