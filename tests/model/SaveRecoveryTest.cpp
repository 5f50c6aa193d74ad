// A damaged newest save: the previous one is loaded, the user is told which file and why,
// and the damaged files are kept; every rename of a save reaches the disk.

#include "Modeltesthelpers.h"
#include "tests/support/Testsupport.h"
#include "foundation/Filereplace.h"
#include "model/Discussionfileset.h"
#include "foundation/Terror.h"
#include "platform/kernel/Codepage.h"
#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Registrystore.h"
#include "platform/rtl/Tinifile.h"

#include <algorithm>
#include <filesystem>

using namespace modeltest;
namespace fs = std::filesystem;

namespace {

std::vector<std::string>& Messages() {
  static std::vector<std::string> messages;
  return messages;
}

int CatchMessage(const std::string& caption, const std::string& message, const std::string&, const std::string&,
                 int defaultButton) {
  Messages().push_back(caption + ": " + message);
  return defaultButton;
}

// The sub-folders "damaged-..." of a folder.
std::vector<std::string> AsideFolders(const std::string& folder) {
  std::vector<std::string> found;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.is_directory() && entry.path().filename().string().rfind("damaged-", 0) == 0)
      found.push_back(entry.path().string());
  return found;
}

std::vector<std::pair<std::string, std::string>>& FileCalls() {
  static std::vector<std::pair<std::string, std::string>> calls;
  return calls;
}

}  // namespace

class SaveRecovery : public ModelTest {
protected:
  void SetUp() override {
    ModelTest::SetUp();
    TGuiHooks hooks = GuiHooks();
    hooks.ShowMessageBox = CatchMessage;
    SetGuiHooks(hooks);
    Messages().clear();
  }
  void TearDown() override {
    platform::WatchFileCalls(nullptr);
    ModelTest::TearDown();
  }
};

