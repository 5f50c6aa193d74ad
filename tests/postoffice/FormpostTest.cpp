// The post office window on the headless screen: what it does by itself when it opens,
// the grid of each folder cell by cell, marking by the mouse, "Perform", the closing test
// of InboxPost, and the browse window's command that opens it.

#include "Posttesthelpers.h"

#include "foundation/Browsefont.h"
#include "foundation/Fileroutines.h"
#include "foundation/Tbrowsepars.h"
#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/display/X11display.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Tgrid.h"
#include "platform/forms/Tlabel.h"
#include "platform/gui/Input.h"
#include "platform/gui/Messagequeue.h"
#include "platform/gui/Sysmetrics.h"
#include "platform/kernel/Fileapi.h"
#include "postoffice/Postcommands.h"
#include "postoffice/Tformpost.h"
#include "postoffice/Tformpostfilerecipientslist.h"
#include "platform/forms/Tpanel.h"
#include "platform/forms/Tscreen.h"
#include "tests/support/Testsupport.h"
#include "tests/support/Xvfbserver.h"

#include <functional>

using namespace posttest;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

class PostWindow : public PostTest {
 protected:
  void SetUp() override {
    PostTest::SetUp();
    ASSERT_TRUE(Post.Load());
    script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  }
  void TearDown() override {
    for (const TPostCommand& row : PostCommands()) RegisterPostCommandHandler(row.Name, nullptr);
    PostTest::TearDown();
  }
  void Message(const std::string& folder, const std::string& name, const std::string& command,
               const std::string& date, const std::string& to = "me@x", const std::string& data = "") {
    WriteMessage(folder + name, {{"FROM_USER_EMAIL", "a@x"}, {"TO_USERS_EMAILS_CRYPTED*", to}, {"COMMAND", command},
                                 {"DIDENT", "D-1"}, {"COMPOSE_DATETIME", date}}, data);
  }
  // The texts of a grid row, joined by '|'.
  static std::string Row(const TFormPost& form, int row) {
    std::string text;
    for (int col = 0; col < 5; ++col) text += (col ? "|" : "") + form.CellText(col, row);
    return text;
  }
  static void ClickCell(TFormPost& form, int col, int row, bool shift = false, bool alt = false) {
    platform::ScreenDriver().Pump();  // painted: the cells have their sizes
    const RECT cell = form.DrawGridPosts->CellRect(col, row);
    const POINT at = form.DrawGridPosts->ClientToScreen({(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2});
    platform::ScreenDriver driver;
    if (shift) driver.KeyDown(VK_SHIFT);
    if (alt) driver.KeyDown(VK_MENU);
    driver.Click(at.x, at.y);
    if (alt) driver.KeyUp(VK_MENU);
    if (shift) driver.KeyUp(VK_SHIFT);
    driver.Pump();
  }
  std::string Marks(const TFormPost& form) {
    std::string marks;
    for (int row = 1; row < form.DrawGridPosts->RowCount(); ++row) marks += form.CellText(0, row) == "+" ? '+' : '.';
    return marks;
  }

  platform::HeadlessScreen screen{1024, 768};
  platform::DialogScript script;
};

TEST_F(PostWindow, OpeningPacksTheOutboxAndTheGridShowsEachFolderCellByCell) {
  const std::string inbox = Post.Inbox.FolderPath.ToString(), outbox = Post.Outbox.FolderPath.ToString();
  Message(inbox, "QK-Eco-051219-YCI-001", "YOUR_COMMAND_IGNORED", "12/19/2005 14:05:09");
  Message(inbox, "QK-Eco-051218-YCI-001", "YOUR_COMMAND_IGNORED", "12/18/2005 09:30:00");
  Message(inbox, "QK-Eco-051218-YCI-000", "YOUR_COMMAND_IGNORED", "12/18/2005 09:30:00");
  Message(outbox, "QK-Eco-051219-NB-001", "NEW_BLOCKS", "12/19/2005 15:00:00", "b@y; c@z",
          testsupport::RandomBytes(3000, 3));
  WriteFile(Post.InboxPost.FolderPath.ToString() + "QK-Part.1_3", "first");
  WriteFile(Post.InboxPost.FolderPath.ToString() + "QK-Part.3_3", "third");

  TFormPost form(nullptr, &Post);
  form.Show();
  platform::ScreenDriver().Pump();
  // The Outbox message went into OutboxPost as its one part; the incomplete set stays.
  EXPECT_TRUE(Showed("HANDLING POST FILE", "Not enough message parts!"));
  EXPECT_TRUE(Showed("AUTO-HANDLING", "1 Outbox files\nauto-handled."));
  EXPECT_FALSE(IsFileExists(outbox + "QK-Eco-051219-NB-001"));
  EXPECT_EQ(form.FolderKind(), PostKind_OutboxPost);
  EXPECT_TRUE(form.RadioButtonOutboxPost->Checked());
  ASSERT_EQ(form.DrawGridPosts->RowCount(), 2);
  EXPECT_EQ(form.DrawGridPosts->FixedRows(), 1);
  EXPECT_EQ(Row(form, 0), "+|file name|file size|compose date/time|command");
  const uint32_t size = Post.OutboxPost.Files[0].Size;
  EXPECT_GT(size, 1000u);
  EXPECT_EQ(Row(form, 1), "+|qk-Eco-051219-NB-001.1_1|" + std::to_string(size / 1000) + "," +
                              std::to_string(size % 1000 + 1000).substr(1) + "|12/19/05 15:00:00|NEW_BLOCKS");
  EXPECT_EQ(form.LabelFromEMail->Caption(), "a@x");
  EXPECT_EQ(form.LabelToEMails->Caption(), "b@y; c@z");
  EXPECT_TRUE(form.LabelToEMails->Visible());
  EXPECT_FALSE(form.ButtonHandle->Enabled());  // nothing is performed on OutboxPost

  // Inbox: compose time, then name in byte order.
  platform::PressControl(form, "RadioButtonInbox");
  EXPECT_EQ(form.FolderKind(), PostKind_Inbox);
  ASSERT_EQ(form.DrawGridPosts->RowCount(), 4);
  EXPECT_EQ(Row(form, 1), "+|qk-Eco-051218-YCI-000|" + std::to_string(Post.Inbox.Files[0].Size) +
                              "|12/18/05 09:30:00|YOUR_COMMAND_IGNORED");
  EXPECT_EQ(form.CellText(1, 2), "qk-Eco-051218-YCI-001");
  EXPECT_EQ(form.CellText(1, 3), "qk-Eco-051219-YCI-001");
  EXPECT_FALSE(form.LabelToEMails->Visible());
  EXPECT_TRUE(form.ButtonHandle->Enabled());

  // Marks: a plain click toggles, Shift marks the range from the anchor, Alt unmarks it,
  // the header's "+" gives all the opposite of the first.
  platform::PressControl(form, "ButtonDeselectAll");
  EXPECT_EQ(Marks(form), "...");
  ClickCell(form, 0, 1);
  EXPECT_EQ(Marks(form), "+..");
  ClickCell(form, 0, 3, true);
  EXPECT_EQ(Marks(form), "+++");
  ClickCell(form, 1, 2);  // another column moves only the anchor
  ClickCell(form, 0, 3, false, true);
  EXPECT_EQ(Marks(form), "+..");
  ClickCell(form, 0, 0);
  EXPECT_EQ(Marks(form), "...");
  platform::PressControl(form, "ButtonSelectAll");
  EXPECT_EQ(Marks(form), "+++");

  // An empty folder keeps the columns as wide as their titles at least.
  platform::PressControl(form, "RadioButtonOutbox");
  ASSERT_EQ(form.DrawGridPosts->RowCount(), 1);
  AssignBrowseFont(*form.DrawGridPosts->Canvas()->Font(), TBrowsePars().ListHeaderFont);
  for (int col = 1; col < 5; ++col)
    EXPECT_GE(form.DrawGridPosts->ColWidths(col), form.DrawGridPosts->Canvas()->TextWidth(form.CellText(col, 0)))
        << form.CellText(col, 0);
  // It draws its titles as a folder with files does: the title row in the header's colour
  // (not the chosen row's) with the titles' ink on its middle line.
  form.DrawGridPosts->SetFocus();
  platform::ScreenDriver().Pump();
  const TBrowsePars pars;
  const int textHeight = form.DrawGridPosts->Canvas()->TextHeight("Wg");
  for (int col = 0; col < 5; ++col) {
    const RECT cell = form.DrawGridPosts->CellRect(col, 0);
    const HWND grid = form.DrawGridPosts->Handle();
    EXPECT_EQ(screen.WindowPixel(grid, cell.left + 1, cell.top + 1), COLORREF(pars.ListHeaderColor)) << col;
    int ink = 0;
    for (int x = cell.left; x < cell.right; ++x)
      ink += screen.WindowPixel(grid, x, cell.top + pars.ListHeaderMarginV + textHeight / 2) ==
             COLORREF(pars.ListHeaderFont.Color);
    EXPECT_GT(ink, 3 * int(form.CellText(col, 0).size())) << form.CellText(col, 0);
  }

  // InboxPost shows file times under its own title.
  platform::PressControl(form, "RadioButtonInboxPost");
  EXPECT_EQ(form.CellText(3, 0), "file date/time");
  EXPECT_EQ(form.CellText(1, 1).substr(0, 8), "qk-Part.");

  // Closing tells of the incomplete set that came since, not of the one the opening told
  // of, and saves the post state.
  WriteFile(Post.InboxPost.FolderPath.ToString() + "QK-Late.2_2", "second");
  Post.InboxPost.Refresh(Post);
  Boxes.clear();
  form.Close();
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Caption, "INCOMPLETED INBOXPOST POSTFILES");
  EXPECT_EQ(Boxes[0].Text.substr(0, 46), "This postfiles in InboxPost are incompleted:\n\r");
  EXPECT_EQ(Boxes[0].Text.substr(Boxes[0].Text.size() - 13), "  QK-Late (1)");
  EXPECT_EQ(Boxes[0].Text.find("QK-Part"), std::string::npos) << Boxes[0].Text;
  EXPECT_TRUE(IsFileExists(Root + "PostFiles.cbs"));
}

