#include "model/Tundo.h"

#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "model/Tdiscussion.h"

#include <iterator>
#include <variant>
#include <vector>

namespace {

// A field of a record type, named by its code, reached through a member pointer.
template <class T>
using TMember = std::variant<uint8_t T::*, uint16_t T::*, int16_t T::*, int32_t T::*, TStr T::*, TDiscBlockIndex T::*,
                             TDiscBlockCode T::*>;

template <class T>
struct TField {
  uint8_t Code;
  TMember<T> Member;
};

int64_t PackReference(uint8_t type, uint16_t number) { return (int64_t(type) << 16) | number; }

template <class T>
bool Differs(const T& a, const T& b, const TMember<T>& member) {
  return std::visit([&](auto pointer) { return !(a.*pointer == b.*pointer); }, member);
}

// Keeps the value of the field in the action.
template <class T>
void Keep(TUndoAction& action, const T& record, const TMember<T>& member) {
  std::visit(
      [&](auto pointer) {
        using V = std::decay_t<decltype(record.*pointer)>;
        if constexpr (std::is_same_v<V, TStr>)
          action.OldText = record.*pointer;
        else if constexpr (std::is_same_v<V, TDiscBlockIndex>)
          action.OldInt = PackReference((record.*pointer).StorageType, (record.*pointer).Index);
        else if constexpr (std::is_same_v<V, TDiscBlockCode>)
          action.OldInt = PackReference((record.*pointer).StorageType, (record.*pointer).BlockNum);
        else
          action.OldInt = int64_t(record.*pointer);
      },
      member);
}

// Puts the value kept in the action back into the field.
template <class T>
void Restore(T& record, const TUndoAction& action, const TMember<T>& member) {
  std::visit(
      [&](auto pointer) {
        using V = std::decay_t<decltype(record.*pointer)>;
        if constexpr (std::is_same_v<V, TStr>)
          record.*pointer = action.OldText;
        else if constexpr (std::is_same_v<V, TDiscBlockIndex>)
          record.*pointer = TDiscBlockIndex{uint8_t(action.OldInt >> 16), uint16_t(action.OldInt & 0xFFFF)};
        else if constexpr (std::is_same_v<V, TDiscBlockCode>)
          record.*pointer = TDiscBlockCode{uint8_t(action.OldInt >> 16), uint16_t(action.OldInt & 0xFFFF)};
        else
          record.*pointer = V(action.OldInt);
      },
      member);
}

// A block's fields as the block lists them, each under its undo code.
const std::vector<TField<TDiscBlock>>& BlockFields() {
  static const std::vector<TField<TDiscBlock>> fields = [] {
    std::vector<TField<TDiscBlock>> list;
    VisitBlockFields([&](uint8_t code, auto field, auto) {
      if (code != BlockField_None) list.push_back({code, field});
    });
    return list;
  }();
  return fields;
}

const TField<TDiscBlockStr> TextFields[] = {
    {TextField_Text, &TDiscBlockStr::Text},
    {TextField_URL, &TDiscBlockStr::URL},
    {TextField_FormulaText, &TDiscBlockStr::FormulaText},
};

const TField<TDiscussionInfo> InfoFields[] = {
    {InfoField_DIdent, &TDiscussionInfo::DIdent},
    {InfoField_MIdent, &TDiscussionInfo::MIdent},
    {InfoField_ModelAuthorLIdent, &TDiscussionInfo::ModelAuthorLIdent},
    {InfoField_RobotPatternGroupSize, &TDiscussionInfo::RobotPatternGroupSize},
    {InfoField_RobotPattern, &TDiscussionInfo::RobotPattern},
    {InfoField_Subscribed, &TDiscussionInfo::Subscribed},
    {InfoField_ShowRecipients, &TDiscussionInfo::ShowRecipients},
    {InfoField_ViaWebOnly, &TDiscussionInfo::ViaWebOnly},
    {InfoField_SubscribersOnly, &TDiscussionInfo::SubscribersOnly},
    {InfoField_BlockNamesRequesters, &TDiscussionInfo::BlockNamesRequesters},
    {InfoField_ModelRequesters, &TDiscussionInfo::ModelRequesters},
    {InfoField_Secret, &TDiscussionInfo::Secret},
    {InfoField_PrivateIdent, &TDiscussionInfo::PrivateIdent},
    {InfoField_ModeratorLoginIdent, &TDiscussionInfo::ModeratorLoginIdent},
    {InfoField_ShareDate, &TDiscussionInfo::ShareDate},
    {InfoField_Name, &TDiscussionInfo::Name},
    {InfoField_ModelFolderName, &TDiscussionInfo::ModelFolderName},
    {InfoField_Annotation, &TDiscussionInfo::Annotation},
    {InfoField_Creating, &TDiscussionInfo::Creating},
    {InfoField_Renumbering, &TDiscussionInfo::Renumbering},
};

const TField<TAuthor> AuthorFields[] = {
    {AuthorField_ADIdent, &TAuthor::ADIdent},
    {AuthorField_CommentCounter, &TAuthor::CommentCounter},
    {AuthorField_AGIdent, &TAuthor::AGIdent},
    {AuthorField_FirstName, &TAuthor::FirstName},
    {AuthorField_MiddleName, &TAuthor::MiddleName},
    {AuthorField_LastName, &TAuthor::LastName},
    {AuthorField_Organisation, &TAuthor::Organisation},
    {AuthorField_PrivateEMail, &TAuthor::PrivateEMail},
    {AuthorField_WebPage, &TAuthor::WebPage},
    {AuthorField_Address, &TAuthor::Address},
    {AuthorField_Phones, &TAuthor::Phones},
    {AuthorField_BirthYear, &TAuthor::BirthYear},
    {AuthorField_Degree, &TAuthor::Degree},
    {AuthorField_OtherText, &TAuthor::OtherText},
    {AuthorField_LIdent, &TAuthor::LIdent},
    {AuthorField_AutomaticEMail, &TAuthor::AutomaticEMail},
    {AuthorField_Deleted, &TAuthor::Deleted},
    {AuthorField_Subscriber, &TAuthor::Subscriber},
    {AuthorField_IdentsGiven, &TAuthor::IdentsGiven},
    {AuthorField_Unsubscribed, &TAuthor::Unsubscribed},
    {AuthorField_Robot, &TAuthor::Robot},
};

const TField<TUnlinkedBlockInfo> UnlinkedFields[] = {
    {UnlinkedField_LostParent, &TUnlinkedBlockInfo::LostParent},
    {UnlinkedField_ParentName, &TUnlinkedBlockInfo::ParentName},
    {UnlinkedField_LostConclusion, &TUnlinkedBlockInfo::LostConclusion},
    {UnlinkedField_ConclusionName, &TUnlinkedBlockInfo::ConclusionName},
    {UnlinkedField_FormulaError, &TUnlinkedBlockInfo::FormulaError},
    {UnlinkedField_LostHyperRefs, &TUnlinkedBlockInfo::LostHyperRefs},
};

const TField<TReaderProperty> PropertyFields[] = {
    {PropertyField_Mark, &TReaderProperty::Mark},
    {PropertyField_Possibility, &TReaderProperty::Possibility},
    {PropertyField_Read, &TReaderProperty::Read},
};

// A table of fields: an array, or a list made from a record's own field list.
template <class Fields>
auto FindField(const Fields& fields, uint8_t code) -> decltype(&std::begin(fields)->Member) {
  for (const auto& field : fields)
    if (field.Code == code) return &field.Member;
  return nullptr;
}

// The field of the table, or a report naming the recorder.
template <class Fields>
auto FieldOrReport(const Fields& fields, uint8_t code, const char* where) {
  const auto* member = FindField(fields, code);
  if (member == nullptr) TError::Report(std::string(where) + " - неизвестный код поля " + std::to_string(code));
  return member;
}

bool ValidIndex(int index, uint32_t count) { return index >= 0 && uint32_t(index) < count; }

}  // namespace

