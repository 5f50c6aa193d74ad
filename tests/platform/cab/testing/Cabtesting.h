#pragma once
// Helpers of the cabinet tests: a test folder of its own, files with known
// content, the peers on the command line, and the engine driven through its
// interfaces with the system's file callbacks.

#include "tests/support/Testsupport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cabtest {

// A folder of that name in the running test's scratch folder.
std::string Folder(const std::string& name);

using testsupport::ReadFile;
// Writes a file, making its folder first.
void WriteFile(const std::string& path, const std::string& bytes);
// Text and random bytes mixed, reproducible from seed.
std::string MixedBytes(std::size_t size, unsigned seed);

// Runs a shell command; returns its exit code and stdout in out.
int Shell(const std::string& command, std::string* out = nullptr);

struct Member {
  std::string source;  // path of the file to pack
  std::string name;    // name inside the cabinet
};

struct PackOptions {
  int compression = 1;           // 0 none, 1 MSZIP, anything else passed on as is
  std::uint32_t cabinetSize = 0;  // 0 means no limit
  std::uint32_t folderThreshold = 0;
  unsigned reserveHeader = 0, reserveFolder = 0, reserveData = 0;
};

// Packs members into folder/name (and name2.cab, name3.cab ... for a set).
// Returns the FCI error code, 0 on success.
int Pack(const std::string& folder, const std::string& name, const std::vector<Member>& members,
         const PackOptions& options = {});

struct Extracted {
  int error = 0;                   // FDI error code of the first failure, 0 on success
  std::vector<std::string> names;  // members written, in order
  std::vector<std::string> partial;
};

// Extracts the cabinet and the following ones of its set into dest.
Extracted Unpack(const std::string& cabinet, const std::string& dest, std::uint64_t limit = 0);

}  // namespace cabtest

namespace cabtest {

// A cabinet built byte by byte, for what the peers cannot make: one folder
// of stored (uncompressed) blocks over data, with file entries as given.
struct RawEntry {
  std::string name;
  std::uint32_t size = 0;
  std::uint32_t offset = 0;
  std::uint16_t folder = 0;
};

struct RawCabinet {
  std::string data;                  // the folder's uncompressed stream
  std::vector<RawEntry> entries;
  std::uint16_t compression = 0;     // written into the folder entry as is
  std::uint16_t flags = 0;           // prev/next flags
  std::string prevName, nextName;
  std::uint16_t setId = 7, index = 0;
  std::uint8_t versionMajor = 1;
  std::uint16_t folderCount = 1;
  std::uint32_t blockSize = 32768;   // uncompressed bytes per block
  bool checksums = true;
};

// Entries one after another over data, named as given.
RawCabinet RawOf(const std::vector<std::pair<std::string, std::string>>& files);
std::string BuildRaw(const RawCabinet& cab);

}  // namespace cabtest
