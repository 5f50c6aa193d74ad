// The lower-list builders over discussions made with the model: which blocks, authors and
// folders each list shows, in which order, with which rows, and the refusals.

#include "Lowerlisttest.h"

#include "browse/Browsecommand.h"
#include "browse/Lowerlistcollectors.h"
#include "browse/Tformbrowse.h"
#include "foundation/Terror.h"
#include "platform/forms/Tpanel.h"
#include "postoffice/Tpostfile.h"

#include <filesystem>
#include <functional>
#include <set>

namespace browsetest {
namespace {

using LowerListBuilders = LowerListTest;

TBrowseItemIdent IdentOf(TDiscussion& d, TDiscBlockIndex block) {
  TBrowseItemIdent ident;
  ident.SetDiscBlock(d, block);
  return ident;
}

TEST_F(LowerListBuilders, ChildrenOfABlockInTheirOrderAndRows) {
  const TDiscBlockIndex m1 = Add(StorageType_Model, root);
  const TDiscBlockIndex m2 = Add(StorageType_Model, root);
  Add(StorageType_Model, root, TextType_Heading);
  Block(Add(StorageType_Model, root)).DeleteFlag = DeleteFlag_Erased;
  Block(Add(StorageType_Model, root)).DeleteFlag = DeleteFlag_Recycled;
  Block(Add(StorageType_Model, root)).DeleteFlag = DeleteFlag_Crossed;

  Show(root);
  browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
  EXPECT_EQ(Names(), "1 2 3.* 6");
  EXPECT_EQ(Types(), "12121212");
  EXPECT_EQ(browse.CurrentBrowseState.ListKind, ListKind_Children);
  EXPECT_TRUE(browse.LowerList.LayoutRequested());

  // In full display every child but the heading shows its text too.
  browse.CurrentBrowseState.DisplayMode = DisplayMode_Full;
  browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
  EXPECT_EQ(Types(), "12312312123");
  const TBrowseItem& current = browse.CurrentBrowseState.CurrentItem;
  ASSERT_EQ(current.Children.size(), 4u);
  EXPECT_EQ(current.Children[2].DisplayMode, DisplayMode_Brief);
  EXPECT_EQ(current.Children[3].DisplayMode, DisplayMode_Full);
  EXPECT_EQ(current.Children[0].Level, 0);
  // Every row of child i carries the path [i].
  EXPECT_TRUE(browse.CurrentBrowseState.Rows[4].ItemIndex == Path({1}));
  EXPECT_EQ(browse.CurrentBrowseState.Rows[0].Height, browse.LowerList.ServiceRowHeight());
  EXPECT_EQ(browse.CurrentBrowseState.Rows[1].Height, Block(m1).HeightMode1);

  // Under a model block: notes, model blocks, moderated comments, then comments by day
  // (signed), author (signed) and number.
  Add(StorageType_Comments, m1, TextType_Premise, "", 7, 10);       // 7-1
  Add(StorageType_Comments, m1, TextType_Premise, "", 3, 10);       // 3-2
  Add(StorageType_Comments, m1, TextType_Premise, "", 3, 5);        // 3-3
  Add(StorageType_Comments, m1, TextType_Premise, "", 3, 10);       // 3-4
  Add(StorageType_Comments, m1, TextType_Premise, "", 0x9000, 10);  // 36864-5
  Add(StorageType_Comments, m1, TextType_Premise, "", 50, -3);      // 50-6
  Block(Add(StorageType_Comments, m1, TextType_Premise, "", 1, 1)).DeleteFlag = DeleteFlag_Erased;
  Add(StorageType_ModeratedComments, m1, TextType_Premise, "", 9, 0);
  Add(StorageType_Notes, m1);
  Add(StorageType_Model, m1);
  browse.CurrentBrowseState.DisplayMode = DisplayMode_Brief;
  Show(m1);
  browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
  EXPECT_EQ(Names(), "N-1 1.1 9-1M 50-6 3-3 36864-5 3-2 3-4 7-1");

  // Under a comment: no model blocks, comments of both kinds and notes.
  const TDiscBlockIndex comment = d->Storages.FindDiscBlockIndexByName("7-1");
  Add(StorageType_Comments, comment, TextType_Premise, "", 4, 20);
  Add(StorageType_ModeratedComments, comment, TextType_Premise, "", 9, 0);
  Add(StorageType_Notes, comment);
  Block(Add(StorageType_Notes, comment)).DeleteFlag = DeleteFlag_Recycled;
  Show(comment);
  browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
  EXPECT_EQ(Names(), "N-2 9-2M 4-8");

  // A block without children gives an empty list.
  Show(m2);
  browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
  EXPECT_EQ(Types(), "");
  EXPECT_TRUE(browse.CurrentBrowseState.CurrentItem.Children.empty());
}

TEST_F(LowerListBuilders, ChildrenThatAreAllHeadingsLeaveTheWindowBrief) {
  const TDiscBlockIndex part = Add(StorageType_Model, root, TextType_Heading);
  Add(StorageType_Model, part, TextType_Heading);
  Add(StorageType_Model, part, TextType_Heading);
  Show(part);
  browse.CurrentBrowseState.DisplayMode = DisplayMode_Full;
  browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
  EXPECT_EQ(Names(), "1.1.* 1.2.*");
  EXPECT_EQ(Types(), "1212");
  EXPECT_EQ(browse.CurrentBrowseState.DisplayMode, DisplayMode_Brief);
}

TEST_F(LowerListBuilders, AHeadingUnfoldsInPlace) {
  Add(StorageType_Model, root);
  const TDiscBlockIndex part = Add(StorageType_Model, root, TextType_Heading);
  Add(StorageType_Model, root);
  Add(StorageType_Model, part);
  Add(StorageType_Model, part, TextType_Heading);
  Show(root);
  browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
  ASSERT_EQ(Names(), "1 2.* 3");
  browse.SelectLowerListRow(4, false);
  browse.CurrentBrowseState.DisplayMode = DisplayMode_Full;

  // The children of "2.*" go right under its rows, with paths below it.
  browse.BuildLowerList_JustLowerList(Path({1}), 4);
  EXPECT_EQ(Names(), "1 2.* 2.1 2.2.* 3");
  EXPECT_EQ(Types(), "12121231212");
  const TBrowseState& state = browse.CurrentBrowseState;
  EXPECT_TRUE(state.Rows[4].ItemIndex == Path({1, 0}));
  EXPECT_TRUE(state.Rows[7].ItemIndex == Path({1, 1}));
  EXPECT_TRUE(state.Rows[9].ItemIndex == Path({2}));
  EXPECT_EQ(state.SelectedRow, 9);  // the row selected before moved down with the insertion
  EXPECT_EQ(state.ListKind, ListKind_Children);
  EXPECT_EQ(state.CurrentItem.Children[1].Children[0].Level, 1);
}

TEST_F(LowerListBuilders, TheRowChosenLastTimeIsSelectedAgain) {
  Add(StorageType_Model, root);
  Add(StorageType_Model, root);
  const TDiscBlockIndex third = Add(StorageType_Model, root);
  d->User.SetBrowseItemIdentsPair(*d, IdentOf(*d, root), IdentOf(*d, third), ListKind_Children);
  Show(root);
  browse.LowerList.ScrollDone();
  browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
  EXPECT_EQ(browse.CurrentBrowseState.SelectedRow, 4);
  EXPECT_TRUE(browse.LowerList.ScrollRequested());

  // Another list of the same item keeps its own choice: none here.
  browse.ModerationMode = 1;
  browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
  EXPECT_EQ(browse.CurrentBrowseState.ListKind, ListKind_ModerationChildren);
  EXPECT_EQ(browse.CurrentBrowseState.SelectedRow, 0);
  EXPECT_EQ(browse.LowerList.AnchorRow(), -1);
}

TEST_F(LowerListBuilders, TheModeratorsRootListsTheCommentsOfDoubtfulAuthors) {
  const TDiscBlockIndex m1 = Add(StorageType_Model, root);
  Add(StorageType_ModeratedComments, m1, TextType_Premise, "", 9, 2);
  Add(StorageType_ModeratedComments, m1, TextType_Premise, "", 8, 1);
  Block(Add(StorageType_ModeratedComments, m1, TextType_Premise, "", 9, 1)).DeleteFlag = DeleteFlag_Erased;
  Add(StorageType_ModeratedComments, m1, TextType_Premise, "", 9, 1);
  Add(StorageType_ModeratedComments, m1, TextType_Premise, "", 5, 1);
  ModelHooks().GetAuthorModerateType = [](const TStr&, uint16_t adident, int& type) {
    if (adident == 5) return ModerationCall_NotDone;  // the library has no word on this author
    type = adident == 9 ? ModerateType_Doubtful : ModerateType_Trustworthy;
    return ModerationCall_Done;
  };
  browse.ModerationMode = 1;
  Show(root);
  browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
  EXPECT_EQ(Names(), "9-4M 9-1M");
  EXPECT_EQ(browse.CurrentBrowseState.CurrentItem.DisplayMode, DisplayMode_Full);
}

TEST_F(LowerListBuilders, AListOfTheWrongItemIsRefusedAndStaysEmpty) {
  ShowAuthor(3);
  browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
  EXPECT_EQ(TakeReport(), "TBrowse::BuildLowerList_JustLowerList - тип элемента просмотра неверный");
  EXPECT_EQ(Types(), "");
  const struct {
    void (*build)(TBrowse&);
    const char* text;
  } refusals[] = {
      {[](TBrowse& b) { b.BuildLowerList_ChainToMonography(); },
       "TBrowse::BuildLowerList_ChainToMonography - тип элемента просмотра неверен"},
      {[](TBrowse& b) { b.BuildLowerList_FormulasForTextTo(); },
       "TBrowse::BuildLowerList_FormulasForTextTo - тип элемента просмотра неверен"},
      {[](TBrowse& b) { b.BuildLowerList_History(); }, "TBrowse::BuildLowerList_History - тип элемента просмотра неверен"},
      {[](TBrowse& b) { b.BuildLowerList_ThesisDisputants(); },
       "TBrowse::BuildLowerList_ThesisDisputants - тип элемента просмотра неверен"},
      {[](TBrowse& b) { b.BuildLowerList_MonoGroupChilds(0); },
       "TBrowse::BuildLowerList_MonoGroupChilds - тип элемента просмотра неверен"},
  };
  for (const auto& refusal : refusals) {
    refusal.build(browse);
    EXPECT_EQ(TakeReport(), refusal.text);
    EXPECT_EQ(Types(), "");
  }
  Show(root);
  EXPECT_FALSE(browse.BuildLowerList_BlocksOfAuthor(0));
  EXPECT_EQ(TakeReport(), "TBrowse::BuildLowerList_BlocksOfAuthor - тип элемента просмотра неверен");
  EXPECT_EQ(browse.CurrentBrowseState.SpecCaptionType, 0);

  // Two blocks of unknown storages cannot be ordered.
  EXPECT_EQ(LowerDiscBlocksCompare(*d, TDiscBlockIndex{7, 0}, TDiscBlockIndex{StorageType_Model, 0}), 0);
  EXPECT_EQ(TakeReport(), "LowerDiscBlocksCompare - неизвестный тип хранилища блоков?");
}

TEST_F(LowerListBuilders, BlocksOfAnAuthor) {
  ModelHooks().CurrentLogin = [] { return TModelLogin{1, TStr("L-me"), TStr("me@x")}; };
  ASSERT_GE(d->Authors.CreateAuthor(*d, TStr("L-me"), 4, 0), 0);
  const TDiscBlockIndex m1 = Add(StorageType_Model, root);
  Add(StorageType_Comments, m1, TextType_Premise, "", 4, 3);   // 4-1
  Add(StorageType_Comments, m1, TextType_Premise, "", 7, 1);   // 7-2
  Add(StorageType_Comments, m1, TextType_Heading, "", 4, 1);   // 4-3
  Block(Add(StorageType_Comments, m1, TextType_Premise, "", 4, 1)).DeleteFlag = DeleteFlag_Erased;
  Add(StorageType_ModeratedComments, m1, TextType_Premise, "", 4, 9);  // 4-1M
  Add(StorageType_Notes, m1);                                           // N-1
  Block(Add(StorageType_Notes, m1)).DeleteFlag = DeleteFlag_Recycled;   // N-2

  ShowAuthor(4);
  EXPECT_TRUE(browse.BuildLowerList_BlocksOfAuthor(0));
  EXPECT_EQ(Names(), "N-1 4-1M 4-3 4-1");
  EXPECT_EQ(Types(), "1212312" "12");  // moderated comments show in full
  EXPECT_EQ(browse.CurrentBrowseState.ListKind, ListKind_BlocksOfAuthor);

  // In a discussion in creating mode every block but a heading shows in full.
  browse.CurrentBrowseState.Creating = 1;
  EXPECT_TRUE(browse.BuildLowerList_BlocksOfAuthor(0));
  EXPECT_EQ(Types(), "123123121" "23");
  browse.CurrentBrowseState.Creating = 0;

  // Another author's list has no notes; in moderation only moderated comments count.
  ShowAuthor(7);
  EXPECT_TRUE(browse.BuildLowerList_BlocksOfAuthor(0));
  EXPECT_EQ(Names(), "7-2");
  ShowAuthor(4);
  EXPECT_TRUE(browse.BuildLowerList_BlocksOfAuthor(1));
  EXPECT_EQ(Names(), "4-1M");
  EXPECT_EQ(browse.CurrentBrowseState.CurrentItem.DisplayMode, DisplayMode_Full);
  EXPECT_EQ(browse.CurrentBrowseState.CurrentItem.Children[0].Moderation, 1);

  // An author without blocks is told.
  ShowAuthor(7);
  Answer(0);
  EXPECT_FALSE(browse.BuildLowerList_BlocksOfAuthor(1));
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Caption, "THE EXPERT'S COMMENTS");
  EXPECT_EQ(Boxes()[0].Message, "There are no the expert's comments");
  EXPECT_EQ(Types(), "");
}

TEST_F(LowerListBuilders, AnAuthorWithoutBlocksSendsTheWindowBack) {
  const TDiscBlockIndex m1 = Add(StorageType_Model, root);
  TFormBrowse* form = OpenOn(ecology);
  TBrowse& window = form->Browse;
  // The window's "Back": the last state of the history comes back.
  std::vector<std::string> commands;
  BrowseCommandHandler() = [&](TBrowse& backed, const TBrowseItemIndex* path, const TBrowseItem* item,
                               const std::string& text, uint8_t code, TShiftState, int32_t data1, int32_t data2) {
    commands.push_back(std::to_string(code) + " " + std::to_string(path->Length()) + " " +
                       std::to_string(item->Ident.ADIdent) + " [" + text + "] " + std::to_string(data1) + " " +
                       std::to_string(data2));
    TBrowseState last = backed.History[backed.History.Count() - 1];
    backed.History.Delete(backed.History.Count() - 1);
    backed.SetCurrentBrowseState(last);
  };

  // With one state behind, the empty list stays.
  TBrowseItem author;
  author.Ident.Kind = BrowseItem_Author;
  author.Ident.ADIdent = 12;
  Answer(0);
  window.History.Clear();  // as the first move of a new window: only its empty first state behind
  window.OpenBrowseItem(author);
  ASSERT_EQ(window.History.Count(), 1u);
  EXPECT_EQ(window.CurrentBrowseState.CurrentItem.Kind(), BrowseItem_Author);
  EXPECT_EQ(form->PanelUpperBlock->Height(), 0);
  EXPECT_TRUE(commands.empty());

  // With more, the window goes back to the block it came from.
  TBrowseItem item;
  item.Ident.SetDiscBlock(*d, m1);
  window.OpenBrowseItem(item);
  Answer(0);
  window.OpenBrowseItem(author);
  BrowseCommandHandler() = nullptr;
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0], "12 0 12 [] -1 -1");
  EXPECT_EQ(window.CurrentBrowseState.CurrentItem.Kind(), BrowseItem_Block);
  EXPECT_EQ(window.CurrentBrowseState.CurrentItem.Ident.Index, m1);
  EXPECT_EQ(window.History.Count(), 2u);
  EXPECT_EQ(Boxes().size(), 2u);
}

