#include "platform/rtl/Tdatescanner.h"

#include "platform/rtl/Strutil.h"

#include <string_view>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void TDateScanner::Blanks() {
  while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
}

void TDateScanner::ToNumber() {
  while (pos_ < s_.size() && !IsDigit(s_[pos_])) ++pos_;
}

int TDateScanner::Number(int& value) {
  Blanks();
  const size_t start = pos_;
  value = 0;
  while (pos_ < s_.size() && IsDigit(s_[pos_]) && value < 1000) value = value * 10 + (s_[pos_++] - '0');
  return static_cast<int>(pos_ - start);
}

bool TDateScanner::Char(char c) {
  Blanks();
  if (pos_ < s_.size() && s_[pos_] == c) {
    ++pos_;
    return true;
  }
  return false;
}

bool TDateScanner::Word(const std::string& word) {
  Blanks();
  if (word.empty() || s_.size() - pos_ < word.size()) return false;
  if (!AnsiSameText(std::string_view(s_).substr(pos_, word.size()), word)) return false;
  pos_ += word.size();
  return true;
}
