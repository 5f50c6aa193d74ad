// The file operator on a scratch folder: copying and moving into folders and
// onto names, collisions asked, renamed or refused, deleting into the trash.

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

#include "controls/Fileutil.h"
#include "controls/Texfileoperator.h"
#include "platform/display/Headlessscreen.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Exception.h"
#include "tests/support/Testsupport.h"

namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

bool Exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

class FileOperator : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = testsupport::ScratchFolder();
    ForceDirectories(dir + "/src/sub");
    WriteFile(dir + "/src/a.txt", "a");
    WriteFile(dir + "/src/b.txt", "b");
    WriteFile(dir + "/src/c.dat", "c");
    WriteFile(dir + "/src/sub/d.txt", "d");
  }
  platform::HeadlessScreen screen{640, 480};
  std::string dir;
};

TEST_F(FileOperator, CopiesAndMovesIntoFoldersAndOntoNames) {
  EXPECT_EQ(SplitFileList("a;b||c|"), (std::vector<std::string>{"a", "b", "c"}));
  TExFileOperator op(nullptr);
  EXPECT_EQ(op.Operation(), foCopy);
  EXPECT_EQ(op.Options(), (TFileOperFlags{flAllowUndo, flNoConfirmMkDir}));

  op.SetSource(dir + "/src/*.txt");
  op.SetDestination(dir + "/out");
  EXPECT_TRUE(op.Execute());
  EXPECT_EQ(ReadFile(dir + "/out/a.txt"), "a");
  EXPECT_EQ(ReadFile(dir + "/out/b.txt"), "b");
  EXPECT_FALSE(Exists(dir + "/out/c.dat"));

  // A folder with what it holds; the source list split at ';' and '|'.
  op.SetSource(dir + "/src/sub;" + dir + "/src/c.dat");
  op.SetDestination(dir + "/out");
  EXPECT_TRUE(op.Execute());
  EXPECT_EQ(ReadFile(dir + "/out/sub/d.txt"), "d");
  EXPECT_EQ(ReadFile(dir + "/out/c.dat"), "c");

  // One destination name each.
  op.SetOptions({flMultiDest, flNoConfirmation});
  op.SetSource(dir + "/src/a.txt|" + dir + "/src/b.txt");
  op.SetDestination(dir + "/one.txt|" + dir + "/two.txt");
  EXPECT_TRUE(op.Execute());
  EXPECT_EQ(ReadFile(dir + "/two.txt"), "b");
  op.SetDestination(dir + "/one.txt");
  op.SetOptions({flMultiDest, flNoErrorUI});
  EXPECT_FALSE(op.Execute()) << "lists of different lengths";

  op.SetOperation(foMove);
  op.SetOptions({flNoConfirmation});
  op.SetSource(dir + "/out/sub");
  op.SetDestination(dir + "/moved");
  EXPECT_TRUE(op.Execute());
  EXPECT_EQ(ReadFile(dir + "/moved/d.txt"), "d");
  EXPECT_FALSE(Exists(dir + "/out/sub"));

  op.SetOperation(foRename);
  op.SetSource(dir + "/one.txt");
  op.SetDestination(dir + "/uno.txt");
  EXPECT_TRUE(op.Execute());
  EXPECT_TRUE(Exists(dir + "/uno.txt"));
  op.SetSource(dir + "/two.txt");
  op.SetOptions({flNoErrorUI});
  EXPECT_FALSE(op.Execute()) << "a rename never replaces";
  EXPECT_EQ(ReadFile(dir + "/uno.txt"), "a");

  // Nothing matched, a folder into itself, a file onto itself.
  op.SetOperation(foCopy);
  op.SetSource(dir + "/src/*.none");
  EXPECT_FALSE(op.Execute());
  op.SetSource(dir + "/src");
  op.SetDestination(dir + "/src/inner");
  EXPECT_FALSE(op.Execute());
  EXPECT_FALSE(Exists(dir + "/src/inner/inner"));
  op.SetSource(dir + "/src/a.txt");
  op.SetDestination(dir + "/src/a.txt");
  EXPECT_FALSE(op.Execute());
  EXPECT_EQ(ReadFile(dir + "/src/a.txt"), "a") << "not emptied";
}