TUndo::TUndo() = default;
TUndo::~TUndo() = default;

void TUndo::StartStep() {
  if (StepStartSwitch) PendingFirstOfStep = 1;
}

void TUndo::Clear() {
  Actions.Clear();
  Snapshots.clear();
  PendingFirstOfStep = 1;
}

TUndoAction& TUndo::Record(uint8_t action) {
  static TUndoAction lost;  // where a record goes when the list cannot grow (reported)
  const int index = Actions.AddEmptyItem();
  if (index < 0) {
    lost = TUndoAction{};
    return lost;
  }
  TUndoAction& record = Actions[index];
  record.Action = action;
  // The very first action always opens a step.
  record.FirstOfStep = PendingFirstOfStep || index == 0 ? 1 : 0;
  PendingFirstOfStep = 0;
  return record;
}

int TUndo::KeepSnapshot(std::any value) {
  Snapshots.push_back(std::move(value));
  return int(Snapshots.size()) - 1;
}

// Blocks.

void TUndo::AddNoteCounterChange(uint16_t oldCounter) { Record(UndoAction_NoteCounter).OldInt = oldCounter; }

void TUndo::AddDiscBlockCreation(TDiscussion& discussion, TDiscBlockIndex block) {
  const TDiscBlock* record = discussion.Storages.GetDiscBlock(block);
  if (record == nullptr) return;
  TUndoAction& action = Record(UndoAction_BlockCreation);
  action.Block = block;
  action.Code = record->GetDiscBlockCode();
}