// A received message's sender and command come from another participant: each is shown as
// one line, its control characters escaped, whatever it holds.
TEST_F(PostWindow, AReceivedSenderAndCommandShowAsOneLineEach) {
  const std::string hostile = "\x1B[2J\r\nERROR MESSAGE: forged\x98",
                    escaped = "\\x1B[2J\\r\\nERROR MESSAGE: forged\\x98";
  WriteMessage(Post.Inbox.FolderPath.ToString() + "QK-Eco-051219-YCI-001",
               {{"FROM_USER_EMAIL", "a@x" + hostile},
                {"TO_USERS_EMAILS_CRYPTED*", "me@x"},
                {"COMMAND", "BOGUS" + hostile},
                {"DIDENT", "D-1"},
                {"COMPOSE_DATETIME", "12/19/2005 14:05:09"}});
  TFormPost form(nullptr, &Post);
  form.Show();
  platform::ScreenDriver().Pump();
  platform::PressControl(form, "RadioButtonInbox");
  ASSERT_EQ(form.DrawGridPosts->RowCount(), 2);
  EXPECT_EQ(form.CellText(4, 1), "BOGUS" + escaped);
  EXPECT_EQ(form.LabelFromEMail->Caption(), "a@x" + escaped);
}

TEST_F(PostWindow, PerformHandlesTheMarkedFilesAndAnUnknownOneStopsNothing) {
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  // Sorts first and carries no command anybody knows.
  WriteFile(inbox + "AAA-garbage", "not a command message at all");
  Message(inbox, "QK-Eco-051219-YCI-001", "YOUR_COMMAND_IGNORED", "12/19/2005 14:05:09");
  Message(inbox, "QK-Eco-051219-YCI-002", "YOUR_COMMAND_IGNORED", "12/19/2005 14:06:00");
  std::vector<std::string> handled;
  RegisterPostCommandHandler("YOUR_COMMAND_IGNORED", [&handled](TPostFilesHandler&, const std::string& path) {
    handled.push_back(path.substr(path.rfind('/') + 1));
    return true;
  });
  TFormPost form(nullptr, &Post);
  form.Show();
  platform::PressControl(form, "RadioButtonInbox");
  ASSERT_EQ(form.DrawGridPosts->RowCount(), 4);
  EXPECT_EQ(form.CellText(4, 1), "");
  platform::PressControl(form, "ButtonHandle");
  EXPECT_EQ(handled, (std::vector<std::string>{"QK-Eco-051219-YCI-001", "QK-Eco-051219-YCI-002"}));
  EXPECT_TRUE(Showed("HANDLING POST FILE", "The Inbox file AAA-garbage is no sealed command message"));
  // The handled messages are gone; the refused file waits set aside, out of the grid.
  EXPECT_FALSE(IsFileExists(inbox + "QK-Eco-051219-YCI-001"));
  EXPECT_FALSE(IsFileExists(inbox + "AAA-garbage"));
  EXPECT_TRUE(IsFileExists(inbox + "Set aside/AAA-garbage"));
  EXPECT_EQ(form.DrawGridPosts->RowCount(), 1);
  EXPECT_FALSE(form.Running());

  // Nothing to handle: a beep.
  platform::PressControl(form, "RadioButtonOutbox");
  EXPECT_FALSE(form.ButtonHandle->Enabled());
  const int beeps = screen.Beeps();
  platform::PressControl(form, "ButtonHandle");
  EXPECT_EQ(screen.Beeps(), beeps + 1);
  form.Close();
}