TEST_F(SaveRecovery, ADamagedNewestSetGivesThePreviousNamesTheFileAndKeepsIt) {
  const std::string folder = Folder() + "/disc";
  const std::string pristine = Folder() + "/pristine";
  fs::create_directories(folder);
  std::vector<std::string> previous, newest;
  {
    TDiscussion d;
    MakeRoot(d, folder);
    FillEverything(d);
    ASSERT_TRUE(d.Save());
    previous = Contents(d);
    d.Info.Annotation = "the newest";
    d.User.NoteCounter = 77;
    AddBlock(d, StorageType_Comments, d.Storages.GetRootBlockIndex(), TextType_Premise, "newest comment");
    ASSERT_TRUE(d.Save());
    newest = Contents(d);
  }
  fs::copy(folder, pristine);
  struct Damage {
    const char* why;
    void (*apply)(std::string& bytes);
  } damages[] = {
      {"файл обрезан (3 байт)", [](std::string& b) { b.resize(3); }},
      {"неверная версия формата", [](std::string& b) { b[0] ^= 0x10; }},
      {"из другого сохранения (поколение 3 вместо 2)", [](std::string& b) { b[2] ^= 0x01; }},
      // The generation byte turned into the previous set's own.
      {"неверная контрольная сумма", [](std::string& b) { b[2] ^= 0x03; }},
      {"чужой файл", [](std::string& b) { b[6] ^= 0x04; }},
      {"неверная контрольная сумма", [](std::string& b) { b[b.size() / 2] ^= 0x5A; }},
  };
  // Each file in turn damaged in its header (the kinds taken in turn) and in its body.
  for (int file = 0; file < TDiscussionFileSet::Count; ++file) {
    for (const Damage& damage : {damages[file % 5], damages[5]}) {
      fs::remove_all(folder);
      fs::copy(pristine, folder);
      const std::string path = folder + "/" + TDiscussionFileSet::Names[file];
      std::string bytes = testsupport::ReadFile(path);
      damage.apply(bytes);
      testsupport::WriteFile(path, bytes);
      const std::string context = std::string(TDiscussionFileSet::Names[file]) + " / " + damage.why;
      Messages().clear();

      TDiscussion d;
      d.Folder = folder;
      ASSERT_TRUE(d.Load()) << context << ": " << (Reports().empty() ? "" : Reports().back());
      EXPECT_EQ(Contents(d), previous) << context;
      ASSERT_EQ(Messages().size(), 1u) << context;
      const std::string& message = Messages()[0];
      const bool otherSave = std::string(damage.why).find("другого") != std::string::npos;
      EXPECT_NE(message.find("the file " + path + (otherSave ? " is of another save." : " is damaged.")),
                std::string::npos)
          << message;
      // The errors log keeps the exact fault, as its last line.
      std::string log = testsupport::ReadFile(TError::LogPath());
      log = log.substr(log.rfind('\n', log.size() - 2) + 1);
      EXPECT_NE(log.find(platform::AnsiToUtf8("TDiscussion::Load - ")), std::string::npos) << log;
      EXPECT_NE(log.find(platform::AnsiToUtf8("файл " + path + " ")), std::string::npos) << log;
      EXPECT_NE(log.find(platform::AnsiToUtf8(damage.why)), std::string::npos) << log;
      const std::vector<std::string> aside = AsideFolders(folder);
      ASSERT_EQ(aside.size(), 1u) << context;
      EXPECT_NE(message.find("moved to the folder " + aside[0] + "."), std::string::npos) << message;
      // The whole newer set is kept, the damaged file with its damage.
      for (const char* name : TDiscussionFileSet::Names)
        EXPECT_TRUE(fs::exists(aside[0] + "/" + name)) << context << ": " << name;
      EXPECT_EQ(testsupport::ReadFile(aside[0] + "/" + TDiscussionFileSet::Names[file]), bytes) << context;

      // The next save keeps them, and the next load is silent.
      d.Info.Annotation = "after";
      ASSERT_TRUE(d.Save()) << context;
      EXPECT_EQ(testsupport::ReadFile(aside[0] + "/" + TDiscussionFileSet::Names[file]), bytes) << context;
      TDiscussion again;
      again.Folder = folder;
      ASSERT_TRUE(again.Load()) << context;
      EXPECT_EQ(Contents(again), Contents(d));
      EXPECT_EQ(Messages().size(), 1u) << context;
      EXPECT_EQ(AsideFolders(folder).size(), 1u);
      // The kept files are the newest set itself.
      TDiscussion kept;
      kept.Folder = aside[0];
      testsupport::WriteFile(aside[0] + "/" + TDiscussionFileSet::Names[file],
                             testsupport::ReadFile(pristine + "/" + TDiscussionFileSet::Names[file]));
      ASSERT_TRUE(kept.Load());
      EXPECT_EQ(Contents(kept), newest);
    }
  }
  EXPECT_TRUE(Reports().empty()) << Reports().front();

  // The exact words, for a damaged body.
  fs::remove_all(folder);
  fs::copy(pristine, folder);
  const std::string notes = folder + "/Notes.cbt";
  std::string bytes = testsupport::ReadFile(notes);
  bytes[9] ^= 1;
  testsupport::WriteFile(notes, bytes);
  Messages().clear();
  TDiscussion d;
  d.Folder = folder;
  ASSERT_TRUE(d.Load());
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "LOADING DISCUSSION: The last save of the discussion " + folder +
                               " was not loaded: the file " + notes + " is damaged.\n"
                               "The previous save was loaded.\nThe files of the last save were moved to the folder " +
                               AsideFolders(folder)[0] + ".");
}

// The newest files and their previous versions swapped places, as a copy made by hand
// may leave them: the generation stamps tell which is newest, and loading it says nothing.
TEST_F(SaveRecovery, SwappedGenerationsLoadTheNewestSilently) {
  const std::string folder = Folder() + "/disc";
  fs::create_directories(folder);
  std::vector<std::string> newest;
  {
    TDiscussion d;
    MakeRoot(d, folder);
    FillEverything(d);
    ASSERT_TRUE(d.Save());
    AddBlock(d, StorageType_Comments, d.Storages.GetRootBlockIndex(), TextType_Premise, "newest comment");
    ASSERT_TRUE(d.Save());
    newest = Contents(d);
  }
  for (const char* name : TDiscussionFileSet::Names) {
    const std::string path = folder + "/" + name;
    fs::rename(path, path + ".swap");
    fs::rename(path + ".old", path);
    fs::rename(path + ".swap", path + ".old");
  }
  TDiscussion d;
  d.Folder = folder;
  ASSERT_TRUE(d.Load());
  EXPECT_EQ(Contents(d), newest);
  EXPECT_TRUE(Messages().empty()) << Messages().front();
  EXPECT_TRUE(AsideFolders(folder).empty());
  // Saved and loaded again, the newest set is still what is read.
  ASSERT_TRUE(d.Save());
  TDiscussion again;
  again.Folder = folder;
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(Contents(again), newest);
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(Reports().empty()) << Reports().front();
}