void TUndo::AddDiscBlockChanges(TDiscussion& discussion, TDiscBlockIndex block, const TDiscBlock& old) {
  const TDiscBlock* now = discussion.Storages.GetDiscBlock(block);
  if (now == nullptr) return;
  for (const TField<TDiscBlock>& field : BlockFields()) {
    if (!Differs(old, *now, field.Member)) continue;
    TUndoAction& action = Record(UndoAction_BlockField);
    action.Block = block;
    action.Field = field.Code;
    Keep(action, old, field.Member);
  }
}

void TUndo::AddDiscBlockFieldChange(TDiscussion& discussion, TDiscBlockIndex block, uint8_t field, int64_t oldValue) {
  if (!discussion.Storages.IsValidIndex(block) ||
      !FieldOrReport(BlockFields(), field, "TUndo::AddDiscBlockFieldChange"))
    return;
  TUndoAction& action = Record(UndoAction_BlockField);
  action.Block = block;
  action.Field = field;
  action.OldInt = oldValue;
}

void TUndo::AddDiscBlockStrFieldChange(TDiscussion& discussion, TDiscBlockIndex block, uint8_t field,
                                       const TStr& oldText) {
  if (!discussion.Storages.IsValidIndex(block) ||
      !FieldOrReport(BlockFields(), field, "TUndo::AddDiscBlockStrFieldChange"))
    return;
  TUndoAction& action = Record(UndoAction_BlockField);
  action.Block = block;
  action.Field = field;
  action.OldText = oldText;
}

void TUndo::AddBlockTextChanges(TDiscussion& discussion, TDiscBlockIndex block, const TDiscBlockStr& old) {
  const TStrHashItem* now = discussion.Storages.GetStrHashItem(block);
  if (now == nullptr) return;
  for (const TField<TDiscBlockStr>& field : TextFields) {
    if (!Differs(old, now->Str, field.Member)) continue;
    TUndoAction& action = Record(UndoAction_BlockTextField);
    action.Block = block;
    action.Field = field.Code;
    Keep(action, old, field.Member);
  }
}

void TUndo::AddUnlinkedBlockInfoCreation(int record) {
  Record(UndoAction_UnlinkedCreation).ObjectIndex = record;
}

