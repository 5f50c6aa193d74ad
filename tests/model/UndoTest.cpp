// Undo: every recorder, changed and taken back, leaves the files of the discussion as
// they were, byte for byte; steps, the step-start switch and the beep.

#include "Rootedtest.h"
#include "foundation/Tlisteners.h"
#include "model/Blocklinks.h"
#include "model/Includetopostlist.h"
#include "model/Themeoperations.h"

#include <functional>
#include <memory>

using namespace modeltest;

namespace {

class UndoTest : public ModelTest {
protected:
  // A loaded discussion with every field set, and an empty undo list.
  std::unique_ptr<TDiscussion> Filled() {
    auto d = std::make_unique<TDiscussion>();
    MakeRoot(*d, Folder());
    FillEverything(*d);
    d->Undo.Clear();
    return d;
  }
  static TDiscBlockIndex ByName(TDiscussion& d, const char* name) {
    const TDiscBlockIndex index = d.Storages.FindDiscBlockIndexByName(name);
    EXPECT_FALSE(index.IsEmpty()) << name;
    return index;
  }
};

struct TCase {
  const char* Name;
  std::function<void(TDiscussion&)> Change;
};

TDiscBlockIndex Find(TDiscussion& d, const char* name) { return d.Storages.FindDiscBlockIndexByName(name); }

const std::vector<TCase>& Cases() {
  static const std::vector<TCase> cases = {
      {"block creation (model block)",
       [](TDiscussion& d) {
         const TDiscBlockIndex block = AddBlock(d, StorageType_Model, Find(d, "1.*"), TextType_Premise, "новый");
         d.Undo.AddDiscBlockCreation(d, block);
       }},
      {"block creation (note: the note counter too)",
       [](TDiscussion& d) {
         const TDiscBlockIndex block = AddBlock(d, StorageType_Notes, Find(d, "1.1"), TextType_Premise, "заметка");
         d.Undo.AddDiscBlockCreation(d, block);
       }},
      {"block changes",
       [](TDiscussion& d) {
         const TDiscBlockIndex own = Find(d, "1.2");
         TDiscBlock& block = *d.Storages.GetDiscBlock(own);
         const TDiscBlock old = block;
         block.Possibility = 7;
         block.Novelty = 1;
         block.Name = "renamed";
         block.Upper = Find(d, "*");
         block.UpperCode = d.Storages.GetDiscBlock(block.Upper)->GetDiscBlockCode();
         block.SetDate(46000.0);
         d.Storages.Model.ClearNameIndex();
         d.Undo.AddDiscBlockChanges(d, own, old);
       }},
      {"block field",
       [](TDiscussion& d) {
         TDiscBlock& block = *d.Storages.GetDiscBlock(Find(d, "1.2"));
         d.Undo.AddDiscBlockFieldChange(d, Find(d, "1.2"), BlockField_TextType, block.TextType);
         block.TextType = TextType_Heading;
       }},
      {"block text field",
       [](TDiscussion& d) {
         const TDiscBlockIndex own = Find(d, "1.2");
         d.Undo.AddDiscBlockStrFieldChange(d, own, BlockField_Name, d.Storages.GetDiscBlock(own)->Name);
         d.Storages.Model.SetBlockName(own.Index, "1.9");
       }},
      {"block texts",
       [](TDiscussion& d) {
         const TDiscBlockIndex own = Find(d, "1.1");
         TStrHashItem& texts = *d.Storages.GetStrHashItem(own);
         const TDiscBlockStr old = texts.Str;
         texts.Str.Text = "другой текст";
         texts.Str.URL = "http://other";
         d.Undo.AddBlockTextChanges(d, own, old);
       }},
      {"unlinked-block record made and changed",
       [](TDiscussion& d) {
         ChangeUnlinkedBlockInfo(d, Find(d, "1.2"), [](TUnlinkedBlockInfo& info) {
           info.LostParent = 1;
           info.ParentName = "7.7";
         });
       }},
      {"unlinked-block record cleared and detached",
       [](TDiscussion& d) {
         ChangeUnlinkedBlockInfo(d, Find(d, "1.1"), [](TUnlinkedBlockInfo& info) {
           info.LostParent = info.LostConclusion = info.FormulaError = info.LostHyperRefs = 0;
           info.ParentName.Clear();
           info.ConclusionName.Clear();
         });
       }},
      {"discussion text field",
       [](TDiscussion& d) {
         d.Undo.AddStrFieldChange(UndoObject_DiscussionInfo, InfoField_Name, d.Info.Name);
         d.Info.Name = "Новое имя";
       }},
      {"discussion number field",
       [](TDiscussion& d) {
         d.Undo.AddIntFieldChange(UndoObject_DiscussionInfo, InfoField_Subscribed, d.Info.Subscribed);
         d.Info.Subscribed = 0;
       }},
      {"discussion information",
       [](TDiscussion& d) {
         const TDiscussionInfo old = d.Info;
         d.Info.Annotation = "иная";
         d.Info.ShareDate = 1;
         d.Info.ModeratorLoginIdent = NoModeratorLogin;
         d.Info.AddOrUpdatePerson("L-2", "q@x", "n");
         d.Undo.AddDiscussionInfoChanges(d, old);
       }},
      {"block-name requesters", [](TDiscussion& d) { d.AddExistingBlockNamesRequest("new@x"); }},
      {"model folder name taken from the folder",
       [](TDiscussion& d) {
         d.Undo.AddStrFieldChange(UndoObject_DiscussionInfo, InfoField_ModelFolderName, d.Info.ModelFolderName);
         d.Info.ModelFolderName.Clear();
         ASSERT_FALSE(d.GetModelFolderName().IsEmpty());
         ASSERT_EQ(d.Undo.Count(), 2);
       }},
      {"theme created", [](TDiscussion& d) { ASSERT_TRUE(AddTheme(d.Themes, d, "Вторая")); }},
      {"theme deleted", [](TDiscussion& d) { DeleteTheme(d.Themes, d, 0); }},
      {"theme renamed", [](TDiscussion& d) { ASSERT_TRUE(RenameTheme(d.Themes, d, 0, "Переименованная")); }},
      {"block added to a theme", [](TDiscussion& d) { ASSERT_TRUE(AddBlockToTheme(d.Themes, d, 0, Find(d, "1.3"))); }},
      {"block removed from a theme",
       [](TDiscussion& d) {
         ASSERT_TRUE(RemoveBlockFromTheme(d.Themes, d, 0, d.Storages.GetDiscBlock(Find(d, "1.1"))->GetDiscBlockCode()));
       }},
      {"author created", [](TDiscussion& d) { ASSERT_GE(d.Authors.CreateAuthor(d, "L-new", 9, 0), 0); }},
      {"author changes",
       [](TDiscussion& d) {
         const TAuthor old = d.Authors.Author(1);
         d.Authors.Author(1).LastName = "Петров";
         d.Authors.Author(1).BirthYear = 1980;
         d.Authors.Author(1).Robot = 0;
         d.Undo.AddAuthorChanges(d, 1, old);
       }},
      {"author field",
       [](TDiscussion& d) {
         d.Undo.AddAuthorFieldChange(1, AuthorField_Deleted, d.Authors.Author(1).Deleted);
         d.Authors.Author(1).Deleted = 0;
       }},
      {"author text field",
       [](TDiscussion& d) {
         d.Undo.AddAuthorStrFieldChange(1, AuthorField_AutomaticEMail, d.Authors.Author(1).AutomaticEMail);
         d.Authors.Author(1).AutomaticEMail = "changed@x";
       }},
      {"reader property created", [](TDiscussion& d) { ASSERT_GE(d.FindReaderProperty(Find(d, "1.3"), true), 0); }},
      {"reader property changes",
       [](TDiscussion& d) {
         const TReaderProperty old = d.ReaderProperties.Items[0];
         d.ReaderProperties.Items[0].Mark = Mark_Trite;
         d.ReaderProperties.Items[0].Possibility = 1;
         d.Undo.AddReaderPropertyChanges(d, 0, old);
       }},
      {"reader property field",
       [](TDiscussion& d) {
         d.Undo.AddReaderPropertyFieldChange(0, PropertyField_Read, d.ReaderProperties.Items[0].Read);
         d.ReaderProperties.Items[0].Read = 0;
       }},
      {"post list created", [](TDiscussion& d) { ASSERT_TRUE(d.User.PostLists.AddNewItem(d)); }},
      {"post list named by its first block",
       [](TDiscussion& d) {
         ASSERT_TRUE(d.User.PostLists.AddNewItem(d));
         ASSERT_TRUE(IncludeToPostList(d.Storages, d, 1, 1, Find(d, "1.1")));
         ASSERT_NE(d.User.PostLists.Items[1].Name, TStr(NewPostListName));
       }},
      {"post list block removed",
       [](TDiscussion& d) {
         ASSERT_TRUE(IncludeToPostList(d.Storages, d, 1, 0, Find(d, "1.2")));
         ASSERT_TRUE(IncludeToPostList(d.Storages, d, 0, 0, Find(d, "1-1")));
       }},
      {"relation added",
       [](TDiscussion& d) {
         TBrowseItemIdent first, second;
         first.SetDiscBlock(d, Find(d, "1.1"));
         second.SetDiscBlock(d, Find(d, "1.2"));
         d.User.SetBrowseItemIdentsPair(d, first, second, 1);
       }},
      {"relation replaced and removed",
       [](TDiscussion& d) {
         TBrowseItemIdent second;
         second.SetDiscBlock(d, Find(d, "1.2"));
         const TBrowseItemIdent first = d.User.Pairs[0].First;
         const uint8_t relation = d.User.Pairs[0].RelationType;
         d.User.SetBrowseItemIdentsPair(d, first, second, relation);
         d.User.RemoveBrowseItemIdentsPair(d, first, relation);
       }},
      {"delete state with the saved name",
       [](TDiscussion& d) {
         const TDiscBlockIndex own = Find(d, "1.2");
         d.Storages.GetDiscBlock(own)->SetDeleteFlag(d, own, DeleteFlag_Recycled, 0);
       }},
      {"marked blocks erased", [](TDiscussion& d) { d.Storages.EraseMarkedBlocks(d); }},
      {"block tree copied",
       [](TDiscussion& d) {
         const TDiscBlockIndex copy = AddBlock(d, StorageType_Model, Find(d, "*"), TextType_Heading, "копия");
         d.Undo.AddDiscBlockCreation(d, copy);
         ASSERT_TRUE(d.Storages.CopyBlockTree(d, copy, d, Find(d, "1.*")));
       }},
      {"renumbering",
       [](TDiscussion& d) {
         TDiscBlock& block = *d.Storages.GetDiscBlock(Find(d, "1.1"));
         d.Undo.AddDiscBlockFieldChange(d, Find(d, "1.1"), BlockField_Num, block.Num);
         block.Num = 5;
         d.Storages.Model.RenumBlocks(d, d.Storages.GetRootBlockIndex());
       }},
      {"formulas evaluated", [](TDiscussion& d) { EXPECT_EQ(d.CalculateFormulas(), 0); }},
      {"formula blocks unlinked", [](TDiscussion& d) { d.Storages.UnlinkFormulaBlocks(d, Find(d, "1.2")); }},
      {"blocks relinked",
       [](TDiscussion& d) {
         const TDiscBlockIndex block = AddBlock(d, StorageType_Model, Find(d, "1.*"), TextType_Premise, "сирота");
         d.Undo.AddDiscBlockCreation(d, block);
         d.Storages.RelinkBlocks(d, Find(d, "1.*"), Find(d, "*"));
       }},
      {"my data", [](TDiscussion& d) { d.AutoFillMyData(); }},
      {"relations repaired",
       [](TDiscussion& d) {
         d.Storages.GetDiscBlock(Find(d, "1.*"))->DeleteFlag = DeleteFlag_Erased;
         d.Undo.AddDiscBlockFieldChange(d, Find(d, "1.*"), BlockField_DeleteFlag, DeleteFlag_Alive);
         d.RepairUserBlockRelations();
       }},
  };
  return cases;
}

}  // namespace

