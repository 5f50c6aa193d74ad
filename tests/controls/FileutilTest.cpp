// File functions on a scratch folder: names, deleting by masks, clearing
// folders without leaving them, copying and moving with their errors, locks,
// links in the special folders, and the folder browser answered by script.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "controls/Dateutil.h"
#include "controls/Fileutil.h"
#include "controls/Tbrowsefolderdlg.h"
#include "platform/display/Headlessscreen.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Exception.h"
#include "platform/shell/Shellfolders.h"
#include "platform/shell/Tshelllink.h"
#include "tests/support/Testsupport.h"

namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

bool Exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(FileFunctions, NamesAndFolders) {
  EXPECT_EQ(NormalDir(""), "");
  EXPECT_EQ(NormalDir("/data"), "/data/");
  EXPECT_EQ(NormalDir("/data/"), "/data/");
  EXPECT_EQ(RemoveBackSlash("/"), "/");
  EXPECT_EQ(RemoveBackSlash("/data/"), "/data");
  EXPECT_EQ(RemoveBackSlash("/data"), "/data");
  EXPECT_TRUE(ValidFileName("/data/a b.txt"));
  for (const char* bad : {"", "a<b", "a>b", "a\"b", "a[b", "a]b", "a|b"}) EXPECT_FALSE(ValidFileName(bad)) << bad;
  EXPECT_FALSE(ValidFileName(std::string("a\0b", 3)));

  const std::string dir = testsupport::ScratchFolder();
  EXPECT_TRUE(ForceDirectories(dir + "/a/b/c/"));
  EXPECT_TRUE(DirExists(dir + "/a/b/c"));
  EXPECT_FALSE(DirExists(dir + "/a/b/c/d"));
  WriteFile(dir + "/a/file", "12345");
  EXPECT_FALSE(ForceDirectories(dir + "/a/file/x")) << "a file in the way";
  EXPECT_FALSE(DirExists(dir + "/a/file"));
  EXPECT_EQ(GetFileSize(dir + "/a/file"), 5);
  EXPECT_EQ(GetFileSize(dir + "/a"), -1);
  EXPECT_EQ(GetFileSize(dir + "/none"), -1);
  EXPECT_EQ(ShortToLongFileName(dir + "/a/file"), dir + "/a/file");
  EXPECT_EQ(LongToShortFileName(dir + "/none"), "");
  EXPECT_EQ(ShortToLongPath(dir + "/a/b"), dir + "/a/b");
  EXPECT_EQ(GetTempDir().back(), '/');

  // Modification time in local time, as the file's clock says.
  TDateTime before = Now();
  WriteFile(dir + "/stamp", "x");
  EXPECT_NEAR(FileDateTime(dir + "/stamp"), before, 5.0 / SecsPerDay);
  EXPECT_EQ(FileDateTime(dir + "/none"), NullDate);
  EXPECT_TRUE(HasAttr(dir + "/a", FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_FALSE(HasAttr(dir + "/a/file", FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_FALSE(HasAttr(dir + "/none", 0));
  chmod((dir + "/a/file").c_str(), 0444);
  EXPECT_TRUE(HasAttr(dir + "/a/file", FILE_ATTRIBUTE_READONLY));
}

TEST(FileFunctions, DeletingAndClearingStayInsideTheFolder) {
  const std::string dir = testsupport::ScratchFolder();
  const std::string outside = testsupport::ScratchFolder() + "_outside";
  ForceDirectories(outside);
  WriteFile(outside + "/keep.txt", "keep");
  ForceDirectories(dir + "/work/sub/deeper");
  WriteFile(dir + "/work/a.txt", "a");
  WriteFile(dir + "/work/b.txt", "b");
  WriteFile(dir + "/work/.hidden.txt", "h");
  WriteFile(dir + "/work/c.dat", "c");
  WriteFile(dir + "/work/sub/d.txt", "d");
  WriteFile(dir + "/work/sub/deeper/e.txt", "e");
  chmod((dir + "/work/sub/d.txt").c_str(), 0444);
  // Links to a folder and a file outside: removed, never followed.
  ASSERT_EQ(symlink(outside.c_str(), (dir + "/work/sub/out").c_str()), 0);
  ASSERT_EQ(symlink((outside + "/keep.txt").c_str(), (dir + "/work/out.txt").c_str()), 0);

  EXPECT_FALSE(DeleteFiles(dir + "/work/*.none")) << "nothing matched";
  EXPECT_TRUE(DeleteFiles(dir + "/work/*.txt"));
  EXPECT_FALSE(Exists(dir + "/work/a.txt"));
  EXPECT_FALSE(Exists(dir + "/work/b.txt"));
  EXPECT_TRUE(Exists(dir + "/work/.hidden.txt")) << "names starting with a point are left";
  EXPECT_TRUE(Exists(dir + "/work/c.dat"));
  EXPECT_TRUE(Exists(dir + "/work/sub/d.txt")) << "not in sub-folders";
  EXPECT_EQ(ReadFile(outside + "/keep.txt"), "keep") << "the link went, not its target";
  EXPECT_TRUE(DeleteFilesEx({}));
  EXPECT_FALSE(DeleteFilesEx({dir + "/work/*.dat", dir + "/work/*.dat"}));
  EXPECT_FALSE(Exists(dir + "/work/c.dat"));

  EXPECT_FALSE(ClearDir(dir + "/nowhere", true));
  EXPECT_TRUE(ClearDir(dir + "/work/", false));
  EXPECT_TRUE(DirExists(dir + "/work/sub/deeper")) << "folders stay without the flag";
  EXPECT_FALSE(Exists(dir + "/work/sub/d.txt")) << "read-only files go as well";
  EXPECT_FALSE(Exists(dir + "/work/.hidden.txt"));
  WriteFile(dir + "/work/sub/f.txt", "f");
  EXPECT_TRUE(ClearDir(dir + "/work", true));
  EXPECT_FALSE(Exists(dir + "/work"));
  EXPECT_TRUE(DirExists(dir));
  EXPECT_EQ(ReadFile(outside + "/keep.txt"), "keep");
  EXPECT_TRUE(DirExists(outside));
}

TEST(FileFunctions, CopyAndMove) {
  const std::string dir = testsupport::ScratchFolder();
  const std::string data = testsupport::RandomBytes(3 * 8192 + 17, 7);
  WriteFile(dir + "/src.bin", data);
  struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  utimensat(AT_FDCWD, (dir + "/src.bin").c_str(), times, 0);

  TProgressBar bar(nullptr);
  bar.SetPosition(5);
  CopyFile(dir + "/src.bin", dir + "/new/deeper/copy.bin", &bar);
  EXPECT_EQ(ReadFile(dir + "/new/deeper/copy.bin"), data);
  EXPECT_EQ(bar.Max(), static_cast<int>(data.size()));
  EXPECT_EQ(bar.Position(), 0) << "back to zero when done";
  struct stat st;
  stat((dir + "/new/deeper/copy.bin").c_str(), &st);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000) << "the source's modification time";

  // A folder as destination takes the source's name.
  CopyFile(dir + "/src.bin", dir + "/new");
  EXPECT_EQ(ReadFile(dir + "/new/src.bin"), data);
  WriteFile(dir + "/empty", "");
  CopyFile(dir + "/empty", dir + "/empty2");
  EXPECT_EQ(ReadFile(dir + "/empty2"), "");

  try {
    CopyFile(dir + "/missing", dir + "/x");
    ADD_FAILURE();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir + "/missing");
  }
  ForceDirectories(dir + "/blocker");
  WriteFile(dir + "/blocker/in", "x");
  try {
    CopyFileEx(dir + "/src.bin", dir + "/src.bin/x", false, nullptr, false);
    ADD_FAILURE();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + dir + "/src.bin/x");
  }
  EXPECT_FALSE(Exists(dir + "/x"));

  MoveFile(dir + "/new/src.bin", dir + "/moved.bin");
  EXPECT_FALSE(Exists(dir + "/new/src.bin"));
  EXPECT_EQ(ReadFile(dir + "/moved.bin"), data);
  MoveFileEx(dir + "/moved.bin", dir + "/empty2", false);
  EXPECT_EQ(ReadFile(dir + "/empty2"), data) << "the destination replaced";
  MoveFile(dir + "/nothing", dir + "/nothing2");
  EXPECT_FALSE(Exists(dir + "/nothing2"));
}

TEST(FileFunctions, LocksOfRanges) {
  const std::string dir = testsupport::ScratchFolder();
  WriteFile(dir + "/locked", std::string(100, 'x'));
  HANDLE h = CreateFileA((dir + "/locked").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(FileLock(h, 10, 20), 0);
  // Another process meets the lock.
  pid_t child = fork();
  if (child == 0) {
    HANDLE c = CreateFileA((dir + "/locked").c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    int blocked = FileLock(c, 15, 1);
    int free = FileLock(c, 50, 10);
    const bool worded = SysErrorMessage(uint32_t(blocked)) ==
                        "The process cannot access the file because another process has locked a portion of the file.";
    _exit(blocked == 33 && worded && free == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(FileUnlock(h, 10, 20), 0);
  CloseHandle(h);
  EXPECT_NE(FileLock(INVALID_HANDLE_VALUE, 0, 1), 0);
}

TEST(FileFunctions, LinksInSpecialFoldersNeverLeaveThem) {
  const std::string dir = testsupport::ScratchFolder();
  const char* old = std::getenv("XDG_DATA_HOME");
  std::string saved = old ? old : "";
  setenv("XDG_DATA_HOME", dir.c_str(), 1);
  EXPECT_TRUE(CreateFileLink("/usr/bin/quillaran", "Quillaran", CSIDL_PROGRAMS));
  TShellLink link;
  ASSERT_TRUE(link.Load(dir + "/applications/Quillaran.desktop"));
  EXPECT_EQ(link.Path(), "/usr/bin/quillaran");
  EXPECT_EQ(link.IconLocation(), "/usr/bin/quillaran");
  EXPECT_EQ(link.Name(), "Quillaran");
  testsupport::RunPeer("desktop-file-validate '" + dir + "/applications/Quillaran.desktop'");
  for (const char* bad : {"../escape", "a/b", "..", ".", ""}) {
    EXPECT_FALSE(CreateFileLink("/usr/bin/quillaran", bad, CSIDL_PROGRAMS)) << bad;
    EXPECT_FALSE(DeleteFileLink(bad, CSIDL_PROGRAMS)) << bad;
  }
  EXPECT_FALSE(Exists(dir + "/escape.desktop"));
  EXPECT_FALSE(CreateFileLink("/usr/bin/quillaran", "X", 0x77)) << "no such special folder";
  EXPECT_TRUE(DeleteFileLink("Quillaran", CSIDL_PROGRAMS));
  EXPECT_FALSE(Exists(dir + "/applications/Quillaran.desktop"));
  EXPECT_FALSE(DeleteFileLink("Quillaran", CSIDL_PROGRAMS));
  if (old) setenv("XDG_DATA_HOME", saved.c_str(), 1);
  else unsetenv("XDG_DATA_HOME");
}

TEST(FileFunctions, FolderBrowserAnsweredByScript) {
  platform::HeadlessScreen screen{640, 480};
  const std::string dir = testsupport::ScratchFolder();
  ForceDirectories(dir + "/picked");
  {
    platform::DialogScript script;
    script.Press("Choose the folder", "OK", {{"Folder", dir + "/picked/"}});
    std::string folder = dir;
    EXPECT_TRUE(BrowseDirectory(folder, "Choose the folder", 0));
    EXPECT_EQ(folder, dir + "/picked") << "without the trailing '/'";
  }
  {
    platform::DialogScript script;
    script.Press("Choose the folder", "Cancel");
    std::string folder = dir;
    EXPECT_FALSE(BrowseDirectory(folder, "Choose the folder", 0));
    EXPECT_EQ(folder, dir);
  }
  {
    // The events: ready once, then the selection; the window known meanwhile.
    platform::DialogScript script;
    TBrowseFolderDlg dialog(nullptr);
    std::vector<std::string> seen;
    dialog.OnInitialized = [&](TObject*) { seen.push_back(dialog.Handle() ? "ready" : "no window"); };
    dialog.OnSelChanged = [&](TObject*) { seen.push_back("changed:" + dialog.DisplayName()); };
    dialog.SetFolderName(dir + "/picked");
    script.Press("Pick", "OK");
    dialog.SetDialogText("Pick");
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(seen, (std::vector<std::string>{"ready", "changed:picked"}));
    EXPECT_EQ(dialog.Handle(), nullptr);
    EXPECT_EQ(dialog.FolderName(), dir + "/picked");
  }
  TBrowseFolderDlg computers(nullptr);
  computers.SetBrowseKind(bfComputers);
  EXPECT_FALSE(computers.Execute());
  std::string computer = "host";
  EXPECT_FALSE(BrowseComputer(computer, "", 0));
  EXPECT_EQ(computer, "host");
}

}  // namespace
