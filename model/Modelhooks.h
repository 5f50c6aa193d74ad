#pragma once
// What the higher layers lend the discussion model. The model calls upwards only through
// these: the application registers the current login and the dialogs at start-up, the
// browse window its row measuring and a discussion's graph. Until then every hook does
// nothing or answers a safe default.

#include "foundation/Messagesignature.h"
#include "foundation/Tstr.h"
#include "model/Tdiscblockindex.h"

#include <cstdint>
#include <functional>
#include <string>

class TDiscussion;
class TLoginsStorage;
struct TReaderProperty;
struct TRecipientsList;
template <class T>
class TArray;

// The current login as the model sees it.
struct TModelLogin {
  uint16_t Ident = 0xFFFF;  // the login's 16-bit identifier, 0xFFFF when nobody is logged in
  TStr LIdent;
  TStr EMail;
};

// An author's standing with the moderation library: its moderate type.
enum : int {
  ModerateType_Undefined = 0,
  ModerateType_Trustworthy = 1,
  ModerateType_Doubtful = 2,
  ModerateType_Discredited = 3,
};

// What a call of the moderation library returns: not done (refused, or no library), done,
// or, from a handler of a received message, done with the message left unhandled.
enum : int { ModerationCall_NotDone = 1, ModerationCall_Done = 2, ModerationCall_LeaveUnhandled = 3 };

struct TModelHooks {
  // The logins of this installation, for the layers above the model that read and keep
  // more of them than the hooks below give (the post office); null while none are lent.
  // The login hooks below answer from the same logins.
  TLoginsStorage* Logins = nullptr;
  // The current login.
  std::function<TModelLogin()> CurrentLogin;
  // The LIdent of the login with that 16-bit identifier, empty when unknown.
  std::function<TStr(uint16_t loginIdent)> LoginLIdent;
  // The current login's access level to a private discussion, 0 = none.
  std::function<int(const TStr& privateIdent)> AccessLevel;
  // The current login may read the private discussion of that identifier from now on,
  // kept in the logins file; false (reported) when it cannot be kept.
  std::function<bool(const TStr& privateIdent)> GrantAccess;
  // Two discussion folders share a model identifier: 1 or 2 names the one that gets a
  // new identifier, 0 leaves both.
  std::function<int(const TStr& path1, const TStr& path2)> AskRegenerateMIdent;
  // The author dialog on an author of a discussion (editing allowed or not); true when the
  // user changed the record.
  std::function<bool(TDiscussion& discussion, int author, bool editing)> EditAuthor;
  // The reader-property dialog on a property of a discussion; true when it was changed.
  std::function<bool(TDiscussion& discussion, int property)> EditReaderProperty;
  // The reader-property dialog on values not yet stored, its corner at a place of the screen;
  // true when the user confirmed, with the values as the user left them.
  std::function<bool(TReaderProperty& values, int left, int top)> AskReaderProperty;
  // A refusal without words.
  std::function<void()> MessageBeep;
  // The moderation library: the moderate type (ModerateType_*) of an author of a
  // discussion; returns ModerationCall_Done when it answered.
  std::function<int(const TStr& dident, uint16_t adident, int& moderateType)> GetAuthorModerateType;
  // The moderation library is told how many moderated comments wait, by their authors'
  // moderate types.
  std::function<void(const TStr& dident, int trustworthy, int doubtful, int discredited)> SetModeratedCommentsCount;
  // The moderation library: the counts of trustworthy and doubtful moderated comments
  // waiting in a discussion; returns ModerationCall_Done when it answered.
  std::function<int(const TStr& dident, int32_t& trustworthy, int32_t& doubtful)> GetModeratedCommentsCount;
  // The post office: a received post file of that discussion and command waits unhandled
  // in the Inbox.
  std::function<bool(const TStr& dident, const std::string& command)> WaitsInInbox;
  // The Key the current login's private messages are sealed with, given once its key
  // password is verified (asked of the user when not yet); empty when the user fails.
  std::function<TStr()> PrivateMessageKey;
  // The Key kept for the sender of that LIdent at that address, empty when there is none.
  std::function<TStr(const TStr& lident, const TStr& email)> KeyOfLogin;
  // The Key of the sender of a message being handled that no kept Key opens, asked of the
  // user (the sender named by its e-mail address, the message by `about`; `signer` made its
  // signature); empty when the user gives none.
  std::function<TStr(const TStr& lident, const TStr& email, const TPublicKey& signer, const std::string& about)>
      AskKeyOfLogin;
  // The Key the user gave at the question of that LIdent and address opened its message: it
  // is kept for the two together, in place of the one kept before for them.
  std::function<void(const TStr& lident, const TStr& email, const TStr& key)> KeepKeyOfLogin;
  // Whether a message signed with `key` may be taken as the sender's of that LIdent: the
  // key pinned for it, any key while none is pinned; every key may while none is set.
  std::function<bool(const TStr& lident, const TPublicKey& key)> MaySign;
  // A message signed with `key` was applied as the sender's of that LIdent: the key is
  // pinned for it when none was; false when another is pinned or the pin cannot be kept.
  std::function<bool(const TStr& lident, const TStr& email, const TPublicKey& key)> PinSignerKey;
  // The user chooses the receivers of a command message of the discussion (receiver kind
  // 0 to the subscribers, 2 editing them, 3 to pending requesters, 4 to the leader); false
  // when cancelled.
  std::function<bool(TDiscussion& discussion, const std::string& caption, int kind, TArray<TRecipientsList>& rows)>
      ChooseReceivers;
  // The full path of a new outgoing post file in the folder (the post state keeps the
  // names issued today).
  std::function<std::string(const std::string& folder, const std::string& modelFolderName,
                            const std::string& shortCode)>
      PostFileName;
};

