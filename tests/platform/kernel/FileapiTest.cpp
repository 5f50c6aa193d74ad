#include "platform/kernel/Fileapi.h"

#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

HANDLE Open(const std::string& path, DWORD access, DWORD disposition) {
  return CreateFileA(path.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(Fileapi, CreationDispositionsAndTheirErrors) {
  std::string dir = testsupport::ScratchFolder();
  std::string file = dir + "/Файл.bin";  // a code-page name becomes a UTF-8 name
  EXPECT_EQ(Open(file, GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Open(dir + "/no/such", GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  HANDLE h = Open(file, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  EXPECT_TRUE(WriteFile(h, "hello world", 11, &n, nullptr));
  EXPECT_EQ(n, 11u);
  EXPECT_EQ(SetFilePointer(h, 5, nullptr, FILE_BEGIN), 5u);
  EXPECT_TRUE(SetEndOfFile(h));
  EXPECT_EQ(GetFileSize(h, nullptr), 5u);
  EXPECT_EQ(SetFilePointer(h, -2, nullptr, FILE_END), 3u);
  char buf[8] = {};
  EXPECT_TRUE(ReadFile(h, buf, 8, &n, nullptr));
  EXPECT_EQ(n, 2u);
  EXPECT_STREQ(buf, "lo");
  EXPECT_TRUE(ReadFile(h, buf, 8, &n, nullptr));  // at the end: success with nothing read
  EXPECT_EQ(n, 0u);
  EXPECT_TRUE(CloseHandle(h));
  struct stat st;
  EXPECT_EQ(stat((dir + "/\xd0\xa4\xd0\xb0\xd0\xb9\xd0\xbb.bin").c_str(), &st), 0);

  EXPECT_EQ(Open(file, GENERIC_WRITE, CREATE_NEW), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  h = Open(file, GENERIC_WRITE, OPEN_ALWAYS);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  CloseHandle(h);
  EXPECT_EQ(Open(dir, GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(WriteFile(INVALID_HANDLE_VALUE, "x", 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Fileapi, CopyMoveDeleteAndFolders) {
  std::string dir = testsupport::ScratchFolder();
  std::string a = dir + "/a", b = dir + "/b", c = dir + "/sub/c";
  HANDLE h = Open(a, GENERIC_WRITE, CREATE_NEW);
  WriteFile(h, "data", 4, nullptr, nullptr);
  CloseHandle(h);
  EXPECT_TRUE(CopyFileA(a.c_str(), b.c_str(), 1));
  EXPECT_FALSE(CopyFileA(a.c_str(), b.c_str(), 1));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  EXPECT_TRUE(CopyFileA(a.c_str(), b.c_str(), 0));
  EXPECT_FALSE(MoveFileA(a.c_str(), b.c_str()));  // never over an existing file
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(MoveFileA(a.c_str(), c.c_str()));
  EXPECT_TRUE(CreateDirectoryA((dir + "/sub").c_str(), nullptr));
  EXPECT_FALSE(CreateDirectoryA((dir + "/sub").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(MoveFileA(a.c_str(), c.c_str()));
  EXPECT_EQ(GetFileAttributesA(a.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA(c.c_str()), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(GetFileAttributesA((dir + "/sub").c_str()), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(RemoveDirectoryA((dir + "/sub").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
  EXPECT_FALSE(DeleteFileA((dir + "/sub").c_str()));
  EXPECT_TRUE(DeleteFileA(c.c_str()));
  EXPECT_FALSE(DeleteFileA(c.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(RemoveDirectoryA((dir + "/sub").c_str()));
}

}  // namespace

namespace {

TEST(Fileapi, MoveFileExReplacesOnlyWhenAskedAndReOpenFileGivesASecondHandle) {
  std::string dir = testsupport::ScratchFolder();
  std::string a = dir + "/a", b = dir + "/b";
  testsupport::WriteFile(a, "new");
  testsupport::WriteFile(b, "old");
  EXPECT_FALSE(MoveFileExA(a.c_str(), b.c_str(), MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(MoveFileExA(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(testsupport::ReadFile(b), "new");
  EXPECT_EQ(GetFileAttributesA(a.c_str()), INVALID_FILE_ATTRIBUTES);

  HANDLE w = CreateFileA(a.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  WriteFile(w, "written", 7, nullptr, nullptr);
  HANDLE r = ReOpenFile(w, GENERIC_READ, FILE_SHARE_READ, 0);
  ASSERT_NE(r, INVALID_HANDLE_VALUE);
  char buf[8] = {};
  DWORD n = 0;
  EXPECT_TRUE(ReadFile(r, buf, 7, &n, nullptr));  // its own position, at the start
  EXPECT_STREQ(buf, "written");
  CloseHandle(r);
  CloseHandle(w);
  EXPECT_EQ(ReOpenFile(INVALID_HANDLE_VALUE, GENERIC_READ, 0, 0), INVALID_HANDLE_VALUE);
}

}  // namespace
