// The commands that switch a window between its folder views and modes and close it.

#include "Commandstest.h"

#include "browse/Commandcodes.h"
#include "browse/Tbrowselistener.h"
#include "foundation/Fileroutines.h"
#include "foundation/Helpdocument.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tshellregistry.h"
#include "model/Foldertree.h"
#include "model/Tcommandmessage.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Forms.h"
#include "pointer/Tformmain.h"
#include "pointer/Tformstartcursorwright.h"
#include "postoffice/Tbrowsepostadaptor.h"
#include "postoffice/Tformadvertisinglist.h"
#include "postoffice/Tformpost.h"
#include "postoffice/Tpost.h"
#include "tests/support/Testsupport.h"

#include <sys/stat.h>

#include <cstdlib>

namespace commandstest {
namespace {

using WindowCommands = CommandsTest;

TEST_F(WindowCommands, FolderViewsModesAndClosing) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  TBrowseState& state = browse.CurrentBrowseState;
  Run(browse, Command_Creating);
  EXPECT_EQ(state.CurrentItem.Ident.Folder, discussions->CreatedRoot);
  EXPECT_EQ(state.DiscussionIndex, -1);
  Run(browse, Command_Discussing);
  EXPECT_EQ(state.CurrentItem.Ident.Folder, discussions->DiscussedRoot);

  // Moderation mode switches, and the window always lands on the discussed root.
  Run(browse, Command_Creating);
  Run(browse, Command_BrowsingModerating);
  EXPECT_EQ(browse.ModerationMode, 1);
  EXPECT_EQ(state.CurrentItem.Ident.Folder, discussions->DiscussedRoot);
  Run(browse, Command_BrowsingModerating);
  EXPECT_EQ(browse.ModerationMode, 0);
  EXPECT_EQ(state.CurrentItem.Ident.Folder, discussions->DiscussedRoot);

