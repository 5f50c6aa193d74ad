#include "foundation/Runexternalbrowser.h"
#include "foundation/Tshellregistry.h"
#include "Scratchroot.h"
#include "Scripteddialogs.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

struct Browser {
  TScratchRoot root;
  std::string config = root.Path() + "/config";
  std::string script = root.Path() + "/browser";
  std::string output = root.Path() + "/arguments";
  Browser() {
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    // The stand-in browser writes the number of its arguments and each of them.
    testsupport::WriteFile(script, "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"" + output + ".new\"\nmv \"" + output +
                                       ".new\" \"" + output + "\"\n");
    chmod(script.c_str(), 0755);
  }
  ~Browser() { unsetenv("XDG_CONFIG_HOME"); }
  std::string Arguments() {
    std::string text;
    testsupport::Eventually([&] { return !(text = testsupport::ReadFile(output)).empty(); });
    return text;
  }
};

TEST(Runexternalbrowser, TheAddressIsOneArgumentAndNoShellSeesIt) {
  Browser b;
  TScriptedDialogs dialogs;
  ASSERT_TRUE(TShellRegistry::WriteString("ExternalInternetExplorer", b.script));
  const std::string marker = b.root.Path() + "/shell-ran";
  const std::string address = "http://example.org/a;touch " + marker + ";$(touch " + marker + ")`touch " + marker +
                              "` b&c|d>e 'q\"";
  ASSERT_TRUE(RunExternalBrowser(address));
  EXPECT_EQ(b.Arguments(), "1\n" + address + "\n");
  struct stat st;
  EXPECT_NE(stat(marker.c_str(), &st), 0) << "a shell ran the address";
  EXPECT_TRUE(dialogs.Boxes.empty());
}

TEST(Runexternalbrowser, OnlyWebAndMailAddressesAreOpened) {
  Browser b;
  TScriptedDialogs dialogs;
  EXPECT_TRUE(IsOpenableAddress("https://example.org/"));
  EXPECT_TRUE(IsOpenableAddress("HTTP://EXAMPLE.ORG"));
  EXPECT_TRUE(IsOpenableAddress("mailto:someone@example.org"));
  for (const char* refused : {"file:///etc/passwd", "javascript:alert(1)", "-remote-debugging", "http://",
                              "ftp://example.org", "", "http://example.org/\nsecond line"})
    EXPECT_FALSE(IsOpenableAddress(refused)) << refused;

  // No browser set.
  EXPECT_FALSE(RunExternalBrowser("http://example.org/"));
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Caption, "DOS COMMAND LINE ERROR");
  EXPECT_EQ(dialogs.Boxes[0].Message, "Please, customize Internet-browser.");

  ASSERT_TRUE(TShellRegistry::WriteString("ExternalInternetExplorer", b.script));
  EXPECT_FALSE(RunExternalBrowser("file:///etc/passwd"));
  EXPECT_EQ(testsupport::ReadFile(b.output), "");

  // A browser that cannot be started.
  ASSERT_TRUE(TShellRegistry::WriteString("ExternalInternetExplorer", b.root.Path() + "/no-such-browser"));
  EXPECT_FALSE(RunExternalBrowser("mailto:a@example.org"));
  EXPECT_EQ(dialogs.Boxes.back().Caption, "DOS COMMAND LINE ERROR");
  EXPECT_EQ(dialogs.Boxes.back().Message,
            "Error executing DOS command line:\n" + b.root.Path() + "/no-such-browser mailto:a@example.org");
  EXPECT_FALSE(IsErrorReported());
}

}  // namespace
