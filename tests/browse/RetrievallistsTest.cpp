// Retrieval lists: which blocks each kind finds from a block, the blocks cut off from their
// upper blocks, the whole-discussion kinds, post lists, the order by names and the
// window's retrieval fields.

#include "Lowerlisttest.h"

#include "browse/Lowerlistcollectors.h"
#include "browse/Retrievallists.h"
#include "dialogs/Tformprogress.h"
#include "model/Blockretrieval.h"

namespace browsetest {
namespace {

using RetrievalLists = LowerListTest;

TEST(NaturalOrder, NumbersInNamesCompareAsNumbers) {
  EXPECT_LT(NaturalCompare("1.2.9", "1.2.10"), 0);
  EXPECT_GT(NaturalCompare("1.10", "1.9"), 0);
  EXPECT_LT(NaturalCompare("2", "10"), 0);
  EXPECT_LT(NaturalCompare("9-3", "12-1"), 0);
  // The common beginning ends inside a number: the rest of the digits decide.
  EXPECT_EQ(NaturalCompare("3.21", "3.201"), 0);
  EXPECT_EQ(NaturalCompare("007", "7"), 0);
  EXPECT_LT(NaturalCompare("1.2", "1.2.1"), 0);
  EXPECT_EQ(NaturalCompare("", ""), 0);
  EXPECT_LT(NaturalCompare("", "1"), 0);
  EXPECT_LT(NaturalCompare("N-1", "a"), 0);
  EXPECT_GT(NaturalCompare("\xC0", "z"), 0);  // bytes compare unsigned
  EXPECT_LT(NaturalCompare("1.*", "1.1"), 0);
  // Numbers longer than any machine word still compare by value.
  EXPECT_LT(NaturalCompare("x99999999999999999999999", "x100000000000000000000000"), 0);
  EXPECT_GT(NaturalCompare("x100000000000000000000001", "x100000000000000000000000"), 0);
}

TEST_F(RetrievalLists, SearchFromABlockFindsItsTreeAndTheCutOffBlocks) {
  const TDiscBlockIndex m1 = Add(StorageType_Model, root, TextType_Premise, "apple tree");
  for (int i = 0; i < 9; ++i) Add(StorageType_Model, m1, TextType_Premise, i == 8 || i == 1 ? "An APPLE" : "pear");
  const TDiscBlockIndex m110 = Add(StorageType_Model, m1, TextType_Premise, "apple");
  const TDiscBlockIndex c1 = Add(StorageType_Comments, m110, TextType_Premise, "apples", 7);
  Add(StorageType_Notes, c1, TextType_Premise, "apple note");
  Block(Add(StorageType_Comments, m1, TextType_Premise, "erased apple", 7)).DeleteFlag = DeleteFlag_Erased;
  Add(StorageType_Model, root, TextType_Premise, "apple elsewhere");
  // A comment cut off from its upper block is found though no walk reaches it.
  const TDiscBlockIndex lost = Add(StorageType_Comments, TDiscBlockIndex(), TextType_Premise, "lost apple", 3);
  const int record = AddUnlinkedBlockInfo(d->UnlinkedBlockInfos, *d, Block(lost).GetDiscBlockCode());
  ASSERT_GE(record, 0);
  d->UnlinkedBlockInfos[uint32_t(record)].LostParent = 1;
  Block(lost).UnlinkedIndex = uint16_t(record);

  Show(m1);
  TFormProgress progress(nullptr);
  browse.BuildLowerList_Retrieval(Retrieval_Search, -1, "apple", false, &progress);
  EXPECT_EQ(Names(), "1 1.2 1.9 1.10 3-3 7-1 N-1");
  EXPECT_EQ(Types(), "12121212121212");
  EXPECT_EQ(progress.Status(), "Sorting 7 blocks...");
  const TBrowseState& state = browse.CurrentBrowseState;
  EXPECT_EQ(state.ListKind, ListKind_Retrieval);
  EXPECT_EQ(state.SpecCaptionType, 1);
  EXPECT_EQ(state.RetrievalKind, Retrieval_Search);
  EXPECT_EQ(state.FirstBlock, m1);
  EXPECT_EQ(state.Caption.ToString(), "apple");
  EXPECT_EQ(state.RetrievalData, -1);
  EXPECT_EQ(browse.RetrievalText.ToString(), "apple");
  for (const TBrowseItem& child : state.CurrentItem.Children) EXPECT_EQ(child.DisplayMode, DisplayMode_Brief);

  // Case matters when asked; the start block itself is listed only when it matches.
  browse.BuildLowerList_Retrieval(Retrieval_Search, -1, "APPLE", true, nullptr);
  EXPECT_EQ(Names(), "1.2 1.9");

  // A block that became its own upper block's upper block is walked once.
  Block(m1).Upper = c1;
  browse.BuildLowerList_Retrieval(Retrieval_Search, -1, "apple", false, nullptr);
  EXPECT_EQ(Names(), "1 1.2 1.9 1.10 3-3 7-1 N-1");
}

TEST_F(RetrievalLists, UnreadNeverListsNotes) {
  const TDiscBlockIndex m1 = Add(StorageType_Model, root);
  const TDiscBlockIndex c1 = Add(StorageType_Comments, m1, TextType_Premise, "", 7);
  Add(StorageType_Notes, m1);
  Add(StorageType_Comments, Add(StorageType_Notes, c1), TextType_Premise, "", 8);  // under a note: not walked
  const TDiscBlockIndex lostNote = Add(StorageType_Notes, TDiscBlockIndex());
  const int record = AddUnlinkedBlockInfo(d->UnlinkedBlockInfos, *d, Block(lostNote).GetDiscBlockCode());
  d->UnlinkedBlockInfos[uint32_t(record)].LostParent = 1;
  Block(lostNote).UnlinkedIndex = uint16_t(record);

  Show(m1);
  browse.BuildLowerList_Retrieval(Retrieval_Unread, -1, "", false, nullptr);
  EXPECT_EQ(Names(), "1 7-1");
  // Another kind walks the notes.
  browse.BuildLowerList_Retrieval(Retrieval_Unlinked, -1, "", false, nullptr);
  EXPECT_EQ(Names(), "N-3");
  Block(c1).Novelty = 1;
  Block(d->Storages.FindDiscBlockIndexByName("8-2")).Novelty = 1;
  browse.BuildLowerList_Retrieval(Retrieval_New, -1, "", false, nullptr);
  EXPECT_EQ(Names(), "7-1");
}

TEST_F(RetrievalLists, ErasedAndDeletedCoverTheWholeDiscussion) {
  const TDiscBlockIndex m1 = Add(StorageType_Model, root);
  const TDiscBlockIndex m2 = Add(StorageType_Model, root);
  Block(Add(StorageType_Model, m1)).DeleteFlag = DeleteFlag_Erased;
  Block(Add(StorageType_Comments, m1, TextType_Premise, "", 5)).DeleteFlag = DeleteFlag_Erased;
  Block(Add(StorageType_Notes, root)).DeleteFlag = DeleteFlag_Recycled;
  Block(Add(StorageType_ModeratedComments, m1, TextType_Premise, "", 5)).DeleteFlag = DeleteFlag_Recycled;
  Show(m2);
  browse.BuildLowerList_Retrieval(Retrieval_Erased, -1, "", false, nullptr);
  EXPECT_EQ(Names(), "1.1 5-1");
  browse.BuildLowerList_Retrieval(Retrieval_Deleted, -1, "", false, nullptr);
  EXPECT_EQ(Names(), "5-1M N-1");
}

TEST_F(RetrievalLists, APostListShowsItsLiveBlocks) {
  const TDiscBlockIndex m1 = Add(StorageType_Model, root);
  const TDiscBlockIndex m2 = Add(StorageType_Model, root);
  const TDiscBlockIndex c1 = Add(StorageType_Comments, m1, TextType_Premise, "", 5);
  ASSERT_TRUE(d->User.PostLists.AddNewItem(*d));
  ASSERT_TRUE(d->User.PostLists.AddNewItem(*d));
  TBlocksPostListItem& first = d->User.PostLists.Items[0];
  TBlocksPostListItem& second = d->User.PostLists.Items[1];
  for (TDiscBlockIndex block : {c1, m2, m1}) first.AddBlock(Block(block).GetDiscBlockCode());
  second.AddBlock(Block(m2).GetDiscBlockCode());
  Block(m2).DeleteFlag = DeleteFlag_Erased;
  Block(c1).DeleteFlag = DeleteFlag_Crossed;

  Show(root);
  browse.BuildLowerList_Retrieval(Retrieval_PostList, first.Number, "", false, nullptr);
  EXPECT_EQ(Names(), "1 5-1");
  EXPECT_EQ(browse.CurrentBrowseState.RetrievalData, first.Number);
  browse.BuildLowerList_Retrieval(Retrieval_PostList, second.Number, "", false, nullptr);
  EXPECT_EQ(Types(), "");
  EXPECT_EQ(browse.CurrentBrowseState.RetrievalKind, Retrieval_PostList);
  browse.BuildLowerList_Retrieval(Retrieval_PostList, 999, "", false, nullptr);
  EXPECT_EQ(Types(), "");
}

TEST_F(RetrievalLists, ThemesAndTheRowChosenLastTime) {
  const TDiscBlockIndex m1 = Add(StorageType_Model, root);
  const TDiscBlockIndex m2 = Add(StorageType_Model, root);
  Block(m1).Importance = 1;
  Block(m2).Importance = 1;
  TBrowseItemIdent from, to;
  from.SetDiscBlock(*d, root);
  to.SetDiscBlock(*d, m2);
  d->User.SetBrowseItemIdentsPair(*d, from, to, ListKind_Retrieval);
  Show(root);
  browse.BuildLowerList_Retrieval(Retrieval_Significant, -1, "", false, nullptr);
  EXPECT_EQ(Names(), "1 2");
  EXPECT_EQ(browse.CurrentBrowseState.SelectedRow, 2);
}

TEST_F(RetrievalLists, ARetrievalFromAnythingButABlockIsRefused) {
  ShowAuthor(5);
  browse.BuildLowerList_Retrieval(Retrieval_Search, 4, "text", false, nullptr);
  EXPECT_EQ(TakeReport(), "TBrowse::BuildLowerList_Retrieval - тип элемента просмотра неверен");
  const TBrowseState& state = browse.CurrentBrowseState;
  EXPECT_EQ(Types(), "");
  EXPECT_EQ(state.ListKind, ListKind_Retrieval);
  EXPECT_EQ(state.SpecCaptionType, 0);
  EXPECT_EQ(state.RetrievalKind, 0);
  EXPECT_EQ(state.RetrievalData, -1);
  EXPECT_TRUE(state.Caption.IsEmpty());

  // An unknown kind is the model's to refuse.
  Show(root);
  browse.BuildLowerList_Retrieval(40, -1, "", false, nullptr);
  EXPECT_EQ(TakeReport(), "TDiscBlock::IsRetrieval - неизвестный способ выборки");
  EXPECT_EQ(Types(), "");
}

}  // namespace
}  // namespace browsetest
