#include "model/Authordata.h"

#include "model/Tauthor.h"

#include <charconv>

namespace {

bool ParseNumber(const std::string& text, long low, long high, long& value) {
  const char* end = text.data() + text.size();
  auto [at, error] = std::from_chars(text.data(), end, value);
  return !text.empty() && error == std::errc() && at == end && value >= low && value <= high;
}

}  // namespace

std::string JoinAuthorDataFields(const std::vector<std::string>& fields) {
  std::string text;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) text += '|';
    for (char c : fields[i]) {
      switch (c) {
        case '\\': text += "\\\\"; break;
        case '|': text += "\\|"; break;
        case '\r': text += "\\r"; break;
        case '\n': text += "\\n"; break;
        default: text += c;
      }
    }
  }
  return text;
}

bool SplitAuthorDataFields(std::string_view text, std::vector<std::string>& fields) {
  fields.assign(1, std::string());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '|') {
      fields.emplace_back();
    } else if (c != '\\') {
      fields.back() += c;
    } else if (++i == text.size()) {
      return false;
    } else {
      switch (text[i]) {
        case '\\': fields.back() += '\\'; break;
        case '|': fields.back() += '|'; break;
        case 'r': fields.back() += '\r'; break;
        case 'n': fields.back() += '\n'; break;
        default: return false;
      }
    }
  }
  return true;
}

TStr TAuthor::EncodeAuthorDataStr() const {
  const std::string adident = ADIdent == 0xFFFF ? "-1" : std::to_string(ADIdent);
  return TStr(JoinAuthorDataFields({adident, LIdent, FirstName, MiddleName, LastName, Organisation, PrivateEMail,
                                    AutomaticEMail, WebPage, Address, Phones, std::to_string(BirthYear), Degree,
                                    OtherText}));
}

bool TAuthor::DecodeAuthorDataStr(std::string_view text) {
  std::vector<std::string> f;
  long adident = 0, year = 0;
  if (!SplitAuthorDataFields(text, f) || f.size() < AuthorDataFieldCount || !ParseNumber(f[0], -1, 0xFFFE, adident) ||
      !ParseNumber(f[11], 0, 0xFFFF, year))
    return false;
  ADIdent = adident < 0 ? 0xFFFF : uint16_t(adident);
  TStr* texts[] = {&LIdent, &FirstName, &MiddleName, &LastName, &Organisation, &PrivateEMail,
                   &AutomaticEMail, &WebPage, &Address, &Phones};
  for (size_t i = 0; i < std::size(texts); ++i) *texts[i] = f[i + 1];
  BirthYear = uint16_t(year);
  Degree = f[12];
  OtherText = f[13];
  return true;
}
