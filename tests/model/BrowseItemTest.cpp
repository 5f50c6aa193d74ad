// Browse items and their paths, the block clipboard, themes, post-list inclusion,
// sent-date lists, statistics and the upkeep of a discussion.

#include "Rootedtest.h"
#include "model/Discussionupkeep.h"
#include "model/Includetopostlist.h"
#include "model/Tbrowseitem.h"
#include "model/Tclip.h"
#include "model/Tcomposesentdateitem.h"
#include "model/Tdiscussionsmanager.h"
#include "model/Tdiscussionstatistics.h"
#include "model/Themeoperations.h"

using namespace modeltest;

namespace {

class BrowseItemTest : public RootedTest {};

TBrowseItemIndex Path(std::initializer_list<uint16_t> steps) {
  TBrowseItemIndex index;
  for (uint16_t step : steps) index.Append(step);
  return index;
}

}  // namespace

TEST_F(BrowseItemTest, PathsWalkDownTheChildren) {
  TBrowseItem top;
  top.Ident.SetDiscBlock(d, root);
  top.Children.resize(2);
  top.Children[1].Ident.Kind = BrowseItem_Author;
  top.Children[1].Ident.ADIdent = 5;
  top.Children[1].Children.resize(3);
  top.Children[1].Children[2].Ident.Kind = BrowseItem_Folder;
  top.Children[1].Children[2].Ident.Folder = 4;

  EXPECT_EQ(Path({}).GetBrowseItem(top), &top);
  EXPECT_EQ(Path({1}).GetBrowseItem(top), &top.Children[1]);
  EXPECT_EQ(Path({1, 2}).GetBrowseItem(top)->Ident.Folder, 4);
  EXPECT_TRUE(Reports().empty());
  EXPECT_EQ(Path({1, 3}).GetBrowseItem(top), nullptr);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0], "TBrowseItemIndex::GetBrowseItem - выход за пределы массива");
  EXPECT_EQ(Path({0, 0}).GetBrowseItem(top), nullptr);

  EXPECT_TRUE(Path({}) == Path({}));
  EXPECT_TRUE(Path({1, 2}) == Path({1, 2}));
  EXPECT_FALSE(Path({1, 2}) == Path({1}));
  EXPECT_FALSE(Path({1, 2}) == Path({2, 1}));
  // Copies are deep.
  TBrowseItem copy = top;
  copy.Children[1].Children.clear();
  EXPECT_EQ(top.Children[1].Children.size(), 3u);

  // A path deeper than the positions a path keeps in place, copied, moved and cut short.
  TBrowseItem deep;
  TBrowseItemIndex down;
  TBrowseItem* at = &deep;
  for (uint16_t level = 0; level < 20; ++level) {
    at->Children.resize(level % 3 + 1);
    at = &at->Children[level % 3];
    at->Level = int16_t(level + 1);
    down.Append(level % 3);
  }
  TBrowseItemIndex copied = down;
  TBrowseItemIndex moved = std::move(copied);
  EXPECT_EQ(moved.Length(), 20);
  EXPECT_TRUE(moved == down);
  ASSERT_NE(moved.GetBrowseItem(deep), nullptr);
  EXPECT_EQ(moved.GetBrowseItem(deep)->Level, 20);
  TBrowseItemIndex shorter = Path({0, 1, 2});
  moved = shorter;
  EXPECT_EQ(moved.GetBrowseItem(deep)->Level, 3);
  down = std::move(moved);
  EXPECT_TRUE(down == shorter);
}

