#include "foundation/Textroutines.h"

#include "platform/kernel/Codepage.h"
#include "platform/rtl/Formatsettings.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tdatetime.h"

#include <cmath>
#include <cstdio>
#include <random>

std::string MakeUpperIdent(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    bool keep = platform::IsAnsiAlpha(c) || (c >= '0' && c <= '9') || c == '_';
    c = keep ? platform::AnsiUpperChar(c) : '_';
  }
  return out;
}

std::string ReplaceAll(std::string_view text, std::string_view what, std::string_view by) {
  return StringReplace(text, what, by, rfReplaceAll);
}

void SplitToStrArray(std::string_view text, std::string_view separator, TArray<TStr>& array) {
  array.Clear();
  if (separator.empty()) {
    if (!text.empty()) array.AddItem(TStr(text));
    return;
  }
  size_t pos = 0;
  while (true) {
    size_t at = text.find(separator, pos);
    if (at == std::string_view::npos) break;
    if (array.AddItem(TStr(text.substr(pos, at - pos))) < 0) return;
    pos = at + separator.size();
  }
  if (pos < text.size()) array.AddItem(TStr(text.substr(pos)));
}

std::string ExtractParenthesisText(std::string_view text) {
  size_t open = text.find('(');
  if (open == std::string_view::npos) return "";
  size_t close = text.find(')', open + 1);
  if (close == std::string_view::npos) return "";
  return std::string(text.substr(open + 1, close - open - 1));
}

int32_t MixColors(int32_t a, int32_t b, double t) {
  uint32_t result = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    int ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    double mixed = std::trunc(ca + (cb - ca) * t);
    int c = !(mixed >= 0) ? 0 : mixed > 255 ? 255 : static_cast<int>(mixed);  // NaN gives 0
    result |= static_cast<uint32_t>(c) << shift;
  }
  return static_cast<int32_t>(result);
}

void SetFormatSettings() {
  DateSeparator = '/';
  TimeSeparator = ':';
  ShortDateFormat = "mm'/'dd'/'yyyy";
  DecimalSeparator = '.';
}

TStr MakeRandomIdent(const char* prefix) {
  static std::mt19937_64 random{std::random_device{}()};
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llX", static_cast<unsigned long long>(random()));
  return TStr((std::string(prefix) + FormatDateTime("yyyymmddhhnnss", Now()) + "_" + digits).c_str());
}