TEST_F(LowerListBuilders, TheChainUpToTheModel) {
  const TDiscBlockIndex m1 = Add(StorageType_Model, root);
  const TDiscBlockIndex c1 = Add(StorageType_Comments, m1, TextType_Premise, "", 7);
  const TDiscBlockIndex c2 = Add(StorageType_Comments, c1, TextType_Premise, "", 3);
  const TDiscBlockIndex note = Add(StorageType_Notes, c2);
  Show(note);
  browse.CurrentBrowseState.DisplayMode = DisplayMode_Full;
  EXPECT_EQ(browse.BuildLowerList_ChainToMonography(), m1);
  EXPECT_EQ(Names(), "7-1 3-2 N-1");
  EXPECT_EQ(Types(), "121212");
  EXPECT_EQ(browse.CurrentBrowseState.ListKind, ListKind_Chain);

  Show(c1);
  EXPECT_EQ(browse.BuildLowerList_ChainToMonography(), m1);
  EXPECT_EQ(Names(), "7-1");

  // A model block has no chain; the walk stops at once.
  Show(m1);
  EXPECT_EQ(browse.BuildLowerList_ChainToMonography(), m1);
  EXPECT_EQ(Types(), "");

  // A comment cut off from its upper block ends the chain without a model block, and an
  // upper-block cycle in damaged data ends too.
  Block(c1).Upper.Clear();
  Show(note);
  EXPECT_TRUE(browse.BuildLowerList_ChainToMonography().IsEmpty());
  EXPECT_EQ(Names(), "7-1 3-2 N-1");
  Block(c1).Upper = c2;
  EXPECT_TRUE(browse.BuildLowerList_ChainToMonography().IsEmpty());
}

