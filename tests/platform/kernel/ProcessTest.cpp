#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Library.h"
#include "platform/kernel/Process.h"

#include <gtest/gtest.h>

namespace {

TEST(Process, ProgramsGetTheirArgumentsAsTheyAreAndReportTheirExit) {
  // sh -c gets the script as one argument and the rest as its $0 $1 ...
  const long pid = platform::StartProgram("/bin/sh", {"-c", "test \"$1\" = 'a b;$(c)' && exit 7", "sh", "a b;$(c)"}, false);
  ASSERT_GT(pid, 0);
  EXPECT_EQ(platform::WaitProgram(pid), 7);
  const long searched = platform::StartProgram("true", {}, false);  // found along PATH
  ASSERT_GT(searched, 0);
  EXPECT_EQ(platform::WaitProgram(searched), 0);
  EXPECT_EQ(platform::StartProgram("/nonexistent/program", {}, false), -1);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(platform::StartProgram("", {}, false), -1);
  EXPECT_NE(platform::ExecutablePath().find("kernel"), std::string::npos);
}

TEST(Library, NamesOfTheSuiteLibrariesMapToSharedObjects) {
  EXPECT_EQ(platform::LibraryFilePath("/opt/q/Leafguard.dll"), "/opt/q/Leafguard.so");
  EXPECT_EQ(platform::LibraryFilePath("..\\Leafguard\\Leafguard.DLL"), "../Leafguard/Leafguard.so");
  const std::string beside = platform::LibraryFilePath("Leafsplash.dll");
  const std::string exe = platform::ExecutablePath();
  EXPECT_EQ(beside, exe.substr(0, exe.rfind('/')) + "/Leafsplash.so");
  EXPECT_EQ(LoadLibraryA("/nonexistent/Nothing.dll"), nullptr);
  EXPECT_EQ(LoadLibraryA(""), nullptr);
  EXPECT_EQ(GetProcAddress(nullptr, "x"), nullptr);
}

}  // namespace
