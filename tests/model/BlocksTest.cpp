// Block references, names and the storages.

#include "Modeltesthelpers.h"
#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Tlisteners.h"
#include "model/Blocknames.h"

using namespace modeltest;

class Blocks : public ModelTest {};

TEST_F(Blocks, ReferencesAndCodes) {
  static_assert(sizeof(TDiscBlockIndex) == 3 && sizeof(TDiscBlockCode) == 3);
  std::string bytes;
  {
    TBufWriter w(bytes);
    TDiscBlockCode{StorageType_ModeratedComments, 0x1234}.SaveToBufWriter(w);
    w.Flush();
  }
  EXPECT_EQ(bytes, std::string("\x04\x34\x12", 3));
  TBufReader r{std::string_view(bytes)};
  TDiscBlockCode code;
  code.LoadFromBufReader(r);
  EXPECT_EQ(code, (TDiscBlockCode{4, 0x1234}));
  const TDiscBlockIndex index{StorageType_Notes, 65535};
  EXPECT_EQ(UnpackDiscBlockIndex(PackDiscBlockIndex(index)), index);
  EXPECT_EQ(PackDiscBlockIndex(TDiscBlockIndex{}), 0);
  EXPECT_TRUE(UnpackDiscBlockIndex(0).IsEmpty());
  EXPECT_TRUE(UnpackDiscBlockIndex(intptr_t(9) << 16).IsEmpty());
}

TEST_F(Blocks, BlockValuesAndDates) {
  TDiscBlock block;
  EXPECT_EQ(block.TextType, TextType_Premise);
  EXPECT_EQ(block.Possibility, 100);
  EXPECT_EQ(block.UnlinkedIndex, 0xFFFF);
  EXPECT_EQ(block.GetDate(), 30000.0);
  block.SetDate(45123.75);
  EXPECT_EQ(block.Date, 15123);
  EXPECT_EQ(block.GetDate(), 45123.0);
  for (uint8_t flag : {0, 1}) {
    block.DeleteFlag = flag;
    EXPECT_TRUE(block.IsAlive());
  }
  for (uint8_t flag : {2, 3}) {
    block.DeleteFlag = flag;
    EXPECT_FALSE(block.IsAlive());
  }
}

TEST_F(Blocks, NameScanner) {
  EXPECT_EQ(GetBlockNameLength("<1.2>"), 5);
  EXPECT_EQ(GetBlockNameLength("<1.2> rest"), 5);
  EXPECT_EQ(GetBlockNameLength("<*>"), 3);
  EXPECT_EQ(GetBlockNameLength("<12-7M>"), 7);
  EXPECT_EQ(GetBlockNameLength("<N-4>"), 5);
  EXPECT_EQ(GetBlockNameLength("<3.2(12-7)>"), 11);
  EXPECT_EQ(GetBlockNameLength("<3.2(1.1(N-2))>"), 15);
  for (const char* bad : {"", "1.2", "<>", "<1.2", "<a.b>", "<3.2(>", "<3.2()>", "<(1)>", " <1>", "<1 .2>"})
    EXPECT_EQ(GetBlockNameLength(bad), 0) << bad;
  EXPECT_EQ(GetBlockNameLength(nullptr), 0);
  // Deep nesting is refused, not followed.
  std::string deep = "<1";
  for (int i = 0; i < 100; ++i) deep += "(1";
  deep += std::string(100, ')') + ">";
  EXPECT_EQ(GetBlockNameLength(deep.c_str()), 0);

  EXPECT_EQ(StorageTypeOfNameForm("*"), StorageType_Model);
  EXPECT_EQ(StorageTypeOfNameForm("1.2"), StorageType_Model);
  EXPECT_EQ(StorageTypeOfNameForm("N-3"), StorageType_Notes);
  EXPECT_EQ(StorageTypeOfNameForm("12-3"), StorageType_Comments);
  EXPECT_EQ(StorageTypeOfNameForm("12-3M"), StorageType_ModeratedComments);
  EXPECT_EQ(StorageTypeOfNameForm("7"), StorageType_None);
}

