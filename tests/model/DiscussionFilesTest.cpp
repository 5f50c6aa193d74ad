// Saving and loading the files of a discussion folder.

#include "Modeltesthelpers.h"
#include "foundation/Tbufwriter.h"
#include "tests/support/Testsupport.h"
#include "model/Discussionfileset.h"
#include "model/Foldertree.h"
#include "platform/rtl/Tdatetime.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <thread>

using namespace modeltest;

class DiscussionFiles : public ModelTest {};

static void WriteWithContent(const std::string& folder, int file, const std::string& content);

TEST_F(DiscussionFiles, EveryFileRoundTripsWithEveryField) {
  TDiscussion saved;
  MakeRoot(saved, Folder());
  FillEverything(saved);
  ASSERT_TRUE(saved.Save());

  TDiscussion loaded;
  loaded.Folder = Folder();
  ASSERT_TRUE(loaded.Load());
  EXPECT_EQ(Contents(loaded), Contents(saved));
  EXPECT_TRUE(loaded.Info == saved.Info);
  for (uint8_t type = 1; type <= 4; ++type) {
    const TBlocksStorage& a = *saved.Storages.GetStorage(type);
    const TBlocksStorage& b = *loaded.Storages.GetStorage(type);
    ASSERT_EQ(a.Count(), b.Count());
    EXPECT_EQ(a.LastBlockNum, b.LastBlockNum);
    for (int i = 0; i < a.Count(); ++i) {
      EXPECT_TRUE(a.Block(i) == b.Block(i)) << int(type) << ":" << i;
      EXPECT_TRUE(a.Texts(i) == b.Texts(i));
    }
  }
  for (int i = 0; i < saved.Authors.Count(); ++i) EXPECT_TRUE(saved.Authors.Author(i) == loaded.Authors.Author(i));
  EXPECT_TRUE(saved.ReaderProperties.Items[0] == loaded.ReaderProperties.Items[0]);
  EXPECT_TRUE(saved.UnlinkedBlockInfos[0] == loaded.UnlinkedBlockInfos[0]);
  EXPECT_TRUE(saved.Themes[0] == loaded.Themes[0]);
  EXPECT_TRUE(saved.User.Pairs[0] == loaded.User.Pairs[0]);
  EXPECT_EQ(loaded.User.Visited.Count(), 2u);
  EXPECT_TRUE(saved.User.PostLists.Items[0] == loaded.User.PostLists.Items[0]);
  EXPECT_EQ(loaded.User.NoteCounter, 2);
  // Links are found again from the codes.
  const TDiscBlock& formula = loaded.Storages.Model.Block(4);
  EXPECT_EQ(formula.Conclusion, (TDiscBlockIndex{StorageType_Model, 3}));
  EXPECT_EQ(loaded.Storages.Notes.Block(0).Upper, (TDiscBlockIndex{StorageType_Comments, 0}));
  EXPECT_TRUE(Reports().empty());
}

// A process forked after a load (as the end-to-end tests fork their installations) loads
// again in the child, its files read on workers of its own. Many times: a child that
// waited on the parent's workers hung only now and then.
TEST_F(DiscussionFiles, AChildForkedAfterALoadLoadsAgain) {
#ifdef __SANITIZE_THREAD__
  GTEST_SKIP() << "the race detector does not follow threads made after a fork";
#endif
  TDiscussion saved;
  MakeRoot(saved, Folder());
  FillEverything(saved);
  ASSERT_TRUE(saved.Save());
  const auto expected = Contents(saved);
  for (int round = 0; round < 20; ++round) {
    TDiscussion loaded;
    loaded.Folder = Folder();
    ASSERT_TRUE(loaded.Load());
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      TDiscussion again;
      again.Folder = Folder();
      _exit(again.Load() && Contents(again) == expected ? 0 : 1);
    }
    int status = 0;
    ASSERT_TRUE(testsupport::WaitForChild(child, 60, status)) << "the child forked in round " << round << " hangs";
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round << ", status " << status;
  }
}