// MessageBeep through the hook; nothing while none is registered.
void ModelBeep();

// The process-wide hooks; a default-constructed member means "not registered".
TModelHooks& ModelHooks();

// The current login, or nobody while no login is registered.
TModelLogin CurrentModelLogin();
// The dialogs; false (nothing changed) while none is registered.
bool EditAuthorInDialog(TDiscussion& discussion, int author, bool editing);
bool EditReaderPropertyInDialog(TDiscussion& discussion, int property);
bool AskReaderPropertyInDialog(TReaderProperty& values, int left, int top);
// The moderation library's rating of an author of the discussion, the one way every layer
// asks it: ModerationCall_Done and the moderate type (ModerateType_*) when it answered;
// ModerationCall_NotDone (type 0) while no library is lent.
int AuthorModerateType(const TDiscussion& discussion, uint16_t adident, int& type);

// The browse window measures the rows of a block for the row-height caches.
class TRowMeasurer {
public:
  virtual ~TRowMeasurer() = default;
  // mode 1 the header row, 2 the text row; the painted height in pixels.
  virtual int MeasureDiscBlockRow(TDiscussion& discussion, TDiscBlockIndex block, int level, int mode) = 0;
};

// The graph of a discussion, kept by the discussion while the browse window has built it.
class TDiscussionGraph {
public:
  virtual ~TDiscussionGraph() = default;
  virtual void AddDiscBlock(TDiscussion& discussion, TDiscBlockIndex block) = 0;
  virtual void DeleteDiscBlock(TDiscussion& discussion, TDiscBlockIndex block) = 0;
};

// Codes of the change notifications the model sends. Word 1 is the discussion; word 2 a
// block reference packed with PackDiscBlockIndex (3, 9, 12, 13), the new delete state (10)
// or the author's index (8).
enum : uint8_t {
  Notify_BlockChanged = 3,
  Notify_TitlesChanged = 6,
  Notify_AuthorChanged = 8,
  Notify_BlockGone = 9,
  Notify_BlocksDeleted = 10,
  Notify_BlockAdded = 12,
  Notify_FormulaReferenceChanged = 13,
  Notify_FoldersChanged = 17,
};

// Sends a notification about one block of a discussion.
void SendBlockNotification(uint8_t code, const TDiscussion& discussion, TDiscBlockIndex block, bool defer);
