#pragma once
// The undo list of a discussion. Every change a command makes is recorded as one or more
// actions holding what was there before; the actions of one command form a step, and
// UndoStep takes back the last step, newest action first.
//
// A step begins with the action that carries the first-of-step byte. The application sets
// the pending first-of-step byte of every discussion whose step-start switch is on at each
// event it handles (StartStep); the next recorded action takes it. A command that must keep
// several events in one step (adding a block, whose header dialog runs its own events)
// turns the switch off meanwhile.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "model/Tdiscblock.h"
#include "model/Tdiscblockindex.h"

#include <any>
#include <cstdint>
#include <vector>

class TDiscussion;
struct TDiscBlockStr;
struct TAuthor;
struct TReaderProperty;
struct TDiscussionInfo;
struct TUnlinkedBlockInfo;
struct TBrowseItemIdentsPair;
struct TTheme;

// What an action undoes.
enum : uint8_t {
  UndoAction_None = 0,
  UndoAction_BlockCreation = 1,     // a block appended: removed again
  UndoAction_BlockField = 2,        // one field of a block
  UndoAction_BlockTextField = 3,    // one of the three texts of a block
  UndoAction_UnlinkedCreation = 4,  // an unlinked-block record appended
  UndoAction_UnlinkedField = 5,     // one field of an unlinked-block record
  UndoAction_InfoField = 6,         // one field of the discussion information
  UndoAction_InfoPersons = 7,       // the person list of the discussion information
  UndoAction_ThemeCreation = 8,
  UndoAction_ThemeDeletion = 9,
  UndoAction_ThemeField = 10,
  UndoAction_ThemeCodeAdded = 11,
  UndoAction_ThemeCodeRemoved = 12,
  UndoAction_AuthorCreation = 13,
  UndoAction_AuthorField = 14,
  UndoAction_PropertyCreation = 15,
  UndoAction_PropertyField = 16,
  UndoAction_PostListCreation = 17,
  UndoAction_PostListField = 18,
  UndoAction_PostListCodeRemoved = 19,
  UndoAction_PairAdded = 20,
  UndoAction_PairChanged = 21,
  UndoAction_PairRemoved = 22,
  UndoAction_NoteCounter = 23,      // the user's note counter
  UndoAction_PostListCodeReplaced = 24,
};

// Object types of the discussion-wide text and number fields.
enum : uint8_t { UndoObject_DiscussionInfo = 6, UndoObject_InfoRequesters = 8 };

// Field codes. A block's (BlockField_*) are listed with its fields in model/Tdiscblock.h.
// The discussion information (object type 6; 59 and 60 under object type 8):
enum : uint8_t {
  InfoField_DIdent = 50,
  InfoField_MIdent = 51,
  InfoField_ModelAuthorLIdent = 52,
  InfoField_RobotPatternGroupSize = 53,
  InfoField_RobotPattern = 54,
  InfoField_Subscribed = 55,
  InfoField_ShowRecipients = 56,
  InfoField_ViaWebOnly = 57,
  InfoField_SubscribersOnly = 58,
  InfoField_BlockNamesRequesters = 59,
  InfoField_ModelRequesters = 60,
  InfoField_Secret = 61,
  InfoField_PrivateIdent = 62,
  InfoField_ModeratorLoginIdent = 63,
  InfoField_ShareDate = 64,
  InfoField_Name = 65,
  InfoField_ModelFolderName = 66,
  InfoField_Annotation = 67,
  InfoField_Creating = 68,
  InfoField_Renumbering = 69,
};
// Authors:
enum : uint8_t {
  AuthorField_ADIdent = 71,
  AuthorField_CommentCounter = 72,
  AuthorField_AGIdent = 73,
  AuthorField_FirstName = 74,
  AuthorField_MiddleName = 75,
  AuthorField_LastName = 76,
  AuthorField_Organisation = 77,
  AuthorField_PrivateEMail = 78,
  AuthorField_WebPage = 79,
  AuthorField_Address = 80,
  AuthorField_Phones = 81,
  AuthorField_BirthYear = 82,
  AuthorField_Degree = 83,
  AuthorField_OtherText = 84,
  AuthorField_LIdent = 85,
  AuthorField_AutomaticEMail = 86,
  AuthorField_Deleted = 87,
  AuthorField_Subscriber = 88,
  AuthorField_IdentsGiven = 89,
  AuthorField_Unsubscribed = 90,
  AuthorField_Robot = 91,
};
// Unlinked-block records:
enum : uint8_t {
  UnlinkedField_LostParent = 100,
  UnlinkedField_ParentName = 101,
  UnlinkedField_LostConclusion = 102,
  UnlinkedField_ConclusionName = 103,
  UnlinkedField_FormulaError = 104,
  UnlinkedField_LostHyperRefs = 105,
};
// Reader properties:
enum : uint8_t { PropertyField_Mark = 110, PropertyField_Possibility = 111, PropertyField_Read = 112 };
// Themes:
enum : uint8_t { ThemeField_Name = 121 };
// Block texts:
enum : uint8_t { TextField_Text = 130, TextField_URL = 131, TextField_FormulaText = 132 };
// Post lists (144: a code appended at the end; 145: a brought code became the user's own):
enum : uint8_t {
  PostListField_Name = 140,
  PostListField_CreationDate = 141,
  PostListField_SentDate = 142,
  PostListField_CodeAppended = 144,
  PostListField_CodeOwned = 145,
};