// "Perform" looks as it acts: on an Inbox that its run emptied it is greyed, drawn as on an
// Inbox that never held a file, and drawn enabled while a file waits.
TEST_F(PostWindow, PerformOnAnEmptiedInboxIsGreyedAsOnANeverFilledOne) {
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  RegisterPostCommandHandler("YOUR_COMMAND_IGNORED", [](TPostFilesHandler&, const std::string&) { return true; });
  TFormPost form(nullptr, &Post);
  form.Show();
  const auto perform = [&] {
    platform::ScreenDriver().Pump();
    std::vector<COLORREF> pixels;
    const HWND button = form.ButtonHandle->Handle();
    for (int y = 0; y < form.ButtonHandle->Height(); ++y)
      for (int x = 0; x < form.ButtonHandle->Width(); ++x) pixels.push_back(screen.WindowPixel(button, x, y));
    return pixels;
  };
  platform::PressControl(form, "RadioButtonInbox");
  ASSERT_EQ(form.DrawGridPosts->RowCount(), 1);
  EXPECT_FALSE(form.ButtonHandle->Enabled());
  const std::vector<COLORREF> neverFilled = perform();

  Message(inbox, "QK-Eco-051219-YCI-001", "YOUR_COMMAND_IGNORED", "12/19/2005 14:05:09");
  platform::PressControl(form, "RadioButtonOutbox");
  platform::PressControl(form, "RadioButtonInbox");
  ASSERT_EQ(form.DrawGridPosts->RowCount(), 2);
  EXPECT_TRUE(form.ButtonHandle->Enabled());
  EXPECT_NE(perform(), neverFilled);

  platform::PressControl(form, "ButtonHandle");
  EXPECT_FALSE(IsFileExists(inbox + "QK-Eco-051219-YCI-001"));
  ASSERT_EQ(form.DrawGridPosts->RowCount(), 1);
  EXPECT_FALSE(form.ButtonHandle->Enabled());
  EXPECT_EQ(form.ButtonHandle->Caption(), "Perform");
  EXPECT_EQ(perform(), neverFilled);
  // Greyed, it does nothing but beep.
  const int beeps = screen.Beeps();
  platform::PressControl(form, "ButtonHandle");
  EXPECT_EQ(screen.Beeps(), beeps + 1);
  form.Close();
}