TEST_F(UndoTest, EveryRecordedChangeIsTakenBackExactly) {
  ModelHooks().CurrentLogin = [] { return TModelLogin{3, TStr("L-me"), TStr("me@x")}; };
  for (const TCase& c : Cases()) {
    SCOPED_TRACE(c.Name);
    auto d = Filled();
    const std::vector<std::string> before = Contents(*d);
    d->Undo.StartStep();
    c.Change(*d);
    ASSERT_TRUE(Reports().empty()) << Reports().front();
    ASSERT_NE(Contents(*d), before) << "the change changed nothing";
    ASSERT_GT(d->Undo.Count(), 0);
    EXPECT_TRUE(d->Undo.UndoStep(*d));
    EXPECT_EQ(d->Undo.Count(), 0);
    const std::vector<std::string> after = Contents(*d);
    for (size_t file = 0; file < before.size(); ++file) EXPECT_EQ(after[file], before[file]) << "file " << file;
    EXPECT_TRUE(Reports().empty());
  }
}

TEST_F(UndoTest, StepsAndTheStepStartSwitch) {
  int beeps = 0;
  ModelHooks().MessageBeep = [&] { ++beeps; };
  auto d = Filled();
  const std::vector<std::string> original = Contents(*d);
  EXPECT_FALSE(d->Undo.UndoStep(*d));
  EXPECT_EQ(beeps, 1);

  d->Undo.StartStep();
  ASSERT_TRUE(AddTheme(d->Themes, *d, "Первая"));
  const std::vector<std::string> afterFirst = Contents(*d);
  // With the switch off, the events of a dialog stay in the step of the command.
  d->Undo.StartStep();
  d->Undo.StepStartSwitch = 0;
  ASSERT_TRUE(AddTheme(d->Themes, *d, "Вторая"));
  d->Undo.StartStep();
  ASSERT_TRUE(AddTheme(d->Themes, *d, "Третья"));
  d->Undo.StepStartSwitch = 1;
  EXPECT_EQ(d->Undo.Count(), 3);
  EXPECT_EQ(d->Undo.Action(0).FirstOfStep, 1);
  EXPECT_EQ(d->Undo.Action(1).FirstOfStep, 1);
  EXPECT_EQ(d->Undo.Action(2).FirstOfStep, 0);

  EXPECT_TRUE(d->Undo.UndoStep(*d));
  EXPECT_EQ(Contents(*d), afterFirst);
  EXPECT_TRUE(d->Undo.UndoStep(*d));
  EXPECT_EQ(Contents(*d), original);
  EXPECT_FALSE(d->Undo.UndoStep(*d));
  EXPECT_EQ(beeps, 2);
}

