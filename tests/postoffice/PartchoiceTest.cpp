// The choice of a post's parts among the files under its names, fed byte buffers: junk of
// any shape or number, a stranger's own whole set and parts that hold their checksums but
// make no post never keep the genuine parts from being offered, and a file costs at most
// one try.

#include "Posttesthelpers.h"

#include "foundation/Fileroutines.h"
#include "platform/cab/Cabformat.h"
#include "postoffice/Packandsplit.h"
#include "postoffice/Partchoice.h"
#include "postoffice/Postarchives.h"
#include "tests/support/Testsupport.h"

#include <algorithm>
#include <map>
#include <set>

using namespace posttest;

namespace {

class PartChoice : public PostTest {
 protected:
  // The parts of a post of `size` random bytes (seeded), cut with the part limit `limit`.
  std::vector<std::string> Post(const std::string& name, size_t size, uint32_t seed, uint64_t limit) {
    const std::string folder = Root + "peer/";
    EXPECT_TRUE(CreateFolder(folder));
    WriteMessage(folder + name, {{"FROM_USER_EMAIL", "a@x"}, {"COMMAND", "NEW_BLOCKS"}},
                 testsupport::RandomBytes(size, seed));
    std::string error;
    EXPECT_TRUE(PackMessageCabinet(folder, name, folder + name + ".cab", error)) << error;
    const std::string cabinet = testsupport::ReadFile(folder + name + ".cab");
    uint64_t part = 0, count = 0;
    PostPartSizes(cabinet.size(), limit, part, count);
    std::vector<std::string> parts;
    for (uint64_t at = 0; at < cabinet.size(); at += part) parts.push_back(cabinet.substr(at, part));
    return parts;
  }

  // Files named after their parts, the choice's candidates in the order they came.
  void Add(const std::string& name, const std::string& bytes, size_t part, double arrival = 0) {
    if (Candidates.size() <= part) Candidates.resize(part + 1);
    Candidates[part].push_back({name, bytes.size(), arrival});
    Files[name] = bytes;
  }
  void AddSet(const std::string& mark, const std::vector<std::string>& parts) {
    for (size_t i = 0; i < parts.size(); ++i) Add(mark + std::to_string(i + 1), parts[i], i);
  }

  // Every choice offered, the sets in `posts` joined when offered.
  std::vector<std::vector<std::string>> Choices(const std::set<std::vector<std::string>>& posts, uint64_t* reads,
                                                bool* gaveUp = nullptr) {
    TPartChoice choice(Candidates, [this](const std::string& name, std::string& bytes) {
      bytes = Files.at(name);
      return true;
    });
    std::vector<std::vector<std::string>> offered;
    for (std::vector<std::string> next = choice.Next(); !next.empty(); next = choice.Next()) {
      offered.push_back(next);
      if (posts.count(next)) choice.Joined();
    }
    *reads = choice.Reads();
    if (gaveUp) *gaveUp = choice.GaveUp();
    return offered;
  }

