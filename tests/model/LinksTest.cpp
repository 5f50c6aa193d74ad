// Links between blocks: states, relinking after blocks arrive out of order, unlinking of
// formulas, relinking by reference, copying trees, renumbering and reference checks.

#include "Rootedtest.h"
#include "foundation/Tlisteners.h"
#include "model/Blocklinks.h"

#include <string>
#include <utility>
#include <vector>

using namespace modeltest;

namespace {

class LinksTest : public RootedTest {
protected:
  TDiscBlockIndex Named(const char* name) { return d.Storages.FindDiscBlockIndexByName(name); }
  // A block that arrived before its upper block: no upper block, the name kept.
  TDiscBlockIndex Orphan(uint8_t textType, const char* upperName) {
    const TDiscBlockIndex block = AddBlock(d, StorageType_Model, {}, textType, "сирота");
    Block(block).Name = std::string("9.") + std::to_string(block.Index);
    d.Storages.Model.ClearNameIndex();
    ChangeUnlinkedBlockInfo(d, block, [&](TUnlinkedBlockInfo& info) {
      info.LostParent = 1;
      info.ParentName = upperName;
    });
    return block;
  }

};

}  // namespace

TEST_F(LinksTest, SetDeleteFlagKeepsTheNameAndAnnouncesTheState) {
  TListenerCatch listener;
  const TDiscBlockIndex block = AddBlock(d, StorageType_Model, root, TextType_Premise, "x");
  TListeners::Instance().ClearQueue();
  Block(block).SetDeleteFlag(d, block, DeleteFlag_Recycled, 1);
  EXPECT_EQ(Block(block).DeleteFlag, DeleteFlag_Recycled);
  EXPECT_EQ(Block(block).SavedName, TStr("1"));
  ASSERT_EQ(listener.Heard.size(), 1u);  // 3 at once, 10 queued
  EXPECT_EQ(listener.Heard[0].Code, Notify_BlockChanged);
  EXPECT_EQ(listener.Heard[0].Word2, PackDiscBlockIndex(block));
  TListeners::Instance().DeliverQueued();
  ASSERT_EQ(listener.Heard.size(), 2u);
  EXPECT_EQ(listener.Heard[1].Code, Notify_BlocksDeleted);
  EXPECT_EQ(listener.Heard[1].Word1, reinterpret_cast<intptr_t>(&d));
  EXPECT_EQ(listener.Heard[1].Word2, DeleteFlag_Recycled);
  // Leaving a state other than 0 keeps the saved name; the same state changes nothing.
  Block(block).Name = "renamed";
  Block(block).SetDeleteFlag(d, block, DeleteFlag_Erased, 0);
  EXPECT_EQ(Block(block).SavedName, TStr("1"));
  const int actions = d.Undo.Count();
  Block(block).SetDeleteFlag(d, block, DeleteFlag_Erased, 0);
  EXPECT_EQ(d.Undo.Count(), actions);
  Block(block).SetDeleteFlag(d, block, 4, 0);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0], "TDiscBlock::SetDeleteFlag - неверное состояние блока");
}

