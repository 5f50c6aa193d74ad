#include "foundation/Fileroutines.h"
#include "foundation/Guihooks.h"
#include "platform/kernel/Codepage.h"
#include "Scratchroot.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

void MakeTree(const std::string& top) {
  testsupport::Run("mkdir -p '" + top + "/a/b' && echo one > '" + top + "/a/f1' && echo two > '" + top +
                   "/a/b/f2'");
}

TEST(Fileroutines, ExistenceTestsAndSplitting) {
  TScratchRoot root;
  std::string f = root.Path() + "/file.bin";
  int64_t length = -1;
  EXPECT_FALSE(IsFileExists(f, &length));
  EXPECT_EQ(length, -1);
  testsupport::WriteFile(f, "12345");
  EXPECT_TRUE(IsFileExists(f, &length));
  EXPECT_EQ(length, 5);
  EXPECT_FALSE(IsFileExists(root.Path() + "/missing/file"));
  chmod(f.c_str(), 0);  // cannot be opened, but exists
  if (geteuid() != 0) {
    EXPECT_TRUE(IsFileExists(f));
  }
  EXPECT_TRUE(IsDirExists(root.Path()));
  EXPECT_TRUE(IsDirExists(root.Path() + "/"));
  EXPECT_FALSE(IsDirExists(f));
  EXPECT_TRUE(RemoveFile(f));
  EXPECT_FALSE(RemoveFile(f));

  std::string folder, name;
  SplitFilePath("/a/b/c.cbs", folder, name);
  EXPECT_EQ(folder, "/a/b/");
  EXPECT_EQ(name, "c.cbs");
  SplitFilePath("c.cbs", folder, name);
  EXPECT_EQ(folder, "");
  EXPECT_EQ(name, "c.cbs");
  SplitFilePath("/a/", folder, name);
  EXPECT_EQ(folder, "/a/");
  EXPECT_EQ(name, "");
}

std::string gBox;
int RecordBox(const std::string& caption, const std::string& message, const std::string&, const std::string&, int) {
  gBox = caption + "|" + message;
  return 0;
}

TEST(Fileroutines, CreateFolderAndItsRefusal) {
  TScratchRoot root;
  std::string deep = root.Path() + "/Новая/папка";
  EXPECT_TRUE(CreateFolder(deep));
  EXPECT_TRUE(Exists(root.Path() + "/\xd0\x9d\xd0\xbe\xd0\xb2\xd0\xb0\xd1\x8f"));  // UTF-8 on disk
  EXPECT_TRUE(CreateFolder(deep + "/"));
  testsupport::WriteFile(root.Path() + "/plain", "");
  TGuiHooks hooks;
  hooks.ShowMessageBox = RecordBox;
  SetGuiHooks(hooks);
  EXPECT_FALSE(CreateFolder(root.Path() + "/plain/sub"));
  SetGuiHooks(TGuiHooks());
  EXPECT_EQ(gBox, "ERROR|Error creating folder '" + root.Path() + "/plain/sub'");
}

TEST(Fileroutines, RecourseDeleteStaysInsideTheDataRoot) {
  TScratchRoot root;
  std::string outside = testsupport::ScratchFolder() + "_outside";
  testsupport::Run("rm -rf '" + outside + "' && mkdir -p '" + outside + "/keep' && echo x > '" + outside +
                   "/keep/file'");
  std::string tree = root.Path() + "/Discussed/Model";
  MakeTree(tree);
  // Links out of the tree: removed, never followed.
  symlink((outside + "/keep").c_str(), (tree + "/a/dirlink").c_str());
  symlink((outside + "/keep/file").c_str(), (tree + "/a/filelink").c_str());
  EXPECT_TRUE(RecourseDelete(tree));
  EXPECT_FALSE(Exists(tree));
  EXPECT_TRUE(Exists(root.Path() + "/Discussed"));
  EXPECT_TRUE(Exists(outside + "/keep/file"));
  EXPECT_FALSE(IsErrorReported());

  // Keeping the folder empties it.
  MakeTree(tree);
  EXPECT_TRUE(RecourseDelete(tree + "/", true));
  EXPECT_TRUE(Exists(tree));
  EXPECT_FALSE(Exists(tree + "/a"));

  // A link to outside given as the folder itself: only the link goes.
  symlink(outside.c_str(), (root.Path() + "/link").c_str());
  EXPECT_FALSE(RecourseDelete(root.Path() + "/link"));  // resolves outside: refused
  EXPECT_TRUE(Exists(outside + "/keep/file"));

  TError::Instance().Reset();
  EXPECT_FALSE(RecourseDelete(""));
  EXPECT_FALSE(RecourseDelete(root.Path()));
  EXPECT_FALSE(RecourseDelete(root.Path() + "/"));
  EXPECT_FALSE(RecourseDelete(root.Path() + "/Discussed/.."));
  EXPECT_FALSE(RecourseDelete(outside));
  EXPECT_TRUE(Exists(outside + "/keep/file"));
  EXPECT_TRUE(Exists(root.Path() + "/Discussed"));
  EXPECT_TRUE(IsErrorReported());
  std::string log = root.Log();
  EXPECT_NE(log.find(platform::AnsiToUtf8("ERROR MESSAGE: RecourseDelete - пустой путь папки")), std::string::npos);
  EXPECT_NE(log.find(platform::AnsiToUtf8("вне папки программы, удаление запрещено")), std::string::npos);
  testsupport::Run("rm -rf '" + outside + "'");
}