TEST_F(PostWindow, ClosingTheWindowDuringARunEndsTheRunAfterItsFileAndThenTheWindow) {
  const std::string inbox = Post.Inbox.FolderPath.ToString();
  for (const char* name : {"QK-A-1", "QK-A-2", "QK-A-3"})
    Message(inbox, name, "YOUR_COMMAND_IGNORED", std::string("12/19/2005 14:0") + name[5] + ":00");
  std::vector<std::string> handled;
  HWND window = nullptr;
  RegisterPostCommandHandler("YOUR_COMMAND_IGNORED", [&](TPostFilesHandler&, const std::string& path) {
    handled.push_back(path.substr(path.rfind('/') + 1));
    if (handled.size() == 1) PostMessage(window, WM_CLOSE, 0, 0);  // the user closes the window
    return true;
  });
  TFormPost form(nullptr, &Post);
  script.Answer("post", [&](TCustomForm& shown) {
    window = shown.Handle();
    platform::PressControl(shown, "RadioButtonInbox");
    platform::PressControl(shown, "ButtonHandle");
    EXPECT_FALSE(form.Running());
  });
  form.ShowModal();
  EXPECT_EQ(form.ModalResult(), mrCancel);
  EXPECT_EQ(handled, (std::vector<std::string>{"QK-A-1", "QK-A-2"}));
  EXPECT_TRUE(IsFileExists(inbox + "QK-A-3"));
  EXPECT_FALSE(IsFileExists(inbox + "QK-A-1"));
  EXPECT_TRUE(IsFileExists(Root + "PostFiles.cbs"));
}

// Under a real X server: the window comes up and a click through the server marks a file.
class PostWindowX11 : public PostTest {};