TEST_F(DiscussionFiles, FilesHaveTheDocumentedLayout) {
  TDiscussion d;
  MakeRoot(d, Folder());
  ASSERT_TRUE(d.Save());
  const std::string model = testsupport::ReadFile(Folder() + "/Model.cbs");
  // Header: version 7, generation 1, file number 0.
  ASSERT_GE(model.size(), 7u);
  EXPECT_EQ(model.substr(0, 7), std::string("\x07\x00\x01\x00\x00\x00\x00", 7));
  // Storage type 1, last block number 1, one block; the root block record.
  const std::string expected = std::string("\x01\x01\x00\x01\x00\x00\x00", 7) +
                               std::string("\x01\x00\x01\x00", 4) +    // block number 1, name number 1
                               std::string("\x01\x00*\x00\x00", 5) +   // name "*", no saved name
                               std::string("\x01\x02\x02\x64\x00\x00\x00", 7) +
                               std::string("\x00\x00\x00\x00\x00\x00", 6) +  // no upper, no conclusion
                               std::string("\xFF\xFF\x00\x00", 4);     // no unlinked record, date 0
  EXPECT_EQ(model.substr(7, expected.size()), expected);
  EXPECT_EQ(model.size(), 7 + expected.size() + 8);
  EXPECT_EQ(model.substr(model.size() - 4), std::string("END!"));
  // Every file of the set is there, and no temporary or previous file after a first save.
  for (const char* name : TDiscussionFileSet::Names) {
    EXPECT_TRUE(std::filesystem::exists(Folder() + "/" + name)) << name;
    EXPECT_FALSE(std::filesystem::exists(Folder() + "/" + name + ".tmp")) << name;
  }
  ASSERT_TRUE(d.Save());
  EXPECT_TRUE(std::filesystem::exists(Folder() + "/Model.cbs.old"));
  EXPECT_EQ(testsupport::ReadFile(Folder() + "/Model.cbs")[2], '\x02');
}

