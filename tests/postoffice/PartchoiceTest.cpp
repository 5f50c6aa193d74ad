// The choice of a post's parts among the files under its names: a post links its own parts
// by their digests, so copies of every part (altered ones that keep the cabinet's
// checksums, junk, exact copies, a stranger's first part that links the genuine parts)
// never keep its parts from it, and each file is read once.

#include "Posttesthelpers.h"

#include "foundation/Fileroutines.h"
#include "postoffice/Packandsplit.h"
#include "postoffice/Partchoice.h"
#include "postoffice/Postarchives.h"
#include "tests/support/Testsupport.h"

#include <algorithm>
#include <map>

using namespace posttest;

namespace {

class PartChoice : public PostTest {
 protected:
  // The parts of a post of `size` random bytes (seeded) as the program cuts and links them.
  std::vector<std::string> Post(const std::string& name, size_t size, uint32_t seed, uint64_t limit) {
    const std::string folder = Root + "peer/", parts = folder + "parts/";
    EXPECT_TRUE(CreateFolder(parts));
    WriteMessage(folder + name, {{"FROM_USER_EMAIL", "a@x"}, {"COMMAND", "NEW_BLOCKS"}},
                 testsupport::RandomBytes(size, seed));
    std::string error;
    EXPECT_TRUE(PackMessageCabinet(folder, name, folder + name + ".cab", error)) << error;
    TPostCut cut;
    EXPECT_TRUE(PostLinkFits(CabinetSizeOf(folder + name + ".cab"), limit, cut));
    EXPECT_TRUE(PackMessageCabinet(folder, name, folder + name + ".cab", error, uint32_t(cut.LinkArea))) << error;
    EXPECT_TRUE(PackAndSplit(folder, name + ".cab", parts, limit));
    std::vector<std::string> files;
    for (uint64_t i = 1; i <= cut.PartCount; ++i)
      files.push_back(
          testsupport::ReadFile(parts + PostPartName(name + ".", uint32_t(i), std::to_string(cut.PartCount))));
    return files;
  }

  void Add(const std::string& name, const std::string& bytes, size_t part) {
    if (Candidates.size() <= part) Candidates.resize(part + 1);
    Candidates[part].push_back({name, bytes.size()});
    Files[name] = bytes;
  }

  TPartChoice Choose() {
    return TPartChoice(Candidates, [this](const std::string& name, std::string& bytes) {
      ++Reads[name];
      bytes = Files.at(name);
      return true;
    });
  }

