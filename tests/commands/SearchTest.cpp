// Finding and copying through the menus: the full-text search with and without case into a
// new window, the last search remembered, an empty text refused, a damaged discussion
// searched to the end; "Display" of a name that exists and one that does not; a block's
// name and text on the clipboard.

#include "Commandstest.h"

#include "browse/Commandcodes.h"
#include "commands/Searchcommands.h"
#include "foundation/Guihooks.h"
#include "foundation/Tshellregistry.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tclipboard.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tpanel.h"
#include "platform/kernel/Codepage.h"
#include "tests/model/Modeltesthelpers.h"
#include "tests/support/Testsupport.h"

#include <chrono>
#include <future>

namespace commandstest {
namespace {

using Search = CommandsTest;
using Blocks = std::vector<TDiscBlockIndex>;

void SetText(TDiscussion& d, TDiscBlockIndex block, const std::string& text, const std::string& url = "",
             const std::string& formula = "") {
  TStrHashItem* texts = d.Storages.GetStrHashItem(block);
  texts->Str.Text = text;
  texts->Str.URL = url;
  texts->Str.FormulaText = formula;
}

TEST_F(Search, TextIsFoundWithAndWithoutCaseInANewWindow) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  SetText(*d, a1, "Rain in the forest");
  SetText(*d, b, "the rain falls");
  SetText(*d, c, "No word of it", "http://example.org/RAINBOW");
  SetText(*d, a2, "Дождь идёт");
  SetText(*d, a1a, "[a-z]*(.+)+$ is no pattern here");
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  const int windows = manager->Count();

  // A first search: an empty text, "Match case" ticked.
  script.Answer("Search string", [](TCustomForm& dialog) {
    EXPECT_EQ(dynamic_cast<TEdit*>(platform::FindNamed(dialog, "EditText"))->Text(), "");
    EXPECT_TRUE(dynamic_cast<TCheckBox*>(platform::FindNamed(dialog, "CheckBoxCaseSensitive"))->Checked());
    platform::SetControlValue(dialog, "EditText", "rain");
    platform::PressControl(dialog, "ButtonOk");
  });
  ASSERT_TRUE(Choose(browse, {"Search"}));
  TFormBrowse* found = Newest();
  ASSERT_EQ(manager->Count(), windows + 1);
  EXPECT_EQ(found->Caption(), "Retrieval from " + Name(root) + ": Search text 'rain'");
  EXPECT_EQ(ListedBlocks(found->Browse), (Blocks{b}));
  EXPECT_EQ(found->PanelUpperBlock->Height(), 0);
  EXPECT_EQ(TShellRegistry::ReadString(LastSearchedTextValue), "rain");
  EXPECT_EQ(TShellRegistry::ReadInteger(LastSearchCaseValue), 1);

  // Without case: the text, the address and the Cyrillic letters alike.
  script.Answer("Search string", [](TCustomForm& dialog) {
    EXPECT_EQ(dynamic_cast<TEdit*>(platform::FindNamed(dialog, "EditText"))->Text(), "rain");
    platform::SetControlValue(dialog, "CheckBoxCaseSensitive", "0");
    platform::PressControl(dialog, "ButtonOk");
  });
  ASSERT_TRUE(Choose(browse, {"Search"}));
  EXPECT_EQ(ListedBlocks(Newest()->Browse), (Blocks{a1, b, c}));
  EXPECT_EQ(TShellRegistry::ReadInteger(LastSearchCaseValue), 0);
  script.Press("Search string", "ButtonOk", {{"EditText", "ДОЖДЬ"}});
  ASSERT_TRUE(Choose(browse, {"Search"}));
  EXPECT_EQ(ListedBlocks(Newest()->Browse), (Blocks{a2}));
  // A text is matched as text, whatever signs it holds.
  script.Press("Search string", "ButtonOk", {{"EditText", "(.+)+$"}});
  ASSERT_TRUE(Choose(browse, {"Search"}));
  EXPECT_EQ(ListedBlocks(Newest()->Browse), (Blocks{a1a}));
  const int opened = manager->Count();

  // Nothing found: told, no window left; the values are kept even so.
  script.Press("Search string", "ButtonOk", {{"EditText", "snow"}});
  Answer(0);
  ASSERT_TRUE(Choose(browse, {"Search"}));
  EXPECT_EQ(Boxes().back().Caption, "Search failed");
  EXPECT_EQ(Boxes().back().Message, "There are no blocks found.");
  EXPECT_EQ(manager->Count(), opened);
  EXPECT_EQ(TShellRegistry::ReadString(LastSearchedTextValue), "snow");