// A discussion that holds every stored field, as an earlier version saved it
// (tests/data/discussion): saved now, every file keeps every byte; read, it gives the same
// discussion back.
TEST_F(DiscussionFiles, ASetSavedBeforeKeepsEveryByteAndReadsBack) {
  // Saving names the post list after the day it is saved on: the day the kept set was
  // saved, whatever today is.
  struct TSavedOnTheKeptDay {
    TSavedOnTheKeptDay() {
      platform::SetNowSource([] { return TDateTime(46364.5); });
    }  // 12/08/26
    ~TSavedOnTheKeptDay() { platform::SetNowSource(nullptr); }
  } day;
  TDiscussion d;
  MakeRoot(d, Folder());
  FillEverything(d);
  d.Info.KeepSwitch(TStr("L-1"), 2, 45004.5);
  ASSERT_TRUE(d.Save());
  const std::string kept = std::string(QUILLARAN_SOURCE_DIR) + "/tests/data/discussion/";
  const std::string copy = Folder() + "/kept";
  std::filesystem::create_directory(copy);
  for (const char* name : TDiscussionFileSet::Names) {
    EXPECT_EQ(testsupport::ReadFile(Folder() + "/" + name), testsupport::ReadFile(kept + name)) << name;
    std::filesystem::copy_file(kept + name, copy + "/" + name);
  }

  TDiscussion loaded;
  loaded.Folder = copy;
  ASSERT_TRUE(loaded.Load());
  EXPECT_EQ(Contents(loaded), Contents(d));
  EXPECT_TRUE(loaded.Info == d.Info);
  for (uint8_t type = StorageType_Model; type <= StorageType_ModeratedComments; ++type) {
    const TBlocksStorage& a = *d.Storages.GetStorage(type);
    const TBlocksStorage& b = *loaded.Storages.GetStorage(type);
    ASSERT_EQ(a.Count(), b.Count());
    for (int i = 0; i < a.Count(); ++i) EXPECT_TRUE(a.Block(i) == b.Block(i)) << int(type) << ":" << i;
  }
  EXPECT_TRUE(loaded.UnlinkedBlockInfos == d.UnlinkedBlockInfos);
  EXPECT_TRUE(loaded.Themes == d.Themes);
  EXPECT_TRUE(loaded.User.Pairs == d.User.Pairs);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(DiscussionFiles, InformationOnlyLoadReadsJustTheInformation) {
  TDiscussion saved;
  MakeRoot(saved, Folder());
  FillEverything(saved);
  ASSERT_TRUE(saved.Save());
  TDiscussion d;
  d.Folder = Folder();
  ASSERT_TRUE(d.Load(true));
  EXPECT_FALSE(d.Loaded);
  EXPECT_EQ(d.Info.InfoRead, 1);
  EXPECT_TRUE(d.Info == saved.Info);
  EXPECT_EQ(d.Storages.TotalCount(), 0);
  ASSERT_TRUE(d.Load());
  EXPECT_TRUE(d.Loaded);
  d.Unload();
  EXPECT_FALSE(d.Loaded);
  EXPECT_EQ(d.Storages.TotalCount(), 0);
  EXPECT_TRUE(d.Info == saved.Info);
}

TEST_F(DiscussionFiles, DamagedFilesAreRefusedNamingTheFile) {
  TDiscussion saved;
  MakeRoot(saved, Folder());
  FillEverything(saved);
  ASSERT_TRUE(saved.Save());
  for (const char* name : TDiscussionFileSet::Names) {
    const std::string path = Folder() + "/" + name;
    const std::string good = testsupport::ReadFile(path);
    for (int damage = 0; damage < 3; ++damage) {
      std::string bad = good;
      if (damage == 0) bad[bad.size() / 2] ^= 0x5A;            // a changed byte
      if (damage == 1) bad.resize(bad.size() - 3);             // a truncated file
      if (damage == 2) bad = good.substr(0, 7) + good.substr(9);  // bytes missing inside
      testsupport::WriteFile(path, bad);
      TError::Instance().Reset();
      Reports().clear();
      TDiscussion d;
      d.Folder = Folder();
      EXPECT_FALSE(d.Load()) << name << " " << damage;
      EXPECT_FALSE(d.Loaded);
      EXPECT_EQ(d.Storages.TotalCount(), 0);
      // One report, naming the file and its damage, whatever reading its content met.
      ASSERT_EQ(Reports().size(), 1u) << name << " " << damage;
      EXPECT_NE(Reports().back().find(name), std::string::npos) << Reports().back();
      EXPECT_NE(Reports().back().find(damage == 1 ? "файл обрезан" : "неверная контрольная сумма"), std::string::npos)
          << Reports().back();
    }
    testsupport::WriteFile(path, good);
  }
}

// The files are read at once, on several threads: the large ones take longest, yet the
// first damaged file in the set's order is the one named, as reading them one after
// another names it, and only what reading it and the files before it reported is
// reported, on the thread that loads.
TEST_F(DiscussionFiles, TheFirstDamagedFileIsNamedWhicheverIsReadFirst) {
  TDiscussion saved;
  MakeRoot(saved, Folder());
  FillEverything(saved);
  const TDiscBlockIndex root = saved.Storages.GetRootBlockIndex();
  for (int i = 0; i < 3000; ++i)
    AddBlock(saved, StorageType_Model, root, TextType_Premise, std::string(300, 'a' + i % 26));
  ASSERT_TRUE(saved.Save());
  const auto path = [&](int file) { return Folder() + "/" + TDiscussionFileSet::Names[file]; };
  static std::vector<std::thread::id> reporters;
  TGuiHooks hooks;
  hooks.ShowErrorWindow = [](const std::string& text) {
    Reports().push_back(text);
    reporters.push_back(std::this_thread::get_id());
  };
  SetGuiHooks(hooks);
  const auto load = [&] {
    TError::Instance().Reset();
    Reports().clear();
    reporters.clear();
    TDiscussion d;
    d.Folder = Folder();
    EXPECT_FALSE(d.Load());
    EXPECT_EQ(d.Storages.TotalCount(), 0);
  };
  // The model's texts (the largest file) and a small file after it both damaged, the
  // small one first and then the texts at their end.
  std::vector<std::string> good;
  for (int file = 0; file < TDiscussionFileSet::Count; ++file) good.push_back(testsupport::ReadFile(path(file)));
  for (const int later : {2, 8, 10, 11}) {
    std::string texts = good[1], small = good[later];
    texts[texts.size() - 12] ^= 0x21;
    small[small.size() / 2] ^= 0x21;
    testsupport::WriteFile(path(1), texts);
    testsupport::WriteFile(path(later), small);
    load();
    ASSERT_EQ(Reports().size(), 1u) << later;
    EXPECT_EQ(Reports()[0], "TDiscussion::Load - файл " + path(1) + " повреждён: неверная контрольная сумма");
    testsupport::WriteFile(path(later), good[later]);
  }
  // More texts than blocks outweighs what reading the texts met after their count.
  std::string moreTexts = saved.ComposeFile(1);
  moreTexts[1] = char(moreTexts[1] + 1);
  moreTexts.resize(moreTexts.size() - 5);
  WriteWithContent(Folder(), 1, moreTexts);
  load();
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0], "TDiscussion::Load - файл " + path(1) + " повреждён: число текстов не равно числу блоков");
  testsupport::WriteFile(path(1), good[1]);
  // Memory refused while the model's blocks and texts are read: what reading the blocks
  // reported is reported here, then the damage; the texts' own refusal is not, as a load
  // stops at the blocks.
  TArrayBase::SetAllocationLimit(64 * 1024);
  load();
  TArrayBase::SetAllocationLimit(0);
  ASSERT_EQ(Reports().size(), 2u);
  EXPECT_EQ(Reports()[0], "TArray::SetCapacity - ошибка перераспределения массива элементов");
  EXPECT_EQ(Reports()[1], "TDiscussion::Load - файл " + path(0) + " повреждён: нет памяти");
  for (const std::thread::id reporter : reporters) EXPECT_EQ(reporter, std::this_thread::get_id());
  TError::Instance().Reset();
  TDiscussion d;
  d.Folder = Folder();
  ASSERT_TRUE(d.Load());
  EXPECT_EQ(d.Storages.Model.Count(), saved.Storages.Model.Count());
  EXPECT_EQ(d.Storages.Model.Texts(3000).Str.Text, saved.Storages.Model.Texts(3000).Str.Text);
}

