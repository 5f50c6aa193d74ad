#pragma once
// Reads a date or time typed as text, piece by piece: numbers, separators and words, each
// after the blanks before it.

#include <cstddef>
#include <string>

class TDateScanner {
 public:
  explicit TDateScanner(const std::string& s) : s_(s) {}
  bool AtEnd() const { return pos_ >= s_.size(); }
  size_t Position() const { return pos_; }
  void SetPosition(size_t pos) { pos_ = pos; }
  void Blanks();
  // Skips to the next digit.
  void ToNumber();
  // Digits after blanks, taken until the value reaches 1000; the number of digits read,
  // 0 when none.
  int Number(int& value);
  // The character after blanks; false (and nothing taken) when another stands there.
  bool Char(char c);
  // The word after blanks, in any case.
  bool Word(const std::string& word);

 private:
  const std::string& s_;
  size_t pos_ = 0;
};