TEST_F(LowerListBuilders, FormulasThatComputeABlock) {
  const TDiscBlockIndex m1 = Add(StorageType_Model, root, TextType_Conclusion);
  const auto formula = [&](uint8_t storage, uint16_t adident, TDiscBlockIndex conclusion, uint8_t textType) {
    const TDiscBlockIndex block = Add(storage, root, textType, "", adident);
    Block(block).Conclusion = conclusion;
    return block;
  };
  formula(StorageType_Comments, 5, m1, TextType_Formula);
  formula(StorageType_Model, 0xFFFF, m1, TextType_Formula);
  formula(StorageType_Notes, 0xFFFF, m1, TextType_Formula);
  formula(StorageType_Model, 0xFFFF, m1, TextType_Premise);  // not a formula
  Block(formula(StorageType_Model, 0xFFFF, m1, TextType_Formula)).DeleteFlag = DeleteFlag_Erased;
  formula(StorageType_Model, 0xFFFF, root, TextType_Formula);  // computes another block
  Show(m1);
  browse.BuildLowerList_FormulasForTextTo();
  EXPECT_EQ(Names(), "N-1 2 5-1");
  EXPECT_EQ(Types(), "121212");
  EXPECT_EQ(browse.CurrentBrowseState.ListKind, ListKind_Formulas);
}

