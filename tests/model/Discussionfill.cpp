#include "tests/model/Discussionfill.h"

#include "model/Blocknames.h"
#include "model/Tdiscussion.h"

namespace modeltest {

TDiscBlockIndex AddBlock(TDiscussion& discussion, uint8_t storageType, TDiscBlockIndex upper, uint8_t textType,
                         const std::string& text, uint16_t adident) {
  TBlocksStorage& storage = *discussion.Storages.GetStorage(storageType);
  const int index = storage.AppendBlock(discussion, upper);
  if (index < 0) return {};
  const TDiscBlockIndex own{storageType, uint16_t(index)};
  TDiscBlock& block = storage.Block(index);
  block.TextType = textType;
  block.ADIdent = adident;
  block.Upper = upper;  // a test may hang a block under one that is not there
  block.Num = uint16_t(storage.GetNewBlockNumber(discussion, upper));
  storage.Block(index).SetComposedBlockName(discussion, own);
  storage.Texts(index).Str.Text = text;
  storage.NewBlockAdded(discussion, index, 0);
  return own;
}

void MakeRoot(TDiscussion& discussion, const std::string& folder) {
  discussion.Folder = folder;
  discussion.Loaded = 1;
  AddBlock(discussion, StorageType_Model, {}, TextType_Heading, "");
}

void FillEverything(TDiscussion& d) {
  const TDiscBlockIndex root = d.Storages.GetRootBlockIndex();
  TDiscussionInfo& info = d.Info;
  info.DIdent = "D-1";
  info.Name = "Обсуждение";
  info.ModelFolderName = "Folder";
  info.Annotation = "Аннотация";
  info.MIdent = "M-1";
  info.ModelAuthorLIdent = "L-model";
  info.Secret = 1;
  info.PrivateIdent = "P-1";
  info.ModeratorLoginIdent = 7;
  info.ShareDate = 45000;
  info.ModelRequesters = "a@x; b@x";
  info.BlockNamesRequesters = "c@x";
  info.ShowRecipients = info.ViaWebOnly = info.SubscribersOnly = info.Subscribed = 1;
  info.RobotPattern = "robot*";
  info.RobotPatternGroupSize = 12;
  info.Creating = info.Renumbering = 1;
  info.AddOrUpdatePerson("L-1", "p@x", "note");

  for (int a = 0; a < 2; ++a) {
    const int index = d.Authors.CreateAuthor(d, a == 0 ? TStr("L-model") : TStr(), a, 0);
    TAuthor& author = d.Authors.Author(index);
    author.Deleted = 1;
    author.AGIdent = "AG" + std::to_string(a);
    author.FirstName = "Иван";
    author.MiddleName = "Петрович";
    author.LastName = "Сидоров";
    author.Organisation = "Org";
    author.PrivateEMail = "priv@x";
    author.AutomaticEMail = "auto" + std::to_string(a) + "@x";
    author.WebPage = "http://x";
    author.Address = "Street";
    author.Phones = "123";
    author.BirthYear = 1970;
    author.Degree = "PhD";
    author.OtherText = "other";
    author.Subscriber = author.Unsubscribed = author.IdentsGiven = author.Robot = 1;
    author.CommentCounter = 5;
  }

  const TDiscBlockIndex heading = AddBlock(d, StorageType_Model, root, TextType_Heading, "Раздел");
  const TDiscBlockIndex premise = AddBlock(d, StorageType_Model, heading, TextType_Premise, "Посылка <1.*>");
  const TDiscBlockIndex conclusion = AddBlock(d, StorageType_Model, heading, TextType_Conclusion, "Вывод");
  const TDiscBlockIndex formula = AddBlock(d, StorageType_Model, heading, TextType_Formula, "");
  TDiscBlock& f = *d.Storages.GetDiscBlock(formula);
  f.Conclusion = conclusion;
  f.ConclusionCode = d.Storages.GetDiscBlock(conclusion)->GetDiscBlockCode();
  f.FormulaValue = 1;
  d.Storages.GetStrHashItem(formula)->Str.FormulaText = "<1.1>*0.5";
  d.Storages.GetStrHashItem(formula)->Str.URL = "http://formula";
  TDiscBlock& p = *d.Storages.GetDiscBlock(premise);
  p.Novelty = 1;
  p.Importance = 1;
  p.Possibility = 42;
  p.DeleteFlag = DeleteFlag_Crossed;
  p.Posted = 1;
  p.SavedName = "old name";
  p.SetDate(45001.0);
  p.UnlinkedIndex = uint16_t(AddUnlinkedBlockInfo(d.UnlinkedBlockInfos, d, p.GetDiscBlockCode()));
  TUnlinkedBlockInfo& unlinked = d.UnlinkedBlockInfos[p.UnlinkedIndex];
  unlinked.LostParent = unlinked.LostConclusion = unlinked.FormulaError = unlinked.LostHyperRefs = 1;
  unlinked.ParentName = "9.9";
  unlinked.ConclusionName = "8.8";

  const TDiscBlockIndex comment = AddBlock(d, StorageType_Comments, premise, TextType_Premise, "Комментарий", 1);
  d.Storages.GetDiscBlock(comment)->SetDate(45002.0);
  AddBlock(d, StorageType_ModeratedComments, comment, TextType_Conclusion, "Модерируемый", 1);
  const TDiscBlockIndex note = AddBlock(d, StorageType_Notes, comment, TextType_Premise, "Заметка");
  d.Storages.GetDiscBlock(note)->DeleteFlag = DeleteFlag_Recycled;
  AddBlock(d, StorageType_Notes, root, TextType_Heading, "Вторая заметка");

  const int property = d.FindReaderProperty(premise, true);
  d.ReaderProperties.Items[property].Mark = Mark_False;
  d.ReaderProperties.Items[property].Read = 1;
  d.ReaderProperties.Items[property].Possibility = 33;

  TBrowseItemIdent first;
  first.Kind = BrowseItem_Block;
  first.Code = d.Storages.GetDiscBlock(heading)->GetDiscBlockCode();
  TBrowseItemIdent second;
  second.Kind = BrowseItem_Author;
  second.ADIdent = 1;
  second.Folder = 3;
  second.Text = "текст";
  d.User.SetBrowseItemIdentsPair(d, first, second, 7);
  d.User.AddVisited(first.Code);
  d.User.AddVisited(d.Storages.GetDiscBlock(comment)->GetDiscBlockCode());
  d.User.PostLists.AddNewItem(d);
  d.User.PostLists.AddBlockToItem(d, 0, d.Storages.GetDiscBlock(comment)->GetDiscBlockCode());
  d.User.PostLists.Items[0].SentDate = 45003.0;

  const int theme = d.Themes.AddEmptyItem();
  d.Themes[theme].Name = "Тема";
  d.Themes[theme].Blocks.AddItem(d.Storages.GetDiscBlock(premise)->GetDiscBlockCode());
}

}  // namespace modeltest
