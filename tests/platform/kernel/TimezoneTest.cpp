// The local zone as the kernel tells it: the standard bias, the hour that daylight time
// adds, and which time is in force, for a zone with daylight saving and one without.

#include "platform/kernel/Timezone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>

namespace {

// The process's zone for one test, given back afterwards.
class TZoneForTest {
 public:
  explicit TZoneForTest(const char* zone) {
    if (const char* old = std::getenv("TZ")) fOld = old, fHadOne = true;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~TZoneForTest() {
    if (fHadOne) setenv("TZ", fOld.c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }

 private:
  std::string fOld;
  bool fHadOne = false;
};

// Whatever the date: the biases stay, and the answer says what the zone's clock keeps now.
TEST(Timezone, TellsTheStandardBiasTheDaylightHourAndWhichTimeIsInForce) {
  TIME_ZONE_INFORMATION zone;
  // The north and the south keep daylight time in opposite halves of the year.
  for (const auto& [rule, bias] : {std::pair{"EST5EDT,M3.2.0,M11.1.0", 300}, {"AEST-10AEDT,M10.1.0,M4.1.0/3", -600}}) {
    TZoneForTest keeps(rule);
    const DWORD answer = GetTimeZoneInformation(&zone);
    EXPECT_EQ(zone.Bias, bias) << rule;
    EXPECT_EQ(zone.StandardBias, 0) << rule;
    EXPECT_EQ(zone.DaylightBias, -60) << rule;
    const time_t now = time(nullptr);
    struct tm local {};
    ASSERT_NE(localtime_r(&now, &local), nullptr);
    EXPECT_EQ(answer, local.tm_isdst > 0 ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD) << rule;
  }
  {
    TZoneForTest india("<+0530>-5:30");  // half an hour off the hour, no daylight saving
    EXPECT_EQ(GetTimeZoneInformation(&zone), TIME_ZONE_ID_UNKNOWN);
    EXPECT_EQ(zone.Bias, -330);
    EXPECT_EQ(zone.DaylightBias, 0);
  }
  EXPECT_EQ(GetTimeZoneInformation(nullptr), TIME_ZONE_ID_INVALID);
}

}  // namespace