TEST_F(LowerListBuilders, TheHistoryIsTheSameForEveryBlock) {
  const TDiscBlockIndex m1 = Add(StorageType_Model, root);
  const TDiscBlockIndex m2 = Add(StorageType_Model, root);
  const TDiscBlockIndex c1 = Add(StorageType_Comments, m1, TextType_Premise, "", 7);
  d->User.AddVisited(Block(m2).GetDiscBlockCode());
  d->User.AddVisited(Block(c1).GetDiscBlockCode());
  d->User.AddVisited(TDiscBlockCode{StorageType_Notes, 99});  // no such block
  d->User.AddVisited(Block(m1).GetDiscBlockCode());
  for (TDiscBlockIndex block : {m1, c1}) {
    Show(block);
    browse.BuildLowerList_History();
    EXPECT_EQ(Names(), "2 7-1 1");
    EXPECT_EQ(Types(), "121212");
    EXPECT_EQ(browse.CurrentBrowseState.ListKind, ListKind_History);
  }
}

TEST_F(LowerListBuilders, TheDisputantsOfAThesis) {
  ModelHooks().CurrentLogin = [] { return TModelLogin{1, TStr("L-me"), TStr("me@x")}; };
  ASSERT_GE(d->Authors.CreateAuthor(*d, TStr("L-me"), 4, 0), 0);
  const TDiscBlockIndex m1 = Add(StorageType_Model, root);
  const TDiscBlockIndex m2 = Add(StorageType_Model, root);
  const TDiscBlockIndex m11 = Add(StorageType_Model, m1);
  const TDiscBlockIndex c1 = Add(StorageType_Comments, m11, TextType_Premise, "", 7);
  Block(Add(StorageType_Comments, c1, TextType_Premise, "", 50)).DeleteFlag = DeleteFlag_Erased;
  Add(StorageType_Comments, c1, TextType_Premise, "", 0xFFFF);
  Add(StorageType_ModeratedComments, m1, TextType_Premise, "", 0x9000);
  const TDiscBlockIndex note = Add(StorageType_Notes, c1);
  Add(StorageType_Comments, note, TextType_Premise, "", 33);  // below a note: not looked at
  Add(StorageType_Notes, m1);

  Show(m1);
  browse.BuildLowerList_ThesisDisputants();
  EXPECT_EQ(Names(), "A36864 A0 A4 A7 A50 A65535");
  EXPECT_EQ(Types(), "111111");
  const TBrowseState& state = browse.CurrentBrowseState;
  EXPECT_EQ(state.ListKind, ListKind_ThesisDisputants);
  EXPECT_EQ(state.SpecCaptionType, 3);
  EXPECT_EQ(state.SecondBlock, m1);

  // The thesis's own author is listed at its place; alone when nothing lies below.
  Show(c1);
  browse.BuildLowerList_ThesisDisputants();
  EXPECT_EQ(Names(), "A4 A7 A50 A65535");
  Show(m2);
  browse.BuildLowerList_ThesisDisputants();
  EXPECT_EQ(Names(), "A0");
}