void TUndo::AddUnlinkedBlockInfoChanges(TDiscussion& discussion, int record, const TUnlinkedBlockInfo& old) {
  if (!ValidIndex(record, discussion.UnlinkedBlockInfos.Count())) return;
  const TUnlinkedBlockInfo& now = discussion.UnlinkedBlockInfos[record];
  for (const TField<TUnlinkedBlockInfo>& field : UnlinkedFields) {
    if (!Differs(old, now, field.Member)) continue;
    TUndoAction& action = Record(UndoAction_UnlinkedField);
    action.ObjectIndex = record;
    action.Field = field.Code;
    Keep(action, old, field.Member);
  }
}

// The discussion information.

void TUndo::AddStrFieldChange(uint8_t objectType, uint8_t field, const TStr& oldText) {
  if (!FieldOrReport(InfoFields, field, "TUndo::AddStrFieldChange")) return;
  TUndoAction& action = Record(UndoAction_InfoField);
  action.ObjectType = objectType;
  action.Field = field;
  action.OldText = oldText;
}

void TUndo::AddIntFieldChange(uint8_t objectType, uint8_t field, int64_t oldValue) {
  if (!FieldOrReport(InfoFields, field, "TUndo::AddIntFieldChange")) return;
  TUndoAction& action = Record(UndoAction_InfoField);
  action.ObjectType = objectType;
  action.Field = field;
  action.OldInt = oldValue;
}

void TUndo::AddDiscussionInfoChanges(TDiscussion& discussion, const TDiscussionInfo& old) {
  const TDiscussionInfo& now = discussion.Info;
  for (const TField<TDiscussionInfo>& field : InfoFields) {
    if (!Differs(old, now, field.Member)) continue;
    TUndoAction& action = Record(UndoAction_InfoField);
    action.ObjectType = field.Code == InfoField_BlockNamesRequesters || field.Code == InfoField_ModelRequesters
                            ? UndoObject_InfoRequesters
                            : UndoObject_DiscussionInfo;
    action.Field = field.Code;
    Keep(action, old, field.Member);
  }
  bool personsDiffer = old.Persons.Count() != now.Persons.Count();
  for (uint32_t i = 0; !personsDiffer && i < now.Persons.Count(); ++i)
    personsDiffer = !(old.Persons[i] == now.Persons[i]);
  if (personsDiffer) {
    const int snapshot = KeepSnapshot(old.Persons);
    Record(UndoAction_InfoPersons).SubIndex = snapshot;
  }
}

// Themes.

void TUndo::AddThemeCreation(int theme) { Record(UndoAction_ThemeCreation).ObjectIndex = theme; }

void TUndo::AddThemeDeletion(int theme, const TTheme& old) {
  const int snapshot = KeepSnapshot(old);
  TUndoAction& action = Record(UndoAction_ThemeDeletion);
  action.ObjectIndex = theme;
  action.SubIndex = snapshot;
}

void TUndo::AddThemeStrFieldChange(int theme, uint8_t field, const TStr& oldText) {
  if (field != ThemeField_Name) {
    TError::Report("TUndo::AddThemeStrFieldChange - неизвестный код поля " + std::to_string(field));
    return;
  }
  TUndoAction& action = Record(UndoAction_ThemeField);
  action.ObjectIndex = theme;
  action.Field = field;
  action.OldText = oldText;
}

void TUndo::AddThemeCodeAdded(int theme) { Record(UndoAction_ThemeCodeAdded).ObjectIndex = theme; }

void TUndo::AddThemeCodeRemoved(int theme, int position, TDiscBlockCode code) {
  TUndoAction& action = Record(UndoAction_ThemeCodeRemoved);
  action.ObjectIndex = theme;
  action.SubIndex = position;
  action.Code = code;
}

// Authors.

void TUndo::AddAuthorCreation(int author) { Record(UndoAction_AuthorCreation).ObjectIndex = author; }

void TUndo::AddAuthorChanges(TDiscussion& discussion, int author, const TAuthor& old) {
  if (!ValidIndex(author, discussion.Authors.Authors.Count())) return;
  const TAuthor& now = discussion.Authors.Author(author);
  for (const TField<TAuthor>& field : AuthorFields) {
    if (!Differs(old, now, field.Member)) continue;
    TUndoAction& action = Record(UndoAction_AuthorField);
    action.ObjectIndex = author;
    action.Field = field.Code;
    Keep(action, old, field.Member);
  }
}

