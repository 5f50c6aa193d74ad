// The frame around every command: each code reaches its handler with the command's
// discussion, item and block; unknown codes are reported; automatic saving is held off
// while a command runs, and the key password is asked at most once per outermost command.

#include "Commandstest.h"

#include "browse/Commandcodes.h"
#include "model/Tdiscussion.h"
#include "commands/Tautosavediscussiondisabler.h"
#include "commands/Tbrowsecommands.h"
#include "browse/Tsmartmenu.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "foundation/Tlogin.h"
#include "platform/forms/Forms.h"
#include "tests/support/Testsupport.h"

#include <functional>
#include <set>

namespace commandstest {
namespace {

using Dispatcher = CommandsTest;

// What the watching handler saw.
struct TSeen {
  int Calls = 0;
  uint8_t Code = 0;
  TBrowse* Browse = nullptr;
  std::string Text;
  int32_t Data1 = 0, Data2 = 0;
  TDiscussion* Discussion = nullptr;
  const TBrowseItem* Item = nullptr;
  TDiscBlockIndex BlockIndex;
  TDiscBlock* Block = nullptr;
  uint8_t AutoSave = 1;
};

TSeen& Seen() {
  static TSeen seen;
  return seen;
}

std::function<void(TCommand&)>& Inside() {
  static std::function<void(TCommand&)> inside;
  return inside;
}

void Watch(TCommand& command) {
  TSeen& seen = Seen();
  ++seen.Calls;
  seen.Code = command.Code;
  seen.Browse = &command.Browse;
  seen.Text = command.Text;
  seen.Data1 = command.Data1;
  seen.Data2 = command.Data2;
  seen.Discussion = command.Discussion;
  seen.Item = command.Item;
  seen.BlockIndex = command.BlockIndex;
  seen.Block = command.Block;
  seen.AutoSave = TBrowseGlobal::AutoSaveEnabled;
  if (Inside()) Inside()(command);
}

TEST_F(Dispatcher, EveryCodeOfTheTableReachesItsHandlerWithTheCommandsItemAndBlock) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  ASSERT_EQ(browse.CurrentBrowseState.CurrentItem.Children.size(), 3u);

  // Every code with a handler (every entry of the menus has one: see below) gets there
  // through the window's command entry point, with the item of the path (the second child,
  // block B) and its block.
  int handled = 0;
  for (int code = 1; code < 256; ++code) {
    if (!GetCommandHandler(uint8_t(code))) continue;
    ++handled;
    SetCommandHandler(uint8_t(code), Watch);
    Seen() = TSeen();
    Run(browse, uint8_t(code), {1}, "", code * 10, -code);
    EXPECT_EQ(Seen().Calls, 1) << code;
    EXPECT_EQ(Seen().Code, code);
    EXPECT_EQ(Seen().Browse, &browse);
    EXPECT_EQ(Seen().Data1, code * 10);
    EXPECT_EQ(Seen().Data2, -code);
    EXPECT_EQ(Seen().Discussion, d);
    EXPECT_EQ(Seen().Item, &browse.CurrentBrowseState.CurrentItem.Children[1]);
    EXPECT_EQ(Seen().BlockIndex, b);
    EXPECT_EQ(Seen().Block, d->Storages.GetDiscBlock(b));
    EXPECT_EQ(Seen().AutoSave, 0) << "automatic saving is held off while a command runs";
    EXPECT_EQ(TBrowseGlobal::AutoSaveEnabled, 1) << "and on again after it";
    ResetCommandHandlers();
  }
  EXPECT_EQ(handled, int(std::size(kBrowseCommands))) << "every command of the table, and no other code, has a handler";

  // A text argument names the block: no item and no block, even when the path names one.
  SetCommandHandler(Command_HyperReference, Watch);
  Seen() = TSeen();
  Run(browse, Command_HyperReference, {1}, "A1");
  EXPECT_EQ(Seen().Calls, 1);
  EXPECT_EQ(Seen().Text, "A1");
  EXPECT_EQ(Seen().Item, nullptr);
  EXPECT_EQ(Seen().Block, nullptr);
  EXPECT_TRUE(Seen().BlockIndex.IsEmpty());
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Dispatcher, CodesWithoutAHandlerAreReportedAndChangeNothing) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  for (int code : {0, 3, 93, 106, 255}) {
    TError::Instance().Reset();
    Reports().clear();
    const size_t history = browse.History.Count();
    Run(browse, uint8_t(code), {0});
    ASSERT_EQ(Reports().size(), 1u) << code;
    EXPECT_EQ(Reports()[0], "TBrowse::ProcessCommand - команда не обрабатывается");
    EXPECT_EQ(browse.History.Count(), history);
    EXPECT_EQ(Shown(browse), root);
    EXPECT_EQ(TBrowseGlobal::AutoSaveEnabled, 1);
  }
  TError::Instance().Reset();
  Reports().clear();
}

TEST_F(Dispatcher, EveryEntryTheMenusOfferHasAHandler) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  std::set<int> offered, unhandled;
  std::function<void(const TSmartMenuItem&)> walk = [&](const TSmartMenuItem& item) {
    if (item.Code) {
      offered.insert(item.Code);
      if (!GetCommandHandler(item.Code)) unhandled.insert(item.Code);
    }
    for (const TSmartMenuItem& sub : item.SubItems) walk(sub);
  };
  const auto walkMenus = [&] {
    browse.Menu.Build(TBrowseItemIndex(), browse.CurrentBrowseState.CurrentItem, 1);
    walk(browse.Menu.Root);
    const uint16_t rows = uint16_t(browse.CurrentBrowseState.CurrentItem.Children.size());
    for (uint16_t row = 0; row < rows; ++row) {
      TBrowseItemIndex path;
      path.Append(row);
      browse.PopupMenu.Build(path, browse.CurrentBrowseState.CurrentItem, 0);
      walk(browse.PopupMenu.Root);
    }
  };
  // A discussion's blocks, the folder tree, and both again in moderation mode.
  walkMenus();
  Run(browse, Command_Discussing);
  walkMenus();
  Run(browse, Command_BrowsingModerating);
  walkMenus();
  Run(browse, Command_Discussing);
  Run(browse, Command_Contents);
  walkMenus();
  EXPECT_TRUE(unhandled.empty()) << testing::PrintToString(unhandled);
  EXPECT_GE(offered.size(), 30u) << testing::PrintToString(offered);
}