// The disputants of every block of a random discussion (threads, answers to notes, model
// blocks under comments), against the definition walked block by block: the authors of the
// blocks reached through listed links, the login's for notes, none below a note.
TEST_F(LowerListBuilders, TheDisputantsOfEveryBlockAreTheAuthorsReachedBelowIt) {
  ModelHooks().CurrentLogin = [] { return TModelLogin{1, TStr("L-me"), TStr("me@x")}; };
  ASSERT_GE(d->Authors.CreateAuthor(*d, TStr("L-me"), 4, 0), 0);
  constexpr uint8_t Types[] = {StorageType_Model, StorageType_Comments, StorageType_Comments,
                               StorageType_ModeratedComments, StorageType_Notes};
  uint32_t state = 11;
  const auto below = [&](uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % n;
  };
  std::vector<TDiscBlockIndex> blocks{root};
  for (int i = 0; i < 400; ++i) {
    const TDiscBlockIndex upper = blocks[blocks.size() - 1 - below(uint32_t(std::min<size_t>(blocks.size(), 30)))];
    blocks.push_back(Add(Types[below(5)], upper, TextType_Premise, "", uint16_t(10 + below(40))));
  }
  const std::function<void(TDiscBlockIndex, std::set<uint16_t>&)> reach = [&](TDiscBlockIndex block,
                                                                             std::set<uint16_t>& authors) {
    for (const TDiscBlockIndex child : blocks) {
      if (child == root || Block(child).Upper != block || !IsListedChildStorage(block.StorageType, child.StorageType))
        continue;
      if (child.StorageType == StorageType_Notes) {
        authors.insert(4);
        continue;
      }
      authors.insert(child.StorageType == StorageType_Model ? ModelAuthorADIdent : Block(child).ADIdent);
      reach(child, authors);
    }
  };
  for (const TDiscBlockIndex thesis : blocks) {
    if (thesis.StorageType == StorageType_Notes) continue;
    std::set<uint16_t> expected{thesis.StorageType == StorageType_Model ? ModelAuthorADIdent : Block(thesis).ADIdent};
    reach(thesis, expected);
    TArray<TAuthorADIdent> found;
    CollectThesisDisputants(*d, thesis, found);
    std::set<uint16_t> got;
    for (const TAuthorADIdent ident : found) got.insert(ident.ADIdent);
    ASSERT_EQ(got, expected) << Block(thesis).Name.ToString();
    ASSERT_EQ(found.Count(), got.size());
  }
}