  // An empty text is refused, and cancelling does nothing.
  script.Press("Search string", "ButtonOk", {{"EditText", ""}});
  Answer(0);
  ASSERT_TRUE(Choose(browse, {"Search"}));
  EXPECT_EQ(Boxes().back().Caption, "Search failed");
  EXPECT_EQ(Boxes().back().Message, "Enter the text to search for.");
  EXPECT_EQ(TShellRegistry::ReadString(LastSearchedTextValue), "snow");
  script.Press("Search string", "ButtonCancel", {{"EditText", "rain"}});
  ASSERT_TRUE(Choose(browse, {"Search"}));
  EXPECT_EQ(manager->Count(), opened);
  EXPECT_EQ(Shown(browse), root) << "the window searched from keeps its item";
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Search, ADamagedDiscussionIsSearchedToTheEnd) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  // Two comments each the upper block of the other, and a formula whose conclusion is gone.
  const TDiscBlockIndex x = modeltest::AddBlock(*d, StorageType_Comments, a, TextType_Premise, "loop x", 1);
  const TDiscBlockIndex y = modeltest::AddBlock(*d, StorageType_Comments, x, TextType_Premise, "loop y", 1);
  d->Storages.GetDiscBlock(x)->Upper = y;
  const TDiscBlockIndex f = modeltest::AddBlock(*d, StorageType_Model, a, TextType_Formula, "loop f");
  d->Storages.GetDiscBlock(f)->Conclusion = TDiscBlockIndex{StorageType_Model, 999};
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  browse.GoToDiscBlock(x);
  Pump();
  script.Press("Search string", "ButtonOk", {{"EditText", "loop"}});
  ASSERT_TRUE(Choose(browse, {"Search"}));
  const Blocks listed = ListedBlocks(Newest()->Browse);
  EXPECT_EQ(listed.size(), 2u);
  EXPECT_NE(std::find(listed.begin(), listed.end(), x), listed.end());
  EXPECT_NE(std::find(listed.begin(), listed.end(), y), listed.end());
  browse.GoToDiscBlock(a);
  Pump();
  script.Press("Search string", "ButtonOk", {{"EditText", "loop"}});
  ASSERT_TRUE(Choose(browse, {"Search"}));
  EXPECT_EQ(ListedBlocks(Newest()->Browse), (Blocks{f}));
  EXPECT_TRUE(Reports().empty());
}

std::string& Typed() {
  static std::string typed;
  return typed;
}

TEST_F(Search, DisplayGoesToANamedBlockAndCopyPutsNamesAndTextsOnTheClipboard) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  TGuiHooks hooks = GuiHooks();
  hooks.InputString = [](const std::string& caption, const std::string& prompt, const std::string& proposal,
                         std::string& result, bool) {
    EXPECT_EQ(caption, "Display block");
    EXPECT_EQ(prompt, "Enter name of wanted block:");
    EXPECT_EQ(proposal, "");
    result = Typed();
    return !result.empty();
  };
  SetGuiHooks(hooks);
  Typed() = Name(a1a);
  ASSERT_TRUE(Choose(browse, {"Display"}));
  EXPECT_EQ(Shown(browse), a1a);
  Typed() = "9.9.9";
  Answer(0);
  ASSERT_TRUE(Choose(browse, {"Display"}));
  EXPECT_EQ(Boxes().back().Caption, "Reference error");
  EXPECT_EQ(Boxes().back().Message, "Reference <9.9.9> not found!");
  EXPECT_EQ(Shown(browse), a1a);
  Typed() = "";
  ASSERT_TRUE(Choose(browse, {"Display"}));
  EXPECT_EQ(Shown(browse), a1a) << "cancelled";

  // Names and texts of rows, by the row's popup.
  browse.GoToDiscBlock(root);
  Pump();
  SetText(*d, b, "", "http://example.org/b", "<1> / 2");
  SetText(*d, c, "Первая строка\r\nвторая", "", "<2> + 1");
  Clipboard()->SetAsText("before");
  ASSERT_TRUE(ChooseInPopup(browse, {1}, {"Copy name"}));
  EXPECT_EQ(Clipboard()->AsText(), Name(b));
  ASSERT_TRUE(ChooseInPopup(browse, {1}, {"Copy text"}));
  EXPECT_EQ(Clipboard()->AsText(), "http://example.org/b\r\n<1> / 2");
  ASSERT_TRUE(ChooseInPopup(browse, {2}, {"Copy text"}));
  EXPECT_EQ(Clipboard()->AsText(), "Первая строка\r\nвторая\r\n<2> + 1");
  // By a name in a text: one that names no block is told and copies nothing.
  Run(browse, Command_CopyText, {}, Name(c));
  EXPECT_EQ(Clipboard()->AsText(), "Первая строка\r\nвторая\r\n<2> + 1");
  Answer(0);
  Run(browse, Command_CopyText, {}, "7.7");
  EXPECT_EQ(Boxes().back().Message, "Reference <7.7> not found!");
  EXPECT_EQ(Clipboard()->AsText(), "Первая строка\r\nвторая\r\n<2> + 1");
  Run(browse, Command_CopyName, {}, "7.7");
  EXPECT_EQ(Clipboard()->AsText(), "7.7");
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Search, CopiedNamesAndTextsReachAnotherXClientWhole) {
  ASSERT_TRUE(UseXServer()) << "Xvfb did not start";
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  // What xclip reads from the clipboard while the windows' loop runs.
  const auto paste = [&] {
    auto pasted = std::async(std::launch::async, [&] {
      return testsupport::Run("DISPLAY=" + xServer->Name() + " xclip -selection clipboard -o");
    });
    PumpX([&] { return pasted.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready; });
    return pasted.get();
  };
  ASSERT_TRUE(ChooseInPopup(browse, {1}, {"Copy name"}));
  EXPECT_EQ(paste(), Name(b));
  // A text far larger than one request of the X protocol.
  std::string text;
  for (int line = 0; text.size() < 400000; ++line) text += "Строка " + std::to_string(line) + " текста блока\r\n";
  SetText(*d, c, text, "http://example.org/c");
  ASSERT_TRUE(ChooseInPopup(browse, {2}, {"Copy text"}));
  const std::string got = paste();
  const std::string expected = platform::AnsiToUtf8(text + "\r\nhttp://example.org/c");
  EXPECT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected);
  manager.reset();
  Pump();
  EXPECT_TRUE(Reports().empty());
}

}  // namespace
}  // namespace commandstest