TEST_F(Dispatcher, NestedCommandsKeepAutomaticSavingOffUntilTheOutermostEnds) {
  {
    TAutoSaveDiscussionDisabler outer;
    EXPECT_EQ(TBrowseGlobal::AutoSaveEnabled, 0);
    {
      TAutoSaveDiscussionDisabler inner;
      EXPECT_EQ(TBrowseGlobal::AutoSaveEnabled, 0);
    }
    EXPECT_EQ(TBrowseGlobal::AutoSaveEnabled, 0);
  }
  EXPECT_EQ(TBrowseGlobal::AutoSaveEnabled, 1);

  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  // The outer command runs another one on a second window, as a new search window runs
  // "Brief"/"Full" on itself.
  TBrowse* other = manager->NewFormBrowseOnBlock(ecology, a, form, 0, false);
  ASSERT_NE(other, nullptr);
  std::vector<uint8_t> during;
  SetCommandHandler(Command_Search, Watch);
  SetCommandHandler(Command_BriefFull, Watch);
  Inside() = [&](TCommand& command) {
    during.push_back(TBrowseGlobal::AutoSaveEnabled);
    if (command.Code == Command_Search) {
      Run(*other, Command_BriefFull);
      during.push_back(TBrowseGlobal::AutoSaveEnabled);
    }
  };
  Run(browse, Command_Search);
  Inside() = nullptr;
  EXPECT_EQ(during, (std::vector<uint8_t>{0, 0, 0}));
  EXPECT_EQ(TBrowseGlobal::AutoSaveEnabled, 1);

  // Off stays off: a command run while saving was already off leaves it off.
  TBrowseGlobal::AutoSaveEnabled = 0;
  Run(browse, Command_Search);
  EXPECT_EQ(TBrowseGlobal::AutoSaveEnabled, 0);
  TBrowseGlobal::AutoSaveEnabled = 1;
}

int& Asked() {
  static int asked = 0;
  return asked;
}

TEST_F(Dispatcher, TheKeyPasswordIsAskedAtMostOncePerOutermostCommand) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;

  TLoginsStorage logins;
  ASSERT_TRUE(logins.Load(folder + "/Logins.cbs"));
  TLogin login;
  login.Name = "Anna";
  ASSERT_TRUE(login.SetKeyPassword("key-password-1"));
  logins.Logins.AddItem(login);
  logins.Current = 0;
  testsupport::TScopedGlobal setLogins(LoginsStorage(), &logins);
  TGuiHooks hooks = GuiHooks();
  hooks.InputString = [](const std::string&, const std::string&, const std::string&, std::string& result, bool) {
    ++Asked();
    result = "key-password-1";
    return true;
  };
  SetGuiHooks(hooks);
  Asked() = 0;

  // The outer command and a command nested in it both need the key password.
  std::vector<bool> verified;
  SetCommandHandler(Command_Post, Watch);
  SetCommandHandler(Command_SendPost, Watch);
  Inside() = [&](TCommand& command) {
    TLogin* current = LoginsStorage()->GetCurrentLogin();
    verified.push_back(current->VerifyKeyPassword(true));
    EXPECT_EQ(current->OutsideCommand, 0);
    if (command.Code == Command_Post) {
      Run(command.Browse, Command_SendPost);
      EXPECT_EQ(current->KeyPasswordVerifiedForCommand, 1) << "a nested command keeps the flag";
      EXPECT_EQ(current->OutsideCommand, 0);
      verified.push_back(current->VerifyKeyPassword(true));
    }
  };
  Run(browse, Command_Post);
  EXPECT_EQ(verified, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(Asked(), 1);
  TLogin* current = logins.GetCurrentLogin();
  EXPECT_EQ(current->KeyPasswordVerifiedForCommand, 0) << "the outermost command clears it";
  EXPECT_EQ(current->OutsideCommand, 1);

  // The next command asks again, once.
  Run(browse, Command_Post);
  EXPECT_EQ(Asked(), 2);
  Inside() = nullptr;
}

TEST_F(Dispatcher, AChosenMenuEntryRunsItsCommand) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  form->SetBounds(0, 0, 800, 500);
  form->SetFocus();
  TBrowse& browse = form->Browse;
  browse.GoToDiscBlock(a1);
  Pump();
  ASSERT_EQ(Shown(browse), a1);
  // The "Back" button of the tool bar goes back to the root.
  TToolBar* bar = form->ToolBarHorzMenu;
  TToolButton* back = nullptr;
  for (int i = 0; i < bar->ButtonCount(); ++i)
    if (bar->Buttons(i)->Caption() == "Back") back = bar->Buttons(i);
  ASSERT_NE(back, nullptr);
  const POINT p = back->ClientToScreen(POINT{6, 6});
  person.Click(p.x, p.y);
  Pump();
  EXPECT_EQ(Shown(browse), root);
  EXPECT_EQ(browse.History.Count(), 1u) << "the new window's first state";
}

}  // namespace
}  // namespace commandstest
