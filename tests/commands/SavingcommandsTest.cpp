// Saving a window's discussion, its backups, and writing marked items out to a file.

#include "Commandstest.h"

#include "browse/Commandcodes.h"
#include "foundation/Fileroutines.h"
#include "foundation/Tshellregistry.h"
#include "model/Discussionfileset.h"
#include "model/Foldertree.h"
#include "model/Unsavedchanges.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Forms.h"
#include "tests/support/Testsupport.h"

#include <cstdlib>

namespace commandstest {
namespace {

using SavingCommands = CommandsTest;

// The backup sub-folders of a backup folder.
std::vector<std::string> Backups(const std::string& folder) { return ListSubFolders(folder); }

TEST_F(SavingCommands, SaveSaveDatabaseAndBackupsKeepTheSavedSet) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  d->Info.Annotation = "changed";
  ASSERT_TRUE(HasUnsavedChanges(*d));
  // Ctrl+S saves.
  person.PressKey('S', false, true);
  Pump();
  EXPECT_FALSE(HasUnsavedChanges(*d));

  // Automatic backup on without a folder: told once a run, saved all the same.
  pars.AutoBackup = 1;
  d->Info.Annotation = "changed again";
  Answer(0);
  Run(browse, Command_SaveDatabase);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Caption, "AUTO-BACKUP");
  EXPECT_EQ(Boxes()[0].Message, "Auto-backup folder is not specified.\nPlease specify it in Customize window.");
  EXPECT_FALSE(HasUnsavedChanges(*d));
  Run(browse, Command_SaveDatabase);
  EXPECT_EQ(Boxes().size(), 1u);

  // With a folder, the last saved set is copied there byte for byte before the save.
  const std::string automatic = folder + "/auto", manual = folder + "/manual";
  pars.AutoBackupFolder = automatic;
  std::vector<std::string> saved;
  for (const char* name : TDiscussionFileSet::Names) saved.push_back(testsupport::ReadFile(d->Folder.ToString() + "/" + name));
  Run(browse, Command_SaveDatabase);
  ASSERT_EQ(Backups(automatic).size(), 1u);
  const std::string copy = automatic + "/" + Backups(automatic)[0];
  for (int file = 0; file < TDiscussionFileSet::Count; ++file)
    EXPECT_EQ(testsupport::ReadFile(copy + "/" + TDiscussionFileSet::Names[file]), saved[size_t(file)]) << file;

  // Manual backup without a folder is told every time and copies nothing.
  for (int i = 0; i < 2; ++i) {
    Answer(0);
    Run(browse, Command_ManualBackup);
    EXPECT_EQ(Boxes().back().Caption, "MANUAL BACKUP");
    EXPECT_EQ(Boxes().back().Message,
              "Manual backup folder is not specified.\nPlease specify it in Customize window.");
  }
  EXPECT_EQ(Boxes().size(), 3u);
  pars.ManualBackupFolder = manual;
  Run(browse, Command_ManualBackup);
  EXPECT_EQ(Backups(manual).size(), 1u);
  EXPECT_EQ(testsupport::ReadFile(manual + "/" + Backups(manual)[0] + "/" + TDiscussionFileSet::Names[0]),
            testsupport::ReadFile(d->Folder.ToString() + "/" + TDiscussionFileSet::Names[0]));
}

TEST_F(SavingCommands, PickOutWritesANewFileAndAppendsOverwritesOrLeavesAnExistingOne) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  d->Storages.GetStrHashItem(a)->Str.Text = "Text of A";
  d->Storages.GetStrHashItem(a)->Str.URL = "http://example.org/a";
  d->Storages.GetStrHashItem(b)->Str.Text = "Text of B";
  // Two rows marked: both are written, in the list's order, when the command is chosen
  // on a row.
  TBrowseState& state = browse.CurrentBrowseState;
  TBrowseItemIndex onRow;
  for (uint32_t i = 0; i < state.Rows.Count(); ++i) {
    TBrowseItem* item = state.Rows[i].GetBrowseItem(state.CurrentItem);
    if (item && (item->GetDiscBlockIndex() == a || item->GetDiscBlockIndex() == b)) {
      item->Marked = 1;
      onRow = state.Rows[i].ItemIndex;
    }
  }
  const auto pickOut = [&] {
    browse.ProcessCommand(&onRow, &state.CurrentItem, "", Command_PickOut, TShiftState(), -1, -1);
    Pump();
  };
  const std::string out = folder + "/out/picked.txt";
  ASSERT_TRUE(MakeFolder(folder + "/out"));
  const std::string expected = "\r\n\r\n" + browse.GetDiscBlockSummary(a) + "   " + Name(root) +
                               "\r\nText of A\r\nhttp://example.org/a" + "\r\n\r\n" + browse.GetDiscBlockSummary(b) +
                               "   " + Name(root) + "\r\nText of B" + "\r\n";

  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  // The first time the dialog starts in the user's own folder, not the program's.
  std::string first;
  script.Answer("Select excerpt file", [&](TCustomForm& dialog) {
    first = dynamic_cast<TEdit*>(platform::FindNamed(dialog, "Folder"))->Text();
    platform::SetControlValue(dialog, "FileName", out);
    platform::PressControl(dialog, "OK");
  });
  pickOut();
  const char* home = std::getenv("HOME");  // without one the program takes /tmp
  EXPECT_EQ(first.rfind(home && *home ? home : "/tmp", 0), 0u) << first;
  EXPECT_EQ(testsupport::ReadFile(out), expected);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(TShellRegistry::ReadString("LastPrintedPath"), folder + "/out/");

  // The next time the dialog starts in that folder; the file exists: Append.
  std::string offered;
  script.Answer("Select excerpt file", [&](TCustomForm& dialog) {
    offered = dynamic_cast<TEdit*>(platform::FindNamed(dialog, "Folder"))->Text();
    platform::SetControlValue(dialog, "FileName", "picked.txt");
    platform::PressControl(dialog, "OK");
  });
  Answer(0);
  pickOut();
  EXPECT_EQ(offered, folder + "/out/");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Caption, "Pick out data to file");
  EXPECT_EQ(Boxes()[0].Buttons, "Append|Overwrite|Cancel");
  EXPECT_EQ(testsupport::ReadFile(out), expected + expected);

  // Cancel leaves it as it was; Overwrite replaces it whole.
  script.Press("Select excerpt file", "OK", {{"FileName", out}});
  Answer(2);
  pickOut();
  EXPECT_EQ(testsupport::ReadFile(out), expected + expected);
  script.Press("Select excerpt file", "OK", {{"FileName", out}});
  Answer(1);
  pickOut();
  EXPECT_EQ(testsupport::ReadFile(out), expected);
  EXPECT_FALSE(IsFileExists(out + ".tmp"));

  // A file that cannot be written is told, and the old one stays whole (its temporary
  // copy cannot be made where a folder stands).
  ASSERT_TRUE(MakeFolder(out + ".tmp"));
  script.Press("Select excerpt file", "OK", {{"FileName", out}});
  Answer(1);
  Answer(0);
  pickOut();
  EXPECT_EQ(Boxes().back().Caption, "Print error");
  EXPECT_EQ(Boxes().back().Message, "Error printing data to " + out);
  EXPECT_EQ(testsupport::ReadFile(out), expected);
  EXPECT_EQ(script.Pending(), 0u);
}

}  // namespace
}  // namespace commandstest
