#pragma once
// Published test vectors, kept as data files in tests/data/vectors (its README gives the
// format), so that a vector is written once, as its source gives it, and every suite reads
// it the same way.

#include <string>
#include <vector>

namespace testsupport {

struct TPublishedVector {
  std::string Message;                // the message's bytes, decoded
  std::vector<std::string> Expected;  // the other fields of the line, as written
  int Line = 0;                       // for the failure's report
};

// The vectors of tests/data/vectors/<file>; a file that is missing or a line that cannot be
// read fails the calling test and yields what could be read.
std::vector<TPublishedVector> PublishedVectors(const std::string& file);

}  // namespace testsupport