TEST_F(PostWindowX11, TheWindowComesUpOnTheXServerAndAClickThroughItMarksAFile) {
  xvfbtest::XvfbServer server("1024x768x24");
  ASSERT_TRUE(server.Running());
  platform::X11Display display(server.Name());
  ASSERT_TRUE(display.Connected());
  display.Install();
  ASSERT_TRUE(Post.Load());
  WriteMessage(Post.Inbox.FolderPath.ToString() + "QK-X-1",
               {{"FROM_USER_EMAIL", "a@x"}, {"COMMAND", "YOUR_COMMAND_IGNORED"},
                {"COMPOSE_DATETIME", "12/19/2005 14:05:09"}});
  TFormPost form(nullptr, &Post);
  form.Show();
  platform::PressControl(form, "RadioButtonInbox");
  platform::PressControl(form, "ButtonDeselectAll");
  const auto waitFor = [&display](const std::function<bool()>& done) {
    return testsupport::Eventually([&] {
      display.WaitForInput(10);
      Application->ProcessMessages();
      return done();
    });
  };
  ASSERT_TRUE(waitFor([&] { return display.XWindowOf(form.Handle()) != 0 && form.DrawGridPosts->RowCount() == 2; }));
  ASSERT_TRUE(waitFor([&] { return form.DrawGridPosts->CellRect(0, 1).right > 0; }));
  const RECT cell = form.DrawGridPosts->CellRect(0, 1);
  const POINT at = form.DrawGridPosts->ClientToScreen({(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2});
  SetCursorPos(at.x, at.y);
  mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  EXPECT_TRUE(waitFor([&] { return form.CellText(0, 1) == "+"; }));
  form.Close();
}

// A file for 25 people with long addresses: the window's line of addresses ends in its own
// box, left of the buttons, at the window's first size and maximised; "To EMails:" lists
// them all in a window as high as they need, within the work area.
TEST_F(PostWindowX11, ManyLongAddressesStayLeftOfTheButtonsAndTheirListGrowsWithThem) {
  xvfbtest::XvfbServer server("1024x768x24");
  ASSERT_TRUE(server.Running());
  platform::X11Display display(server.Name());
  ASSERT_TRUE(display.Connected());
  display.Install();
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  ASSERT_TRUE(Post.Load());
  std::string to;
  for (int i = 0; i < 25; ++i)
    to += (i ? "; " : "") + std::string("participant.number.") + std::to_string(i) + "@a-long-domain-name.example.org";
  WriteMessage(Post.Outbox.FolderPath.ToString() + "QK-Eco-051219-NB-001",
               {{"FROM_USER_EMAIL", "a@x"},
                {"TO_USERS_EMAILS_CRYPTED*", to},
                {"COMMAND", "NEW_BLOCKS"},
                {"DIDENT", "D-1"},
                {"COMPOSE_DATETIME", "12/19/2005 15:00:00"}});
  TFormPost form(nullptr, &Post);
  form.Show();  // packs the Outbox and shows OutboxPost with the file selected
  const auto waitFor = [&display](const std::function<bool()>& done) {
    return testsupport::Eventually([&] {
      display.WaitForInput(10);
      Application->ProcessMessages();
      return done();
    });
  };
  ASSERT_TRUE(waitFor([&] { return display.XWindowOf(form.Handle()) != 0 && form.LabelToEMails->Caption() == to; }));
  const auto clearOfTheButtons = [&] {
    const TLabel& value = *form.LabelToEMails;
    int line = 0;
    form.Canvas()->Font()->Assign(value.Font());
    line = form.Canvas()->TextHeight("Wg");
    EXPECT_LT(value.Left() + value.Width(), form.Button2->Left());
    EXPECT_GT(value.Width(), 200) << "the addresses keep the room there is";
    EXPECT_GE(value.Height(), line) << "the line is not cut below";
    EXPECT_EQ(value.EllipsisPosition(), epEndEllipsis);
    EXPECT_LE(form.ButtonClose->Left() + form.ButtonClose->Width(), form.PanelBottom->Width());
  };
  clearOfTheButtons();
  form.SetWindowState(wsMaximized);
  ASSERT_TRUE(waitFor([&] { return form.Width() > 1000; }));
  clearOfTheButtons();

  int rows = 0, shownRows = 0, listHeight = 0;
  script.Answer("Command-message recipients list", [&](TCustomForm& list) {
    auto& window = dynamic_cast<TFormPostFileRecipientsList&>(list);
    rows = window.MemoEMails->Lines()->Count();
    window.Canvas()->Font()->Assign(window.MemoEMails->Font());
    shownRows = window.MemoEMails->ClientHeight() / window.Canvas()->TextHeight("Wg");
    listHeight = list.Height();
    platform::PressControl(list, "Button1");
  });
  platform::PressControl(form, "ButtonToEMails");
  EXPECT_EQ(rows, 25);
  EXPECT_GE(shownRows, 25) << "every address shows without scrolling";
  const RECT area = Screen->WorkAreaRect();
  EXPECT_LE(listHeight, area.bottom - area.top);
  EXPECT_EQ(script.Pending(), 0u);
  form.Close();
}

}  // namespace
