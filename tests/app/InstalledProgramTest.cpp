// The program installed as a user installs it: `cmake --install` to a prefix, the
// installed tree then moved to another folder (a prefix is not where the build was, and
// nothing may point back at the build or at the first prefix), and started from there.

#include "Apptesthelpers.h"
#include "Programonterminal.h"
#include "platform/kernel/Process.h"
#include "tests/support/Xvfbserver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kBuild = QUILLARAN_BINARY_DIR;
// Where the libraries the program loads go below the prefix.
const std::string kLibraries = QUILLARAN_LIBRARY_DESTINATION;

// Every file the installation holds, one path a line relative to the prefix, sorted.
std::string InstalledFiles(const std::string& prefix) {
  return testsupport::RunPeer("cd '" + prefix + "' && find . -type f -o -type l | LC_ALL=C sort");
}

TEST(InstalledProgram, RunsFromAMovedPrefixAndFindsEveryFileInTheInstalledPlaces) {
  TAppScratch s;
  const std::string first = s.Folder + "/prefix", prefix = s.Folder + "/moved";
  testsupport::RunPeer(std::string(QUILLARAN_CMAKE) + " --install '" + kBuild + "' --prefix '" + first + "' 2>&1");
  testsupport::RunPeer("mv '" + first + "' '" + prefix + "'");
  std::string expected;
  for (const std::string& file :
       {std::string("bin/cursorwright"), std::string("bin/quillaran"), kLibraries + "/Leafguard.so",
        kLibraries + "/Leafsnare.so", kLibraries + "/Leafsplash.so",
        std::string("share/applications/cursorwright.desktop"), std::string("share/applications/quillaran.desktop"),
        std::string("share/doc/quillaran/changelog.gz"), std::string("share/doc/quillaran/copyright"),
        std::string("share/icons/hicolor/scalable/apps/cursorwright.svg"),
        std::string("share/icons/hicolor/scalable/apps/quillaran.svg"), std::string("share/man/man1/cursorwright.1.gz"),
        std::string("share/man/man1/quillaran.1.gz"), std::string("share/quillaran/Quillaran.html"),
        std::string("share/quillaran/ReadMe.htm"), std::string("share/quillaran/resources/CURSORWRIGHT.ico")})
    expected += "./" + file + "\n";
  EXPECT_EQ(InstalledFiles(prefix), expected);
  // The menu entries are what the desktop's menu reads.
  testsupport::RunPeer("desktop-file-validate '" + prefix + "/share/applications/quillaran.desktop' '" + prefix +
                       "/share/applications/cursorwright.desktop' 2>&1");

  const std::string installed = prefix + "/bin/quillaran";
  EXPECT_EQ(testsupport::RunPeer("env -u DISPLAY '" + installed + "' --version </dev/null 2>&1"),
            testsupport::RunPeer("env -u DISPLAY '" + kBuild + "/app/quillaran' --version </dev/null 2>&1"));
  const std::string help = testsupport::RunPeer("env -u DISPLAY '" + installed + "' --help </dev/null 2>&1");
  EXPECT_NE(help.find("The help document is " + prefix + "/share/quillaran/Quillaran.html.\n"), std::string::npos)
      << help;

  // A first start on the terminal: the login asked, the libraries loaded from the prefix.
  const testsupport::TClosedPort pop3, smtp;
  TProgramOnTerminal program(s, installed);
  for (const char* answer : {"Анна", "anna@example.org", "anna's key 7", "anna's key 7"}) program.Answer(answer);
  for (const testsupport::TClosedPort* server : {&pop3, &smtp})
    program.Answer("127.0.0.1:" + std::to_string(server->Port()));
  for (const char* answer : {"", "pop secret", ""}) program.Answer(answer);  // the servers that did not answer: kept
  ASSERT_TRUE(program.WaitForOutput("Анна is logged in.")) << program.Output();
  const std::string mapped = testsupport::ReadFile("/proc/" + std::to_string(program.Pid()) + "/maps");
  EXPECT_NE(mapped.find(prefix + "/" + kLibraries + "/Leafsplash.so"), std::string::npos) << mapped;
  EXPECT_EQ(mapped.find(kBuild + "/app/"), std::string::npos) << mapped;
  EXPECT_EQ(mapped.find(first + "/"), std::string::npos) << mapped;
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(), 0) << program.Output();
  EXPECT_EQ(s.Log().find("ERROR MESSAGE"), std::string::npos) << s.Log();

  // The pointer engine's program takes its keyboard hook library from the prefix as well;
  // it serves an X display, one of the test's own.
  xvfbtest::XvfbServer server;
  ASSERT_TRUE(server.Running());
  const std::string fontconfig = std::string(QUILLARAN_SOURCE_DIR) + "/tests/app/fontconfig.supp";
  const long engine = platform::StartProgram(
      "env", {"DISPLAY=" + server.Name(), "LSAN_OPTIONS=suppressions=" + fontconfig, prefix + "/bin/cursorwright"},
      false);
  ASSERT_GT(engine, 0);
  const std::string maps = "/proc/" + std::to_string(engine) + "/maps";
  EXPECT_TRUE(testsupport::Eventually([&] {
    return testsupport::ReadFile(maps).find(prefix + "/" + kLibraries + "/Leafsnare.so") != std::string::npos;
  })) << testsupport::ReadFile(maps);
  kill(static_cast<pid_t>(engine), SIGTERM);
  EXPECT_EQ(platform::WaitProgram(engine), 0);
}

}  // namespace
