#include "Apptesthelpers.h"
#include "app/Guidialogs.h"
#include "app/Tformerror.h"
#include "app/Tstartupdriver.h"
#include "dialogs/Tformbrowsepars.h"
#include "dialogs/Tformprogress.h"
#include "foundation/Helpdocument.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Tlogin.h"
#include "foundation/Tshellregistry.h"
#include "foundation/Ttempcursor.h"
#include "model/Tdiscussionsmanager.h"
#include "model/Unsavedchanges.h"
#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/forms/Forms.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The headless screen with the program's dialogs as forms, answered by a script.
struct TGuiScreen {
  platform::HeadlessScreen screen{800, 600};
  platform::DialogScript script;
  TGuiScreen() {
    script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
    RegisterGuiDialogs();
  }
  ~TGuiScreen() { SetGuiHooks(TGuiHooks()); }
};

std::string CaptionOf(TCustomForm& form, const std::string& name) {
  auto* control = dynamic_cast<TControl*>(platform::FindNamed(form, name));
  return control ? control->Caption() : std::string("<none>");
}

TEST(Guidialogs, MessageBoxesHaveTheGivenButtonsAndAnswerTheirIndex) {
  TGuiScreen gui;
  std::vector<std::string> captions;
  gui.script.Answer("Pick out data to file", [&](TCustomForm& form) {
    for (const char* name : {"Button0", "Button1", "Button2", "Button3"}) captions.push_back(CaptionOf(form, name));
    EXPECT_EQ(CaptionOf(form, "LabelMessage"), "The file exists.");
    EXPECT_EQ(CaptionOf(form, "LabelThird"), "/tmp/x.txt");
    platform::PressControl(form, "Button1");
  });
  EXPECT_EQ(ShowMessageBox("Pick out data to file", "The file exists.", "/tmp/x.txt", "Append|Overwrite|Cancel", 0), 1);
  EXPECT_EQ(captions, (std::vector<std::string>{"Append", "Overwrite", "Cancel", "<none>"}));
  // A question without "Cancel" has no cancelling answer: Escape and the frame's close
  // leave it open until a button answers; a box with "Cancel" answers it.
  gui.script.Answer("QUESTION", [](TCustomForm& form) {
    EXPECT_FALSE(form.BorderIcons().Contains(biSystemMenu));
    platform::ScreenDriver().PressKey(VK_ESCAPE);
    EXPECT_EQ(form.ModalResult(), mrNone);
    EXPECT_FALSE(form.CloseQuery());  // the frame's close is refused
    platform::PressControl(form, "Button0");
  });
  EXPECT_EQ(ShowMessageBox("QUESTION", "Go on?", "", "Keep|Change", 1), 0);
  gui.script.Answer("Pick out data to file", [](TCustomForm& form) { form.Close(); });
  EXPECT_EQ(ShowMessageBox("Pick out data to file", "The file exists.", "", "Append|Cancel|Overwrite", 0), 1);
  gui.script.Press("NOTICE", "Button0");
  EXPECT_EQ(ShowMessageBox("NOTICE", "Done."), 0);
  EXPECT_EQ(gui.script.Pending(), 0u);
}