TEST_F(BrowseItemTest, IdentifiersOfBlocks) {
  const TDiscBlockIndex block = AddBlock(d, StorageType_Model, root, TextType_Premise, "");
  TBrowseItemIdent ident;
  ident.Folder = 9;
  TDiscBlock* record = ident.SetDiscBlock(d, block);
  ASSERT_EQ(record, d.Storages.GetDiscBlock(block));
  EXPECT_EQ(ident.Kind, BrowseItem_Block);
  EXPECT_EQ(ident.Index, block);
  EXPECT_EQ(ident.Code, record->GetDiscBlockCode());
  EXPECT_EQ(ident.Folder, -1);
  TBrowseItemIdent other = ident;
  EXPECT_TRUE(other == ident);
  EXPECT_EQ(other.SetDiscBlock(d, {}), nullptr);
  EXPECT_EQ(other.Kind, BrowseItem_Block);
  EXPECT_FALSE(other == ident);

  TListenerCatch listener;
  ident.BroadcastChanging(d);
  other.BroadcastChanging(d);
  ASSERT_EQ(listener.Heard.size(), 1u);
  EXPECT_EQ(listener.Heard[0].Code, Notify_BlockChanged);
  EXPECT_EQ(listener.Heard[0].Word2, PackDiscBlockIndex(block));
}

TEST_F(BrowseItemTest, ItemsOfAuthorsAndRemovedBlocks) {
  d.Authors.CreateAuthor(d, "L-1", 1, 0);
  const TDiscBlockIndex block = AddBlock(d, StorageType_Model, root, TextType_Premise, "");
  const TDiscBlockIndex comment = AddBlock(d, StorageType_Comments, block, TextType_Premise, "", 1);
  TBrowseItem top;
  top.Ident.SetDiscBlock(d, root);
  top.Children.resize(2);
  top.Children[0].Ident.SetDiscBlock(d, block);
  top.Children[0].Children.resize(1);
  top.Children[0].Children[0].Ident.SetDiscBlock(d, comment);
  top.Children[1].Ident.SetDiscBlock(d, comment);
  EXPECT_TRUE(top.Children[1].IsOfAuthor(1, d));
  EXPECT_FALSE(top.Children[0].IsOfAuthor(1, d));
  TBrowseItem author;
  author.Ident.Kind = BrowseItem_Author;
  author.Ident.ADIdent = 1;
  EXPECT_TRUE(author.IsOfAuthor(1, d));

  EXPECT_TRUE(top.ReplaceDiscBlockIndex(comment, {}, d));
  ASSERT_EQ(top.Children.size(), 1u);
  EXPECT_TRUE(top.Children[0].Children.empty());
  EXPECT_FALSE(top.ReplaceDiscBlockIndex(comment, {}, d));
  EXPECT_TRUE(top.ReplaceDiscBlockIndex(block, root, d));
  EXPECT_EQ(top.Children[0].Ident.Index, root);
}

TEST_F(BrowseItemTest, TheClipboardNeverUsesAStaleReference) {
  TDiscussionsManager manager;
  ASSERT_TRUE(manager.Init(Folder() + "/data"));
  const int index = manager.CreateNewDiscussion(manager.CreatedRoot, "Clip", true, 0);
  ASSERT_GE(index, 0);
  TDiscussion& discussion = manager.GetDiscussion(index);
  const TDiscBlockIndex top = discussion.Storages.GetRootBlockIndex();
  const TDiscBlockIndex kept = AddBlock(discussion, StorageType_Model, top, TextType_Premise, "kept");
  discussion.Undo.StartStep();
  const TDiscBlockIndex undone = AddBlock(discussion, StorageType_Model, top, TextType_Premise, "undone");
  discussion.Undo.AddDiscBlockCreation(discussion, undone);

  TClip clip;
  ASSERT_TRUE(clip.Add(manager, index, kept));
  ASSERT_TRUE(clip.Add(manager, index, kept));  // once only
  ASSERT_TRUE(clip.Add(manager, index, undone));
  EXPECT_FALSE(clip.Add(manager, index + 1, kept));
  EXPECT_EQ(clip.Count(), 2);

  // The creation is undone and another block takes the same number and name.
  ASSERT_TRUE(discussion.Undo.UndoStep(discussion));
  EXPECT_EQ(clip.Count(), 1);
  const TDiscBlockIndex successor = AddBlock(discussion, StorageType_Model, top, TextType_Premise, "successor");
  EXPECT_EQ(successor, undone);
  TDiscussion* owner = nullptr;
  TDiscBlockIndex block;
  ASSERT_TRUE(clip.Resolve(manager, 0, owner, block));
  EXPECT_EQ(owner, &discussion);
  EXPECT_EQ(block, kept);

  // An erased block and an unloaded discussion do not resolve.
  clip.Add(manager, index, successor);
  discussion.Storages.GetDiscBlock(successor)->DeleteFlag = DeleteFlag_Erased;
  EXPECT_FALSE(clip.Resolve(manager, 1, owner, block));
  EXPECT_EQ(clip.DropStale(manager), 1);
  discussion.Unload();
  EXPECT_FALSE(clip.Resolve(manager, 0, owner, block));
  EXPECT_EQ(owner, nullptr);
  EXPECT_EQ(clip.DropStale(manager), 1);
  EXPECT_TRUE(clip.IsEmpty());
  clip.Reset(1);
  EXPECT_EQ(clip.Cut, 1);
}

