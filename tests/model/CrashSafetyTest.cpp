// A save interrupted at any instant leaves the previous or the new discussion.

#include "Modeltesthelpers.h"
#include "tests/support/Testsupport.h"
#include "model/Discussionfileset.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace modeltest;

namespace {

std::vector<std::string> LoadContents(const std::string& folder, bool& ok) {
  TDiscussion d;
  d.Folder = folder;
  ok = d.Load();
  return ok ? Contents(d) : std::vector<std::string>{};
}

// A change to every file of the set.
void ChangeEverything(TDiscussion& d, int round) {
  const std::string mark = "round " + std::to_string(round);
  for (uint8_t type = 1; type <= 4; ++type) {
    TBlocksStorage& storage = *d.Storages.GetStorage(type);
    for (int i = 0; i < storage.Count(); ++i) storage.Texts(i).Str.URL = mark;
    if (storage.Count() > 0) storage.Block(0).Possibility = uint8_t(round % 100);
  }
  d.Authors.Author(0).OtherText = mark;
  d.ReaderProperties.Items[0].Possibility = uint8_t(round % 100);
  d.User.NoteCounter = uint16_t(100 + round);
  d.Info.Annotation = mark;
}

}  // namespace

class CrashSafety : public ModelTest {};

TEST_F(CrashSafety, ASaveStoppedBeforeAnyStepLeavesTheOldOrTheNewSet) {
  TDiscussion d;
  MakeRoot(d, Folder());
  FillEverything(d);
  ASSERT_TRUE(d.Save());
  std::vector<std::string> current = Contents(d);
  // Enough steps to reach the end of a save, and of one that first repairs a set left
  // half-moved by the previous interruption.
  for (int step = 1; step <= 75; ++step) {
    TDiscussion working;
    working.Folder = Folder();
    ASSERT_TRUE(working.Load()) << step;
    ChangeEverything(working, step);
    const std::vector<std::string> next = Contents(working);
    TDiscussion::CrashBeforeSaveStep = step;
    const bool completed = working.Save();
    TDiscussion::CrashBeforeSaveStep = 0;
    bool ok = false;
    const std::vector<std::string> reloaded = LoadContents(Folder(), ok);
    ASSERT_TRUE(ok) << "step " << step << ": " << (Reports().empty() ? "" : Reports().back());
    if (completed) {
      EXPECT_EQ(reloaded, next) << step;
    } else {
      EXPECT_TRUE(reloaded == current || reloaded == next) << "a mix at step " << step;
    }
    current = reloaded;
  }
  EXPECT_TRUE(Reports().empty());
}

TEST_F(CrashSafety, AKilledSavingProcessLeavesTheOldOrTheNewSet) {
  TDiscussion d;
  MakeRoot(d, Folder());
  FillEverything(d);
  // Enough blocks that a save takes a while.
  for (int i = 0; i < 3000; ++i)
    AddBlock(d, StorageType_Model, d.Storages.GetRootBlockIndex(), TextType_Premise, std::string(200, 'a' + i % 26));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(d.Save());
  // Kills land anywhere from before the save starts to after it ended.
  const long saveMicros = long(std::chrono::duration_cast<std::chrono::microseconds>(
                                   std::chrono::steady_clock::now() - start).count());
  std::mt19937 random(12345);
  int old = 0, fresh = 0;
  for (int round = 1; round <= 16; ++round) {
    bool ok = false;
    const std::vector<std::string> before = LoadContents(Folder(), ok);
    ASSERT_TRUE(ok);
    TDiscussion working;
    working.Folder = Folder();
    ASSERT_TRUE(working.Load());
    ChangeEverything(working, round);
    const std::vector<std::string> after = Contents(working);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      working.Save();
      _exit(0);
    }
    usleep(useconds_t(random() % (saveMicros * 3 / 2 + 1)));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const std::vector<std::string> reloaded = LoadContents(Folder(), ok);
    ASSERT_TRUE(ok) << "round " << round;
    EXPECT_TRUE(reloaded == before || reloaded == after) << "a mix in round " << round;
    (reloaded == after ? fresh : old) += 1;
  }
  RecordProperty("old_sets", old);
  RecordProperty("new_sets", fresh);
}

TEST_F(CrashSafety, AFailedWriteKeepsTheSavedSetAndReportsIt) {
  TDiscussion d;
  MakeRoot(d, Folder());
  ASSERT_TRUE(d.Save());
  const std::vector<std::string> saved = Contents(d);
  // A directory in the place of a temporary file makes its write fail.
  std::filesystem::create_directories(Folder() + "/Authors.cbs.tmp");
  d.Info.Name = "changed";
  EXPECT_FALSE(d.Save());
  ASSERT_FALSE(Reports().empty());
  EXPECT_NE(Reports().back().find("Authors.cbs.tmp"), std::string::npos) << Reports().back();
  EXPECT_FALSE(std::filesystem::exists(Folder() + "/Model.cbs.tmp"));
  TError::Instance().Reset();
  bool ok = false;
  EXPECT_EQ(LoadContents(Folder(), ok), saved);
  EXPECT_TRUE(ok);
}