TEST_F(LowerListBuilders, ExpertsByTrust) {
  for (int adident : {9, 3, -1, 7, 0}) ASSERT_GE(d->Authors.CreateAuthor(*d, TStr(), adident, 0), 0);
  const TDiscBlockIndex m1 = Add(StorageType_Model, root);
  Add(StorageType_ModeratedComments, m1, TextType_Premise, "", 9);
  Add(StorageType_Comments, m1, TextType_Premise, "", 3);
  ModelHooks().GetAuthorModerateType = [](const TStr&, uint16_t adident, int& type) {
    if (adident == 0) return ModerationCall_NotDone;
    type = adident == 7 ? ModerateType_Doubtful : ModerateType_Trustworthy;
    return ModerationCall_Done;
  };
  browse.ModerationMode = 1;
  ShowAuthor(7);
  browse.BuildLowerList_Experts(ecology, ModerateType_Undefined, 0);
  EXPECT_EQ(Names(), "A0 A3 A7 A9");
  EXPECT_EQ(browse.CurrentBrowseState.ListKind, ListKind_Experts);
  EXPECT_EQ(browse.CurrentBrowseState.CurrentItem.Children[0].Moderation, 1);
  browse.BuildLowerList_Experts(ecology, ModerateType_Trustworthy, 0);
  EXPECT_EQ(Names(), "A3 A9");
  browse.BuildLowerList_Experts(ecology, ModerateType_Trustworthy, 1);
  EXPECT_EQ(Names(), "A9");
  browse.BuildLowerList_Experts(ecology, ModerateType_Doubtful, 0);
  EXPECT_EQ(Names(), "A7");
  browse.BuildLowerList_Experts(ecology, ModerateType_Discredited, 0);
  EXPECT_EQ(Names(), "");
  EXPECT_EQ(Types(), "");

  browse.BuildLowerList_Experts(99, 0, 0);
  EXPECT_EQ(TakeReport(), "TBrowse::BuildLowerList_Experts - нет обсуждения 99");
}