TEST_F(BrowseItemTest, Themes) {
  const TDiscBlockIndex a = AddBlock(d, StorageType_Model, root, TextType_Premise, "");
  const TDiscBlockIndex b = AddBlock(d, StorageType_Model, root, TextType_Premise, "");
  EXPECT_TRUE(AddTheme(d.Themes, d, "Alpha"));
  EXPECT_FALSE(AddTheme(d.Themes, d, "Alpha"));
  EXPECT_FALSE(AddTheme(d.Themes, d, ""));
  EXPECT_TRUE(AddTheme(d.Themes, d, "Beta"));
  EXPECT_TRUE(AddBlockToTheme(d.Themes, d, 0, a));
  EXPECT_TRUE(AddBlockToTheme(d.Themes, d, 0, a));
  EXPECT_EQ(d.Themes[0].Blocks.Count(), 1u);
  EXPECT_TRUE(AddBlockToTheme(d.Themes, d, 1, a));
  EXPECT_FALSE(AddBlockToTheme(d.Themes, d, 2, a));
  const TDiscBlockCode code = d.Storages.GetDiscBlock(a)->GetDiscBlockCode();
  EXPECT_EQ(GetBlockThemeNames(d.Themes, code, 100), "Alpha, Beta");
  EXPECT_EQ(GetBlockThemeNames(d.Themes, code, 7), "Alpha, ");
  EXPECT_EQ(GetBlockThemeNames(d.Themes, d.Storages.GetDiscBlock(b)->GetDiscBlockCode(), 100), "");
  EXPECT_FALSE(RenameTheme(d.Themes, d, 1, "Alpha"));
  EXPECT_TRUE(RenameTheme(d.Themes, d, 1, "Gamma"));
  EXPECT_TRUE(RemoveBlockFromTheme(d.Themes, d, 0, code));
  EXPECT_FALSE(RemoveBlockFromTheme(d.Themes, d, 0, code));
  DeleteTheme(d.Themes, d, 0);
  ASSERT_EQ(d.Themes.Count(), 1u);
  EXPECT_EQ(d.Themes[0].Name, TStr("Gamma"));
}