void TUndo::AddAuthorFieldChange(int author, uint8_t field, int64_t oldValue) {
  if (!FieldOrReport(AuthorFields, field, "TUndo::AddAuthorFieldChange")) return;
  TUndoAction& action = Record(UndoAction_AuthorField);
  action.ObjectIndex = author;
  action.Field = field;
  action.OldInt = oldValue;
}

void TUndo::AddAuthorStrFieldChange(int author, uint8_t field, const TStr& oldText) {
  if (!FieldOrReport(AuthorFields, field, "TUndo::AddAuthorStrFieldChange")) return;
  TUndoAction& action = Record(UndoAction_AuthorField);
  action.ObjectIndex = author;
  action.Field = field;
  action.OldText = oldText;
}

// Reader properties.

void TUndo::AddReaderPropertyCreation(int property) { Record(UndoAction_PropertyCreation).ObjectIndex = property; }

void TUndo::AddReaderPropertyChanges(TDiscussion& discussion, int property, const TReaderProperty& old) {
  if (!ValidIndex(property, discussion.ReaderProperties.Items.Count())) return;
  const TReaderProperty& now = discussion.ReaderProperties.Items[property];
  for (const TField<TReaderProperty>& field : PropertyFields) {
    if (!Differs(old, now, field.Member)) continue;
    TUndoAction& action = Record(UndoAction_PropertyField);
    action.ObjectIndex = property;
    action.Field = field.Code;
    Keep(action, old, field.Member);
  }
}

void TUndo::AddReaderPropertyFieldChange(int property, uint8_t field, int64_t oldValue) {
  if (!FieldOrReport(PropertyFields, field, "TUndo::AddReaderPropertyFieldChange")) return;
  TUndoAction& action = Record(UndoAction_PropertyField);
  action.ObjectIndex = property;
  action.Field = field;
  action.OldInt = oldValue;
}

// Post lists.

void TUndo::AddPostsListItemCreation(int item, uint16_t oldCounter) {
  TUndoAction& action = Record(UndoAction_PostListCreation);
  action.ObjectIndex = item;
  action.OldInt = oldCounter;
}

void TUndo::AddPostsListItemFieldChange(int item, uint8_t field, int64_t oldValue, double oldDate,
                                        const TStr& oldText) {
  if (field != PostListField_Name && field != PostListField_CreationDate && field != PostListField_SentDate &&
      field != PostListField_CodeAppended) {
    TError::Report("TUndo::AddPostsListItemFieldChange - неизвестный код поля " + std::to_string(field));
    return;
  }
  TUndoAction& action = Record(UndoAction_PostListField);
  action.ObjectIndex = item;
  action.Field = field;
  action.OldInt = oldValue;
  action.OldDate = oldDate;
  action.OldText = oldText;
}

void TUndo::AddPostsListItemCodeChange(int item, int position, TDiscBlockCode code, bool brought) {
  TUndoAction& action = Record(UndoAction_PostListCodeRemoved);
  action.ObjectIndex = item;
  action.SubIndex = position;
  action.Code = code;
  action.OldInt = brought ? 1 : 0;
}

void TUndo::AddPostsListItemCodeOwned(int item, TDiscBlockCode code) {
  TUndoAction& action = Record(UndoAction_PostListField);
  action.ObjectIndex = item;
  action.Field = PostListField_CodeOwned;
  action.Code = code;
}

void TUndo::AddPostsListItemCodeReplaced(int item, int position, TDiscBlockCode oldCode) {
  TUndoAction& action = Record(UndoAction_PostListCodeReplaced);
  action.ObjectIndex = item;
  action.SubIndex = position;
  action.Code = oldCode;
}

// The user's relations.