TEST_F(Blocks, ComposedNames) {
  TDiscussion d;
  MakeRoot(d, Folder());
  const TDiscBlockIndex root = d.Storages.GetRootBlockIndex();
  ASSERT_FALSE(root.IsEmpty());
  EXPECT_EQ(d.Storages.GetDiscBlock(root)->Name, "*");
  d.Authors.CreateAuthor(d, "L-5", 5, 0);
  const TDiscBlockIndex heading = AddBlock(d, StorageType_Model, root, TextType_Heading, "");
  const TDiscBlockIndex second = AddBlock(d, StorageType_Model, root, TextType_Premise, "");
  const TDiscBlockIndex child = AddBlock(d, StorageType_Model, heading, TextType_Premise, "");
  const TDiscBlockIndex comment = AddBlock(d, StorageType_Comments, child, TextType_Premise, "", 5);
  const TDiscBlockIndex moderated = AddBlock(d, StorageType_ModeratedComments, child, TextType_Premise, "", 5);
  const TDiscBlockIndex note = AddBlock(d, StorageType_Notes, comment, TextType_Premise, "");
  EXPECT_EQ(d.Storages.GetDiscBlock(heading)->Name, "1.*");
  EXPECT_EQ(d.Storages.GetDiscBlock(second)->Name, "2");
  EXPECT_EQ(d.Storages.GetDiscBlock(child)->Name, "1.1");
  EXPECT_EQ(d.Storages.GetDiscBlock(comment)->Name, "5-1");
  EXPECT_EQ(d.Storages.GetDiscBlock(moderated)->Name, "5-1M");
  EXPECT_EQ(d.Storages.GetDiscBlock(note)->Name, "N-1");
  EXPECT_EQ(d.User.NoteCounter, 1);
  // A name another block has gets ".0k", and the suffix of the block's own kind: a
  // premise put in a heading's place is no heading, and a heading in a premise's is one.
  const TDiscBlock& block = *d.Storages.GetDiscBlock(second);
  EXPECT_EQ(block.MakeUniqueName(d, "1.1"), "1.1.01");
  EXPECT_EQ(block.MakeUniqueName(d, "1.*"), "1.01");
  EXPECT_EQ(d.Storages.GetDiscBlock(heading)->MakeUniqueName(d, "1.1"), "1.1.01.*");
  EXPECT_EQ(block.MakeUniqueName(d, "2"), "2");  // its own name
  EXPECT_EQ(block.MakeUniqueName(d, "7.7"), "7.7");
  // Commented state and link text.
  EXPECT_EQ(d.Storages.GetDiscBlock(child)->GetCommentedState(d, child), 1);
  EXPECT_EQ(d.Storages.GetDiscBlock(second)->GetCommentedState(d, second), 2);
  TDiscBlock& formula = *d.Storages.GetDiscBlock(second);
  EXPECT_EQ(formula.GetLinkText(d), "???");
  formula.Conclusion = child;
  EXPECT_EQ(formula.GetLinkText(d), "1.1");
}

TEST_F(Blocks, NameLookupOrderAcrossStorages) {
  TDiscussion d;
  MakeRoot(d, Folder());
  const TDiscBlockIndex root = d.Storages.GetRootBlockIndex();
  // The same name in several storages: the storage its form names wins, then 1, 4, 2, 3.
  auto named = [&](uint8_t type, const char* name) {
    const TDiscBlockIndex index = AddBlock(d, type, root, TextType_Premise, "");
    d.Storages.GetStorage(type)->SetBlockName(index.Index, name);
    return index;
  };
  const TDiscBlockIndex modelComment = named(StorageType_Model, "3-1");
  const TDiscBlockIndex comment = named(StorageType_Comments, "3-1");
  EXPECT_EQ(d.Storages.FindDiscBlockIndexByName("3-1"), comment);
  const TDiscBlockIndex noteOnly = named(StorageType_Notes, "7");
  const TDiscBlockIndex moderated7 = named(StorageType_ModeratedComments, "7");
  EXPECT_EQ(d.Storages.FindDiscBlockIndexByName("7"), moderated7);
  const TDiscBlockIndex model7 = named(StorageType_Model, "7");
  EXPECT_EQ(d.Storages.FindDiscBlockIndexByName("7"), model7);
  const TDiscBlockIndex note = named(StorageType_Notes, "N-9");
  named(StorageType_Model, "N-9");
  EXPECT_EQ(d.Storages.FindDiscBlockIndexByName("N-9"), note);
  EXPECT_TRUE(d.Storages.FindDiscBlockIndexByName("nothing").IsEmpty());
  EXPECT_TRUE(d.Storages.FindDiscBlockIndexByName("").IsEmpty());
  // Renaming is seen at once.
  d.Storages.Model.SetBlockName(modelComment.Index, "9.9");
  EXPECT_EQ(d.Storages.FindDiscBlockIndexByName("9.9"), modelComment);
  (void)noteOnly;
  // Codes.
  const TDiscBlockCode code = d.Storages.GetDiscBlock(comment)->GetDiscBlockCode();
  EXPECT_EQ(d.Storages.FindDiscBlockIndex(code), comment);
  EXPECT_TRUE(d.Storages.FindDiscBlockIndex(TDiscBlockCode{2, 999}).IsEmpty());
  EXPECT_TRUE(d.Storages.FindDiscBlockIndex(TDiscBlockCode{9, 1}).IsEmpty());
  EXPECT_TRUE(Reports().empty());
  // A reference beyond a storage is refused with the error text.
  EXPECT_EQ(d.Storages.GetDiscBlock(TDiscBlockIndex{StorageType_Comments, 50}), nullptr);
  ASSERT_FALSE(Reports().empty());
  EXPECT_EQ(Reports().back(), "TDiscBlockStorages::GetDiscBlock - неверная ссылка на блок");
}