TEST_F(BrowseItemTest, PostListsAndSentDates) {
  const TDiscBlockIndex a = AddBlock(d, StorageType_Notes, root, TextType_Premise, "");
  const TDiscBlockIndex b = AddBlock(d, StorageType_Notes, root, TextType_Premise, "");
  const TDiscBlockIndex c = AddBlock(d, StorageType_Notes, root, TextType_Premise, "");
  d.Storages.GetDiscBlock(a)->SetDate(45010.75);
  d.Storages.GetDiscBlock(b)->SetDate(45003.0);
  d.Storages.GetDiscBlock(c)->SetDate(45010.0);
  TArray<TComposeSentDateItem> dates;
  CollectComposeSentDates(d.Storages.Notes, dates);
  ASSERT_EQ(dates.Count(), 2u);
  EXPECT_EQ(dates[0].Date, 45003.0);
  EXPECT_EQ(dates[1].Date, 45010.0);
  EXPECT_EQ(TComposeSentDateItem(45010.9).Compare(TComposeSentDateItem(45010.1)), 0);
  EXPECT_LT(TComposeSentDateItem(45009.9).Compare(TComposeSentDateItem(45010.1)), 0);

  EXPECT_FALSE(IncludeToPostList(d.Storages, d, 1, 0, a));  // no list yet
  ASSERT_TRUE(d.User.PostLists.AddNewItem(d));
  EXPECT_TRUE(IncludeToPostList(d.Storages, d, 1, 0, a));
  EXPECT_FALSE(IncludeToPostList(d.Storages, d, 1, 0, a));
  EXPECT_TRUE(IncludeToPostList(d.Storages, d, 1, 0, b));
  EXPECT_TRUE(IncludeToPostList(d.Storages, d, 0, 0, a));
  ASSERT_EQ(d.User.PostLists.Items[0].Blocks.Count(), 1u);
  EXPECT_EQ(d.User.PostLists.Items[0].Blocks[0], d.Storages.GetDiscBlock(b)->GetDiscBlockCode());
}

TEST_F(BrowseItemTest, StatisticsAndTheirText) {
  d.Authors.CreateAuthor(d, "L-1", 1, 0);
  const TDiscBlockIndex heading = AddBlock(d, StorageType_Model, root, TextType_Heading, "");
  const TDiscBlockIndex premise = AddBlock(d, StorageType_Model, heading, TextType_Premise, "");
  AddBlock(d, StorageType_Model, heading, TextType_Conclusion, "");
  const TDiscBlockIndex crossed = AddBlock(d, StorageType_Model, heading, TextType_Formula, "");
  const TDiscBlockIndex erased = AddBlock(d, StorageType_Model, heading, TextType_Premise, "");
  AddBlock(d, StorageType_Comments, premise, TextType_Premise, "", 1);
  const TDiscBlockIndex recycled = AddBlock(d, StorageType_Notes, premise, TextType_Premise, "");
  AddBlock(d, StorageType_Notes, premise, TextType_Premise, "");
  d.Storages.GetDiscBlock(crossed)->DeleteFlag = DeleteFlag_Crossed;
  d.Storages.GetDiscBlock(erased)->DeleteFlag = DeleteFlag_Erased;
  d.Storages.GetDiscBlock(recycled)->DeleteFlag = DeleteFlag_Recycled;
  d.FindReaderProperty(premise, true);
  d.ReaderProperties.Items[0].Read = 1;
  AddTheme(d.Themes, d, "T");
  TDiscussionStatistics s;
  d.CollectStatistics(s);
  EXPECT_EQ(s.Alive[0], 5);
  EXPECT_EQ(s.Kinds[0], 2);
  EXPECT_EQ(s.Kinds[3], 1);
  EXPECT_EQ(s.Crossed[0], 1);
  EXPECT_EQ(s.Erased[0], 1);
  EXPECT_EQ(s.Recycled[2], 1);
  EXPECT_EQ(s.Unread, 5);
  EXPECT_EQ(ComposeStatisticsText(s, false, false),
            "Model blocks: 5\n"
            "  headings 2, premises 1, conclusions 1, formulas 1\n"
            "Comments: 1\n"
            "Notes: 1\n"
            "Crossed blocks: 1\n"
            "Blocks in recycle bin: 1\n"
            "Erased blocks: 1\n"
            "Unread blocks: 5\n"
            "Blocks with lost links: 0\n"
            "Authors: 1\n"
            "Themes: 1\n"
            "Post lists: 0\n");
  const std::string creating = ComposeStatisticsText(s, true, true);
  EXPECT_EQ(creating.find("Comments"), std::string::npos);
  EXPECT_EQ(creating.find("Unread"), std::string::npos);
  EXPECT_NE(creating.find("Moderated comments: 0\n"), std::string::npos);
}

