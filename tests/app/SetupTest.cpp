// The set-up as a user meets it on a Debian machine: what scripts/run installs to build and
// run the program (with every package that comes along) holds none of the servers the tests
// use as peers, and once scripts/test has installed those servers, none of them is enabled as
// a system service or runs outside the tests. Read from dpkg's and apt's own records.

#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

namespace {

const std::string kScripts = std::string(QUILLARAN_SOURCE_DIR) + "/scripts";

std::set<std::string> Lines(const std::string& text) {
  std::set<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.insert(line);
  return lines;
}

std::string Joined(const std::set<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += item + " ";
  return text;
}

// The systemd units and init scripts that a package installed here ships.
std::set<std::string> ServicesOf(const std::string& package) {
  return Lines(testsupport::Run("dpkg -L '" + package +
                                "' 2>/dev/null | grep -E "
                                "'^/(usr/)?lib/systemd/system/[^/]+\\.(service|socket)$|^/etc/init\\.d/.'"));
}

TEST(Setup, RunningInstallsNoServerAndTheTestsServersRunNoSystemService) {
  const std::set<std::string> run = Lines(testsupport::RunPeer("bash '" + kScripts + "/install-deps' --list run"));
  const std::set<std::string> test = Lines(testsupport::RunPeer("bash '" + kScripts + "/install-deps' --list test"));
  ASSERT_TRUE(run.count("cmake") && run.count("libx11-dev")) << Joined(run);
  ASSERT_TRUE(test.count("dovecot-pop3d") && test.count("libgtest-dev")) << Joined(test);

  // The servers among the tests' packages: those that ship a system service.
  std::set<std::string> servers;
  for (const std::string& package : test)
    if (!run.count(package) && !ServicesOf(package).empty()) servers.insert(package);
  EXPECT_TRUE(servers.count("dovecot-core") && servers.count("dante-server")) << Joined(servers);

  // What running installs: its packages and all they depend on, as apt resolves them.
  const std::set<std::string> installed = Lines(testsupport::RunPeer(
      "apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts --no-breaks "
      "--no-replaces --no-enhances " +
      Joined(run) + " | grep -v -e '^ ' -e '^<'"));
  EXPECT_GT(installed.size(), run.size());
  for (const std::string& server : servers) EXPECT_FALSE(installed.count(server)) << server << " comes with running";

  // No service of those servers is enabled, under systemd or the init scripts' run levels.
  for (const std::string& server : servers) {
    for (const std::string& path : ServicesOf(server)) {
      const std::string name = path.substr(path.rfind('/') + 1);
      if (path.rfind("/etc/init.d/", 0) == 0) {
        EXPECT_EQ(testsupport::Run("ls /etc/rc2.d /etc/rc3.d /etc/rc4.d /etc/rc5.d 2>/dev/null | grep -x 'S[0-9]*" +
                                   name + "'"),
                  "")
            << name << " starts with the machine";
      } else {
        EXPECT_NE(testsupport::Run("systemctl is-enabled '" + name + "' 2>/dev/null"), "enabled\n")
            << name << " is enabled";
      }
    }
  }

  // Nothing listens on the servers' standard ports (but the tests' own encrypted POP3 server on
  // a loopback address of its own, 127.N.x.y with N > 0), and every socket a mail or SOCKS
  // server listens on is the loopback's, as the tests' servers are (other tests may run theirs
  // at the same time).
  EXPECT_EQ(testsupport::Run("ss -Hltn | awk '{print $4}' | grep -E ':(110|143|993|995|1080)$' | "
                             "grep -v -E '^127\\.[1-9][0-9]*\\.[0-9]+\\.[0-9]+:995$' || true"),
            "");
  EXPECT_EQ(testsupport::Run("ss -Hltnp | grep -E '\"(dovecot|danted)\"' | awk '{print $4}' | "
                             "grep -v -E '^127\\.[0-9]+\\.[0-9]+\\.[0-9]+:[0-9]+$' || true"),
            "");
}

}  // namespace