TEST_F(LowerListBuilders, FoldersBeforeDiscussionsEachByName) {
  const std::string discussed = discussions->GetFolderPath(discussions->DiscussedRoot).ToString();
  for (const char* name : {"Zeta", "Alpha", "Alpha/Inner"})
    ASSERT_TRUE(std::filesystem::create_directories(discussed + "/" + name));
  const int hidden = discussions->CreateNewDiscussion(discussions->DiscussedRoot, "Hidden", true, 0);
  const int aardvark = discussions->CreateNewDiscussion(discussions->DiscussedRoot, "Aardvark", true, 0);
  ASSERT_GE(hidden, 0);
  ASSERT_GE(aardvark, 0);
  Discussion(hidden).Info.Name = "Hidden";
  Discussion(hidden).Info.Secret = 1;
  Discussion(aardvark).Info.Name = "Ecology";  // the same name as another: by folder name
  for (int index : {hidden, aardvark}) ASSERT_TRUE(Discussion(index).Save());
  ASSERT_TRUE(discussions->Init(folder + "/data"));
  ASSERT_TRUE(browse.SetDiscussionIndex(-1));

  ShowFolder(discussions->DiscussedRoot);
  browse.BuildLowerList_MonoGroupChilds(discussions->DiscussedRoot);
  EXPECT_EQ(Names(), "Alpha Zeta Aardvark Ecology Economy");
  EXPECT_EQ(Types(), "11111");
  EXPECT_EQ(browse.CurrentBrowseState.ListKind, ListKind_FolderChildren);
  std::string separators;
  for (const TBrowseItem& child : browse.CurrentBrowseState.CurrentItem.Children) {
    separators += char('0' + child.Separator);
    EXPECT_EQ(child.Ident.Kind, BrowseItem_Folder);
  }
  EXPECT_EQ(separators, "01000");

  // A private discussion shows to a login that may open it.
  ModelHooks().AccessLevel = [](const TStr&) { return 1; };
  browse.BuildLowerList_MonoGroupChilds(discussions->DiscussedRoot);
  EXPECT_EQ(Names(), "Alpha Zeta Aardvark Ecology Economy Hidden");

  // A folder without sub-folders draws no line.
  ShowFolder(discussions->RootFolder);
  browse.BuildLowerList_MonoGroupChilds(discussions->RootFolder);
  EXPECT_EQ(Names(), "Created Discussed");
  int16_t alpha = -1;
  for (uint32_t f = 0; f < discussions->Folders.Count(); ++f)
    if (discussions->Folders[f].Name == "Alpha") alpha = int16_t(f);
  ShowFolder(alpha);
  browse.BuildLowerList_MonoGroupChilds(alpha);
  EXPECT_EQ(Names(), "Inner");
  EXPECT_EQ(browse.CurrentBrowseState.CurrentItem.Children[0].Separator, 1);
  ShowFolder(discussions->CreatedRoot);
  browse.BuildLowerList_MonoGroupChilds(discussions->CreatedRoot);
  EXPECT_EQ(Types(), "");
  const int created = discussions->CreateNewDiscussion(discussions->CreatedRoot, "Draft", true, 0);
  ASSERT_GE(created, 0);
  browse.BuildLowerList_MonoGroupChilds(discussions->CreatedRoot);
  EXPECT_EQ(Names(), "Draft");
  EXPECT_EQ(browse.CurrentBrowseState.CurrentItem.Children[0].Separator, 0);
}