  std::vector<std::vector<TPartChoice::TFile>> Candidates;
  std::map<std::string, std::string> Files;
  std::map<std::string, int> Reads;
};

// Two bytes xored four bytes apart: the cabinet's block checksums, an exclusive-or of
// 32-bit words, still hold.
std::string Altered(std::string bytes, size_t at) {
  bytes[at] ^= 0x5A;
  bytes[at + 4] ^= 0x5A;
  return bytes;
}

// The genuine post in 8 parts of 1000 bytes, and at the same time under every part's name
// an altered copy, a random file and an exact copy, some taking the plain names before
// the genuine files; besides, a participant's first part that links the genuine parts 2..8
// but holds altered data. Each list finds exactly the files it links; no altered or random
// file is linked; the files read are the files there are, each once.
TEST_F(PartChoice, CopiesOfEveryPartAtOneTimeLeaveEachListItsOwnParts) {
  const std::vector<std::string> genuine = Post("G", 7000, 1, 1024);
  ASSERT_EQ(genuine.size(), 8u);
  for (size_t i = 0; i < 8; ++i) {
    const std::string number = std::to_string(i + 1);
    const bool plainIsJunk = i % 2 == 1;
    Add(plainIsJunk ? "G.altered" + number : "G.genuine" + number,
        plainIsJunk ? Altered(genuine[i], genuine[i].size() - 300) : genuine[i], i);
    Add(plainIsJunk ? "G.genuine" + number : "G.altered" + number,
        plainIsJunk ? genuine[i] : Altered(genuine[i], genuine[i].size() - 300), i);
    Add("G.random" + number, testsupport::RandomBytes(genuine[i].size(), uint32_t(50 + i)), i);
    Add("G.copy" + number, genuine[i], i);
  }
  const TPartChoice choice = Choose();
  ASSERT_EQ(choice.Lists().size(), 3u);  // the genuine first part, its exact copy, the altered one
  std::vector<std::string> linked{"G.genuine1"};
  for (size_t i = 2; i <= 8; ++i) linked.push_back("G.genuine" + std::to_string(i));
  for (const TPartChoice::TList& list : choice.Lists()) {
    EXPECT_TRUE(list.Whole()) << list.First;
    EXPECT_EQ(std::vector<std::string>(list.Parts.begin() + 1, list.Parts.end()),
              std::vector<std::string>(linked.begin() + 1, linked.end()))
        << list.First;
    EXPECT_EQ(list.Missing(), "");
  }
  EXPECT_EQ(choice.Lists()[0].First, "G.genuine1");
  for (size_t i = 1; i <= 8; ++i) {
    const std::string number = std::to_string(i);
    EXPECT_TRUE(choice.Linked("G.genuine" + number));
    EXPECT_TRUE(choice.Linked("G.copy" + number));  // an exact copy is no other post's
    EXPECT_FALSE(choice.Linked("G.random" + number));
    EXPECT_EQ(choice.Linked("G.altered" + number), i == 1) << i;  // a list links itself
  }
  // Two files a part link nothing: no post without links is made of them.
  EXPECT_TRUE(choice.Unlinked().empty());
  EXPECT_EQ(Reads.size(), Files.size());
  for (const auto& [name, reads] : Reads) EXPECT_EQ(reads, 1) << name;
}

// A post without links (an older sender's: its cabinet cut bare) is made of the one file
// under each name that no list links, never of a file a list links; a list that lacks a
// part tells which.
TEST_F(PartChoice, APostWithoutLinksTakesOnlyFilesNoListLinks) {
  const std::string folder = Root + "peer/";
  ASSERT_TRUE(CreateFolder(folder));
  WriteMessage(folder + "O", {{"FROM_USER_EMAIL", "a@x"}, {"COMMAND", "NEW_BLOCKS"}},
               testsupport::RandomBytes(2500, 4));
  std::string error;
  ASSERT_TRUE(PackMessageCabinet(folder, "O", folder + "O.cab", error)) << error;
  const std::string bare = testsupport::ReadFile(folder + "O.cab");
  const std::vector<std::string> genuine = Post("G", 2500, 5, 1024);
  ASSERT_EQ(genuine.size(), 3u);
  Add("O1", bare.substr(0, 1000), 0);
  Add("O2", bare.substr(1000, 1000), 1);
  Add("O3", bare.substr(2000), 2);
  Add("G1", genuine[0], 0);
  Add("G3", genuine[2], 2);
  const TPartChoice choice = Choose();
  ASSERT_EQ(choice.Lists().size(), 1u);
  EXPECT_EQ(choice.Lists()[0].Missing(), "2");
  EXPECT_EQ(choice.Unlinked(), (std::vector<std::string>{"O1", "O2", "O3"}));
  std::vector<TPartDigest> links;
  EXPECT_FALSE(ReadPostLinks(bare, 3, links));
  EXPECT_TRUE(ReadPostLinks(genuine[0], 3, links));
  EXPECT_FALSE(ReadPostLinks(genuine[0], 4, links));  // links of another count are none
}

// What a run learnt of the files that wait is kept for the next, but never decides a join:
// a learnt part replaced under its name by other bytes of its size and time (the user's
// hand, a restored backup) makes the whole list read again, so that the list waits for its
// own part instead of being joined, and failing, with the other file.
TEST_F(PartChoice, WhatAnEarlierRunLearntNeverDecidesAJoin) {
  const std::string folder = Root + "in/";
  const std::vector<std::string> genuine = Post("G", 2500, 6, 1024);
  ASSERT_EQ(genuine.size(), 3u);
  Candidates.resize(3);
  Add("G1", genuine[0], 0);
  Add("G2", genuine[1], 1);
  const auto choose = [this, &folder] {
    return TPartChoice(
        Candidates,
        [this](const std::string& name, std::string& bytes) {
          ++Reads[name];
          bytes = Files.at(name);
          return true;
        },
        folder);
  };
  EXPECT_EQ(choose().Lists().at(0).Missing(), "3");
  Files["G2"] = Altered(genuine[1], 100);
  Add("G3", genuine[2], 2);
  const TPartChoice kept = choose();
  ASSERT_TRUE(kept.Lists().at(0).Whole());  // as learnt: the list seems whole
  EXPECT_FALSE(kept.WholeListsAsLearnt());
  TPartChoice::KeepLearntOf(folder, {});
  const TPartChoice fresh = choose();
  EXPECT_EQ(fresh.Lists().at(0).Missing(), "2");
  EXPECT_TRUE(fresh.WholeListsAsLearnt());
  EXPECT_EQ(Reads["G1"], 3);  // learnt, read again for the check, read afresh
}

// Files with no links that could not be unpacked are not joined again while their bytes,
// read afresh each run, stay those refused; other bytes under the same names are tried.
TEST_F(PartChoice, BytesRefusedOnceAreNotJoinedAgainButOtherBytesAre) {
  for (size_t i = 0; i < 3; ++i) Add("J" + std::to_string(i + 1), testsupport::RandomBytes(900, 40 + i), i);
  const TPartChoice first = Choose();
  ASSERT_EQ(first.Unlinked().size(), 3u);
  EXPECT_EQ(first.UnlinkedRefusedBefore(), nullptr);
  first.UnlinkedRefused("no cabinet");
  const TPartChoice again = Choose();
  ASSERT_NE(again.UnlinkedRefusedBefore(), nullptr);
  EXPECT_EQ(*again.UnlinkedRefusedBefore(), "no cabinet");
  EXPECT_EQ(Reads["J3"], 2);  // read afresh in each run, never taken from what was kept
  Files["J3"] = Altered(Files["J3"], 10);
  EXPECT_EQ(Choose().UnlinkedRefusedBefore(), nullptr);
}

// Junk of any shape ahead of the genuine post of parts smaller than a data block, all at
// one time: a "part 1" whose cabinet header agrees with 16 different last parts, 1000
// files of a part's size under its second part's name, three random files under each
// part's name; and a stranger's own whole set of the same names. The genuine post and the
// stranger's set are each one whole list of its own files; nothing of the junk is linked,
// and the files read are the files there are, each once.
TEST_F(PartChoice, JunkOfAnyShapeAndAStrangersWholeSetLeaveTheGenuinePostWhole) {
  const std::vector<std::string> genuine = Post("G", 20000, 1, 1024), stranger = Post("S", 20000, 2, 1024);
  ASSERT_GE(genuine.size(), 10u);
  ASSERT_EQ(stranger.size(), genuine.size());
  const size_t count = genuine.size(), part = genuine[0].size();
  std::string first = testsupport::RandomBytes(part, 3);
  first.replace(0, 36, std::string(36, '\0'));
  first.replace(0, 4, "MSCF");
  const uint32_t total = uint32_t((count - 1) * part + 64);
  for (int i = 0; i < 4; ++i) first[8 + i] = char(total >> (8 * i));
  first[25] = 1;  // version 1.3
  first[26] = 1;  // one folder
  Add("J1", first, 0);
  for (uint32_t k = 0; k < 16; ++k) Add("J-last-" + std::to_string(k), testsupport::RandomBytes(64, 10 + k), count - 1);
  for (uint32_t k = 0; k < 1000; ++k) Add("K2-" + std::to_string(k), testsupport::RandomBytes(part, 100 + k), 1);
  for (size_t i = 0; i < count; ++i) {
    for (uint32_t k = 0; k < 3; ++k)
      Add("J" + std::to_string(i + 1) + "-" + std::to_string(k),
          (i == 0 ? genuine[0].substr(0, 64) : std::string()) +  // a first part of the same header
              testsupport::RandomBytes(genuine[i].size() - (i == 0 ? 64 : 0), uint32_t(2000 + i * 10 + k)),
          i);
    Add("S" + std::to_string(i + 1), stranger[i], i);
    Add("G" + std::to_string(i + 1), genuine[i], i);
  }
  const TPartChoice choice = Choose();
  // The junk first parts that begin with the genuine header are lists too, of nothing here.
  ASSERT_EQ(choice.Lists().size(), 5u);
  size_t whole = 0;
  for (const TPartChoice::TList& list : choice.Lists()) {
    if (list.First.starts_with("J1-")) {
      EXPECT_EQ(std::count(list.Parts.begin(), list.Parts.end(), std::string()), long(count - 1)) << list.First;
      continue;
    }
    ASSERT_TRUE(list.Whole()) << list.First << " lacks " << list.Missing();
    ++whole;
    const std::string mark = list.First.substr(0, 1);
    for (size_t i = 0; i < count; ++i) EXPECT_EQ(list.Parts[i], mark + std::to_string(i + 1));
  }
  EXPECT_EQ(whole, 2u);
  for (const auto& [name, bytes] : Files)
    EXPECT_EQ(choice.Linked(name), name[0] == 'G' || name[0] == 'S' || name.starts_with("J1-")) << name;
  EXPECT_TRUE(choice.Unlinked().empty());
  EXPECT_EQ(Reads.size(), Files.size());
  for (const auto& [name, reads] : Reads) EXPECT_EQ(reads, 1) << name;
}

}  // namespace