void TUndo::AddPairCreation(int pair) { Record(UndoAction_PairAdded).ObjectIndex = pair; }

void TUndo::AddPairChange(int pair, const TBrowseItemIdentsPair& old, bool removed) {
  const int snapshot = KeepSnapshot(old);
  TUndoAction& action = Record(removed ? UndoAction_PairRemoved : UndoAction_PairChanged);
  action.ObjectIndex = pair;
  action.SubIndex = snapshot;
}

// Undoing.

// A block that disappears is announced at once (the windows drop it while it still
// exists); changed blocks are queued, so that a block changed in several fields is
// announced once.
bool TUndo::UndoStep(TDiscussion& discussion) {
  if (Actions.Count() == 0) {
    ModelBeep();
    return false;
  }
  while (Actions.Count() > 0 && !IsErrorReported())
    if (TakeBackLast(discussion)) break;
  // What is recorded next never joins the step before the one taken back.
  PendingFirstOfStep = 1;
  return true;
}

void TUndo::UndoSince(TDiscussion& discussion, int count) {
  while (Count() > count && Count() > 0 && !IsErrorReported()) TakeBackLast(discussion);
}

bool TUndo::TakeBackLast(TDiscussion& discussion) {
  const uint32_t last = Actions.Count() - 1;
  const TUndoAction action = Actions[last];
  Actions.Delete(last);
  TakeBack(discussion, action);
  if (action.SubIndex >= 0 && size_t(action.SubIndex) + 1 == Snapshots.size() &&
      (action.Action == UndoAction_InfoPersons || action.Action == UndoAction_ThemeDeletion ||
       action.Action == UndoAction_PairChanged || action.Action == UndoAction_PairRemoved))
    Snapshots.pop_back();
  return action.FirstOfStep != 0;
}