TEST_F(BrowseItemTest, UpkeepOfTheDiscussion) {
  d.Info.DIdent = "D-7";
  // Requesters of block names, each once.
  d.AddExistingBlockNamesRequest("a@x");
  d.AddExistingBlockNamesRequest(" A@X ");
  d.AddExistingBlockNamesRequest("b@x");
  EXPECT_EQ(d.Info.BlockNamesRequesters, TStr("a@x; b@x"));
  EXPECT_TRUE(AddressListHolds("a@x; b@x", "B@x"));
  EXPECT_FALSE(AddressListHolds("a@x; b@x", "c@x"));

  // Moderated comments counted by their authors' moderate types.
  for (uint16_t author : {1, 2, 3, 4}) {
    d.Authors.CreateAuthor(d, "", author, 0);
    AddBlock(d, StorageType_ModeratedComments, root, TextType_Premise, "", author);
  }
  d.Storages.ModeratedComments.Block(3).DeleteFlag = DeleteFlag_Erased;
  int counts[3] = {-1, -1, -1};
  ModelHooks().GetAuthorModerateType = [](const TStr& dident, uint16_t adident, int& type) {
    EXPECT_EQ(dident, TStr("D-7"));
    type = adident;
    return adident == 3 ? 0 : ModerationCall_Done;  // the library does not know author 3
  };
  ModelHooks().SetModeratedCommentsCount = [&](const TStr&, int trustworthy, int doubtful, int discredited) {
    counts[0] = trustworthy;
    counts[1] = doubtful;
    counts[2] = discredited;
  };
  d.UpdateModeratedCommentsCount();
  EXPECT_EQ(counts[0], 1);
  EXPECT_EQ(counts[1], 2);
  EXPECT_EQ(counts[2], 0);

  // My data: the current login's author is made and gets the login's address.
  ModelHooks().CurrentLogin = [] { return TModelLogin{3, TStr("L-me"), TStr("me@x")}; };
  d.AutoFillMyData();
  const int me = d.Authors.FindAuthorByLIdent(TStr("L-me"));
  ASSERT_GE(me, 0);
  EXPECT_EQ(d.Authors.Author(me).AutomaticEMail, TStr("me@x"));

  // Relations to erased blocks and formulas no longer computing the conclusion go.
  const TDiscBlockIndex conclusion = AddBlock(d, StorageType_Model, root, TextType_Conclusion, "");
  const TDiscBlockIndex formula = AddBlock(d, StorageType_Model, root, TextType_Formula, "");
  const TDiscBlockIndex other = AddBlock(d, StorageType_Model, root, TextType_Premise, "");
  TBrowseItemIdent k, f, o;
  k.SetDiscBlock(d, conclusion);
  f.SetDiscBlock(d, formula);
  o.SetDiscBlock(d, other);
  d.User.SetBrowseItemIdentsPair(d, k, f, UserRelation_SelectedFormula);
  d.User.SetBrowseItemIdentsPair(d, k, o, 1);
  d.User.SetBrowseItemIdentsPair(d, o, k, 1);
  d.RepairUserBlockRelations();
  EXPECT_EQ(d.User.Pairs.Count(), 2u);  // the formula computes another conclusion (none)
  d.Storages.GetDiscBlock(other)->DeleteFlag = DeleteFlag_Erased;
  d.RepairUserBlockRelations();
  EXPECT_EQ(d.User.Pairs.Count(), 0u);
  EXPECT_TRUE(Reports().empty());
}
