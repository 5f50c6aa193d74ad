#include "tests/support/Publishedvectors.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>

namespace testsupport {

namespace {

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
  return fields;
}

// "text:abc", "repeat:1000:a", "hex:00ff": false for any other form.
bool DecodeMessage(const std::string& field, std::string& message) {
  const auto rest = [&](const char* prefix) {
    const std::string p = prefix;
    return field.compare(0, p.size(), p) == 0 ? std::optional<std::string>(field.substr(p.size())) : std::nullopt;
  };
  if (auto text = rest("text:")) {
    message = *text;
    return true;
  }
  if (auto repeat = rest("repeat:")) {
    const size_t colon = repeat->find(':');
    if (colon == std::string::npos || colon == 0) return false;
    message.clear();
    for (unsigned long n = std::stoul(repeat->substr(0, colon)); n > 0; --n) message += repeat->substr(colon + 1);
    return true;
  }
  if (auto hex = rest("hex:")) {
    if (hex->size() % 2 != 0) return false;
    message.clear();
    for (size_t i = 0; i < hex->size(); i += 2) message += static_cast<char>(std::stoi(hex->substr(i, 2), nullptr, 16));
    return true;
  }
  return false;
}

}  // namespace

std::vector<TPublishedVector> PublishedVectors(const std::string& file) {
  std::vector<TPublishedVector> vectors;
  const std::string path = std::string(QUILLARAN_SOURCE_DIR) + "/tests/data/vectors/" + file;
  std::ifstream in(path);
  if (!in) {
    ADD_FAILURE() << "no vectors in " << path;
    return vectors;
  }
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields = Fields(line);
    TPublishedVector v;
    v.Line = number;
    if (fields.size() < 2 || !DecodeMessage(fields[0], v.Message)) {
      ADD_FAILURE() << path << ":" << number << ": not a vector";
      continue;
    }
    v.Expected.assign(fields.begin() + 1, fields.end());
    vectors.push_back(std::move(v));
  }
  if (vectors.empty()) ADD_FAILURE() << "no vectors in " << path;
  return vectors;
}

}  // namespace testsupport