TEST(Fileroutines, RecourseCopyCopiesTheTreeAndRefusesItself) {
  TScratchRoot root;
  std::string from = root.Path() + "/from", to = root.Path() + "/backup/to";
  MakeTree(from);
  symlink("/etc", (from + "/a/link").c_str());
  EXPECT_TRUE(RecourseCopy(from, to));
  EXPECT_EQ(testsupport::ReadFile(to + "/a/f1"), "one\n");
  EXPECT_EQ(testsupport::ReadFile(to + "/a/b/f2"), "two\n");
  EXPECT_FALSE(Exists(to + "/a/link"));
  testsupport::WriteFile(from + "/a/f1", "changed");
  EXPECT_TRUE(RecourseCopy(from + "/", to + "/"));  // files of the same names are replaced
  EXPECT_EQ(testsupport::ReadFile(to + "/a/f1"), "changed");
  EXPECT_FALSE(IsErrorReported());
  EXPECT_FALSE(RecourseCopy(from, from + "/a/inside"));
  EXPECT_FALSE(Exists(from + "/a/inside"));
  EXPECT_FALSE(RecourseCopy(root.Path() + "/none", to));
  EXPECT_TRUE(IsErrorReported());
}

TEST(Fileroutines, FindEntriesGiveFilesWithTheirDosTimes) {
  TScratchRoot root;
  std::string dir = root.Path() + "/Inbox";
  testsupport::Run("mkdir -p '" + dir + "/sub' && printf abc > '" + dir + "/b.cbs' && printf 12345 > '" + dir +
                   "/A.CBS' && touch '" + dir + "/.hidden' '" + dir + "/c.txt' && touch -d '2005-12-19 14:05:07' '" +
                   dir + "/b.cbs'");
  std::vector<std::string> all;
  TFindEntry e;
  for (bool ok = FindFirstEntry(dir + "/*.*", e); ok; ok = FindNextEntry(e)) all.push_back(e.Name);
  FindCloseEntry(e);
  EXPECT_EQ(all, (std::vector<std::string>{"A.CBS", "b.cbs", "c.txt"}));

  ASSERT_TRUE(FindFirstEntry(dir + "/*.cbs", e));
  EXPECT_EQ(e.Name, "A.CBS");
  EXPECT_EQ(e.Size, 5);
  ASSERT_TRUE(FindNextEntry(e));
  EXPECT_EQ(e.Name, "b.cbs");
  EXPECT_EQ(e.Size, 3);
  // 2005-12-19 14:05:06 (DOS times count two-second steps), in local time.
  EXPECT_EQ(e.Time, ((25u << 9 | 12u << 5 | 19u) << 16) | (14u << 11 | 5u << 5 | 3u));
  EXPECT_EQ(FormatDateTime("yyyy.mm.dd hh:nn:ss", DosDateTimeToDateTime(e)), "2005.12.19 14:05:06");
  EXPECT_FALSE(FindNextEntry(e));
  FindCloseEntry(e);
  EXPECT_FALSE(FindFirstEntry(dir + "/*.none", e));
  EXPECT_FALSE(FindFirstEntry(root.Path() + "/nowhere/*.*", e));
  EXPECT_EQ(DosDateTimeToDateTime(0), 0);  // day 0 of month 0 is no date
}

}  // namespace