  // "Close window" closes this window only.
  TBrowse* other = manager->NewFormBrowseOnBlock(ecology, a, form, 0, false);
  ASSERT_NE(other, nullptr);
  const TControlGuard guard(form);
  Run(browse, Command_CloseWindow);
  EXPECT_TRUE(guard.Gone());
  EXPECT_EQ(manager->Count(), 1);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(WindowCommands, ThePointerEngineSwitchesOnAndOffWithItsStoredByte) {
  SetHookLibraryOverride(std::string(QUILLARAN_BINARY_DIR) + "/app/Leafsnare.dll");
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  ASSERT_NE(browse.Settings, nullptr);
  EXPECT_EQ(browse.Settings->PointerEngineOn, 0);
  EXPECT_EQ(_FormStart_Cursorwright, nullptr);
  Run(browse, Command_PointerEngine);
  EXPECT_EQ(browse.Settings->PointerEngineOn, 1);
  EXPECT_NE(_FormStart_Cursorwright, nullptr);
  // A new window starts the engine by the byte: it stays on, one coordinator.
  TFormStart_Cursorwright* running = _FormStart_Cursorwright;
  ASSERT_NE(manager->NewFormBrowseOnBlock(ecology, a, form, 0, false), nullptr);
  EXPECT_EQ(_FormStart_Cursorwright, running);
  Run(browse, Command_PointerEngine);
  EXPECT_EQ(browse.Settings->PointerEngineOn, 0);
  EXPECT_EQ(_FormStart_Cursorwright, nullptr);
  EXPECT_TRUE(Reports().empty());
  SetHookLibraryOverride("");
}

TEST_F(WindowCommands, HelpOpensTheDocumentAtTheWindowsSectionInTheBrowser) {
  // The document shipped beside the program has a section for every context a window sets.
  const std::string document = testsupport::ReadFile(std::string(QUILLARAN_BINARY_DIR) + "/app/Quillaran.html");
  for (int context : {1, 10, 11, 12})
    EXPECT_NE(document.find("id=\"context-" + std::to_string(context) + "\""), std::string::npos) << context;

  // A stand-in browser writes down the address it is given.
  const std::string browser = folder + "/browser", given = folder + "/address";
  testsupport::WriteFile(browser, "#!/bin/sh\nprintf '%s' \"$*\" > \"" + given + ".new\"\nmv \"" + given + ".new\" \"" +
                                      given + "\"\n");
  chmod(browser.c_str(), 0755);
  ASSERT_TRUE(TShellRegistry::WriteString("ExternalInternetExplorer", browser));
  const std::string place = folder + "/program files#1";
  ASSERT_TRUE(MakeFolder(place));
  testsupport::WriteFile(place + "/Quillaran.html", document);
  SetHelpDocumentFolder(place);
  auto address = [&] {
    std::string text;
    if (!testsupport::Eventually([&] { return !(text = testsupport::ReadFile(given)).empty(); }))
      return std::string("no address");
    remove(given.c_str());
    return text;
  };

  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  Run(form->Browse, Command_Help);
  EXPECT_EQ(address(), "file://" + folder + "/program%20files%231/Quillaran.html#context-1");
  Run(form->Browse, Command_BrowsingModerating);
  Run(form->Browse, Command_Help);
  EXPECT_EQ(address(), "file://" + folder + "/program%20files%231/Quillaran.html#context-12");

  // xdg-open drops the section of a file address: a page of the data folder is opened
  // instead, and leads on to the section.
  const std::string bin = folder + "/bin", path = std::getenv("PATH");
  ASSERT_TRUE(MakeFolder(bin));
  testsupport::WriteFile(bin + "/xdg-open", testsupport::ReadFile(browser));
  chmod((bin + "/xdg-open").c_str(), 0755);
  ASSERT_TRUE(TShellRegistry::WriteString("ExternalInternetExplorer", ""));
  setenv("PATH", (bin + ":" + path).c_str(), 1);
  Run(form->Browse, Command_Help);
  const std::string lead = address();
  setenv("PATH", path.c_str(), 1);
  ASSERT_EQ(lead.rfind("file://", 0), 0u) << lead;
  EXPECT_NE(testsupport::ReadFile(lead.substr(7))
                .find("url=file://" + folder + "/program%20files%231/Quillaran.html#context-12\""),
            std::string::npos)
      << testsupport::ReadFile(lead.substr(7));

  // Without the document the user is told, and no browser starts.
  SetHelpDocumentFolder(folder + "/nowhere");
  Answer(0);
  Run(form->Browse, Command_Help);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Caption, "HELP");
  EXPECT_EQ(Boxes()[0].Message, "The help file is not found:\n" + folder + "/nowhere/Quillaran.html");
  SetHelpDocumentFolder("");
}

TEST_F(WindowCommands, CustomizeTellsEveryWindowOnlyWhenConfirmed) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  browsetest::TRecorder heard;
  ASSERT_TRUE(MakeFolder(folder + "/home"));
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  script.Press("Customize", "ButtonCancel");
  Run(form->Browse, Command_Customize);
  EXPECT_EQ(heard.Count(Notify_SettingsChanged), 0);
  script.Press("Customize", "ButtonOk", {{"CheckBoxAutoBackup", "1"}});
  Run(form->Browse, Command_Customize);
  ASSERT_EQ(heard.Count(Notify_SettingsChanged), 1);
  EXPECT_EQ(pars.AutoBackup, 1);
  EXPECT_EQ(script.Pending(), 0u);
}

TEST_F(WindowCommands, CloseDiscussionTurnsTheOnlyWindowToTheFolderOrClosesEveryWindowOfIt) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  // The window's position in the discussion was kept: reading is saved without a question.
  Run(form->Browse, Command_CloseDiscussion);
  EXPECT_EQ(Boxes().size(), 0u);
  EXPECT_EQ(manager->Count(), 1);
  EXPECT_EQ(form->Browse.CurrentBrowseState.DiscussionIndex, -1);
  EXPECT_EQ(form->Browse.CurrentBrowseState.CurrentItem.Ident.Folder, discussions->DiscussedRoot);
  EXPECT_FALSE(d->Loaded);

  // Two windows on it and one on another discussion: both of it close, this one too.
  TFormBrowse* first = OpenOn(ecology);
  ASSERT_NE(manager->NewFormBrowseOnBlock(ecology, d->Storages.GetRootBlockIndex(), first, 0, false), nullptr);
  TFormBrowse* other = OpenOn(economy);
  const TControlGuard guard(first);
  Run(first->Browse, Command_CloseDiscussion);
  EXPECT_TRUE(guard.Gone());
  ASSERT_EQ(manager->Count(), 2);
  EXPECT_EQ(manager->GetFormBrowse(0), form);
  EXPECT_EQ(manager->GetFormBrowse(1), other);
  EXPECT_EQ(lastWindowClosed, 0);
}

