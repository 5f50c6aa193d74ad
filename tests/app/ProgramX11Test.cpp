// The real program on an X server of the test's own, typed into as a person would: keys
// go through the server (xdotool drives XTest) to whichever window has the X focus.

#include "Apptesthelpers.h"
#include "foundation/Fileroutines.h"
#include "foundation/Tlogin.h"
#include "platform/kernel/Codepage.h"
#include "platform/kernel/Filemode.h"
#include "tests/app/Programonx.h"
#include "tests/support/Xvfbserver.h"

#include <gtest/gtest.h>

namespace {

using x11program::TProgramOnX;

TEST(ProgramX11, ANewUserCreatesTheFirstLoginByKeyboardAndTheProgramEndsSavingEverything) {
  TAppScratch s;
  setenv("XDG_DATA_HOME", (s.Folder + "/data").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", s.Runtime.c_str(), 1);
  xvfbtest::XvfbServer server("1024x768x24");
  ASSERT_TRUE(server.Running());
  TProgramOnX program(server.Name());
  ASSERT_TRUE(program.LendKeys({"Cyrillic_a", "Cyrillic_en", "Cyrillic_es", "Cyrillic_em", "Cyrillic_i", "Cyrillic_er",
                                "Cyrillic_o", "Cyrillic_ve"}));
  // A runtime folder short enough for the program's socket. What processes that are gone
  // left in it goes when the program starts.
  char made[] = "/tmp/quillaran-runtime-XXXXXX";
  ASSERT_NE(mkdtemp(made), nullptr);
  const std::string runtime = made;
  testsupport::WriteFile(runtime + "/99999999.socket", "");
  testsupport::WriteFile(runtime + "/99999999.1a2b.window", "1\nTFormStart\nQuillaran\n");
  ASSERT_TRUE(program.Start({{"QUILLARAN_RUNTIME_DIR", runtime}}));

  const std::string name = "Анна Смирнова";
  const std::string key = "anna's key 7";
  // Each question in its own window, in the order a new user meets them.
  EXPECT_EQ(program.WaitForNextFocusedWindow("CREATING LOGIN"), "CREATING LOGIN");  // there is no login yet
  program.TypeAndEnter("");
  ASSERT_EQ(program.WaitForNextFocusedWindow("CREATING LOGIN"), "CREATING LOGIN");  // your name
  program.TypeAndEnter(platform::AnsiToUtf8(name));
  ASSERT_EQ(program.WaitForNextFocusedWindow("CREATING LOGIN"), "CREATING LOGIN");  // e-mail
  program.TypeAndEnter("anna at example");
  ASSERT_EQ(program.WaitForNextFocusedWindow("LOGIN ERROR"), "LOGIN ERROR");
  program.TypeAndEnter("");
  ASSERT_EQ(program.WaitForNextFocusedWindow("CREATING LOGIN"), "CREATING LOGIN");
  program.TypeAndEnter("anna@example.org");
  for (int i = 0; i < 2; ++i) {  // the key password and its repetition
    ASSERT_EQ(program.WaitForNextFocusedWindow("CREATING LOGIN"), "CREATING LOGIN");
    program.TypeAndEnter(key);
  }
  const testsupport::TClosedPort pop3, smtp;
  const std::string pop3Server = "127.0.0.1:" + std::to_string(pop3.Port());
  const std::string smtpServer = "localhost:" + std::to_string(smtp.Port());
  for (const std::string& answer : {pop3Server, smtpServer, std::string(), std::string("pop secret")}) {
    ASSERT_EQ(program.WaitForNextFocusedWindow("MAIL ACCOUNT"), "MAIL ACCOUNT");  // the user name is proposed
    program.TypeAndEnter(answer);
  }
  // How the servers answered: neither is there, and Enter keeps the account.
  ASSERT_EQ(program.WaitForNextFocusedWindow("MAIL ACCOUNT"), "MAIL ACCOUNT");
  program.TypeAndEnter("");
  // Logged in: the read-me of a first start comes next.
  EXPECT_EQ(program.WaitForNextFocusedWindow(""), "ReadMe");
  EXPECT_TRUE(IsFileExists(s.Home + "/Readme.txt"));
  EXPECT_EQ(platform::FilePermissions(s.Home + "/Logins.cbs"), 0600);

  ASSERT_TRUE(program.CloseUntilEnded());
  EXPECT_EQ(program.Status, 0);
  // Nothing of it, nor of those before it, is left in the runtime folder.
  EXPECT_EQ(testsupport::Run("ls -A '" + runtime + "'"), "");
  EXPECT_NE(platform::FilePermissions(s.Home + "/BrowsePars.cbs"), -1);
  EXPECT_NE(s.Log().find("PROGRAM FINISHED: "), std::string::npos) << s.Log();
  EXPECT_EQ(s.Log().find("ERROR MESSAGE"), std::string::npos) << s.Log();

  // What was typed is what was kept, the secrets behind the key password.
  TLoginsStorage saved;
  ASSERT_TRUE(saved.Load(s.Home + "/Logins.cbs"));
  ASSERT_EQ(saved.Count(), 1);
  TLogin& login = saved.GetLogin(0);
  EXPECT_EQ(login.Name.ToString(), name);
  EXPECT_EQ(login.AutomaticEMail, "anna@example.org");
  EXPECT_FALSE(login.Unlock("anna's key"));
  ASSERT_TRUE(login.Unlock(key));
  EXPECT_EQ(login.EMail.POP3Server.ToString(), pop3Server);
  EXPECT_EQ(login.EMail.SMTPServer.ToString(), smtpServer);
  EXPECT_EQ(login.EMail.UserName, "anna@example.org");
  EXPECT_EQ(login.EMail.Password, "pop secret");

  // Ended by the session (SIGTERM) while it asks the key password: nothing is left either.
  TProgramOnX again(server.Name());
  ASSERT_TRUE(again.Start({{"QUILLARAN_RUNTIME_DIR", runtime}}));
  ASSERT_EQ(again.WaitForNextFocusedWindow("LOGIN"), "LOGIN");
  const std::string published = testsupport::Run("ls -A '" + runtime + "'");
  EXPECT_NE(published.find(".socket\n"), std::string::npos) << published;
  EXPECT_NE(published.find(".window\n"), std::string::npos) << published;
  ASSERT_TRUE(again.Terminate());
  EXPECT_EQ(testsupport::Run("ls -A '" + runtime + "'"), "");
  EXPECT_EQ(rmdir(runtime.c_str()), 0);
  unsetenv("XDG_DATA_HOME");
  unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
