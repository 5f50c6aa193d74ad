#pragma once
// Date texts of mail headers ("Mon, 19 Dec 2005 14:03:07 +0100") and zone
// offsets. A zone offset is a fraction of a day, positive east of UTC.
#include "platform/rtl/Tdatetime.h"

#include <string>

// The offset of the local zone in force now.
TDateTime LocalUtcOffset();

// " %0.2d%0.2d" of the offset's hours and minutes, the blank made "+" or "-";
// "GMT" for a zero offset when AsGmt.
std::string FormatZoneOffset(TDateTime Offset, bool AsGmt);

// The value (taken as local time) with the local offset.
std::string FormatMailDate(TDateTime Value, bool AsGmt);

// The date and time at the start of Text; Text keeps what follows (the zone).
// 0 when the text holds no valid date.
TDateTime ParseMailDate(std::string& Text);

// "+hhmm" or "-hhmm"; 0 for anything else (zone names count as UTC).
TDateTime ParseZoneOffset(const std::string& Text);

// The header date converted to local time.
TDateTime MailDateToLocal(const std::string& Text);
