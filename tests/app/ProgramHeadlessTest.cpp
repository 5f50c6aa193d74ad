// The real program without a display: the login answered on its standard input, one
// answer a line, and SIGTERM or SIGINT to end it, as a service manager or Ctrl+C would.

#include "Apptesthelpers.h"
#include "Programonterminal.h"
#include "foundation/Tlogin.h"
#include "platform/kernel/Filemode.h"

#include <gtest/gtest.h>

#include <sstream>

#include <sys/stat.h>

namespace {

const char* const kLoggedIn = "Анна is logged in. Quillaran runs without a screen; Ctrl+C ends it.";

TEST(ProgramHeadless, ANewUserCreatesTheFirstLoginOnTheTerminalAndSigtermEndsItSavingEverything) {
  TAppScratch s;
  const testsupport::TClosedPort pop3, smtp;
  const std::string pop3Server = "127.0.0.1:" + std::to_string(pop3.Port());
  const std::string smtpServer = "localhost:" + std::to_string(smtp.Port());
  {
    TProgramOnTerminal program(s);
    for (const char* answer : {"Анна", "anna at example", "anna@example.org", "short", "anna's key 7", "anna's key 7"})
      program.Answer(answer);
    for (const std::string& answer : {pop3Server, smtpServer, std::string(), std::string("pop secret")})
      program.Answer(answer);
    program.Answer("");  // the servers that did not answer: the account kept
    ASSERT_TRUE(program.WaitForOutput(kLoggedIn)) << program.Output();
    // The same questions and refusals as the dialogs ask and tell.
    const std::string said = program.Output();
    EXPECT_NE(said.find("CREATING LOGIN: There is no login yet.\nPlease, create yours: it becomes the manager "
                        "login of this installation.\n"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("CREATING LOGIN: Your name: \nCREATING LOGIN: Your e-mail address: \n"
                        "LOGIN ERROR: Incorrect e-mail address: anna at example\n"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("CREATING LOGIN: The key password must be 7 to 32 characters long.\n"), std::string::npos);
    EXPECT_NE(said.find("MAIL ACCOUNT: User name: [anna@example.org] \n"), std::string::npos);
    EXPECT_NE(
        said.find("MAIL ACCOUNT: POP3 server " + pop3Server + " did not answer: connection refused\nSMTP server " +
                  smtpServer + " did not answer: connection refused\n  1. Keep\n  2. Change\nYour choice [1]: \n"),
        std::string::npos)
        << said;
    EXPECT_EQ(said.find("pop secret"), std::string::npos);
    EXPECT_EQ(platform::FilePermissions(s.Home + "/Logins.cbs"), 0600);
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 0) << program.Output();
  }
  EXPECT_NE(platform::FilePermissions(s.Home + "/BrowsePars.cbs"), -1);
  EXPECT_NE(s.Log().find("PROGRAM FINISHED: "), std::string::npos) << s.Log();
  EXPECT_EQ(s.Log().find("ERROR MESSAGE"), std::string::npos) << s.Log();
  TLoginsStorage saved;
  ASSERT_TRUE(saved.Load(s.Home + "/Logins.cbs"));
  ASSERT_EQ(saved.Count(), 1);
  TLogin& login = saved.GetLogin(0);
  EXPECT_EQ(login.Name.ToString(), "Анна");
  EXPECT_EQ(login.AutomaticEMail.ToString(), "anna@example.org");
  ASSERT_TRUE(login.Unlock("anna's key 7"));
  EXPECT_EQ(login.EMail.POP3Server.ToString(), pop3Server);
  EXPECT_EQ(login.EMail.SMTPServer.ToString(), smtpServer);
  EXPECT_EQ(login.EMail.UserName.ToString(), "anna@example.org");
  EXPECT_EQ(login.EMail.Password.ToString(), "pop secret");

  // The next start asks the key password of the only login, and Ctrl+C ends it as well.
  TProgramOnTerminal again(s);
  again.Answer("anna's key");
  again.Answer("anna's key 7");
  ASSERT_TRUE(again.WaitForOutput(kLoggedIn)) << again.Output();
  EXPECT_NE(again.Output().find("LOGIN: Key password of Анна: \nLOGIN ERROR: Incorrect key password of 'Анна'.\n"
                                "LOGIN: Key password of Анна: \n"),
            std::string::npos)
      << again.Output();
  again.Signal(SIGINT);
  EXPECT_EQ(again.Wait(), 0) << again.Output();
  EXPECT_NE(s.Log().rfind("PROGRAM FINISHED: "), s.Log().find("PROGRAM FINISHED: "));
}

TEST(ProgramHeadless, TheEndOfTheInputOrAStopSignalDuringTheLoginEndsWithoutALoginAndSaysSo) {
  TAppScratch s;
  const std::string told = "The login was not given; Quillaran ends.\n";
  {
    TProgramOnTerminal program(s);
    program.Answer("Анна");
    program.CloseInput();
    EXPECT_EQ(program.Wait(), 2) << program.Output();
    const std::string said = program.Output();
    EXPECT_TRUE(said.ends_with("CREATING LOGIN: Your name: \nCREATING LOGIN: Your e-mail address: \n" + told)) << said;
  }
  {
    TProgramOnTerminal program(s);
    ASSERT_TRUE(program.WaitForOutput("CREATING LOGIN: Your name: "));
    program.Signal(SIGTERM);  // while the question waits for its answer
    EXPECT_EQ(program.Wait(), 2) << program.Output();
    const std::string said = program.Output();
    EXPECT_TRUE(said.ends_with("CREATING LOGIN: Your name: \n" + told)) << said;
  }
  EXPECT_EQ(platform::FilePermissions(s.Home + "/Logins.cbs"), -1);
  EXPECT_EQ(s.Log().find("ERROR MESSAGE"), std::string::npos) << s.Log();
}

TEST(ProgramHeadless, TheDataFolderIsItsUsersAloneMadeSoAtTheFirstStartAndTightenedAtALaterOne) {
  TAppScratch s;
  const mode_t mask = umask(022);
  // The first start makes the folder; a later one finds a folder made open by hand, with
  // an errors.log others could read.
  const std::string fresh = s.Folder + "/share/quillaran";
  testsupport::WriteFile(s.Home + "/errors.log", "ERROR MESSAGE: anna@example.org refused\n");
  for (const std::string& home : {fresh, s.Home}) {
    setenv("QUILLARAN_HOME", home.c_str(), 1);
    TProgramOnTerminal program(s);
    ASSERT_TRUE(program.WaitForOutput("CREATING LOGIN: Your name: ")) << program.Output();
    EXPECT_EQ(platform::FilePermissions(home), 0700) << home;
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 2) << program.Output();
  }
  umask(mask);
  EXPECT_EQ(platform::FilePermissions(s.Folder + "/share"), 0755) << "only the data folder itself is tightened";
}

TEST(ProgramHeadless, HelpAndVersionAnswerOnTheTerminalAndEndWithSuccess) {
  TAppScratch s;
  const std::string program = "env -u DISPLAY " + std::string(QUILLARAN_BINARY_DIR) + "/app/quillaran";
  int status = -1;
  const std::string help = testsupport::Run(program + " --help </dev/null 2>&1", &status);
  EXPECT_EQ(status, 0) << help;
  EXPECT_EQ(help.rfind("Usage: quillaran [/DisableExistanceTest | /DET] [/DebugRun] [/ReRun]\n", 0), 0u) << help;
  EXPECT_NE(help.find("--version"), std::string::npos) << help;
  EXPECT_EQ(testsupport::Run(program + " -h </dev/null 2>&1", &status), help) << "the short form says the same";
  EXPECT_EQ(status, 0);
  const std::string version = testsupport::Run(program + " /DET --version </dev/null 2>&1", &status);
  EXPECT_EQ(status, 0) << version;
  EXPECT_EQ(version, "Quillaran 1.0\n");
  // Nothing started: no question was asked and no log was begun.
  EXPECT_EQ(help.find("LOGIN"), std::string::npos) << help;
  EXPECT_EQ(platform::FilePermissions(s.Home + "/errors.log"), -1);
}

// The desktop's pointer engine answers on the terminal as the program does, and without
// an X display, where it has nothing to serve, it says so and ends at once.
TEST(ProgramHeadless, CursorwrightAnswersItsOptionsAndEndsAtOnceWithoutADisplay) {
  TAppScratch s;
  // `timeout` ends an engine that would wait for ever: the test fails then, never hangs.
  const std::string program = "timeout 60 " + std::string(QUILLARAN_BINARY_DIR) + "/app/cursorwright";
  const std::string unset = "env -u DISPLAY ";
  int status = -1;
  const std::string help = testsupport::Run(unset + program + " --help </dev/null 2>&1", &status);
  EXPECT_EQ(status, 0) << help;
  EXPECT_EQ(help.rfind("Usage: cursorwright\n       cursorwright --help | -h | --version\n", 0), 0u) << help;
  EXPECT_NE(help.find("The read-me is /"), std::string::npos) << help;
  EXPECT_EQ(testsupport::Run(unset + program + " -h </dev/null 2>&1", &status), help);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(testsupport::Run(unset + program + " --version </dev/null 2>&1", &status),
            "cursorwright (Quillaran) 1.0\n");
  EXPECT_EQ(status, 0);

  std::string said = testsupport::Run(unset + program + " </dev/null 2>&1", &status);
  EXPECT_EQ(status, 1) << said;
  EXPECT_EQ(said, "cursorwright: no X display ($DISPLAY is not set); the engine serves X windows only\n");
  said = testsupport::Run("DISPLAY=:4711 " + program + " </dev/null 2>&1", &status);  // a display nobody serves
  EXPECT_EQ(status, 1) << said;
  EXPECT_EQ(said, "cursorwright: cannot open the X display :4711; the engine serves X windows only\n");
  said = testsupport::Run(unset + program + " --serve-all </dev/null 2>&1", &status);
  EXPECT_EQ(status, 2) << said;
  EXPECT_EQ(said, "cursorwright: unknown option --serve-all\nTry 'cursorwright --help'.\n");
}

// Each option the usage of a program lists has its entry in the program's manual page.
TEST(ProgramHeadless, TheManualPagesListEveryOptionTheUsageLists) {
  for (const std::string name : {"quillaran", "cursorwright"}) {
    const std::string usage =
        testsupport::Run("env -u DISPLAY " + std::string(QUILLARAN_BINARY_DIR) + "/app/" + name + " --help 2>&1");
    std::string page = testsupport::ReadFile(std::string(QUILLARAN_SOURCE_DIR) + "/packaging/" + name + ".1");
    for (size_t at; (at = page.find("\\-")) != std::string::npos;) page.replace(at, 2, "-");
    std::vector<std::string> options;
    std::istringstream lines(usage);
    for (std::string line; std::getline(lines, line);) {
      if (!line.starts_with("  -") && !line.starts_with("  /")) continue;
      std::istringstream words(line.substr(0, line.find("  ", 2)));
      for (std::string option; words >> option;) {
        if (option.ends_with(",")) option.pop_back();
        options.push_back(option);
      }
    }
    EXPECT_GE(options.size(), 3u) << name << ": " << usage;
    for (const std::string& option : options) {
      // An option is listed where its name ends before a blank, a comma or a quote.
      bool listed = false;
      for (size_t at = page.find(option); at != std::string::npos && !listed; at = page.find(option, at + 1)) {
        const char after = at + option.size() < page.size() ? page[at + option.size()] : '\n';
        listed = std::string(" ,\"\n").find(after) != std::string::npos;
      }
      EXPECT_TRUE(listed) << name << ".1 does not list " << option;
    }
  }
}

}  // namespace