TEST_F(Blocks, NumbersNeverWrap) {
  TDiscussion d;
  MakeRoot(d, Folder());
  d.Storages.Model.LastBlockNum = 0xFFFE;
  EXPECT_EQ(d.Storages.Model.TakeNewBlockNum(), 0xFFFF);
  EXPECT_EQ(d.Storages.Model.TakeNewBlockNum(), -1);
  EXPECT_EQ(d.Storages.Model.LastBlockNum, 0xFFFF);
  ASSERT_FALSE(Reports().empty());
  EXPECT_EQ(Reports().back(), "TBlocksStorage::TakeNewBlockNum - номера блоков исчерпаны");
  d.User.NoteCounter = 0xFFFF;
  EXPECT_EQ(d.Storages.Notes.GetNewBlockNumber(d, d.Storages.GetRootBlockIndex()), -1);
  EXPECT_EQ(d.User.NoteCounter, 0xFFFF);
  d.Storages.Model.Block(0).Num = 0xFFFF;
  const TDiscBlockIndex root = d.Storages.GetRootBlockIndex();
  const int child = d.Storages.Model.AddEmptyItem();
  d.Storages.Model.Block(child).Upper = root;
  d.Storages.Model.Block(child).Num = 0xFFFF;
  EXPECT_EQ(d.Storages.Model.GetNewBlockNumber(d, root), -1);
}

TEST_F(Blocks, UpperChainWalksAreBounded) {
  TDiscussion d;
  MakeRoot(d, Folder());
  const TDiscBlockIndex root = d.Storages.GetRootBlockIndex();
  const TDiscBlockIndex a = AddBlock(d, StorageType_Model, root, TextType_Premise, "");
  const TDiscBlockIndex b = AddBlock(d, StorageType_Model, a, TextType_Premise, "");
  const TDiscBlockIndex c = AddBlock(d, StorageType_Model, root, TextType_Premise, "");
  EXPECT_TRUE(d.Storages.IsInUpperChain(b, root));
  EXPECT_TRUE(d.Storages.IsInUpperChain(b, b));
  EXPECT_FALSE(d.Storages.IsInUpperChain(b, c));
  // A cycle, as damaged or received data may make one.
  d.Storages.GetDiscBlock(a)->Upper = b;
  EXPECT_FALSE(d.Storages.IsInUpperChain(b, c));
  EXPECT_TRUE(d.Storages.IsInUpperChain(a, b));
}