TEST_F(DiscussionFiles, LoadedTextsOutliveTheirDiscussionAndChangeAlone) {
  TDiscussion saved;
  MakeRoot(saved, Folder());
  FillEverything(saved);
  // Texts longer than the piece of a file read at a time, and read across pieces; more
  // than a megabyte of them, as the chunks kept for the next load are.
  const std::string longText(60000, 'w');
  for (int i = 1; i <= 3; ++i) saved.Storages.Model.Texts(i).Str.Text = longText + std::string(i - 1, '!');
  for (int i = 0; i < 20; ++i)
    AddBlock(saved, StorageType_Model, saved.Storages.GetRootBlockIndex(), TextType_Premise, longText + "?");
  ASSERT_TRUE(saved.Save());
  TStr name, text, copied;
  {
    TDiscussion loaded;
    loaded.Folder = Folder();
    ASSERT_TRUE(loaded.Load());
    name = std::move(loaded.Storages.Model.Block(1).Name);
    text = std::move(loaded.Storages.Model.Texts(2).Str.Text);
    copied = loaded.Storages.Model.Texts(1).Str.Text;
    loaded.Storages.Model.Texts(1).Str.Text = "changed";
    EXPECT_EQ(loaded.Storages.Model.Texts(1).Str.Text, "changed");
    EXPECT_EQ(loaded.Storages.Comments.Texts(0).Str.Text, saved.Storages.Comments.Texts(0).Str.Text);
  }
  EXPECT_EQ(name, saved.Storages.Model.Block(1).Name);
  EXPECT_EQ(text.View(), longText + "!");
  EXPECT_EQ(text.c_str()[text.Length()], '\0');
  EXPECT_EQ(copied.View(), longText);
  EXPECT_EQ(text.Length(), longText.size() + 1);
  // Loads after it, the first of them unloaded, take no memory that a living text holds.
  for (int again = 0; again < 3; ++again) {
    TDiscussion loaded;
    loaded.Folder = Folder();
    ASSERT_TRUE(loaded.Load());
    EXPECT_EQ(loaded.Storages.Model.Texts(3).Str.Text.View(), longText + "!!");
    EXPECT_EQ(text.View(), longText + "!");
    EXPECT_EQ(name, saved.Storages.Model.Block(1).Name);
    EXPECT_EQ(loaded.Storages.Model.Texts(loaded.Storages.Model.Count() - 1).Str.Text.View(), longText + "?");
  }
}

// Builds a file whose check sum is right but whose content is not sound.
static void WriteWithContent(const std::string& folder, int file, const std::string& content) {
  ASSERT_TRUE(WriteDiscussionFile(folder + "/" + TDiscussionFileSet::Names[file], file, 1, content));
}