TEST_F(WindowCommands, CloseQuillaranStopsAtAWindowTheUserKeeps) {
  TFormBrowse* form = OpenTree();
  TFormBrowse* other = OpenOn(economy);
  ASSERT_NE(other, nullptr);
  Discussion(economy).Info.Annotation = "unsaved";
  Answer(UnloadAnswer_Cancel);
  Run(form->Browse, Command_CloseProgram);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Caption, UnloadDiscussionCaption);
  EXPECT_EQ(manager->Count(), 2);
  EXPECT_EQ(lastWindowClosed, 0);

  Answer(UnloadAnswer_Discard);
  Run(form->Browse, Command_CloseProgram);
  EXPECT_EQ(manager->Count(), 0);
  EXPECT_EQ(lastWindowClosed, 1);
}

TEST_F(WindowCommands, ThePostOfficesListsAreEditedThroughItsDialogs) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  // The moderation library is not loaded: the user is told.
  Answer(0);
  Run(form->Browse, Command_EditSpammers);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Caption, "EDIT SPAMMERS LIST");

  TPost post;
  post.AdvertisingList = "a@example.org";
  PostState() = &post;
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  std::string shown;
  script.Answer("Edit advertising list", [&](TCustomForm& dialog) {
    auto& list = dynamic_cast<TFormAdvertisingList&>(dialog);
    shown = list.MemoAddresses->Text();
    list.MemoAddresses->SetText("b@example.org");
    platform::PressControl(dialog, "Button2");
  });
  Run(form->Browse, Command_EditAdvertising);
  EXPECT_EQ(shown, "a@example.org");
  EXPECT_EQ(post.AdvertisingList.ToString(), "a@example.org");
  script.Press("Edit advertising list", "Button1", {{"MemoAddresses", "b@example.org\r\nc@example.org"}});
  Run(form->Browse, Command_EditAdvertising);
  EXPECT_EQ(post.AdvertisingList.ToString(), "b@example.org\r\nc@example.org");
  EXPECT_EQ(script.Pending(), 0u);
  PostState() = nullptr;
}

TEST_F(WindowCommands, RunPostModuleOpensThePostOfficeOnOutboxPostAndClosesItSavingThePostState) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  const TSuitePaths paths = TBrowseGlobal::Paths;
  TBrowseGlobal::SetSuitePaths();
  TBrowsePostAdaptor adaptor;
  TPost post;
  post.Init(TStr(), &adaptor);
  post.SetCBSFileName(TBrowseGlobal::Paths.PostFilesFile);
  ASSERT_TRUE(post.Load());
  PostState() = &post;
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  uint8_t kind = 0;
  std::string header;
  script.Answer("post", [&](TCustomForm& shown) {
    auto& office = dynamic_cast<TFormPost&>(shown);
    kind = office.FolderKind();
    header = office.CellText(3, 0);
    platform::PressControl(shown, "Button2");  // the program's help, which is not there
    platform::PressControl(shown, "ButtonClose");
  });
  SetHelpDocumentFolder(folder + "/nowhere");
  Answer(0);
  Run(form->Browse, Command_RunPostModule);
  SetHelpDocumentFolder("");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Caption, "HELP");
  PostState() = nullptr;
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_EQ(kind, PostKind_OutboxPost);
  EXPECT_EQ(header, "compose date/time");
  EXPECT_TRUE(IsFileExists(TBrowseGlobal::Paths.PostFilesFile));
  EXPECT_TRUE(Reports().empty());
  TBrowseGlobal::Paths = paths;
}

}  // namespace
}  // namespace commandstest