TEST_F(UndoTest, UndoAfterSaveAndReloadGivesTheSavedFiles) {
  auto d = Filled();
  ASSERT_TRUE(d->Save());
  const std::vector<std::string> saved = Contents(*d);
  d->Undo.StartStep();
  const TDiscBlockIndex note = AddBlock(*d, StorageType_Notes, ByName(*d, "1.1"), TextType_Premise, "n");
  d->Undo.AddDiscBlockCreation(*d, note);
  d->Storages.GetDiscBlock(ByName(*d, "1.1"))->SetDeleteFlag(*d, ByName(*d, "1.1"), DeleteFlag_Erased, 0);
  ASSERT_TRUE(d->Save());
  ASSERT_TRUE(d->Undo.UndoStep(*d));
  ASSERT_TRUE(d->Save());
  TDiscussion reloaded;
  reloaded.Folder = Folder();
  ASSERT_TRUE(reloaded.Load());
  EXPECT_EQ(Contents(reloaded), saved);
}

TEST_F(UndoTest, ACreationThatIsNoLongerTheNewestIsLeftAlone) {
  auto d = Filled();
  d->Undo.StartStep();
  const TDiscBlockIndex first = AddBlock(*d, StorageType_Model, ByName(*d, "*"), TextType_Premise, "a");
  d->Undo.AddDiscBlockCreation(*d, first);
  // A block appended without a record: the first is no longer the newest.
  AddBlock(*d, StorageType_Model, ByName(*d, "*"), TextType_Premise, "b");
  const int count = d->Storages.Model.Count();
  int beeps = 0;
  ModelHooks().MessageBeep = [&] { ++beeps; };
  EXPECT_TRUE(d->Undo.UndoStep(*d));
  EXPECT_EQ(d->Storages.Model.Count(), count);
  EXPECT_EQ(beeps, 1);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(UndoTest, UnknownFieldCodesAreRefused) {
  auto d = Filled();
  d->Undo.AddDiscBlockFieldChange(*d, ByName(*d, "1.1"), 99, 0);
  EXPECT_EQ(d->Undo.Count(), 0);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0], "TUndo::AddDiscBlockFieldChange - неизвестный код поля 99");
}