  std::vector<std::vector<TPartChoice::TFile>> Candidates;
  std::map<std::string, std::string> Files;
};

std::vector<std::string> Names(const std::string& mark, size_t count) {
  std::vector<std::string> names;
  for (size_t i = 1; i <= count; ++i) names.push_back(mark + std::to_string(i));
  return names;
}

// A stranger's 19 files ahead of the genuine post of 4 parts (a "part 1" whose header
// agrees with 16 different last parts), 1000 junk files of a part's size under its
// second part's name, and a stranger's own whole set of the same names: the stranger's
// set and the genuine post are offered, each whole, and nothing of the junk.
TEST_F(PartChoice, JunkOfAnyShapeIsNeverOfferedAndTwoWholeSetsAreOfferedApart) {
  const std::vector<std::string> genuine = Post("G", 100000, 1, 30000), stranger = Post("S", 100000, 2, 30000);
  ASSERT_EQ(genuine.size(), 4u);
  ASSERT_EQ(stranger.size(), 4u);
  const size_t part = genuine[0].size();
  std::string first = testsupport::RandomBytes(part, 3);
  first.replace(0, 36, std::string(36, '\0'));
  first.replace(0, 4, "MSCF");
  const uint32_t total = uint32_t(3 * part + 64);
  for (int i = 0; i < 4; ++i) first[8 + i] = char(total >> (8 * i));
  first[25] = 1;  // version 1.3
  first[26] = 1;  // one folder
  Add("J1", first, 0);
  Add("J2", testsupport::RandomBytes(part, 4), 1);
  Add("J3", testsupport::RandomBytes(part, 5), 2);
  for (uint32_t k = 0; k < 16; ++k) Add("J4-" + std::to_string(k), testsupport::RandomBytes(64, 10 + k), 3);
  for (uint32_t k = 0; k < 1000; ++k) Add("K2-" + std::to_string(k), testsupport::RandomBytes(part, 100 + k), 1);
  AddSet("S", stranger);
  AddSet("G", genuine);

  uint64_t reads = 0;
  const std::vector<std::vector<std::string>> offered = Choices({Names("S", 4), Names("G", 4)}, &reads);
  EXPECT_EQ(offered, (std::vector<std::vector<std::string>>{Names("S", 4), Names("G", 4)}));
  // A file is read once for each post whose first part it may follow, never once a choice.
  EXPECT_LE(reads, 3 * Files.size());
}

// The stranger's own whole set with 16 different last parts, each holding its checksums:
// every choice offered holds a file no choice held before, so the genuine post comes
// within 17 tries; a set of one file a part is offered whatever its bytes.
TEST_F(PartChoice, PartsThatHoldTheirChecksumsButMakeNoPostCostATryEach) {
  const std::vector<std::string> genuine = Post("G", 100000, 1, 30000), stranger = Post("S", 100000, 2, 30000);
  ASSERT_EQ(stranger.size(), 4u);
  // The stranger's last block lies in its last part: 16 variants of it, each block's
  // checksum written anew.
  const std::string cabinet = stranger[0] + stranger[1] + stranger[2] + stranger[3];
  const auto* bytes = reinterpret_cast<const uint8_t*>(cabinet.data());
  uint64_t block = platform::CabGet32(bytes + 36), last = block;
  for (uint16_t left = platform::CabGet16(bytes + 40); left > 0; --left) {
    last = block;
    block += platform::kCabDataSize + platform::CabGet16(bytes + block + 4);
  }
  const uint64_t cut = 3 * stranger[0].size();
  ASSERT_GE(last, cut);
  for (uint32_t k = 0; k < 16; ++k) {
    std::string variant = stranger[3];
    const size_t at = size_t(last - cut);
    variant[at + platform::kCabDataSize + 10] = char(k + 1);
    const auto* head = reinterpret_cast<const uint8_t*>(variant.data() + at);
    const uint32_t sum = platform::CabBlockChecksum(head + platform::kCabDataSize, platform::CabGet16(head + 4),
                                                    platform::CabGet16(head + 6), nullptr, 0);
    for (int i = 0; i < 4; ++i) variant[at + i] = char(sum >> (8 * i));
    Add("S4-" + std::to_string(k), variant, 3);
  }
  for (size_t i = 0; i < 3; ++i) Add("S" + std::to_string(i + 1), stranger[i], i);
  AddSet("G", genuine);

  uint64_t reads = 0;
  const std::vector<std::vector<std::string>> offered = Choices({Names("G", 4)}, &reads);
  EXPECT_NE(std::find(offered.begin(), offered.end(), Names("G", 4)), offered.end());
  EXPECT_LE(offered.size(), 17u);
  std::set<std::string> seen;
  for (const std::vector<std::string>& choice : offered) {
    bool fresh = false;
    for (const std::string& file : choice) fresh = seen.insert(file).second || fresh;
    EXPECT_TRUE(fresh);
  }

  // One file a part: offered once, even when it is no cabinet.
  Candidates = {{{"X1", 5}}, {{"X2", 5}}};
  Files = {{"X1", "junk1"}, {"X2", "junk2"}};
  EXPECT_EQ(Choices({}, &reads), (std::vector<std::vector<std::string>>{{"X1", "X2"}}));
}

// Parts of 1 KB lie inside the post's one data block, checked only when it ends: junk of
// their size under their names multiplies the choices. Junk that came before the post or
// after it costs the post nothing, its parts coming one after another; junk that came with
// it, in a flood, spends the weighings its files brought and the search gives up, the set
// waiting, instead of holding the run for ever.
TEST_F(PartChoice, PartsInsideOneDataBlockAreChosenInTheOrderTheyCameAndAFloodCostsOnlyWhatItBrought) {
  const std::vector<std::string> genuine = Post("G", 20000, 1, 1024);
  ASSERT_GE(genuine.size(), 10u);
  const std::vector<std::vector<std::string>> alone{Names("G", genuine.size())};
  const auto flood = [&](size_t each, double junkCame) {
    Candidates.clear();
    Files.clear();
    for (size_t i = 0; i < genuine.size(); ++i) {
      for (size_t k = 0; k < each && i + 1 < genuine.size(); ++k) {
        std::string junk = testsupport::RandomBytes(genuine[i].size(), uint32_t(100 + i * 10 + k));
        if (i == 0) junk = genuine[0].substr(0, 64) + junk.substr(64);  // a first part of the same header
        Add("J" + std::to_string(i) + "-" + std::to_string(k), junk, i, junkCame);
      }
      Add("G" + std::to_string(i + 1), genuine[i], i, 2);
    }
  };
  const size_t files = genuine.size() + 3 * (genuine.size() - 1);
  for (const double junkCame : {1.0, 3.0}) {
    flood(3, junkCame);
    TPartChoice choice(Candidates, [this](const std::string& name, std::string& bytes) {
      bytes = Files.at(name);
      return true;
    });
    EXPECT_EQ(choice.Next(), alone[0]) << "junk came at " << junkCame;
    EXPECT_LE(choice.Reads(), 2 * files) << "junk came at " << junkCame;
  }

  flood(3, 2);
  uint64_t reads = 0;
  bool gaveUp = false;
  EXPECT_TRUE(Choices({alone[0]}, &reads, &gaveUp).empty());
  EXPECT_TRUE(gaveUp);
  EXPECT_LE(reads, 2 * TPartChoice::WeighingsPerFile * files);
}

}  // namespace