TEST_F(LinksTest, BlocksThatArrivedBeforeTheirUpperAndConclusionBlocksAreRelinked) {
  const TDiscBlockIndex formula = AddBlock(d, StorageType_Model, root, TextType_Formula, "");
  ASSERT_EQ(Block(formula).Name, TStr("1"));
  ChangeUnlinkedBlockInfo(d, formula, [](TUnlinkedBlockInfo& info) {
    info.LostConclusion = 1;
    info.ConclusionName = "2.2";
  });
  const TDiscBlockIndex orphan = Orphan(TextType_Premise, "2.1");
  EXPECT_EQ(d.Storages.RelinkUnlinkedBlocks(d), 0);

  // The missing blocks arrive, the upper block first.
  const TDiscBlockIndex heading = AddBlock(d, StorageType_Model, root, TextType_Heading, "");
  const TDiscBlockIndex upper = AddBlock(d, StorageType_Model, heading, TextType_Premise, "");
  ASSERT_EQ(Block(upper).Name, TStr("2.1"));
  EXPECT_EQ(d.Storages.RelinkUnlinkedBlocks(d), 1);
  EXPECT_EQ(Block(orphan).Upper, upper);
  EXPECT_EQ(Block(orphan).UpperCode, Block(upper).GetDiscBlockCode());
  EXPECT_EQ(Block(orphan).UnlinkedIndex, NoUnlinkedBlockInfo);
  EXPECT_TRUE(Block(formula).Conclusion.IsEmpty());

  const TDiscBlockIndex conclusion = AddBlock(d, StorageType_Model, heading, TextType_Conclusion, "");
  ASSERT_EQ(Block(conclusion).Name, TStr("2.2"));
  EXPECT_EQ(d.Storages.RelinkUnlinkedBlocks(d), 1);
  EXPECT_EQ(Block(formula).Conclusion, conclusion);
  EXPECT_EQ(Block(formula).ConclusionCode, Block(conclusion).GetDiscBlockCode());
  EXPECT_EQ(Block(formula).UnlinkedIndex, NoUnlinkedBlockInfo);
  EXPECT_EQ(d.Storages.RelinkUnlinkedBlocks(d), 0);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(LinksTest, RelinkingNeverMakesACycleNorRevivesDeletedBlocks) {
  const TDiscBlockIndex a = AddBlock(d, StorageType_Model, root, TextType_Premise, "");
  const TDiscBlockIndex b = AddBlock(d, StorageType_Model, a, TextType_Premise, "");
  // a claims to have lost an upper block that is in fact below it.
  ChangeUnlinkedBlockInfo(d, a, [&](TUnlinkedBlockInfo& info) {
    info.LostParent = 1;
    info.ParentName = Block(b).Name;
  });
  EXPECT_EQ(d.Storages.RelinkUnlinkedBlocks(d), 0);
  EXPECT_EQ(Block(a).Upper, root);
  const TDiscBlockIndex recycled = Orphan(TextType_Premise, "1");
  Block(recycled).DeleteFlag = DeleteFlag_Recycled;
  EXPECT_EQ(d.Storages.RelinkUnlinkedBlocks(d), 0);
  EXPECT_TRUE(Block(recycled).Upper.IsEmpty());
}

TEST_F(LinksTest, UnlinkFormulaBlocksKeepsTheConclusionsName) {
  const TDiscBlockIndex conclusion = AddBlock(d, StorageType_Model, root, TextType_Conclusion, "");
  const TDiscBlockIndex formula = AddBlock(d, StorageType_Model, root, TextType_Formula, "");
  Block(formula).Conclusion = conclusion;
  Block(formula).ConclusionCode = Block(conclusion).GetDiscBlockCode();
  d.Storages.UnlinkFormulaBlocks(d, conclusion);
  EXPECT_TRUE(Block(formula).Conclusion.IsEmpty());
  EXPECT_TRUE(Block(formula).ConclusionCode.IsEmpty());
  const TUnlinkedBlockInfo& info = d.UnlinkedBlockInfos[Block(formula).UnlinkedIndex];
  EXPECT_EQ(info.LostConclusion, 1);
  EXPECT_EQ(info.ConclusionName, TStr("1"));
  EXPECT_EQ(Block(formula).GetLinkText(d), TStr("???1"));
}

TEST_F(LinksTest, RelinkBlocksMovesChildrenAndConclusionsButNeverUnderThemselves) {
  const TDiscBlockIndex a = AddBlock(d, StorageType_Model, root, TextType_Conclusion, "");
  const TDiscBlockIndex b = AddBlock(d, StorageType_Model, root, TextType_Conclusion, "");
  const TDiscBlockIndex child = AddBlock(d, StorageType_Model, a, TextType_Premise, "");
  const TDiscBlockIndex formula = AddBlock(d, StorageType_Model, child, TextType_Formula, "");
  Block(formula).Conclusion = a;
  Block(formula).ConclusionCode = Block(a).GetDiscBlockCode();
  d.Storages.RelinkBlocks(d, a, b);
  EXPECT_EQ(Block(child).Upper, b);
  EXPECT_EQ(Block(child).UpperCode, Block(b).GetDiscBlockCode());
  EXPECT_EQ(Block(formula).Conclusion, b);
  // Children of the root moved under one of them: that one stays where it is.
  d.Storages.RelinkBlocks(d, root, b);
  EXPECT_EQ(Block(a).Upper, b);
  EXPECT_EQ(Block(b).Upper, root);
}

TEST_F(LinksTest, CopyBlockTreeCopiesLiveLowerBlocksOnce) {
  d.Authors.CreateAuthor(d, "L-1", 1, 0);
  const TDiscBlockIndex source = AddBlock(d, StorageType_Model, root, TextType_Heading, "источник");
  const TDiscBlockIndex child = AddBlock(d, StorageType_Model, source, TextType_Premise, "дитя");
  AddBlock(d, StorageType_Model, child, TextType_Premise, "внук");
  const TDiscBlockIndex gone = AddBlock(d, StorageType_Model, source, TextType_Premise, "стёртый");
  Block(gone).DeleteFlag = DeleteFlag_Erased;
  AddBlock(d, StorageType_Comments, child, TextType_Premise, "комментарий", 1);
  // The copy goes below the source itself: the new blocks must not be copied again.
  const TDiscBlockIndex target = AddBlock(d, StorageType_Model, child, TextType_Heading, "цель");
  const int models = d.Storages.Model.Count();
  ASSERT_TRUE(d.Storages.CopyBlockTree(d, target, d, source));
  EXPECT_EQ(d.Storages.Model.Count(), models + 2);  // child and grandchild, not the erased one
  EXPECT_EQ(d.Storages.Comments.Count(), 2);
  const TDiscBlockIndex copied = d.Storages.FindDiscBlockIndexByName("1.1.2.1");
  ASSERT_FALSE(copied.IsEmpty());
  EXPECT_EQ(Block(copied).Upper, target);
  EXPECT_EQ(d.Storages.GetStrHashItem(copied)->Str.Text, TStr("дитя"));
  EXPECT_FALSE(d.Storages.CopyBlockTree(d, target, d, gone));
  EXPECT_TRUE(Reports().empty());
}

TEST_F(LinksTest, LowerBlocksFollowRelinkingUndoAndASavedAndLoadedDiscussion) {
  d.Authors.CreateAuthor(d, "L-1", 1, 0);
  const TDiscBlockIndex heading = AddBlock(d, StorageType_Model, root, TextType_Heading, "раздел");
  const TDiscBlockIndex x = AddBlock(d, StorageType_Model, heading, TextType_Premise, "икс");
  const TDiscBlockIndex y = AddBlock(d, StorageType_Model, heading, TextType_Premise, "игрек");
  const TDiscBlockIndex remark = AddBlock(d, StorageType_Comments, x, TextType_Premise, "замечание", 1);
  const auto lower = [&](TDiscussion& of, TDiscBlockIndex upper) { return of.Storages.Model.LowerBlocks(upper); };
  const std::vector<uint16_t> both{x.Index, y.Index};
  ASSERT_EQ(lower(d, heading), both);
  EXPECT_EQ(d.Storages.Comments.LowerBlocks(x), std::vector<uint16_t>{remark.Index});
  d.Undo.Clear();

  // Moved under the root and back by undo: the lists follow each link.
  d.Undo.StartStep();
  d.Storages.RelinkBlocks(d, heading, root);
  EXPECT_TRUE(lower(d, heading).empty());
  EXPECT_EQ(d.Storages.Model.GetNewBlockNumber(d, heading), 1);
  EXPECT_EQ(lower(d, root), (std::vector<uint16_t>{heading.Index, x.Index, y.Index}));
  ASSERT_TRUE(d.Undo.UndoStep(d));
  EXPECT_EQ(lower(d, heading), both);
  EXPECT_EQ(d.Storages.Model.GetNewBlockNumber(d, heading), 3);

  // A copied tree, taken back: its blocks leave the lists with it.
  const int models = d.Storages.Model.Count();
  d.Undo.StartStep();
  const TDiscBlockIndex target = AddBlock(d, StorageType_Model, root, TextType_Heading, "копия");
  d.Undo.AddDiscBlockCreation(d, target);
  ASSERT_TRUE(d.Storages.CopyBlockTree(d, target, d, heading));
  ASSERT_EQ(lower(d, target).size(), 2u);
  EXPECT_EQ(d.Storages.Comments.LowerBlocks(TDiscBlockIndex{StorageType_Model, lower(d, target)[0]}).size(), 1u);
  ASSERT_TRUE(d.Undo.UndoStep(d));
  EXPECT_EQ(d.Storages.Model.Count(), models);
  EXPECT_TRUE(lower(d, target).empty());
  const TDiscBlockIndex again = AddBlock(d, StorageType_Model, heading, TextType_Premise, "зет");
  EXPECT_EQ(Block(again).Num, 3);
  EXPECT_EQ(lower(d, heading), (std::vector<uint16_t>{x.Index, y.Index, again.Index}));

  // The loaded discussion lists the same lower blocks.
  ASSERT_TRUE(d.Save());
  TDiscussion loaded;
  loaded.Folder = Folder();
  ASSERT_TRUE(loaded.Load());
  EXPECT_EQ(lower(loaded, heading), lower(d, heading));
  EXPECT_EQ(loaded.Storages.Comments.LowerBlocks(x), std::vector<uint16_t>{remark.Index});
  EXPECT_EQ(loaded.Storages.Model.GetNewBlockNumber(loaded, heading), 4);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(LinksTest, RenumberingFollowsTheSwitch) {
  const TDiscBlockIndex heading = AddBlock(d, StorageType_Model, root, TextType_Heading, "");
  const TDiscBlockIndex first = AddBlock(d, StorageType_Model, heading, TextType_Premise, "");
  const TDiscBlockIndex second = AddBlock(d, StorageType_Model, heading, TextType_Premise, "");
  const TDiscBlockIndex below = AddBlock(d, StorageType_Model, second, TextType_Premise, "");
  Block(first).Num = 7;
  d.Storages.Model.RenumBlocks(d, root);
  EXPECT_EQ(Block(first).Num, 7);  // the switch is off
  d.Info.Renumbering = 1;
  d.Storages.Model.RenumBlocks(d, root);
  EXPECT_EQ(Block(second).Num, 1);
  EXPECT_EQ(Block(first).Num, 2);
  EXPECT_EQ(Block(second).Name, TStr("1.1"));
  EXPECT_EQ(Block(first).Name, TStr("1.2"));
  EXPECT_EQ(Block(below).Name, TStr("1.1.1"));
  EXPECT_EQ(Named("1.2"), first);
}

TEST_F(LinksTest, ReferencesInTexts) {
  const TDiscBlockIndex a = AddBlock(d, StorageType_Model, root, TextType_Premise, "");
  const TDiscBlockIndex b = AddBlock(d, StorageType_Model, root, TextType_Premise, "см. <1> и <7.7>, а не <x>");
  TStr error;
  EXPECT_FALSE(TestTextReferences(d, b, "см. <1> и <7.7>", error, false));
  EXPECT_EQ(error, TStr("Block <7.7> not found"));
  EXPECT_TRUE(TestTextReferences(d, b, "см. <1>", error, false));
  EXPECT_TRUE(error.IsEmpty());
  EXPECT_FALSE(d.Storages.Model.CheckReferences(d, b.Index, 1, 1));
  EXPECT_EQ(d.UnlinkedBlockInfos[Block(b).UnlinkedIndex].LostHyperRefs, 1);
  ASSERT_EQ(d.HyperRefBlocks.Items.Count(), 1u);
  EXPECT_EQ(d.HyperRefBlocks.Items[0].Block, b);
  EXPECT_EQ(d.HyperRefBlocks.Items[0].Referenced, a);
  d.Storages.GetStrHashItem(b)->Str.Text = "<1>";
  EXPECT_TRUE(d.Storages.Model.CheckReferences(d, b.Index, 1, 1));
  EXPECT_EQ(Block(b).UnlinkedIndex, NoUnlinkedBlockInfo);
}

TEST_F(LinksTest, AnnouncedBlocksAreChecked) {
  const TDiscBlockIndex a = AddBlock(d, StorageType_Model, root, TextType_Premise, "");
  // Made here: references kept, no trouble recorded.
  const TDiscBlockIndex b = AddBlock(d, StorageType_Model, root, TextType_Premise, "<1> <5>");
  EXPECT_EQ(Block(b).UnlinkedIndex, NoUnlinkedBlockInfo);
  ASSERT_EQ(d.HyperRefBlocks.Items.Count(), 1u);
  EXPECT_EQ(d.HyperRefBlocks.Items[0].Referenced, a);
  // Received: the lost reference and the faulty formula are recorded.
  const int index = d.Storages.Model.AddEmptyItem();
  TDiscBlock& received = d.Storages.Model.Block(index);
  received.BlockNum = uint16_t(d.Storages.Model.TakeNewBlockNum());
  received.Name = "7";
  received.TextType = TextType_Formula;
  d.Storages.Model.Texts(index).Str.Text = "<9>";
  d.Storages.Model.Texts(index).Str.FormulaText = "1/";
  d.Storages.Model.NewBlockAdded(d, index, 1);
  const TDiscBlock& stored = d.Storages.Model.Block(index);
  ASSERT_NE(stored.UnlinkedIndex, NoUnlinkedBlockInfo);
  EXPECT_EQ(d.UnlinkedBlockInfos[stored.UnlinkedIndex].LostHyperRefs, 1);
  EXPECT_EQ(d.UnlinkedBlockInfos[stored.UnlinkedIndex].FormulaError, 1);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(LinksTest, HyperReferencesAreCollectedOnLoadingAndDropWithTheirBlocks) {
  const TDiscBlockIndex a = AddBlock(d, StorageType_Model, root, TextType_Premise, "");
  AddBlock(d, StorageType_Model, root, TextType_Premise, "<1> и снова <1>");
  ASSERT_TRUE(d.Save());
  TDiscussion loaded;
  loaded.Folder = Folder();
  ASSERT_TRUE(loaded.Load());
  ASSERT_EQ(loaded.HyperRefBlocks.Items.Count(), 1u);
  EXPECT_EQ(loaded.HyperRefBlocks.Items[0].Referenced, a);

  loaded.Undo.StartStep();
  const TDiscBlockIndex added = AddBlock(loaded, StorageType_Model, root, TextType_Premise, "");
  loaded.Undo.AddDiscBlockCreation(loaded, added);
  const TDiscBlockIndex referring = AddBlock(loaded, StorageType_Model, root, TextType_Premise, "<3>");
  loaded.Undo.AddDiscBlockCreation(loaded, referring);
  ASSERT_EQ(loaded.HyperRefBlocks.Items.Count(), 2u);
  ASSERT_TRUE(loaded.Undo.UndoStep(loaded));
  EXPECT_EQ(loaded.HyperRefBlocks.Items.Count(), 1u);
}

TEST_F(LinksTest, ManyHyperReferencesAreCollectedOnLoadingInTheOrderOfTheirBlocks) {
  // Enough references for several runs of lookups at once (one run per 2,048 at least);
  // a '<' that opens no name names nothing.
  std::vector<TDiscBlockIndex> blocks{AddBlock(d, StorageType_Model, root, TextType_Premise, "")};
  std::vector<std::pair<TDiscBlockIndex, TDiscBlockIndex>> expected;
  for (int i = 1; i < 7000; ++i) {
    const std::string previous = d.Storages.GetDiscBlock(blocks.back())->Name.ToString();
    const bool refers = i % 3 != 0;
    blocks.push_back(AddBlock(d, StorageType_Model, root, TextType_Premise,
                              refers ? "see <" + previous + "> of <x@y.z>" : "a <b> c <x@y.z>"));
    if (refers) expected.emplace_back(blocks[size_t(i)], blocks[size_t(i) - 1]);
  }
  ASSERT_TRUE(d.Save());
  TDiscussion loaded;
  loaded.Folder = Folder();
  ASSERT_TRUE(loaded.Load());
  std::vector<std::pair<TDiscBlockIndex, TDiscBlockIndex>> collected;
  for (const auto& item : loaded.HyperRefBlocks.Items) collected.emplace_back(item.Block, item.Referenced);
  EXPECT_EQ(collected, expected);
}

TEST_F(LinksTest, TheNameIndexGrowsWithAppendedBlocksAndHealsStaleEntries) {
  TBlocksStorage& model = d.Storages.Model;
  ASSERT_EQ(model.FindByName("*"), 0);  // the index is built
  for (int i = 0; i < 3000; ++i) {
    const int index = model.AddEmptyItem();
    model.Block(index).BlockNum = uint16_t(model.TakeNewBlockNum());
    model.Block(index).Name = "7." + std::to_string(i);
    model.NewBlockAdded(d, index, 0);
  }
  for (int i = 0; i < 3000; i += 37) EXPECT_EQ(model.FindByName("7." + std::to_string(i)), i + 1);
  EXPECT_EQ(model.FindByName("7.3000"), -1);
  // A block renamed without clearing the index: the old name no longer finds it.
  model.Block(5).Name = "8.1";
  EXPECT_EQ(model.FindByName("7.4"), -1);
  EXPECT_EQ(model.FindByName("8.1"), 5);
  // Of two blocks with one name the first is found.
  model.Block(9).Name = "8.1";
  model.ClearNameIndex();
  EXPECT_EQ(model.FindByName("8.1"), 5);
}