TEST_F(DiscussionFiles, UnsoundContentIsRefused) {
  TDiscussion saved;
  MakeRoot(saved, Folder());
  FillEverything(saved);
  ASSERT_TRUE(saved.Save());
  struct Case {
    int file;
    size_t at;  // byte of the content to change
    char value;
  } cases[] = {
      {0, 0, 2},                 // storage type of another storage
      {0, 3, 0x7F},              // block count beyond the blocks present
      {0, 7 + 4 + 5 + 0, 9},     // text type 9 of the root block
      {0, 7 + 4 + 5 + 3, 101},   // possibility 101
      {0, 7 + 4 + 5 + 5, 4},     // delete flag 4
      {1, 1, 9},                 // more texts than blocks
      {8, 0, 0x7F},              // author count
      {11, 1, 0x7F},             // a text length beyond the file
  };
  for (const Case& c : cases) {
    std::string content = saved.ComposeFile(c.file);
    content[c.at] = c.value;
    WriteWithContent(Folder(), c.file, content);
    TError::Instance().Reset();
    Reports().clear();
    TDiscussion d;
    d.Folder = Folder();
    EXPECT_FALSE(d.Load()) << c.file << "@" << c.at;
    ASSERT_FALSE(Reports().empty());
    EXPECT_NE(Reports().back().find(TDiscussionFileSet::Names[c.file]), std::string::npos) << Reports().back();
    WriteWithContent(Folder(), c.file, saved.ComposeFile(c.file));
  }
  // Records that are sound one by one but not together, or name what cannot be.
  const auto refused = [&](int file, const std::string& content) {
    WriteWithContent(Folder(), file, content);
    TError::Instance().Reset();
    TDiscussion d;
    d.Folder = Folder();
    EXPECT_FALSE(d.Load()) << file;
  };
  saved.Authors.Author(1).ADIdent = 0;
  refused(8, saved.ComposeFile(8));
  saved.Authors.Author(1).ADIdent = 1;
  saved.Authors.Author(1).LIdent = saved.Authors.Author(0).LIdent;
  refused(8, saved.ComposeFile(8));
  saved.Authors.Author(1).LIdent = TStr();
  saved.User.Pairs[0].First.Kind = 9;
  refused(10, saved.ComposeFile(10));
  saved.User.Pairs[0].First.Kind = BrowseItem_Block;
  WriteWithContent(Folder(), 8, saved.ComposeFile(8));
  WriteWithContent(Folder(), 10, saved.ComposeFile(10));
  {
    TError::Instance().Reset();
    TDiscussion d;
    d.Folder = Folder();
    ASSERT_TRUE(d.Load()) << (Reports().empty() ? "" : Reports().back());
  }
  // An upper block code that names no block.
  TDiscussion broken;
  MakeRoot(broken, Folder());
  const TDiscBlockIndex child = AddBlock(broken, StorageType_Model, broken.Storages.GetRootBlockIndex(), 2, "x");
  broken.Storages.GetDiscBlock(child)->UpperCode.BlockNum = 77;
  WriteWithContent(Folder(), 0, broken.ComposeFile(0));
  WriteWithContent(Folder(), 1, broken.ComposeFile(1));
  TError::Instance().Reset();
  TDiscussion d;
  d.Folder = Folder();
  EXPECT_FALSE(d.Load());
  EXPECT_FALSE(d.Loaded);
}

// A post list remembers the comments it brought for the blocks under them: the user file
// keeps them in a section after the lists, written only when there are any, so that a
// list without them is stored as before; a file without the section (written before)
// reads every code as the user's own, and a section naming a code the list lacks is
// refused.
TEST_F(DiscussionFiles, APostListKeepsTheCommentsItBroughtAndReadsOlderFiles) {
  TDiscussion saved;
  MakeRoot(saved, Folder());
  const TDiscBlockIndex comment =
      AddBlock(saved, StorageType_Comments, saved.Storages.GetRootBlockIndex(), TextType_Premise, "theirs", 1);
  const TDiscBlockIndex note = AddBlock(saved, StorageType_Notes, comment, TextType_Premise, "mine");
  const TDiscBlockCode brought = saved.Storages.GetDiscBlock(comment)->GetDiscBlockCode();
  const TDiscBlockCode own = saved.Storages.GetDiscBlock(note)->GetDiscBlockCode();
  TBlocksPostList& lists = saved.User.PostLists;
  ASSERT_TRUE(lists.AddNewItem(saved));
  ASSERT_EQ(lists.AddBlockToItem(saved, 0, brought, true), 0);
  ASSERT_EQ(lists.AddBlockToItem(saved, 0, own), 1);
  ASSERT_TRUE(lists.Items[0].IsBrought(brought));
  ASSERT_TRUE(saved.Save());
  const std::string stored = saved.ComposeFile(10);
  std::string section;
  {
    TBufWriter w(section);
    w.WriteByte(1);
    w.WriteWord(1);
    brought.SaveToBufWriter(w);
    w.Flush();
  }
  ASSERT_GT(stored.size(), section.size());
  EXPECT_EQ(stored.substr(stored.size() - section.size()), section);
  const std::string before = stored.substr(0, stored.size() - section.size());
  {
    TDiscussion loaded;
    loaded.Folder = Folder();
    ASSERT_TRUE(loaded.Load());
    EXPECT_TRUE(loaded.User.PostLists.Items[0] == lists.Items[0]);
  }
  // Listed by the user, the comment is the user's own: stored as before the section was.
  ASSERT_EQ(lists.AddBlockToItem(saved, 0, brought), 0);
  EXPECT_FALSE(lists.Items[0].IsBrought(brought));
  EXPECT_EQ(saved.ComposeFile(10), before);
  WriteWithContent(Folder(), 10, before);
  {
    TDiscussion loaded;
    loaded.Folder = Folder();
    ASSERT_TRUE(loaded.Load());
    EXPECT_TRUE(loaded.User.PostLists.Items[0] == lists.Items[0]);
    EXPECT_EQ(loaded.User.PostLists.Items[0].Blocks.Count(), 2u);
  }
  // A section that names a code the list lacks.
  std::string forged = section;
  forged[4] = char(forged[4] + 7);
  WriteWithContent(Folder(), 10, before + forged);
  TDiscussion refused;
  refused.Folder = Folder();
  EXPECT_FALSE(refused.Load());
  ASSERT_FALSE(Reports().empty());
  Reports().clear();
}

