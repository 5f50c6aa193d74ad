#pragma once
// Outgoing post travels as mail attachments of bounded size: a message's cabinet archive
// is cut into parts of nearly equal size, each a whole number of thousands of bytes. The
// parts of "X.cab" in N pieces are named "X." + the part number written with as many
// digits as N has + "_" + N: X.1_3 .. X.3_3, X.01_12 .. X.12_12. The receiving side finds
// a set by that postfix and joins it in order.

#include <cstdint>
#include <string>

// The name of part `index` of a set whose count is written `countText` ("3", "12");
// `base` is the archive's name up to and including its last '.'.
std::string PostPartName(const std::string& base, uint32_t index, const std::string& countText);

// The size of each part (the last may be shorter) and their count for an archive of
// `size` bytes and a part limit above 0; no part for an empty archive.
void PostPartSizes(uint64_t size, uint64_t partLimit, uint64_t& partSize, uint64_t& partCount);

// Writes the parts of sourceFolder + sourceName into destFolder. False after a report
// when it could not; the parts it had written are removed then, so that no incomplete set
// is ever sent.
bool PackAndSplit(const std::string& sourceFolder, const std::string& sourceName, const std::string& destFolder,
                  uint64_t partLimit);
