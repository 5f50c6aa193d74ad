// The list commands through the menus of a window over a discussion made with the model:
// retrieval lists of every kind in new windows with their captions and rows, post lists
// named by number, the history, the thesis disputants, the chain up to the monograph, the
// formulas of a conclusion, and the graph.

#include "Commandstest.h"

#include "browse/Commandcodes.h"
#include "browse/Tgraph.h"
#include "model/Calculateformula.h"
#include "model/Modelhooks.h"
#include "model/Themeoperations.h"
#include "model/Treaderproperty.h"
#include "platform/rtl/Tdatetime.h"
#include "platform/forms/Tpanel.h"
#include "tests/model/Modeltesthelpers.h"
#include "tests/support/Testsupport.h"

#include <functional>
#include <utility>

namespace commandstest {
namespace {

using Lists = CommandsTest;
using Blocks = std::vector<TDiscBlockIndex>;

TEST_F(Lists, RetrievalListsOpenInNewWindowsWithTheirCaptionsAndRows) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  d->Storages.GetDiscBlock(c)->Importance = 1;
  d->Storages.GetDiscBlock(a1a)->Importance = 1;
  d->Storages.GetDiscBlock(a2)->Novelty = 1;
  ASSERT_TRUE(AddTheme(d->Themes, *d, TStr("Air")));
  ASSERT_TRUE(AddBlockToTheme(d->Themes, *d, 0, b));
  // The reader's marks, a conclusion, a comment and a note of their days, a moderated comment.
  for (auto [block, mark] : {std::pair{a1, Mark_False}, std::pair{c, Mark_Interesting}, std::pair{a1a, Mark_Trite}})
    d->ReaderProperties.Items[d->FindReaderProperty(block, true)].Mark = mark;
  const TDiscBlockIndex conclusion = modeltest::AddBlock(*d, StorageType_Model, b, TextType_Conclusion, "K");
  const TDiscBlockIndex comment = modeltest::AddBlock(*d, StorageType_Comments, a2, TextType_Premise, "comment", 1);
  const TDiscBlockIndex note = modeltest::AddBlock(*d, StorageType_Notes, c, TextType_Premise, "note");
  const TDiscBlockIndex moderated =
      modeltest::AddBlock(*d, StorageType_ModeratedComments, a, TextType_Premise, "moderated", 2);
  d->Storages.GetDiscBlock(comment)->SetDate(EncodeDate(2025, 3, 4));
  d->Storages.GetDiscBlock(note)->SetDate(EncodeDate(2025, 5, 6));
  browse.CurrentBrowseItemChanged(true);
  Pump();
  const int windows = manager->Count();

  struct TCase {
    std::string Entry, Caption;
    Blocks Rows;
  };
  const std::string from = "Retrieval from " + Name(root) + ": ";
  const TCase cases[] = {{"Significant", from + "Significant", {a1a, c}},
                         {"New", from + "New", {a2}},
                         {"Theme Air", from + "Theme Air", {b}},
                         {"Arguable", from + "Arguable", {a, a2, c}},
                         {"False", from + "False", {a1}},
                         {"Interesting", from + "Interesting", {c}},
                         {"Trite", from + "Trite", {a1a}},
                         {"Conclusions", from + "Conclusions", {conclusion}},
                         {"Moderated comments", from + "Moderated comments", {moderated}},
                         {"03/04/2025", from + "Comments published on 03/04/2025", {comment}},
                         {"05/06/25", from + "Notes composed on 05/06/2025", {note}}};
  for (const TCase& entry : cases) {
    ASSERT_TRUE(Choose(browse, {"Retrieval", entry.Entry})) << entry.Entry;
    TFormBrowse* list = Newest();
    ASSERT_NE(list, form);
    EXPECT_EQ(list->Caption(), entry.Caption);
    EXPECT_EQ(ListedBlocks(list->Browse), entry.Rows) << entry.Entry;
    EXPECT_EQ(list->PanelUpperBlock->Height(), 0) << "the list alone is shown";
    EXPECT_EQ(list->Browse.CurrentBrowseState.DisplayMode, DisplayMode_Brief);
    list->Close();
    Pump();
  }
  // The window that asked keeps its item and its list.
  EXPECT_EQ(Shown(browse), root);
  EXPECT_EQ(ListedBlocks(browse), (Blocks{a, b, c}));