TEST_F(DiscussionFiles, AFolderWithoutFilesIsNoDiscussion) {
  TDiscussion d;
  d.Folder = Folder();
  EXPECT_FALSE(TDiscussion::FolderHoldsDiscussion(Folder()));
  EXPECT_FALSE(d.Load());
  ASSERT_FALSE(Reports().empty());
  EXPECT_NE(Reports().back().find("TDiscussion::Load - "), std::string::npos);
}

TEST_F(DiscussionFiles, BackupCopiesTheSavedSetAndKeepsTheNewest) {
  TDiscussion d;
  MakeRoot(d, Folder() + "/disc");
  std::filesystem::create_directories(Folder() + "/disc");
  FillEverything(d);
  ASSERT_TRUE(d.Save());
  const std::string backups = Folder() + "/backups";
  // Older backups of this discussion and one of another.
  for (const char* old : {"Folder_20000101_000000", "Folder_20000102_000000", "Other_20000101_000000"})
    std::filesystem::create_directories(backups + "/" + old);
  ASSERT_TRUE(d.Backup(backups, 2));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(backups)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0], "Folder_20000102_000000");
  EXPECT_EQ(names[2], "Other_20000101_000000");
  TDiscussion copy;
  copy.Folder = backups + "/" + names[1];
  ASSERT_TRUE(copy.Load());
  EXPECT_EQ(Contents(copy), Contents(d));
}

TEST_F(DiscussionFiles, TheCheckSumIsTheZipCrc32) {
  const std::string path = Folder() + "/probe";
  ASSERT_TRUE(WriteDiscussionFile(path, 9, 5, "123456789abcdefghij"));
  const std::string bytes = testsupport::ReadFile(path);
  ASSERT_EQ(bytes.size(), 7 + 19 + 8u);
  // Checked against the zlib routine through Python.
  const std::string expected = testsupport::RunPeer(
      "python3 -c \"import zlib,sys; d=bytes.fromhex('" + testsupport::Hex(bytes.substr(0, 26)) +
      "'); sys.stdout.write('%08x' % zlib.crc32(d))\"");
  const std::string stored = bytes.substr(26, 4);
  EXPECT_EQ(testsupport::Hex(std::string(stored.rbegin(), stored.rend())), expected);
  TReadBuffer data;
  std::string_view content;
  EXPECT_EQ(ReadDiscussionFile(path, 9, 5, data, content), "");
  EXPECT_EQ(content, "123456789abcdefghij");
}

TEST_F(DiscussionFiles, BackupStaysInsideItsFolderWhateverTheModelName) {
  TDiscussion d;
  std::filesystem::create_directories(Folder() + "/disc");
  MakeRoot(d, Folder() + "/disc");
  d.Info.ModelFolderName = "../../escape";
  ASSERT_TRUE(d.Save());
  const std::string backups = Folder() + "/backups";
  ASSERT_TRUE(d.Backup(backups, 0));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(backups)) names.push_back(entry.path().filename());
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].substr(0, 13), ".._.._escape_");
  EXPECT_FALSE(std::filesystem::exists(Folder() + "/escape"));
  EXPECT_EQ(MakeSafeFolderName(".."), "_");
  EXPECT_EQ(MakeSafeFolderName("a\\b\x01"), "a_b_");
}