TEST_F(LowerListBuilders, RowsOfBlocksTakeTheHeightsOfTheirTexts) {
  const TDiscBlockIndex one = Add(StorageType_Model, root, TextType_Premise, "one line");
  const TDiscBlockIndex three = Add(StorageType_Model, root, TextType_Premise, "first\r\nsecond\nthird");
  const TDiscBlockIndex heading = Add(StorageType_Model, root, TextType_Heading, "title\r\nmore");
  Show(root);
  browse.CurrentBrowseState.DisplayMode = DisplayMode_Full;
  browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
  ASSERT_EQ(Types(), "12312312");
  const TArray<TLowerListRow>& rows = browse.CurrentBrowseState.Rows;
  // Header rows hold one line; the text row the lines after the first.
  EXPECT_EQ(rows[1].Height, rows[4].Height);
  EXPECT_EQ(rows[1].Height, rows[7].Height);
  EXPECT_GT(rows[5].Height, rows[2].Height);
  EXPECT_GT(rows[1].Height, pars.TextVerticalMargin);
  EXPECT_EQ(rows[4].Height, Block(three).HeightMode1);
  EXPECT_EQ(rows[5].Height, Block(three).HeightMode2);
  EXPECT_EQ(Block(one).HeightMode2, pars.TextVerticalMargin + 1);  // nothing after the first line
  EXPECT_EQ(Block(heading).HeightMode2, UnmeasuredHeight);        // a heading has no text row
  // A cached height is taken as it is.
  Block(one).HeightMode1 = 77;
  browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
  EXPECT_EQ(rows[1].Height, 77);
}

TEST_F(LowerListBuilders, TheModerationListingShowsTheDiscussionsThatWait) {
  ModelHooks().CurrentLogin = [] { return TModelLogin{7, TStr("L-mod"), TStr("mod@x")}; };
  Discussion(ecology).Info.ModeratorLoginIdent = 7;
  Discussion(ecology).Info.DIdent = "D-eco";
  ASSERT_TRUE(Discussion(economy).Load(true));
  Discussion(economy).Info.ModeratorLoginIdent = 8;
  const int third = discussions->CreateNewDiscussion(discussions->DiscussedRoot, "Third", true, 0);
  ASSERT_GE(third, 0);
  Discussion(third).Info.ModeratorLoginIdent = 7;
  Discussion(third).Info.DIdent = "D-third";

  TModerationSources sources;
  int32_t waiting = 0;
  sources.GetModeratedCommentsCount = [&](const std::string& dident, int32_t& trustworthy, int32_t& doubtful) {
    trustworthy = 0;
    doubtful = dident == "D-third" ? waiting : 0;
    return uint8_t(ModerationCall_Done);
  };
  TPostFilesStorage inbox;
  TPostFile file;
  file.DIdent = "D-eco";
  file.Command = "NEW_BLOCKS";
  file.Processed = 1;
  inbox.Files.AddItem(file);
  sources.NewBlocksInInbox = [&](const std::string& dident) {
    return inbox.HasUnhandledPostFile(dident, "NEW_BLOCKS");
  };

  const auto listing = [&](bool showAll) {
    TArray<TMonoGroupIndex> entries;
    EXPECT_TRUE(CollectMonoGroupChilds(*discussions, discussions->RootFolder, true, showAll, sources, entries));
    std::string text;
    for (const TMonoGroupIndex& entry : entries) {
      EXPECT_EQ(entry.Moderated, 1);
      EXPECT_EQ(entry.Separator, 0);
      EXPECT_EQ(entry.Folder, Discussion(entry.Discussion).FolderIndex);
      text += std::to_string(entry.Discussion) + " ";
    }
    return text;
  };
  EXPECT_EQ(listing(false), "");
  EXPECT_EQ(listing(true), std::to_string(ecology) + " " + std::to_string(third) + " ");
  waiting = 2;
  EXPECT_EQ(listing(false), std::to_string(third) + " ");
  inbox.Files[0].Processed = 0;
  EXPECT_EQ(listing(false), std::to_string(ecology) + " " + std::to_string(third) + " ");

  // The window's listing: the entries carry the discussion and the moderated flag.
  browse.ModerationMode = 1;
  browse.ShowAll = 1;
  ShowFolder(discussions->RootFolder);
  browse.BuildLowerList_MonoGroupChilds(discussions->RootFolder);
  EXPECT_EQ(Names(), "Ecology Third");
  const TBrowseItem& first = browse.CurrentBrowseState.CurrentItem.Children[0];
  EXPECT_EQ(first.Moderation, 1);
  EXPECT_EQ(first.DiscussionIndex, ecology);
}

}  // namespace
}  // namespace browsetest
