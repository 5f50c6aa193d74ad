#include "postoffice/Postdates.h"

#include <cctype>

namespace {

// Reads 1..maxDigits digits at `at`; false when there is none.
bool ReadNumber(std::string_view text, size_t& at, size_t maxDigits, int& value) {
  size_t digits = 0;
  value = 0;
  while (at < text.size() && digits < maxDigits && std::isdigit(static_cast<unsigned char>(text[at]))) {
    value = value * 10 + (text[at] - '0');
    ++at;
    ++digits;
  }
  return digits > 0;
}

bool Expect(std::string_view text, size_t& at, char c) {
  if (at >= text.size() || text[at] != c) return false;
  ++at;
  return true;
}

}  // namespace

TDateTime ParseComposeDateTime(std::string_view text) {
  size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  int month, day, year, hour = 0, minute = 0, second = 0;
  if (!ReadNumber(text, at, 2, month) || !Expect(text, at, '/') || !ReadNumber(text, at, 2, day) ||
      !Expect(text, at, '/') || !ReadNumber(text, at, 4, year))
    return 0;
  if (at < text.size() && text[at] == ' ') {
    while (at < text.size() && text[at] == ' ') ++at;
    if (!ReadNumber(text, at, 2, hour) || !Expect(text, at, ':') || !ReadNumber(text, at, 2, minute)) return 0;
    if (at < text.size() && text[at] == ':' && !(++at, ReadNumber(text, at, 2, second))) return 0;
  }
  while (at < text.size() && text[at] == ' ') ++at;
  if (at != text.size()) return 0;
  TDateTime date, time;
  if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, minute, second, 0, time)) return 0;
  return date + time;
}