TEST_F(FileOperator, CollisionsAskRenameOrStop) {
  ForceDirectories(dir + "/out");
  WriteFile(dir + "/out/a.txt", "old a");
  WriteFile(dir + "/out/b.txt", "old b");
  TExFileOperator op(nullptr);
  op.SetSource(dir + "/src/a.txt;" + dir + "/src/b.txt");
  op.SetDestination(dir + "/out");
  op.SetOptions({flNoErrorUI});
  {
    platform::DialogScript script;
    script.Press("Confirm File Replace", "No");
    script.Press("Confirm File Replace", "Yes");
    EXPECT_TRUE(op.Execute());
    EXPECT_FALSE(op.Aborted());
  }
  EXPECT_EQ(ReadFile(dir + "/out/a.txt"), "old a");
  EXPECT_EQ(ReadFile(dir + "/out/b.txt"), "b");
  WriteFile(dir + "/out/b.txt", "old b");
  {
    platform::DialogScript script;
    script.Press("Confirm File Replace", "Cancel");
    EXPECT_FALSE(op.Execute());
    EXPECT_TRUE(op.Aborted());
  }
  EXPECT_EQ(ReadFile(dir + "/out/b.txt"), "old b") << "nothing after the stop";
  op.SetOptions({flRenameOnCollision});
  EXPECT_TRUE(op.Execute());
  EXPECT_TRUE(op.Execute());
  EXPECT_EQ(ReadFile(dir + "/out/Copy of a.txt"), "a");
  EXPECT_EQ(ReadFile(dir + "/out/Copy (2) of b.txt"), "b");
  EXPECT_EQ(ReadFile(dir + "/out/a.txt"), "old a");
}

TEST_F(FileOperator, ShellCopyAndMoveOfTheFileFunctions) {
  ForceDirectories(dir + "/out");
  WriteFile(dir + "/out/a.txt", "old");
  {
    platform::DialogScript script;
    script.Press("Confirm File Replace", "Cancel");
    EXPECT_THROW(CopyFileEx(dir + "/src/a.txt", dir + "/out/a.txt", false, nullptr, true), EAbort);
  }
  EXPECT_EQ(ReadFile(dir + "/out/a.txt"), "old");
  CopyFileEx(dir + "/src/a.txt", dir + "/out/a.txt", true, nullptr, true);
  EXPECT_EQ(ReadFile(dir + "/out/a.txt"), "a");
  {
    platform::DialogScript script;
    script.Press("File operation", "OK");
    WriteFile(dir + "/out/taken.txt", "t");
    EXPECT_THROW(MoveFileEx(dir + "/out/a.txt", dir + "/out/taken.txt", true), EAbort) << "a rename never replaces";
  }
  MoveFileEx(dir + "/out/a.txt", dir + "/out/renamed.txt", true);
  EXPECT_EQ(ReadFile(dir + "/out/renamed.txt"), "a");
  MoveFileEx(dir + "/out/renamed.txt", dir + "/src/sub/moved.txt", true);
  EXPECT_EQ(ReadFile(dir + "/src/sub/moved.txt"), "a");
  {
    platform::DialogScript script;
    script.Press("File operation", "OK");
    EXPECT_THROW(MoveFileEx(dir + "/out/none", dir + "/src/x", true), EAbort);
    EXPECT_EQ(script.Pending(), 0u) << "the failure was shown";
  }
}

TEST_F(FileOperator, DeletesIntoTheTrashOrForGood) {
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
  WriteFile(dir + "/src/x y.txt", "x");
  TExFileOperator op(nullptr);
  op.SetOperation(foDelete);
  op.SetSource(dir + "/src/x y.txt");
  EXPECT_TRUE(op.Execute());
  EXPECT_FALSE(Exists(dir + "/src/x y.txt"));
  EXPECT_EQ(ReadFile(dir + "/data/Trash/files/x y.txt"), "x");
  std::string info = ReadFile(dir + "/data/Trash/info/x y.txt.trashinfo");
  EXPECT_EQ(info.substr(0, info.find("DeletionDate=")),
            "[Trash Info]\nPath=" + dir + "/src/x%20y.txt\n");
  // The same name again goes beside the first.
  WriteFile(dir + "/src/x y.txt", "x2");
  EXPECT_TRUE(op.Execute());
  EXPECT_EQ(ReadFile(dir + "/data/Trash/files/x y.txt.2"), "x2");

  // Without undo a folder goes for good, a link in it without its target.
  const std::string outside = dir + "/outside";
  ForceDirectories(outside);
  WriteFile(outside + "/keep", "keep");
  ASSERT_EQ(symlink(outside.c_str(), (dir + "/src/sub/link").c_str()), 0);
  op.SetOptions({flNoErrorUI});
  op.SetSource(dir + "/src/sub");
  EXPECT_TRUE(op.Execute());
  EXPECT_FALSE(Exists(dir + "/src/sub"));
  EXPECT_EQ(ReadFile(outside + "/keep"), "keep");
  if (old) setenv("XDG_DATA_HOME", saved.c_str(), 1);
  else unsetenv("XDG_DATA_HOME");
}

}  // namespace