// One recorded action: what it undoes, on which object, and the old value.
struct TUndoAction {
  uint8_t FirstOfStep = 0;  // 1 on the first action of a step
  uint8_t Action = UndoAction_None;
  uint8_t ObjectType = 0;   // of discussion-wide fields
  uint8_t Field = 0;
  TDiscBlockIndex Block;    // the block acted on
  TDiscBlockCode Code;      // its code when recorded (checked before undoing)
  int32_t ObjectIndex = -1;  // author, property, record, theme, post list or pair
  int32_t SubIndex = -1;     // a position inside the object, or a snapshot
  int64_t OldInt = 0;        // old number, or a packed reference
  double OldDate = 0;        // old date-time
  TStr OldText;              // old text
};

class TUndo {
public:
  TUndo();
  ~TUndo();
  TUndo(const TUndo&) = delete;
  TUndo& operator=(const TUndo&) = delete;

  uint8_t PendingFirstOfStep = 1;  // taken by the next recorded action
  uint8_t StepStartSwitch = 1;     // while 1, StartStep begins a new step

  int Count() const { return int(Actions.Count()); }
  const TUndoAction& Action(int index) const { return Actions[index]; }
  bool CanUndo() const { return Actions.Count() > 0; }
  // The next recorded action begins a new step (while the switch is on).
  void StartStep();
  // Takes back the last step; beeps and returns false when there is nothing to undo.
  bool UndoStep(TDiscussion& discussion);
  // Takes back every action recorded after the first `count`, newest first: what a
  // command that failed half-way had changed, whatever step it began in.
  void UndoSince(TDiscussion& discussion, int count);
  void Clear();

  // The user's note counter, recorded before anything that may raise it.
  void AddNoteCounterChange(uint16_t oldCounter);

  // Blocks.
  void AddDiscBlockCreation(TDiscussion& discussion, TDiscBlockIndex block);
  // Every field in which the block now differs from the old copy.
  void AddDiscBlockChanges(TDiscussion& discussion, TDiscBlockIndex block, const TDiscBlock& old);
  void AddDiscBlockFieldChange(TDiscussion& discussion, TDiscBlockIndex block, uint8_t field, int64_t oldValue);
  void AddDiscBlockStrFieldChange(TDiscussion& discussion, TDiscBlockIndex block, uint8_t field, const TStr& oldText);
  // Every text of the block that differs from the old texts.
  void AddBlockTextChanges(TDiscussion& discussion, TDiscBlockIndex block, const TDiscBlockStr& old);
  void AddUnlinkedBlockInfoCreation(int record);
  // Every field in which the record now differs from the old copy.
  void AddUnlinkedBlockInfoChanges(TDiscussion& discussion, int record, const TUnlinkedBlockInfo& old);

  // The discussion information (object types 6 and 8).
  void AddStrFieldChange(uint8_t objectType, uint8_t field, const TStr& oldText);
  void AddIntFieldChange(uint8_t objectType, uint8_t field, int64_t oldValue);
  // Every field in which the information now differs from the old copy.
  void AddDiscussionInfoChanges(TDiscussion& discussion, const TDiscussionInfo& old);

  // Themes.
  void AddThemeCreation(int theme);
  void AddThemeDeletion(int theme, const TTheme& old);
  void AddThemeStrFieldChange(int theme, uint8_t field, const TStr& oldText);
  void AddThemeCodeAdded(int theme);
  void AddThemeCodeRemoved(int theme, int position, TDiscBlockCode code);

  // Authors.
  void AddAuthorCreation(int author);
  void AddAuthorChanges(TDiscussion& discussion, int author, const TAuthor& old);
  void AddAuthorFieldChange(int author, uint8_t field, int64_t oldValue);
  void AddAuthorStrFieldChange(int author, uint8_t field, const TStr& oldText);

  // Reader properties.
  void AddReaderPropertyCreation(int property);
  void AddReaderPropertyChanges(TDiscussion& discussion, int property, const TReaderProperty& old);
  void AddReaderPropertyFieldChange(int property, uint8_t field, int64_t oldValue);

  // The user's post lists.
  void AddPostsListItemCreation(int item, uint16_t oldCounter);
  void AddPostsListItemFieldChange(int item, uint8_t field, int64_t oldValue, double oldDate, const TStr& oldText);
  // A code removed from its position; brought: the list had brought it.
  void AddPostsListItemCodeChange(int item, int position, TDiscBlockCode code, bool brought = false);
  // A code the list had brought is the user's own now.
  void AddPostsListItemCodeOwned(int item, TDiscBlockCode code);
  // The code at a position of a post list gave way to another (a note sent as the comment
  // made of it).
  void AddPostsListItemCodeReplaced(int item, int position, TDiscBlockCode oldCode);

  // The user's relations between browse items.
  void AddPairCreation(int pair);
  void AddPairChange(int pair, const TBrowseItemIdentsPair& old, bool removed);

private:
  TArray<TUndoAction> Actions;
  std::vector<std::any> Snapshots;  // whole old values too large for an action

  TUndoAction& Record(uint8_t action);
  int KeepSnapshot(std::any value);
  void TakeBack(TDiscussion& discussion, const TUndoAction& action);
  // Takes back the newest action; true when it began its step.
  bool TakeBackLast(TDiscussion& discussion);
};
