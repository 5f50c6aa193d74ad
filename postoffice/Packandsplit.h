#pragma once
// Outgoing post travels as mail attachments of bounded size: a message's cabinet archive
// is cut into parts of nearly equal size, each a whole number of thousands of bytes. The
// parts of "X.cab" in N pieces are named "X." + the part number written with as many
// digits as N has + "_" + N: X.1_3 .. X.3_3, X.01_12 .. X.12_12.
//
// Anybody may mail files under a post's foreseeable names, so a post of several parts
// links its own: the reserved area of its cabinet's header, which every cabinet reader
// skips, holds the SHA-256 digest of each part after the first. The receiver takes each
// first part it finds as a list and finds the parts by their digests, whatever else came
// under their names. The links travel inside the bytes they link, so they need nothing of
// the mail, of the names or of older receivers, who join the parts as before; the area
// lies wholly in the first part (its own digest would be circular), which bounds the
// number of parts a part size allows (PostLinkFits).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The name of part `index` of a set whose count is written `countText` ("3", "12");
// `base` is the archive's name up to and including its last '.'.
std::string PostPartName(const std::string& base, uint32_t index, const std::string& countText);

// The size of each part (the last may be shorter) and their count for an archive of
// `size` bytes and a part limit above 0; no part for an empty archive.
void PostPartSizes(uint64_t size, uint64_t partLimit, uint64_t& partSize, uint64_t& partCount);

// The link area: "LINK", the part count (32 bits, little-endian), then the digests of the
// parts 2..N in order, and zeros to its end. It is the cabinet header's reserved area,
// after the 36-byte header and its four reserve sizes.
using TPartDigest = std::array<uint8_t, 32>;
inline constexpr char PostLinkTag[4] = {'L', 'I', 'N', 'K'};
inline constexpr uint64_t PostLinkAreaOffset = 40;
// The bytes the links of a post in `partCount` parts take; 0 for one part, which needs none.
uint64_t PostLinkAreaSize(uint64_t partCount);
TPartDigest PostPartDigest(const void* data, size_t size);

// How a cabinet of `bareSize` bytes (written without a header reserve) is cut under
// `partLimit`: the link area it must be written with (0 for one part), so that the cabinet
// with the area comes to the parts given, whose links the area holds. False when the first part cannot hold the area:
// too many parts for the part size (at 1 KB, some tens).
struct TPostCut {
  uint64_t LinkArea = 0, PartSize = 0, PartCount = 0;
};
bool PostLinkFits(uint64_t bareSize, uint64_t partLimit, TPostCut& cut);
// The smallest part limit in kilobytes under which a cabinet of `bareSize` bytes can be
// linked; 0 when none can.
uint64_t SmallestLinkedPartKB(uint64_t bareSize);

// Writes the parts of sourceFolder + sourceName into destFolder; a cabinet cut into more
// than one part must have been written with the link area PostLinkFits gave, which is
// filled here. False after a report when it could not; the parts it had written are
// removed then, so that no incomplete or unlinked set is ever sent.
bool PackAndSplit(const std::string& sourceFolder, const std::string& sourceName, const std::string& destFolder,
                  uint64_t partLimit);