TEST_F(Blocks, CopyContentsFromAnotherDiscussion) {
  TDiscussion source;
  MakeRoot(source, Folder() + "/a");
  FillEverything(source);
  TDiscussion target;
  MakeRoot(target, Folder() + "/b");
  const TDiscBlockIndex premise{StorageType_Model, 2};
  const TDiscBlock& from = *source.Storages.GetDiscBlock(premise);
  const TDiscBlockIndex own = AddBlock(target, StorageType_Model, target.Storages.GetRootBlockIndex(), 2, "");
  TDiscBlock& to = *target.Storages.GetDiscBlock(own);
  ASSERT_TRUE(to.CopyContentsFrom(target, own, source, from, premise));
  EXPECT_EQ(to.Novelty, from.Novelty);
  EXPECT_EQ(to.Importance, from.Importance);
  EXPECT_EQ(to.Possibility, from.Possibility);
  EXPECT_EQ(to.DeleteFlag, DeleteFlag_Crossed);
  EXPECT_EQ(to.Date, from.Date);
  EXPECT_TRUE(target.Storages.GetStrHashItem(own)->Str == source.Storages.GetStrHashItem(premise)->Str);
  ASSERT_NE(to.UnlinkedIndex, 0xFFFF);
  EXPECT_EQ(target.UnlinkedBlockInfos[to.UnlinkedIndex].ParentName, "9.9");
  EXPECT_EQ(target.UnlinkedBlockInfos[to.UnlinkedIndex].Code, to.GetDiscBlockCode());
  const int property = target.FindReaderProperty(own, false);
  ASSERT_GE(property, 0);
  EXPECT_EQ(target.ReaderProperties.Items[property].Mark, Mark_False);
  EXPECT_EQ(target.ReaderProperties.Items[property].Code, to.GetDiscBlockCode());
  // A recycled block is copied alive.
  const TDiscBlockIndex recycled{StorageType_Notes, 0};
  const TDiscBlockIndex second = AddBlock(target, StorageType_Notes, own, 2, "");
  ASSERT_TRUE(target.Storages.GetDiscBlock(second)->CopyContentsFrom(
      target, second, source, *source.Storages.GetDiscBlock(recycled), recycled));
  EXPECT_EQ(target.Storages.GetDiscBlock(second)->DeleteFlag, DeleteFlag_Alive);
}

namespace {

struct RecordingGraph : TDiscussionGraph {
  std::vector<TDiscBlockIndex>* added;
  std::vector<TDiscBlockIndex>* deleted;
  void AddDiscBlock(TDiscussion&, TDiscBlockIndex block) override { added->push_back(block); }
  void DeleteDiscBlock(TDiscussion&, TDiscBlockIndex block) override { deleted->push_back(block); }
};

struct RecordingListener : TListener {
  std::vector<TListenMessage> heard;
  void Listen(const TListenMessage& message) override { heard.push_back(message); }
};

struct FixedMeasurer : TRowMeasurer {
  int calls = 0;
  int height = 0;
  int MeasureDiscBlockRow(TDiscussion&, TDiscBlockIndex, int, int) override {
    ++calls;
    return height;
  }
};

}  // namespace

TEST_F(Blocks, AnAppendedBlockTakesASlotANumberAndItsUpperBlockOrNothing) {
  TDiscussion d;
  MakeRoot(d, Folder());
  const TDiscBlockIndex root = d.Storages.GetRootBlockIndex();
  TBlocksStorage& notes = d.Storages.Notes;
  notes.LastBlockNum = 41;
  const int index = notes.AppendBlock(d, root);
  ASSERT_EQ(index, 0);
  EXPECT_EQ(notes.Block(index).StorageType, StorageType_Notes);
  EXPECT_EQ(notes.Block(index).BlockNum, 42);
  EXPECT_EQ(notes.LastBlockNum, 42);
  EXPECT_EQ(notes.Block(index).Upper, root);
  EXPECT_EQ(notes.Block(index).UpperCode, d.Storages.GetDiscBlock(root)->GetDiscBlockCode());
  // No upper block, or one that is not there: no link.
  TBlocksStorage& model = d.Storages.Model;
  for (const TDiscBlockIndex upper : {TDiscBlockIndex(), TDiscBlockIndex{StorageType_Model, 999}}) {
    const int made = model.AppendBlock(d, upper);
    ASSERT_GE(made, 0);
    EXPECT_TRUE(model.Block(made).Upper.IsEmpty());
    EXPECT_TRUE(model.Block(made).UpperCode.IsEmpty());
  }
  // The numbers used up: reported, and no slot is left taken.
  notes.LastBlockNum = 0xFFFF;
  EXPECT_EQ(notes.AppendBlock(d, root), -1);
  EXPECT_EQ(notes.Count(), 1);
  ASSERT_FALSE(Reports().empty());
  EXPECT_EQ(Reports().back(), "TBlocksStorage::TakeNewBlockNum - номера блоков исчерпаны");
}