TEST_F(UndoTest, UndoAnnouncesGoneBlocksAtOnceAndChangedOnesOnceThroughTheQueue) {
  TListenerCatch listener;
  auto d = Filled();
  d->Undo.StartStep();
  const TDiscBlockIndex added = AddBlock(*d, StorageType_Model, ByName(*d, "*"), TextType_Premise, "");
  d->Undo.AddDiscBlockCreation(*d, added);
  const TDiscBlockIndex changed = ByName(*d, "1.1");
  const TDiscBlock old = *d->Storages.GetDiscBlock(changed);
  d->Storages.GetDiscBlock(changed)->Novelty = 2;
  d->Storages.GetDiscBlock(changed)->Importance = 2;
  d->Undo.AddDiscBlockChanges(*d, changed, old);
  TListeners::Instance().ClearQueue();
  listener.Heard.clear();
  ASSERT_TRUE(d->Undo.UndoStep(*d));
  ASSERT_EQ(listener.Heard.size(), 1u);
  EXPECT_EQ(listener.Heard[0].Code, Notify_BlockGone);
  EXPECT_EQ(listener.Heard[0].Word1, reinterpret_cast<intptr_t>(d.get()));
  EXPECT_EQ(listener.Heard[0].Word2, PackDiscBlockIndex(added));
  TListeners::Instance().DeliverQueued();
  ASSERT_EQ(listener.Heard.size(), 2u);
  EXPECT_EQ(listener.Heard[1].Code, Notify_BlockChanged);
  EXPECT_EQ(listener.Heard[1].Word2, PackDiscBlockIndex(changed));
}