void TUndo::TakeBack(TDiscussion& discussion, const TUndoAction& action) {
  TDiscBlockStorages& storages = discussion.Storages;
  switch (action.Action) {
    case UndoAction_BlockCreation: {
      // Only the newest block of its storage can be taken back. Blocks appended since
      // without records (received ones) leave it in place: the step is refused with a
      // beep, as there is nothing wrong inside the program.
      TBlocksStorage* storage = storages.GetStorage(action.Block.StorageType);
      if (storage == nullptr || action.Block.Index + 1 != storage->Count() ||
          !(storage->Block(action.Block.Index).GetDiscBlockCode() == action.Code)) {
        ModelBeep();
        return;
      }
      const TDiscBlock& block = storage->Block(action.Block.Index);
      if (storage->LastBlockNum == block.BlockNum) --storage->LastBlockNum;
      if (block.StorageType == StorageType_Notes && discussion.User.NoteCounter == block.Num)
        --discussion.User.NoteCounter;
      SendBlockNotification(Notify_BlockGone, discussion, action.Block, false);
      discussion.HyperRefBlocks.RemoveBlock(action.Block);
      discussion.HyperRefBlocks.RemoveReferenced(action.Block);
      storage->DeleteLastItem(discussion);
      return;
    }
    case UndoAction_BlockField: {
      TDiscBlock* block = storages.GetDiscBlock(action.Block);
      const TMember<TDiscBlock>* member = FindField(BlockFields(), action.Field);
      if (block == nullptr || member == nullptr) return;
      Restore(*block, action, *member);
      if (action.Field == BlockField_Name) storages.GetStorage(action.Block.StorageType)->ClearNameIndex();
      if (action.Field == BlockField_Upper) storages.GetStorage(action.Block.StorageType)->ClearLowerIndex();
      SendBlockNotification(Notify_BlockChanged, discussion, action.Block, true);
      return;
    }
    case UndoAction_BlockTextField: {
      TStrHashItem* texts = storages.GetStrHashItem(action.Block);
      const TMember<TDiscBlockStr>* member = FindField(TextFields, action.Field);
      if (texts == nullptr || member == nullptr) return;
      Restore(texts->Str, action, *member);
      SendBlockNotification(Notify_BlockChanged, discussion, action.Block, true);
      return;
    }
    case UndoAction_UnlinkedCreation:
      if (action.ObjectIndex + 1 == int(discussion.UnlinkedBlockInfos.Count()))
        discussion.UnlinkedBlockInfos.Delete(uint32_t(action.ObjectIndex));
      return;
    case UndoAction_UnlinkedField:
      if (ValidIndex(action.ObjectIndex, discussion.UnlinkedBlockInfos.Count()))
        if (const TMember<TUnlinkedBlockInfo>* member = FindField(UnlinkedFields, action.Field))
          Restore(discussion.UnlinkedBlockInfos[action.ObjectIndex], action, *member);
      return;
    case UndoAction_InfoField:
      if (const TMember<TDiscussionInfo>* member = FindField(InfoFields, action.Field)) {
        Restore(discussion.Info, action, *member);
        if (action.Field == InfoField_Name) {
          TListeners::Send(Notify_TitlesChanged, false);
          // The root shows the name: every window on it and every folder row of it repaints.
          SendBlockNotification(Notify_BlockChanged, discussion, discussion.Storages.GetRootBlockIndex(), true);
        }
      }
      return;
    case UndoAction_InfoPersons:
      if (ValidIndex(action.SubIndex, uint32_t(Snapshots.size())))
        discussion.Info.Persons = std::any_cast<TArray<TPersonRow>>(Snapshots[action.SubIndex]);
      return;
    case UndoAction_ThemeCreation:
      if (action.ObjectIndex + 1 == int(discussion.Themes.Count())) discussion.Themes.Delete(uint32_t(action.ObjectIndex));
      return;
    case UndoAction_ThemeDeletion:
      if (ValidIndex(action.SubIndex, uint32_t(Snapshots.size())) && action.ObjectIndex >= 0 &&
          uint32_t(action.ObjectIndex) <= discussion.Themes.Count())
        discussion.Themes.InsertItem(uint32_t(action.ObjectIndex), std::any_cast<TTheme>(Snapshots[action.SubIndex]));
      return;
    case UndoAction_ThemeField:
      if (ValidIndex(action.ObjectIndex, discussion.Themes.Count())) discussion.Themes[action.ObjectIndex].Name = action.OldText;
      return;
    case UndoAction_ThemeCodeAdded:
      if (ValidIndex(action.ObjectIndex, discussion.Themes.Count())) {
        TArray<TDiscBlockCode>& codes = discussion.Themes[action.ObjectIndex].Blocks;
        if (codes.Count() > 0) codes.Delete(codes.Count() - 1);
      }
      return;
    case UndoAction_ThemeCodeRemoved:
      if (ValidIndex(action.ObjectIndex, discussion.Themes.Count())) {
        TArray<TDiscBlockCode>& codes = discussion.Themes[action.ObjectIndex].Blocks;
        if (action.SubIndex >= 0 && uint32_t(action.SubIndex) <= codes.Count())
          codes.InsertItem(uint32_t(action.SubIndex), action.Code);
      }
      return;
    case UndoAction_AuthorCreation:
      if (action.ObjectIndex + 1 == discussion.Authors.Count()) discussion.Authors.Authors.Delete(uint32_t(action.ObjectIndex));
      return;
    case UndoAction_AuthorField:
      if (ValidIndex(action.ObjectIndex, discussion.Authors.Authors.Count()))
        if (const TMember<TAuthor>* member = FindField(AuthorFields, action.Field)) {
          Restore(discussion.Authors.Author(action.ObjectIndex), action, *member);
          TListeners::SendPair(Notify_AuthorChanged, reinterpret_cast<intptr_t>(&discussion), action.ObjectIndex, false);
        }
      return;
    case UndoAction_PropertyCreation:
      if (action.ObjectIndex + 1 == discussion.ReaderProperties.Count())
        discussion.ReaderProperties.Items.Delete(uint32_t(action.ObjectIndex));
      return;
    case UndoAction_PropertyField:
      if (ValidIndex(action.ObjectIndex, discussion.ReaderProperties.Items.Count()))
        if (const TMember<TReaderProperty>* member = FindField(PropertyFields, action.Field)) {
          TReaderProperty& property = discussion.ReaderProperties.Items[action.ObjectIndex];
          Restore(property, action, *member);
          SendBlockNotification(Notify_BlockChanged, discussion, storages.FindDiscBlockIndex(property.Code), true);
        }
      return;
    case UndoAction_NoteCounter:
      discussion.User.NoteCounter = uint16_t(action.OldInt);
      return;
    case UndoAction_PostListCreation: {
      TBlocksPostList& lists = discussion.User.PostLists;
      if (action.ObjectIndex + 1 == int(lists.Items.Count())) {
        lists.Items.Delete(uint32_t(action.ObjectIndex));
        lists.Counter = uint16_t(action.OldInt);
      }
      return;
    }
    case UndoAction_PostListField: {
      TBlocksPostList& lists = discussion.User.PostLists;
      if (!ValidIndex(action.ObjectIndex, lists.Items.Count())) return;
      TBlocksPostListItem& item = lists.Items[action.ObjectIndex];
      switch (action.Field) {
        case PostListField_Name: item.Name = action.OldText; break;
        case PostListField_CreationDate: item.CreationDate = action.OldDate; break;
        case PostListField_SentDate: item.SentDate = action.OldDate; break;
        case PostListField_CodeAppended:
          if (item.Blocks.Count() > 0) {
            const TDiscBlockCode last = item.Blocks[item.Blocks.Count() - 1];
            item.Blocks.Delete(item.Blocks.Count() - 1);
            if (item.FindBlock(last) < 0) item.SetBrought(last, false);
          }
          break;
        case PostListField_CodeOwned: item.SetBrought(action.Code, true); break;
      }
      return;
    }
    case UndoAction_PostListCodeRemoved: {
      TBlocksPostList& lists = discussion.User.PostLists;
      if (!ValidIndex(action.ObjectIndex, lists.Items.Count())) return;
      TBlocksPostListItem& item = lists.Items[action.ObjectIndex];
      if (action.SubIndex >= 0 && uint32_t(action.SubIndex) <= item.Blocks.Count() &&
          item.Blocks.InsertItem(uint32_t(action.SubIndex), action.Code) >= 0)
        item.SetBrought(action.Code, action.OldInt != 0);
      return;
    }
    case UndoAction_PostListCodeReplaced: {
      TBlocksPostList& lists = discussion.User.PostLists;
      if (!ValidIndex(action.ObjectIndex, lists.Items.Count())) return;
      TArray<TDiscBlockCode>& codes = lists.Items[action.ObjectIndex].Blocks;
      if (ValidIndex(action.SubIndex, codes.Count())) codes[uint32_t(action.SubIndex)] = action.Code;
      return;
    }
    case UndoAction_PairAdded:
      if (action.ObjectIndex + 1 == int(discussion.User.Pairs.Count()))
        discussion.User.Pairs.Delete(uint32_t(action.ObjectIndex));
      return;
    case UndoAction_PairChanged:
    case UndoAction_PairRemoved: {
      if (!ValidIndex(action.SubIndex, uint32_t(Snapshots.size()))) return;
      TArray<TBrowseItemIdentsPair>& pairs = discussion.User.Pairs;
      TBrowseItemIdentsPair old = std::any_cast<TBrowseItemIdentsPair>(Snapshots[action.SubIndex]);
      old.First.ResolveIndex(storages);
      old.Second.ResolveIndex(storages);
      if (action.Action == UndoAction_PairChanged && ValidIndex(action.ObjectIndex, pairs.Count()))
        pairs[action.ObjectIndex] = old;
      else if (action.Action == UndoAction_PairRemoved && action.ObjectIndex >= 0 &&
               uint32_t(action.ObjectIndex) <= pairs.Count())
        pairs.InsertItem(uint32_t(action.ObjectIndex), old);
      return;
    }
    default:
      return;
  }
}