TEST_F(Blocks, AppendsAndRemovalsReachTheGraphAndTheListeners) {
  TDiscussion d;
  MakeRoot(d, Folder());
  std::vector<TDiscBlockIndex> added, deleted;
  auto graph = std::make_unique<RecordingGraph>();
  graph->added = &added;
  graph->deleted = &deleted;
  d.Graph = std::move(graph);
  RecordingListener listener;
  TListeners::Instance().ClearQueue();
  const TDiscBlockIndex block = AddBlock(d, StorageType_Notes, d.Storages.GetRootBlockIndex(), 2, "");
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0], block);
  TListeners::Instance().DeliverQueued();
  ASSERT_EQ(listener.heard.size(), 1u);
  EXPECT_EQ(listener.heard[0].Code, Notify_BlockAdded);
  EXPECT_EQ(listener.heard[0].Word1, reinterpret_cast<intptr_t>(&d));
  EXPECT_EQ(UnpackDiscBlockIndex(listener.heard[0].Word2), block);
  d.Storages.Notes.DeleteLastItem(d);
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(deleted[0], block);
  EXPECT_EQ(d.Storages.Notes.Count(), 0);
}

TEST_F(Blocks, RowHeightsAreMeasuredOnce) {
  TDiscussion d;
  MakeRoot(d, Folder());
  const TDiscBlockIndex root = d.Storages.GetRootBlockIndex();
  TDiscBlock& block = *d.Storages.GetDiscBlock(root);
  FixedMeasurer measurer;
  measurer.height = 37;
  EXPECT_EQ(block.GetLinesHeightMode1(measurer, d, root, 0), 37);
  EXPECT_EQ(block.GetLinesHeightMode1(measurer, d, root, 0), 37);
  EXPECT_EQ(measurer.calls, 1);
  measurer.height = 0;
  EXPECT_EQ(block.GetLinesHeightMode2(measurer, d, root, 0), 4);  // an empty text row
  EXPECT_EQ(measurer.calls, 2);
  // The caches are not stored.
  ASSERT_TRUE(d.Save());
  TDiscussion loaded;
  loaded.Folder = Folder();
  ASSERT_TRUE(loaded.Load());
  EXPECT_EQ(loaded.Storages.Model.Block(0).HeightMode1, UnmeasuredHeight);
}

TEST_F(Blocks, HyperReferences) {
  TDiscussion d;
  MakeRoot(d, Folder());
  const TDiscBlockIndex root = d.Storages.GetRootBlockIndex();
  const TDiscBlockIndex a = AddBlock(d, StorageType_Model, root, TextType_Formula, "");
  const TDiscBlockIndex b = AddBlock(d, StorageType_Model, root, TextType_Premise, "");
  d.HyperRefBlocks.Add(a, b);
  d.HyperRefBlocks.Add(a, b);
  d.HyperRefBlocks.Add(b, root);
  EXPECT_EQ(d.HyperRefBlocks.Items.Count(), 2u);
  EXPECT_EQ(d.HyperRefBlocks.FindReferencedBlock(d, a, "2"), b);
  EXPECT_TRUE(d.HyperRefBlocks.FindReferencedBlock(d, a, "5.5").IsEmpty());
  d.HyperRefBlocks.RemoveBlock(a);
  ASSERT_EQ(d.HyperRefBlocks.Items.Count(), 1u);
  EXPECT_EQ(d.HyperRefBlocks.Items[0].Block, b);
}

TEST_F(Blocks, LookupsFollowNumbersAndNamesGivenAfterAppending) {
  TDiscussion d;
  MakeRoot(d, Folder());
  TBlocksStorage& notes = d.Storages.Notes;
  const int a = notes.AddEmptyItem();
  EXPECT_EQ(notes.FindByBlockNum(0), a);  // builds the index before the number is given
  notes.Block(a).BlockNum = uint16_t(notes.TakeNewBlockNum());
  notes.Block(a).Name = "N-1";
  EXPECT_EQ(notes.FindByBlockNum(1), a);
  EXPECT_EQ(notes.FindByName("N-1"), a);
  const int b = notes.AddEmptyItem();
  notes.Block(b).BlockNum = uint16_t(notes.TakeNewBlockNum());
  EXPECT_EQ(notes.FindByBlockNum(2), b);
  EXPECT_EQ(notes.FindByBlockNum(3), -1);
  notes.Block(a).BlockNum = 7;
  notes.ClearIndices();
  EXPECT_EQ(notes.FindByBlockNum(7), a);
  EXPECT_EQ(notes.FindByBlockNum(1), -1);
}
