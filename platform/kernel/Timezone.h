#pragma once
// The local time zone as the kernel describes it: a bias in minutes (UTC = local time +
// bias) for standard time, the further bias of daylight time, and which of the two is in
// force now.

#include "platform/kernel/Fileapi.h"

#include <cstdint>

struct TIME_ZONE_INFORMATION {
  LONG Bias = 0;
  LONG StandardBias = 0;
  LONG DaylightBias = 0;
};

// Answers of GetTimeZoneInformation: a zone without daylight saving, standard or daylight
// time in force, or no answer.
constexpr DWORD TIME_ZONE_ID_UNKNOWN = 0;
constexpr DWORD TIME_ZONE_ID_STANDARD = 1;
constexpr DWORD TIME_ZONE_ID_DAYLIGHT = 2;
constexpr DWORD TIME_ZONE_ID_INVALID = 0xFFFFFFFFu;

DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* information);

namespace platform {

// The local zone's offset from UTC in seconds at a moment, in seconds since 1970 (UTC).
long LocalOffsetAt(int64_t utc);

}  // namespace platform