TEST(Guidialogs, InputBoxesGiveTheTextOnOkAndHidePasswords) {
  TGuiScreen gui;
  std::string result = "untouched";
  gui.script.Answer("LOGIN", [](TCustomForm& form) {
    auto* edit = dynamic_cast<TEdit*>(platform::FindNamed(form, "EditValue"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->PasswordChar(), '*');
    EXPECT_EQ(CaptionOf(form, "LabelPrompt"), "Key password of Анна:");
    platform::SetControlValue(form, "EditValue", "secret key");
    platform::PressControl(form, "ButtonOk");
  });
  EXPECT_TRUE(InputString("LOGIN", "Key password of Анна:", "", result, true));
  EXPECT_EQ(result, "secret key");
  gui.script.Answer("NAME", [](TCustomForm& form) {
    auto* edit = dynamic_cast<TEdit*>(platform::FindNamed(form, "EditValue"));
    EXPECT_EQ(edit->PasswordChar(), 0);
    EXPECT_EQ(edit->Text(), "proposal");
    platform::PressControl(form, "ButtonCancel");
  });
  result = "untouched";
  EXPECT_FALSE(InputString("NAME", "Your name:", "proposal", result, false));
  EXPECT_EQ(result, "untouched");
  // A question without a prompt still labels its edit.
  // The proposed name is selected, so that what the user types replaces it.
  gui.script.Answer("Enter Nickname", [](TCustomForm& form) {
    EXPECT_EQ(CaptionOf(form, "LabelPrompt"), "Enter Nickname:");
    auto* edit = dynamic_cast<TEdit*>(platform::FindNamed(form, "EditValue"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->SelText(), "NewDiscussionNickName");
    platform::PressControl(form, "ButtonOk");
  });
  EXPECT_TRUE(InputString("Enter Nickname", "", "NewDiscussionNickName", result, false));
  // A long prompt is seen whole: the box and its edit are as wide as it.
  const std::string prompt =
      "Key of somebody@example.org, for the NEW_BLOCKS message of discussion Ecology. OK with "
      "no Key sets the message aside; Cancel leaves it for the next run:";
  gui.script.Answer("KEY", [&](TCustomForm& form) {
    EXPECT_EQ(CaptionOf(form, "LabelPrompt"), prompt);
    const auto* label = dynamic_cast<TControl*>(platform::FindNamed(form, "LabelPrompt"));
    const auto* edit = dynamic_cast<TControl*>(platform::FindNamed(form, "EditValue"));
    ASSERT_NE(label, nullptr);
    ASSERT_NE(edit, nullptr);
    EXPECT_GT(label->Width(), 360);
    EXPECT_LE(label->Left() + label->Width(), form.ClientWidth());
    EXPECT_EQ(edit->Width(), label->Width());
    platform::PressControl(form, "ButtonCancel");
  });
  EXPECT_EQ(InputStringOrButton("KEY", prompt, "", result, true, "Ask no more"), TInputAnswer::Cancelled);
}

TEST(Guidialogs, TheErrorWindowsButtonsTerminateOrReload) {
  TAppScratch s;
  TGuiScreen gui;
  std::vector<std::string> seen;
  gui.script.Answer("ERROR", [&](TCustomForm& form) {
    seen.push_back(CaptionOf(form, "MemoError"));
    seen.push_back(CaptionOf(form, "ButtonTerminate"));
    seen.push_back(CaptionOf(form, "ButtonTerminateAndReload"));
    form.Close();  // closed: the program goes on
  });
  TError::Report("TDiscBlockStorages::GetDiscBlock - неверный индекс");
  EXPECT_EQ(seen, (std::vector<std::string>{"TDiscBlockStorages::GetDiscBlock - неверный индекс",
                                            "Terminate Quillaran", "Terminate and reload Quillaran"}));
  EXPECT_TRUE(IsErrorReported());
  EXPECT_FALSE(TError::Instance().IsTerminateRequested());

  gui.script.Press("ERROR", "ButtonTerminate");
  TError::Report("second");
  EXPECT_TRUE(TError::Instance().IsTerminateRequested());
  EXPECT_FALSE(TError::Instance().IsReloadRequested());

  TError::Instance().Reset();
  gui.script.Press("ERROR", "ButtonTerminateAndReload");
  TError::Report("third");
  EXPECT_TRUE(TError::Instance().IsTerminateRequested());
  EXPECT_TRUE(TError::Instance().IsReloadRequested());
  EXPECT_NE(s.Log().find("ERROR MESSAGE: third"), std::string::npos);
}

// Two discussions of one name, both changed before another fails: the error window saves
// both and tells them apart by their folders, as a nameless one is told by its folder.
TEST(Guidialogs, TheErrorWindowTellsTheSavedDiscussionsApartByTheirFolders) {
  TAppScratch s;
  TGuiScreen gui;
  TDiscussionsManager manager;
  ASSERT_TRUE(manager.Init(TStr(s.Home)));
  const testsupport::TScopedGlobal<TDiscussionsManager*> registered(DiscussionsManager(), &manager);
  for (const int16_t root : {manager.CreatedRoot, manager.DiscussedRoot}) {
    const int index = manager.CreateNewDiscussion(root, "Rivers", true, 0);
    ASSERT_GE(index, 0);
    TDiscussion& rivers = manager.GetDiscussion(index);
    rivers.Undo.AddStrFieldChange(UndoObject_DiscussionInfo, InfoField_Name, rivers.Info.Name);
    rivers.Info.Name = "The rivers of the north";
    rivers.Undo.StartStep();  // a later action of the user's fails
  }
  const int ponds = manager.CreateNewDiscussion(manager.CreatedRoot, "Ponds", true, 0);
  ASSERT_GE(ponds, 0);
  manager.GetDiscussion(ponds).Info.Annotation = "Still water";
  manager.GetDiscussion(ponds).Undo.StartStep();
  std::string shown;
  gui.script.Answer("ERROR", [&](TCustomForm& form) {
    shown = CaptionOf(form, "MemoError");
    form.Close();
  });
  TError::Report("TDiscussion::Save - ошибка записи");
  EXPECT_EQ(shown,
            "TDiscussion::Save - ошибка записи\r\n\r\n"
            "Saved: \"The rivers of the north\" in Created/Rivers, \"The rivers of the north\" in "
            "Discussed/Rivers, Created/Ponds.");
  for (int i = 0; i < manager.GetDiscussionsCount(); ++i) EXPECT_FALSE(HasUnsavedChanges(manager.GetDiscussion(i)));
}

TEST(Guidialogs, ANewUserLogsInThroughTheDialogs) {
  TAppScratch s;
  TGuiScreen gui;
  auto input = [&](const char* caption, const char* value) {
    gui.script.Press(caption, "ButtonOk", {{"EditValue", value}});
  };
  gui.script.Press("CREATING LOGIN", "Button0");  // the notice that there is no login
  input("CREATING LOGIN", "Анна");
  input("CREATING LOGIN", "anna@example.org");
  input("CREATING LOGIN", kKey);
  input("CREATING LOGIN", kKey);
  const testsupport::TClosedPort closed;
  const std::string nowhere = "127.0.0.1:" + std::to_string(closed.Port());
  input("MAIL ACCOUNT", nowhere.c_str());
  input("MAIL ACCOUNT", nowhere.c_str());
  input("MAIL ACCOUNT", "anna");
  input("MAIL ACCOUNT", "pop secret");
  gui.script.Press("MAIL ACCOUNT", "Button0");  // the servers did not answer: kept
  const char* args[] = {"quillaran", "/DET"};
  {
    TStartupDriver driver;
    ASSERT_EQ(driver.Start(2, args), TStartupDriver::TStart::Running);
    EXPECT_EQ(driver.Logins()->GetCurrentLogin()->EMail.SMTPServer.ToString(), nowhere);
    driver.Shutdown();
  }
  EXPECT_EQ(gui.script.Pending(), 0u);
  // The next start: a wrong key password is told under "LOGIN ERROR", then the right one.
  input("LOGIN", "wrong key");
  gui.script.Press("LOGIN ERROR", "Button0");
  input("LOGIN", kKey);
  TStartupDriver driver;
  ASSERT_EQ(driver.Start(2, args), TStartupDriver::TStart::Running);
  EXPECT_EQ(driver.Logins()->GetCurrentLogin()->Name, "Анна");
  EXPECT_EQ(gui.script.Pending(), 0u);
}

TEST(Guidialogs, TheProgressWindowGrowsWithItsStatusAndStaysCentred) {
  TGuiScreen gui;
  TFormProgress progress(nullptr);
  progress.ShowCentered();
  EXPECT_TRUE(progress.Visible());
  const int narrow = progress.Width();
  EXPECT_EQ(progress.Left(), (800 - narrow) / 2);
  progress.SetStatus("Packing");
  EXPECT_EQ(progress.Width(), narrow);
  EXPECT_EQ(CaptionOf(progress, "LabelStatus"), "Packing");
  // The next step repaints its text, not the window, and before SetStatus returns.
  std::vector<RECT> painted;
  progress.OnPaint = [&](TObject*) { painted.push_back(progress.Canvas()->ClipRect()); };
  progress.SetStatus("Sending");
  const RECT label = dynamic_cast<TControl*>(platform::FindNamed(progress, "LabelStatus"))->BoundsRect();
  ASSERT_EQ(painted.size(), 1u);
  EXPECT_TRUE(painted[0].left >= label.left && painted[0].top >= label.top && painted[0].right <= label.right &&
              painted[0].bottom <= label.bottom);
  progress.OnPaint = nullptr;
  progress.SetStatus(std::string(120, 'W'));
  EXPECT_GT(progress.Width(), narrow);
  EXPECT_EQ(progress.Left(), (800 - progress.Width()) / 2);
  EXPECT_EQ(progress.Status(), std::string(120, 'W'));
}

// While a server is waited for, a window says what is tried and the pointer is busy;
// both go when the waiting ends.
TEST(Guidialogs, WaitingForAServerShowsWhatIsTriedWithTheBusyPointer) {
  TGuiScreen gui;
  Screen->SetCursor(crDefault);
  const auto shown = [] {
    std::string status = "<none>";
    for (int i = 0; i < Screen->FormCount(); ++i)
      if (Screen->Forms(i)->Caption() == "Please, wait" && Screen->Forms(i)->Visible())
        status = CaptionOf(*Screen->Forms(i), "LabelStatus");
    return status;
  };
  {
    TWaitingNotice waiting("MAIL ACCOUNT", "Trying the servers...");
    EXPECT_EQ(shown(), "Trying the servers...");
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    waiting.Tell("Trying the SMTP server smtp.example.org:587...");
    EXPECT_EQ(shown(), "Trying the SMTP server smtp.example.org:587...");
  }
  EXPECT_EQ(shown(), "<none>");
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST(Guidialogs, ATemporaryCursorIsPutBack) {
  TGuiScreen gui;
  Screen->SetCursor(crDefault);
  {
    TTempCursor busy;
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    {
      TTempCursor other(crSQLWait);
      EXPECT_EQ(Screen->Cursor(), crSQLWait);
    }
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
  }
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

}  // namespace

namespace {

TEST(Guidialogs, TheSettingsDialogChecksStoresAndCancels) {
  TAppScratch s;
  TGuiScreen gui;
  TBrowsePars pars;
  const std::string path = s.Home + "/BrowsePars.cbs";
  gui.script.Answer("Customize", [&](TCustomForm& form) {
    EXPECT_EQ(dynamic_cast<TEdit*>(platform::FindNamed(form, "EditPostPartSize"))->Text(), "512");
    platform::SetControlValue(form, "EditPostPartSize", "0");  // parts of nothing
    platform::PressControl(form, "ButtonOk");                    // refused: the dialog stays
    EXPECT_EQ(form.ModalResult(), mrNone);
    platform::SetControlValue(form, "EditPostPartSize", " 2048 ");
    platform::SetControlValue(form, "CheckBoxAutoBackup", "1");
    platform::SetControlValue(form, "EditAutoBackupFolder", "/home/u/Резерв");
    platform::SetControlValue(form, "EditExternalBrowser", "/usr/bin/firefox");
    platform::PressControl(form, "ButtonOk");
  });
  gui.script.Press("SETTINGS", "Button0");
  {
    TFormBrowsePars dialog(nullptr);
    ASSERT_TRUE(dialog.Execute(pars, path));
  }
  EXPECT_EQ(gui.script.Pending(), 0u);
  EXPECT_EQ(pars.PostPartSizeKB, 2048);
  EXPECT_EQ(pars.AutoBackup, 1);
  EXPECT_EQ(pars.AutoBackupFolder, "/home/u/Резерв");
  TBrowsePars stored;
  ASSERT_TRUE(stored.Load(path));
  EXPECT_TRUE(stored == pars);
  EXPECT_EQ(TShellRegistry::ReadString("ExternalInternetExplorer"), "/usr/bin/firefox");
  EXPECT_NE(testsupport::ReadFile(TFormBrowsePars::IniFilePath()).find("[TFormBrowsePars]"), std::string::npos);
  EXPECT_NE(testsupport::ReadFile(TFormBrowsePars::IniFilePath()).find("FormVersion=0"), std::string::npos);

  // Cancelled: nothing changes.
  gui.script.Answer("Customize", [](TCustomForm& form) {
    platform::SetControlValue(form, "EditPostPartSize", "99");
    platform::PressControl(form, "ButtonCancel");
  });
  TFormBrowsePars dialog(nullptr);
  EXPECT_FALSE(dialog.Execute(pars, path));
  EXPECT_EQ(pars.PostPartSizeKB, 2048);
}

TEST(Guidialogs, HelpWithoutAnOpenerSaysWhichOneIsMissing) {
  TAppScratch s;
  TGuiScreen gui;
  testsupport::WriteFile(s.Home + "/Quillaran.html", "<html></html>");
  SetHelpDocumentFolder(s.Home);
  const std::string path = getenv("PATH") ? getenv("PATH") : "";
  setenv("PATH", (s.Folder + "/empty").c_str(), 1);
  std::string told;
  gui.script.Answer("DOS COMMAND LINE ERROR", [&](TCustomForm& form) {
    told = CaptionOf(form, "LabelMessage");
    platform::PressControl(form, "Button0");
  });
  EXPECT_FALSE(OpenHelp(1));
  setenv("PATH", path.c_str(), 1);
  SetHelpDocumentFolder("");
  EXPECT_NE(told.find("\"xdg-open\" cannot be started"), std::string::npos) << told;
  EXPECT_NE(told.find("xdg-utils"), std::string::npos) << told;
  EXPECT_NE(told.find("\"Customize\""), std::string::npos) << told;
}

}  // namespace
