#include "platform/kernel/Timezone.h"

#include <ctime>

namespace {

// The zone's times are looked for at these steps through the coming year: neither standard
// nor daylight time lasts less than two months where a zone keeps both.
constexpr time_t kMonth = 30 * 24 * 3600;
constexpr int kMonthsOfAYear = 12;

}  // namespace

namespace platform {

long LocalOffsetAt(int64_t utc) {
  const time_t moment = static_cast<time_t>(utc);
  struct tm local {};
  if (!localtime_r(&moment, &local)) return 0;
  return local.tm_gmtoff;
}

}  // namespace platform

DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* information) {
  const time_t now = time(nullptr);
  struct tm local {};
  if (!information || !localtime_r(&now, &local)) return TIME_ZONE_ID_INVALID;
  const bool daylightNow = local.tm_isdst > 0;
  long standardOffset = local.tm_gmtoff, daylightOffset = local.tm_gmtoff;
  bool otherFound = false;  // the time not in force now, once met
  for (int month = 1; month <= kMonthsOfAYear && !otherFound; ++month) {
    const time_t moment = now + month * kMonth;
    struct tm other {};
    if (!localtime_r(&moment, &other) || (other.tm_isdst > 0) == daylightNow) continue;
    (daylightNow ? standardOffset : daylightOffset) = other.tm_gmtoff;
    otherFound = true;
  }
  information->Bias = static_cast<LONG>(-standardOffset / 60);
  information->StandardBias = 0;
  information->DaylightBias = static_cast<LONG>(-(daylightOffset - standardOffset) / 60);
  if (daylightNow) return TIME_ZONE_ID_DAYLIGHT;
  return otherFound ? TIME_ZONE_ID_STANDARD : TIME_ZONE_ID_UNKNOWN;
}
