// The Debian package as a packager builds and checks it: CPack on this build, the
// package's control fields and files read with dpkg-deb, its program run from the
// unpacked files, and lintian's verdict.

#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kBuild = QUILLARAN_BINARY_DIR;

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

TEST(DebianPackage, IsBuiltWithTheProgramsVersionDerivedDependenciesAndNoLintianErrorOrWarning) {
  const std::string folder = testsupport::ScratchFolder();
  testsupport::RunPeer("cd '" + folder + "' && " + QUILLARAN_CPACK + " --config '" + kBuild +
                       "/CPackConfig.cmake' -B '" + folder + "' 2>&1");
  // "Quillaran 1.0" -> "1.0"
  const std::string said = Trimmed(testsupport::RunPeer("env -u DISPLAY '" + kBuild + "/app/quillaran' --version"));
  const std::string version = said.substr(said.rfind(' ') + 1);
  const std::string architecture = Trimmed(testsupport::RunPeer("dpkg --print-architecture"));
  const std::string deb = folder + "/quillaran_" + version + "_" + architecture + ".deb";

  const auto field = [&](const std::string& name) {
    return Trimmed(testsupport::RunPeer("dpkg-deb --field '" + deb + "' " + name));
  };
  EXPECT_EQ(field("Package"), "quillaran");
  EXPECT_EQ(field("Version"), version);
  EXPECT_EQ(field("Architecture"), architecture);
  // What the binaries link, found by dpkg-shlibdeps (the sanitized build adds its own).
  const std::string depends = ", " + field("Depends") + ",";
  for (const char* package : {"libc6", "libstdc++6", "libx11-6", "libxtst6", "libfreetype6", "libfontconfig1",
                              "libgcrypt20", "libssl3", "zlib1g"}) {
    const std::string item = std::string(", ") + package;
    const size_t at = depends.find(item);
    EXPECT_TRUE(at != std::string::npos && (depends[at + item.size()] == ' ' || depends[at + item.size()] == ','))
        << package << " missing in " << depends;
  }
  EXPECT_NE(depends.find(", libc6 (>= "), std::string::npos) << depends;
  EXPECT_EQ(field("Recommends"), "xdg-utils, fonts-liberation, fonts-dejavu-core");

  const std::string files = testsupport::RunPeer("dpkg-deb --contents '" + deb + "'");
  const std::string libraries = "./usr/" + std::string(QUILLARAN_LIBRARY_DESTINATION);
  const std::vector<std::string> packed{"./usr/bin/quillaran",
                                        "./usr/bin/cursorwright",
                                        libraries + "/Leafguard.so",
                                        libraries + "/Leafsplash.so",
                                        libraries + "/Leafsnare.so",
                                        "./usr/share/quillaran/Quillaran.html",
                                        "./usr/share/quillaran/ReadMe.htm",
                                        "./usr/share/quillaran/resources/CURSORWRIGHT.ico",
                                        "./usr/share/applications/quillaran.desktop",
                                        "./usr/share/applications/cursorwright.desktop",
                                        "./usr/share/icons/hicolor/scalable/apps/quillaran.svg",
                                        "./usr/share/icons/hicolor/scalable/apps/cursorwright.svg",
                                        "./usr/share/doc/quillaran/copyright"};
  for (const std::string& file : packed)
    EXPECT_NE(files.find(file + "\n"), std::string::npos) << file << " missing in\n" << files;

  // The unpacked program finds its files in the package's folders.
  const std::string root = folder + "/root";
  testsupport::RunPeer("dpkg-deb --extract '" + deb + "' '" + root + "'");
  const std::string help = testsupport::RunPeer("env -u DISPLAY '" + root + "/usr/bin/quillaran' --help");
  EXPECT_NE(help.find("The help document is " + root + "/usr/share/quillaran/Quillaran.html.\n"), std::string::npos)
      << help;

  // Neither an error nor a warning (the private libraries call for no ldconfig). lintian's
  // own temporary files go to the test's folder, not the system's.
  int status = -1;
  const std::string verdict =
      testsupport::Run("TMPDIR='" + folder + "' lintian --tag-display-limit 0 '" + deb + "' 2>&1", &status);
  EXPECT_EQ(verdict.find("E: "), std::string::npos) << verdict;
  EXPECT_EQ(verdict.find("W: "), std::string::npos) << verdict;
  const std::string control = testsupport::RunPeer("dpkg-deb --ctrl-tarfile '" + deb + "' | tar -t");
  for (const char* script : {"preinst", "postinst", "prerm", "postrm"})
    EXPECT_EQ(control.find(script), std::string::npos) << "no maintainer scripts: " << control;
}

}  // namespace