  // Nothing found: told, and no window stays.
  Answer(0);
  ASSERT_TRUE(Choose(browse, {"Retrieval", "Problem"}));
  ASSERT_FALSE(Boxes().empty());
  EXPECT_EQ(Boxes().back().Caption, "");
  EXPECT_EQ(Boxes().back().Message, "Such blocks are lacking in the discussion branch");
  EXPECT_EQ(manager->Count(), windows);

  // Erased blocks are found over the whole discussion, whatever block is shown.
  d->Storages.GetDiscBlock(a2)->SetDeleteFlag(*d, a2, DeleteFlag_Erased, 0);
  browse.GoToDiscBlock(b);
  Pump();
  ASSERT_TRUE(Choose(browse, {"Retrieval", "Erased"}));
  EXPECT_EQ(Newest()->Caption(), "Retrieval: Erased");
  EXPECT_EQ(ListedBlocks(Newest()->Browse), (Blocks{a2}));
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Lists, APostListIsListedByItsNumberAndOnlyOneSuchListStaysOpen) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  TBlocksPostList& posts = d->User.PostLists;
  ASSERT_TRUE(posts.AddNewItem(*d));
  ASSERT_TRUE(posts.AddNewItem(*d));
  ASSERT_GE(posts.AddBlockToItem(*d, 1, d->Storages.GetDiscBlock(b)->GetDiscBlockCode()), 0);
  ASSERT_GE(posts.AddBlockToItem(*d, 1, d->Storages.GetDiscBlock(a1)->GetDiscBlockCode()), 0);
  // The first list goes: the second is now the first of the lists, and keeps its number 2.
  posts.Items.Delete(0);
  ASSERT_EQ(posts.Items[0].Number, 2);
  posts.Items[0].Name = "Monday";
  browse.CurrentBrowseItemChanged(true);
  Pump();
  const int windows = manager->Count();
  ASSERT_TRUE(Choose(browse, {"Retrieval", "Monday"}));
  TFormBrowse* first = Newest();
  EXPECT_EQ(first->Caption(), "Retrieval: Monday");
  EXPECT_EQ(ListedBlocks(first->Browse), (Blocks{a1, b}));
  // A second list of a post list closes the first.
  ASSERT_TRUE(Choose(browse, {"Retrieval", "Monday"}));
  EXPECT_EQ(manager->Count(), windows + 1);
  EXPECT_NE(Newest(), first);
  EXPECT_EQ(Newest()->Caption(), "Retrieval: Monday");
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Lists, HistoryDisputantsChainAndFormulas) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;

  // History: the blocks opened, in a window of its own.
  browse.GoToDiscBlock(a1);
  browse.GoToDiscBlock(c);
  Pump();
  ASSERT_TRUE(Choose(browse, {"History"}));
  TFormBrowse* history = Newest();
  ASSERT_NE(history, form);
  EXPECT_EQ(history->Caption(), "History");
  Blocks visited;
  for (const TDiscBlockCode& code : d->User.Visited) visited.push_back(d->Storages.FindDiscBlockIndex(code));
  std::sort(visited.begin(), visited.end(), [&](TDiscBlockIndex x, TDiscBlockIndex y) { return Name(x) < Name(y); });
  Blocks listed = ListedBlocks(history->Browse);
  std::sort(listed.begin(), listed.end(), [&](TDiscBlockIndex x, TDiscBlockIndex y) { return Name(x) < Name(y); });
  EXPECT_EQ(listed, visited);
  EXPECT_NE(std::find(listed.begin(), listed.end(), a1), listed.end());
  EXPECT_EQ(Shown(browse), c) << "this window stays";

  // The chain from a comment of a comment up to its model block.
  const TDiscBlockIndex comment = modeltest::AddBlock(*d, StorageType_Comments, a1, TextType_Premise, "comment", 1);
  const TDiscBlockIndex reply = modeltest::AddBlock(*d, StorageType_Comments, comment, TextType_Premise, "reply", 2);
  browse.GoToDiscBlock(reply);
  Pump();
  ASSERT_TRUE(Choose(browse, {"Chain"}));
  EXPECT_EQ(Shown(browse), a1);
  EXPECT_EQ(ListedBlocks(browse), (Blocks{comment, reply}));
  Run(browse, Command_Back);
  EXPECT_EQ(Shown(browse), reply);

  // The thesis disputants: the authors of the comments below.
  browse.GoToDiscBlock(a1);
  Pump();
  if (Choose(browse, {"Service", "The thesis disputants"})) {
    TFormBrowse* disputants = Newest();
    EXPECT_EQ(disputants->Caption(), "<" + Name(a1) + "> thesis disputants");
    EXPECT_GT(disputants->Browse.CurrentBrowseState.Rows.Count(), 0u);
  } else {
    ADD_FAILURE() << "no thesis disputants in the menu";
  }

  // The formulas of a conclusion, and one of them chosen to compute it.
  const TDiscBlockIndex conclusion = modeltest::AddBlock(*d, StorageType_Model, root, TextType_Conclusion, "K");
  const TDiscBlockIndex half = modeltest::AddBlock(*d, StorageType_Model, conclusion, TextType_Formula, "half");
  const TDiscBlockIndex quarter = modeltest::AddBlock(*d, StorageType_Model, conclusion, TextType_Formula, "quarter");
  const TDiscBlockIndex wrong = modeltest::AddBlock(*d, StorageType_Model, conclusion, TextType_Formula, "wrong");
  d->Storages.GetDiscBlock(a)->Possibility = 80;
  for (auto [block, text] : {std::pair{half, "<" + Name(a) + "> / 2"}, std::pair{quarter, "<" + Name(a) + "> / 4"},
                             std::pair{wrong, std::string("1 +")}}) {
    d->Storages.GetDiscBlock(block)->Conclusion = conclusion;
    d->Storages.GetStrHashItem(block)->Str.FormulaText = text;
  }
  browse.GoToDiscBlock(conclusion);
  Pump();
  ASSERT_TRUE(Choose(browse, {"Formulas"}));
  EXPECT_EQ(ListedBlocks(browse), (Blocks{half, quarter, wrong}));
  d->Undo.StartStep();
  ASSERT_TRUE(ChooseInPopup(browse, {1}, {"Formula"}));
  EXPECT_EQ(GetPossibilityInForce(*d, conclusion), 20);
  TBrowseItemIdent k;
  k.SetDiscBlock(*d, conclusion);
  const TBrowseItemIdent* chosen = d->User.GetSecondBrowseItemIdent(k, UserRelation_SelectedFormula);
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(chosen->Code, d->Storages.GetDiscBlock(quarter)->GetDiscBlockCode());
  // A faulty formula is told and changes nothing.
  Answer(0);
  ASSERT_TRUE(ChooseInPopup(browse, {2}, {"Formula"}));
  EXPECT_EQ(Boxes().back().Caption, "FORMULA ERROR");
  EXPECT_EQ(Boxes().back().Message.rfind("There is incorrect formula 1 +:\n", 0), 0u) << Boxes().back().Message;
  EXPECT_EQ(GetPossibilityInForce(*d, conclusion), 20);
  EXPECT_TRUE(Reports().empty());
}

