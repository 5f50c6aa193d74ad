#include "net/Netdate.h"

#include "net/Enetexception.h"
#include "net/Netmessages.h"
#include "net/Nettext.h"
#include "platform/kernel/Timezone.h"
#include "platform/rtl/Numconv.h"

#include <cmath>
#include <cstdio>

namespace {

// A decimal number, or Default; hexadecimal forms do not belong in a date.
int IntOr(const std::string& Text, int Default)
{
    int v;
    return Text.find_first_of("$xX") == std::string::npos && TryStrToInt(Text, v) ? v : Default;
}

} // namespace

TDateTime LocalUtcOffset()
{
    TIME_ZONE_INFORMATION zone;
    LONG bias = 0; // UTC = local time + bias, in minutes
    switch (GetTimeZoneInformation(&zone)) {
    case TIME_ZONE_ID_UNKNOWN:
        bias = zone.Bias;
        break;
    case TIME_ZONE_ID_STANDARD:
        bias = zone.Bias + zone.StandardBias;
        break;
    case TIME_ZONE_ID_DAYLIGHT:
        bias = zone.Bias + zone.DaylightBias;
        break;
    default:
        throw ENetFailedToRetreiveTimeZoneInfo(NetMessageText(RSFailedTimeZoneInfo));
    }
    const long minutes = -static_cast<long>(bias);
    TDateTime offset = 0;
    TryEncodeTime(static_cast<int>(std::labs(minutes) / 60), static_cast<int>(std::labs(minutes) % 60), 0, 0, offset);
    return minutes < 0 ? -offset : offset;
}

std::string FormatZoneOffset(TDateTime Offset, bool AsGmt)
{
    if (AsGmt && Offset == 0)
        return "GMT";
    uint16_t h, m, s, ms;
    DecodeTime(std::fabs(Offset), h, m, s, ms);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%c%02d%02d", Offset < 0 ? '-' : '+', h, m);
    return buf;
}

std::string FormatMailDate(TDateTime Value, bool AsGmt)
{
    uint16_t y, mo, d, h, mi, s, ms;
    DecodeDate(Value, y, mo, d);
    DecodeTime(Value, h, mi, s, ms);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %d %s %d %02d:%02d:%02d ", DayNames[DayOfWeek(Value)], d, MonthNames[mo], y,
                  h, mi, s);
    return buf + FormatZoneOffset(LocalUtcOffset(), AsGmt);
}

TDateTime ParseMailDate(std::string& Text)
{
    Text = Trim(Text);
    if (Text.empty())
        return 0;
    if (DayNameNumber(Text.substr(0, 3)) > 0) {
        CutToken(Text, " ");
        Text = TrimLeft(Text);
    }
    const int32_t dash = TextPos("-", Text);
    const std::string sep = dash > 1 && dash < TextPos(" ", Text) ? "-" : " ";
    int day, month;
    if (MonthNameNumber(CutToken(Text, sep, false)) > 0) {
        month = MonthNameNumber(CutToken(Text, sep));
        Text = TrimLeft(Text);
        day = IntOr(CutToken(Text, sep), 1);
        Text = TrimLeft(Text);
    } else {
        day = IntOr(CutToken(Text, sep), 1);
        Text = TrimLeft(Text);
        month = MonthNameNumber(CutToken(Text, sep));
        Text = TrimLeft(Text);
    }
    const std::string yearToken = CutToken(Text, " ");
    int year = IntOr(yearToken, 1900);
    if (year == 1900) {
        // The year may stand after the time ("Dec 19 14:03:07 2005").
        year = IntOr(Text, 1900);
        Text = yearToken;
    }
    uint16_t year16 = static_cast<uint16_t>(year);
    if (year16 < 80)
        year16 += 2000;
    else if (year16 < 100)
        year16 += 1900;
    TDateTime result;
    if (!TryEncodeDate(year16, month, day, result))
        return 0;
    if (TextPos(":", Text) > 0) {
        std::string time = CutToken(Text, " ");
        const int h = IntOr(CutToken(time, ":"), 0);
        const int m = IntOr(CutToken(time, ":"), 0);
        const int s = IntOr(time, 0);
        TDateTime t;
        if (!TryEncodeTime(h, m, s, 0, t))
            return 0;
        result += result < 0 ? -t : t;
    }
    Text = TrimLeft(Text);
    return result;
}

TDateTime ParseZoneOffset(const std::string& Text)
{
    const std::string zone = Trim(Text).substr(0, 5);
    if (zone.empty() || (zone[0] != '+' && zone[0] != '-'))
        return 0;
    int h, m;
    if (Copy(zone, 2, 4).find_first_of("$xX") != std::string::npos || !TryStrToInt(Copy(zone, 2, 2), h) || !TryStrToInt(Copy(zone, 4, 2), m))
        return 0;
    TDateTime offset;
    if (h < 0 || m < 0 || !TryEncodeTime(h, m, 0, 0, offset))
        return 0;
    return zone[0] == '-' ? -offset : offset;
}

TDateTime MailDateToLocal(const std::string& Text)
{
    std::string rest = Text;
    const TDateTime t = ParseMailDate(rest);
    const TDateTime zone = rest.size() >= 5 ? ParseZoneOffset(rest) : 0;
    return t - zone + LocalUtcOffset();
}
