// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DateText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <ctime>

using namespace velmora;
using namespace std::string_literals;

TEST(DateTextTest, MissingOrUnsafeDatesAreRejectedAndOthersTakenAsTheyStand)
{
    EXPECT_FALSE(isUsableCaptureDate(std::nullopt));
    // "/" or a control character could move a photo out of its folder.
    for (const std::string& text :
         {""s, "0000:00:00 00:00:00"s, "    :  :     :  :  "s, "2010/07/14 18:05:09"s, "../../etc/passwd"s,
          "2010:07:14\n18:05:09"s, "2010:07:14 18:05:09\x7f"s, "2010:07:14\0 18:05:09"s})
        EXPECT_FALSE(isUsableCaptureDate(text)) << text;
    // Only exact matches count as missing.
    for (const char* text : {"2010:07:14 18:05", "0000:00:00 00:00:00 ", "   :  :     :  :  "})
        EXPECT_TRUE(isUsableCaptureDate(std::string(text))) << text;
}

TEST(DateTextTest, HoursComeFromTheLeadingSignedNumberOfTheTitle)
{
    const std::pair<std::optional<std::string>, long long> cases[] = {
        {"+2", 2},    {"2", 2}, {"-5", -5},        {"  -12 hours", -12},
        {"UTC+2", 0}, {"", 0},  {std::nullopt, 0}, {"99999999999999999999999", LLONG_MAX}};
    for (const auto& [title, hours] : cases)
        EXPECT_EQ(hoursFromTitle(title), hours) << title.value_or("(none)");
}

// Wall-clock arithmetic, the same in every zone and through its daylight-saving changes: Berlin and New York change at
// night, Santiago and Beirut at midnight, so whole days start in a gap. The seconds between a date and its shifted self
// are the shift.
TEST(DateTextTest, ShiftAndSecondsBetweenAreWallClockArithmeticWhateverTheZone)
{
    const struct {
        const char* date;
        long long hours;
        const char* expected; // nullptr: not a valid date in the pattern, or out of range
        long long seconds = 0; // a camera clock's correction on top
    } cases[] = {
        {"2010:07:14 18:05:09", 2, "2010:07:14 20:05:09"},
        {"2010:07:14 18:05:09", -20, "2010:07:13 22:05:09"},
        {"2010:12:31 23:30:00", 1, "2011:01:01 00:30:00"},
        {"2011:01:01 00:30:00", -1, "2010:12:31 23:30:00"},
        {"2012:02:28 23:00:00", 1, "2012:02:29 00:00:00"},
        {"2011:02:28 23:00:00", 1, "2011:03:01 00:00:00"},
        {"2011:03:01 00:30:00", -1, "2011:02:28 23:30:00"},
        {"2021:03:28 01:30:00", 1, "2021:03:28 02:30:00"},
        {"2021:10:31 01:30:00", 2, "2021:10:31 03:30:00"},
        {"2021:03:14 02:30:00", 0, "2021:03:14 02:30:00"},
        {"2021:09:04 23:30:00", 1, "2021:09:05 00:30:00"},
        {"2021:03:28 00:15:00", -1, "2021:03:27 23:15:00"},
        {"0001:01:01 00:30:00", -1, nullptr},
        {"9999:12:31 23:30:00", 1, nullptr},
        {"2010:07:14 18:05", 2, nullptr},
        {"2010:13:14 18:05:09", 2, nullptr},
        {"2010:02:30 18:05:09", 2, nullptr},
        {"2010:07:14 24:00:00", 0, nullptr},
        {"2010-07-14 18:05:09", 0, nullptr},
        {"2010:07:14 18:05:09", LLONG_MAX, nullptr},
        {"2010:07:14 18:05:09", 0, "2010:07:14 18:08:36", 207},
        {"2010:12:31 23:59:30", 1, "2011:01:01 01:00:57", 87},
        {"2011:01:01 00:00:10", 0, "2010:12:30 23:59:59", -86411},
        {"2010:07:14 18:05:09", 0, nullptr, LLONG_MIN},
    };
    const auto saved = std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt;
    for (const char* zone : {"UTC", "Europe/Berlin", "America/New_York", "America/Santiago", "Asia/Beirut"}) {
        ::setenv("TZ", zone, 1);
        ::tzset();
        for (const auto& c : cases) {
            EXPECT_EQ(shiftCaptureDate(c.date, c.hours, c.seconds),
                      c.expected ? std::optional<std::string>(c.expected) : std::nullopt)
                << zone << ": " << c.date << " by " << c.hours;
            if (c.expected) {
                EXPECT_EQ(secondsBetween(c.date, c.expected), c.hours * 3600 + c.seconds) << c.date;
            }
        }
        EXPECT_EQ(secondsBetween("2010:07:14 18:05", "2010:07:14 18:05:09"), std::nullopt);
    }
    saved ? ::setenv("TZ", saved->c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
}