// An author who published no data is named by the address wherever an author is shown:
// the author field of the comment rows, the rows of "The thesis disputants" and the title
// of the window that opens the author; the login's own record, not even with an address
// yet, by the login's address. A named author keeps the short name.
TEST_F(Lists, AnAuthorWithoutDataIsNamedByTheAddressInRowsListsAndTitles) {
  UseSystemFonts();
  const testsupport::TScopedGlobal<std::function<TModelLogin()>> login(ModelHooks().CurrentLogin, [] {
    return TModelLogin{3, TStr("L-me"), TStr("me@x.ru")};
  });
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  const int ant = d->Authors.CreateAuthor(*d, TStr("L-ant"), 2, 0);
  d->Authors.Author(ant).AutomaticEMail = TStr("ant@x.ru");
  ASSERT_GE(d->Authors.CreateAuthor(*d, TStr("L-me"), 3, 0), 0);
  const int bee = d->Authors.CreateAuthor(*d, TStr("L-bee"), 4, 0);
  d->Authors.Author(bee).AutomaticEMail = TStr("bee@x.ru");
  d->Authors.Author(bee).FirstName = TStr("Beatrix");
  d->Authors.Author(bee).LastName = TStr("Kiddo");
  const TDiscBlockIndex comment = modeltest::AddBlock(*d, StorageType_Comments, a1, TextType_Premise, "mine", 2);
  const TDiscBlockIndex named = modeltest::AddBlock(*d, StorageType_Comments, a1, TextType_Premise, "hers", 4);
  modeltest::AddBlock(*d, StorageType_Notes, a1, TextType_Premise, "a note of mine");
  TBrowse& browse = form->Browse;
  const TBrowsePars& settings = *browse.Settings;
  browse.GoToDiscBlock(a1);
  Pump();

  // The comment rows: the author field of the selected service row.
  const auto serviceRow = [](TBrowse& on, auto&& wanted) {
    TBrowseState& state = on.CurrentBrowseState;
    for (int row = 0; row < state.RowCount(); ++row) {
      const TBrowseItem* item = state.Row(row).GetBrowseItem(state.CurrentItem);
      if (state.Row(row).RowType == LowerListRow_Service && item && wanted(*item)) return row;
    }
    return -1;
  };
  for (const auto& [block, name] : {std::pair{comment, "ant@x.ru"}, std::pair{named, "B.Kiddo"}}) {
    const int row = serviceRow(browse, [&](const TBrowseItem& item) { return item.GetDiscBlockIndex() == block; });
    ASSERT_GE(row, 0) << name;
    browse.SelectLowerListRow(row, false);
    EXPECT_TRUE(RowShowsText(*form, row, name, settings.ServiceLineFont)) << name;
  }

  // The thesis disputants: each author a row named.
  ASSERT_TRUE(Choose(browse, {"Service", "The thesis disputants"}));
  TFormBrowse* disputants = Newest();
  ASSERT_NE(disputants, form);
  const auto authorRow = [&](uint16_t adident) {
    return serviceRow(disputants->Browse, [&](const TBrowseItem& item) {
      return item.Kind() == BrowseItem_Author && item.Ident.ADIdent == adident;
    });
  };
  for (const auto& [adident, name] :
       {std::pair{uint16_t(2), "ant@x.ru"}, std::pair{uint16_t(3), "me@x.ru"}, std::pair{uint16_t(4), "B.Kiddo"}}) {
    const int row = authorRow(adident);
    ASSERT_GE(row, 0) << name;
    EXPECT_TRUE(RowShowsText(*disputants, row, name, settings.ServiceLineFont)) << name;
    EXPECT_FALSE(RowShowsText(*disputants, row, "[" + std::to_string(adident) + "]", settings.ServiceLineFont));
  }

  // The window that opens an author is titled with the name.
  disputants->Browse.SelectLowerListRow(authorRow(2), false);
  disputants->SetFocus();
  person.PressKey(VK_RETURN);
  Pump();
  ASSERT_EQ(disputants->Browse.CurrentBrowseState.CurrentItem.Kind(), BrowseItem_Author);
  EXPECT_EQ(disputants->Caption(), "ant@x.ru");
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Lists, TheGraphIsShownAndFormedAgainAfterAChange) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  form->SetBounds(0, 0, 800, 600);
  TBrowse& browse = form->Browse;
  ASSERT_TRUE(Choose(browse, {"Graph"}));
  EXPECT_TRUE(form->PanelGraph->Visible());
  EXPECT_EQ(form->Caption(), "Graph");
  TGraph& graph = DiscussionGraph(*d);
  EXPECT_TRUE(graph.IsBuilt());
  EXPECT_NE(graph.FindNode(a1a), nullptr);
  // A block added behind the graph's back is there once the graph is formed again.
  const TDiscBlockIndex added = modeltest::AddBlock(*d, StorageType_Model, b, TextType_Premise, "B1");
  graph.DeleteDiscBlock(added);
  ASSERT_EQ(graph.FindNode(added), nullptr);
  browse.GoToDiscBlock(b);
  Pump();
  ASSERT_TRUE(Choose(browse, {"Service", "Reform Graph"}));
  EXPECT_TRUE(form->PanelGraph->Visible());
  EXPECT_NE(graph.FindNode(added), nullptr);
  EXPECT_EQ(form->Caption(), "Graph");
  EXPECT_TRUE(Reports().empty());
}

}  // namespace
}  // namespace commandstest