TEST_F(SaveRecovery, WithoutASoundSetTheRefusalNamesTheFileAndWhy) {
  TDiscussion saved;
  MakeRoot(saved, Folder());
  ASSERT_TRUE(saved.Save());
  const std::string authors = Folder() + "/Authors.cbs";
  const std::string good = testsupport::ReadFile(authors);
  const auto refusal = [&](const std::string& bytes) {
    testsupport::WriteFile(authors, bytes);
    Reports().clear();
    TError::Instance().Reset();
    TDiscussion d;
    d.Folder = Folder();
    EXPECT_FALSE(d.Load());
    EXPECT_FALSE(d.Loaded);
    return Reports().empty() ? std::string() : Reports().back();
  };
  const std::string lead = "TDiscussion::Load - нет полного набора файлов обсуждения: файл " + authors;
  std::string bytes = good;
  bytes[0] = 9;
  EXPECT_EQ(refusal(bytes), lead + " повреждён: неверная версия формата 9");
  bytes = good;
  bytes[6] = 3;
  EXPECT_EQ(refusal(bytes), lead + " повреждён: чужой файл (номер 3)");
  EXPECT_EQ(refusal(good.substr(0, 5)), lead + " повреждён: файл обрезан (5 байт)");
  bytes = good;
  bytes[3] = 1;
  EXPECT_EQ(refusal(bytes), lead + " из другого сохранения (поколение 257 вместо 1)");
  bytes = good;
  bytes[good.size() - 9] ^= 1;
  EXPECT_EQ(refusal(bytes), "TDiscussion::Load - файл " + authors + " повреждён: неверная контрольная сумма");
  fs::remove(authors);
  Reports().clear();
  TDiscussion missing;
  missing.Folder = Folder();
  EXPECT_FALSE(missing.Load());
  EXPECT_EQ(Reports().back(), "TDiscussion::Load - нет полного набора файлов обсуждения: нет файла " + authors);
  EXPECT_TRUE(Messages().empty());
  // Nothing was moved from a folder that could not be loaded.
  EXPECT_TRUE(AsideFolders(Folder()).empty());
}

TEST_F(SaveRecovery, EveryReplacingMoveReachesTheDiskBeforeItsWriterReturns) {
  const auto watch = [](const char* call, const std::string& path) { FileCalls().emplace_back(call, path); };
  TDiscussion d;
  MakeRoot(d, Folder());
  ASSERT_TRUE(d.Save());
  FileCalls().clear();
  platform::WatchFileCalls(watch);
  ASSERT_TRUE(d.Save());
  const size_t saveCalls = FileCalls().size();
  // The settings, logins and post state replace their one file each the same way.
  const std::string replaced = Folder() + "/replaced.bin";
  ASSERT_TRUE(ReplaceFileContents(replaced, "bytes", false, "test"));
  {
    TIniFile ini(Folder() + "/placement.ini");
    ini.WriteString("Form", "Left", "10");
    ini.UpdateFile();
  }
  platform::TRegistryStore store(Folder() + "/registry");
  ASSERT_TRUE(store.WriteValue("HKEY_CURRENT_USER\\Software", "x", {platform::REG_SZ, "y"}));
  platform::WatchFileCalls(nullptr);

  const std::string folder = platform::SystemPath(Folder());
  const std::pair<std::string, std::string> folderSync("SyncFolder", folder);
  // A save moves each of the twelve files to its previous version and the new one in place,
  // then makes the folder durable once.
  ASSERT_EQ(saveCalls, 24u + 1u);
  for (size_t i = 0; i + 1 < saveCalls; ++i) EXPECT_EQ(FileCalls()[i].first, "MoveFileExA") << i;
  EXPECT_EQ(FileCalls()[saveCalls - 1], folderSync);
  // Every other writer's move is followed by a sync of its folder before anything else.
  int moves = 0;
  for (size_t i = saveCalls; i < FileCalls().size(); ++i) {
    if (FileCalls()[i].first == "SyncFolder") {
      EXPECT_EQ(FileCalls()[i], folderSync);
      continue;
    }
    ++moves;
    ASSERT_LT(i + 1, FileCalls().size()) << FileCalls()[i].second;
    EXPECT_EQ(FileCalls()[i + 1], folderSync) << FileCalls()[i].second;
  }
  EXPECT_EQ(moves, 1);
  EXPECT_EQ(testsupport::ReadFile(replaced), "bytes");
}
