// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DateText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

using namespace velmora;

TEST(CaptureDateTests, MissingDateValuesAreRejectedAndOthersTakenAsTheyStand)
{
    EXPECT_FALSE(isUsableCaptureDate(std::nullopt));
    EXPECT_FALSE(isUsableCaptureDate(std::string()));
    EXPECT_FALSE(isUsableCaptureDate(std::string("0000:00:00 00:00:00")));
    EXPECT_FALSE(isUsableCaptureDate(std::string("    :  :     :  :  ")));
    // Only exact matches count as missing.
    EXPECT_TRUE(isUsableCaptureDate(std::string("2010:07:14 18:05")));
    EXPECT_TRUE(isUsableCaptureDate(std::string("0000:00:00 00:00:00 ")));
    EXPECT_TRUE(isUsableCaptureDate(std::string("   :  :     :  :  ")));
}

TEST(CaptureDateTests, DatesThatCouldEscapeTheFolderAreRejected)
{
    EXPECT_FALSE(isUsableCaptureDate(std::string("2010/07/14 18:05:09")));
    EXPECT_FALSE(isUsableCaptureDate(std::string("../../etc/passwd")));
    EXPECT_FALSE(isUsableCaptureDate(std::string("2010:07:14\n18:05:09")));
    EXPECT_FALSE(isUsableCaptureDate(std::string("2010:07:14 18:05:09\x7f")));
    EXPECT_FALSE(isUsableCaptureDate(std::string("2010:07:14\0 18:05:09", 20)));
}

TEST(ShiftTests, HoursComeFromTheLeadingSignedNumberOfTheTitle)
{
    EXPECT_EQ(hoursFromTitle(std::string("+2")), 2);
    EXPECT_EQ(hoursFromTitle(std::string("2")), 2);
    EXPECT_EQ(hoursFromTitle(std::string("-5")), -5);
    EXPECT_EQ(hoursFromTitle(std::string("  -12 hours")), -12);
    EXPECT_EQ(hoursFromTitle(std::string("0")), 0);
    EXPECT_EQ(hoursFromTitle(std::string("UTC+2")), 0);
    EXPECT_EQ(hoursFromTitle(std::string("")), 0);
    EXPECT_EQ(hoursFromTitle(std::nullopt), 0);
    EXPECT_EQ(hoursFromTitle(std::string("99999999999999999999999")), LLONG_MAX);
}

struct ShiftCase {
    const char* date;
    long long hours;
    const char* expected; // nullptr: not readable in the pattern
};

class ShiftUnderTimeZones : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        const char* old = std::getenv("TZ");
        oldTz_ = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("TZ", GetParam(), 1);
        ::tzset();
    }
    void TearDown() override
    {
        if (oldTz_)
            ::setenv("TZ", oldTz_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> oldTz_;
};

// Europe/Berlin and America/New_York change at night; America/Santiago and
// Asia/Beirut change at midnight, so whole days start in a gap.
INSTANTIATE_TEST_SUITE_P(Zones, ShiftUnderTimeZones,
                         ::testing::Values("UTC", "Europe/Berlin", "America/New_York", "America/Santiago",
                                           "Asia/Beirut"));

TEST_P(ShiftUnderTimeZones, ShiftIsWallClockArithmeticWhateverTheZone)
{
    const ShiftCase cases[] = {
        {"2010:07:14 18:05:09", 2, "2010:07:14 20:05:09"},
        {"2010:07:14 18:05:09", -20, "2010:07:13 22:05:09"},
        {"2010:12:31 23:30:00", 1, "2011:01:01 00:30:00"},
        {"2010:07:14 18:05:09", 0, "2010:07:14 18:05:09"},
        {"2012:02:28 23:00:00", 1, "2012:02:29 00:00:00"},
        {"2011:02:28 23:00:00", 1, "2011:03:01 00:00:00"},
        // Daylight-saving days in the zones above: exactly N hours of wall clock.
        {"2021:03:28 01:30:00", 1, "2021:03:28 02:30:00"},  // Berlin spring-forward gap
        {"2021:10:31 01:30:00", 2, "2021:10:31 03:30:00"},  // Berlin fall-back
        {"2021:03:14 02:30:00", 0, "2021:03:14 02:30:00"},  // New York gap itself
        {"2021:09:04 23:30:00", 1, "2021:09:05 00:30:00"},  // Santiago: midnight is in the gap
        {"2021:03:28 00:15:00", -1, "2021:03:27 23:15:00"}, // Beirut: midnight change
        {"2010:07:14 18:05:09", 14, "2010:07:15 08:05:09"},
        {"0001:01:01 00:30:00", -1, nullptr}, // before year 1
        {"9999:12:31 23:30:00", 1, nullptr},  // past year 9999
        {"2010:07:14 18:05", 2, nullptr},
        {"2010:13:14 18:05:09", 2, nullptr},
        {"2010:02:30 18:05:09", 2, nullptr},
        {"2010:07:14 24:00:00", 0, nullptr},
        {"2010-07-14 18:05:09", 0, nullptr},
        {"2010:07:14 18:05:09", LLONG_MAX, nullptr},
    };
    for (const ShiftCase& c : cases) {
        SCOPED_TRACE(std::string(c.date) + " by " + std::to_string(c.hours));
        const auto shifted = shiftCaptureDate(c.date, c.hours);
        if (c.expected)
            EXPECT_EQ(shifted, std::optional<std::string>(c.expected));
        else
            EXPECT_EQ(shifted, std::nullopt);
    }
}

TEST(StemTests, ColonsBecomeDashesAndSpacesDoubleUnderscores)
{
    EXPECT_EQ(dateStem("2010:07:14 18:05:09"), "2010-07-14__18-05-09");
    EXPECT_EQ(dateStem("2010:07:14  18:05"), "2010-07-14____18-05");
    EXPECT_EQ(dateStem("taken today"), "taken__today");
}
