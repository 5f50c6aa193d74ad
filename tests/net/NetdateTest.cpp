#include "net/Netdate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>

namespace {

// Sets the process's time zone for one test and puts the old one back.
struct ZoneGuard {
    std::string old;
    bool had;
    explicit ZoneGuard(const char* tz)
    {
        const char* o = std::getenv("TZ");
        had = o != nullptr;
        if (had)
            old = o;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ZoneGuard()
    {
        if (had)
            setenv("TZ", old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
};

TDateTime At(int y, int mo, int d, int h, int mi, int s) { return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, 0); }

::testing::AssertionResult Near(TDateTime a, TDateTime b)
{
    if (std::fabs(a - b) < 0.5 / SecsPerDay)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << DateTimeToStr(a) << " != " << DateTimeToStr(b);
}

} // namespace

TEST(Netdate, ZoneOffsetsWriteAndRead)
{
    EXPECT_EQ(FormatZoneOffset(0, true), "GMT");
    EXPECT_EQ(FormatZoneOffset(0, false), "+0000");
    EXPECT_EQ(FormatZoneOffset(1.0 / 24, false), "+0100");
    EXPECT_EQ(FormatZoneOffset(-5.0 / 24, false), "-0500");
    EXPECT_EQ(FormatZoneOffset(5.5 / 24, true), "+0530");
    EXPECT_EQ(FormatZoneOffset(-3.5 / 24, false), "-0330");
    EXPECT_TRUE(Near(ParseZoneOffset(" +0100 "), 1.0 / 24));
    EXPECT_TRUE(Near(ParseZoneOffset("-0530 (EST)"), -5.5 / 24));
    EXPECT_EQ(ParseZoneOffset("GMT"), 0);
    EXPECT_EQ(ParseZoneOffset("+2400"), 0);
    EXPECT_EQ(ParseZoneOffset("+0160"), 0);
    EXPECT_EQ(ParseZoneOffset("+1"), 0);
    EXPECT_EQ(ParseZoneOffset(""), 0);
}

TEST(Netdate, FormatMailDateUsesTheLocalZone)
{
    {
        ZoneGuard utc("UTC0");
        EXPECT_EQ(FormatMailDate(At(2005, 12, 5, 9, 4, 5), false), "Mon, 5 Dec 2005 09:04:05 +0000");
        EXPECT_EQ(FormatMailDate(At(2005, 12, 5, 9, 4, 5), true), "Mon, 5 Dec 2005 09:04:05 GMT");
    }
    ZoneGuard east("XXX-2");
    EXPECT_EQ(FormatMailDate(At(2005, 12, 19, 14, 3, 7), false), "Mon, 19 Dec 2005 14:03:07 +0200");
}

TEST(Netdate, ParseMailDateForms)
{
    const TDateTime expected = At(2005, 12, 19, 14, 3, 7);
    std::string t = "Mon, 19 Dec 2005 14:03:07 +0100";
    EXPECT_TRUE(Near(ParseMailDate(t), expected));
    EXPECT_EQ(t, "+0100");
    t = "19-Dec-2005 14:03:07 GMT";
    EXPECT_TRUE(Near(ParseMailDate(t), expected));
    EXPECT_EQ(t, "GMT");
    t = "Dec 19 14:03:07 2005";
    EXPECT_TRUE(Near(ParseMailDate(t), expected));
    t = "19 Dec 05 14:03:07";
    EXPECT_TRUE(Near(ParseMailDate(t), expected));
    t = "19 Dec 99 14:03:07";
    EXPECT_TRUE(Near(ParseMailDate(t), At(1999, 12, 19, 14, 3, 7)));
    t = "19 Dec 80 10:00";
    EXPECT_TRUE(Near(ParseMailDate(t), At(1980, 12, 19, 10, 0, 0)));
    // A year written 1900 reads as missing: the rest is tried as the year.
    t = "1 Jan 1900 10:00:00 +0000";
    EXPECT_TRUE(Near(ParseMailDate(t), At(1900, 1, 1, 0, 0, 0)));
    EXPECT_EQ(t, "1900");
    t = "19 Foo 2005 14:03:07";
    EXPECT_EQ(ParseMailDate(t), 0);
    t = "19 Dec 2005 25:00:00";
    EXPECT_EQ(ParseMailDate(t), 0);
    t = "31 Feb 2005";
    EXPECT_EQ(ParseMailDate(t), 0);
    t = "";
    EXPECT_EQ(ParseMailDate(t), 0);
    t = "garbage \x01\xff::: ---";
    EXPECT_EQ(ParseMailDate(t), 0);
}

TEST(Netdate, MailDateToLocalAppliesBothZones)
{
    {
        ZoneGuard cet("XXX-1");
        EXPECT_TRUE(Near(MailDateToLocal("Mon, 19 Dec 2005 14:03:07 +0100"), At(2005, 12, 19, 14, 3, 7)));
    }
    ZoneGuard utc("UTC0");
    EXPECT_TRUE(Near(MailDateToLocal("Mon, 19 Dec 2005 14:03:07 +0100"), At(2005, 12, 19, 13, 3, 7)));
    EXPECT_TRUE(Near(MailDateToLocal("Mon, 19 Dec 2005 14:03:07 -0500"), At(2005, 12, 19, 19, 3, 7)));
    EXPECT_TRUE(Near(MailDateToLocal("Mon, 19 Dec 2005 14:03:07 EST"), At(2005, 12, 19, 14, 3, 7)));
}
