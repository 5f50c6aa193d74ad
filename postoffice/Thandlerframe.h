#pragma once
// How every handler of a received command message begins: the file is opened and its
// header read, the seal checked and the command compared with the ones the handler
// takes. The reader then stands at the message's data. The file is closed when the
// frame ends, on every path.

#include "foundation/Tbufreader.h"
#include "foundation/Tlogin.h"
#include "model/Tcommandmessage.h"
#include "postoffice/Appliedmessages.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

class TDiscussion;
struct TDiscBlock;
struct TDiscBlockRecord;

// Appended to every "discussion not found" message of the handlers.
inline constexpr const char* LeftUnhandledText = "So the command message is left unhandled.";

class THandlerFrame {
 public:
  // `who` opens the error texts, e.g. "HandleCommand_GiveModel".
  explicit THandlerFrame(std::string who);
  ~THandlerFrame();
  THandlerFrame(const THandlerFrame&) = delete;
  THandlerFrame& operator=(const THandlerFrame&) = delete;

  // Opens the message and checks it; false (reported, or the verifying error shown) when
  // it cannot be read, its seal does not verify or its COMMAND is none of `commands`.
  bool Open(const std::string& path, std::initializer_list<std::string_view> commands);
  void Close();

  std::string Field(std::string_view name) const { return Header.GetFieldValue(name); }
  TBufReader& Reader() { return *fReader; }

  // SENDER_LIDENT: a claim, which only what proves the sender (Provensender.h) backs.
  TStr Sender() const { return TStr(Field("SENDER_LIDENT")); }

  const std::string Who;
  std::string Path;
  std::string Command;
  TCommandMessageHeader Header;
  TMessageSigner Signer;  // who signed the message, once Open succeeded
  THandledMessage Received;  // the message as the record of applied post knows it

 private:
  HANDLE fFile = INVALID_HANDLE_VALUE;
  std::unique_ptr<TBufReader> fReader;
};

// The running handler refuses its message for good with a text the user reads (what came,
// from whom it claims to be, why it is refused): the run sets the message aside with it and
// tells it in its summary. Always false.
bool RefuseReceivedMessage(const std::string& text);
// The refusal of the message handled last, "" when none; taken once.
std::string TakeReceivedMessageRefusal();
// The running handler leaves its private message for a later run, for the reason the run's
// Key question of its sender gives. Always false.
bool LeaveReceivedMessageUnasked(TLoginsStorage::TKeyWait why);
// Why the message handled last was left so, None when it was not; taken once.
TLoginsStorage::TKeyWait TakeReceivedMessageUnasked();
// The message's sender may not send it here: it is not `role` of the discussion ("its
// leader", "one of its authors"), or claims the identifier of one without anything that
// proves it theirs. Refused for good; always false.
bool RefuseSender(const THandlerFrame& frame, const TDiscussion& d, const std::string& role);

// The loaded discussion of a message's DIDENT; null when there is none here (the user is
// told so under `caption`) or it cannot be loaded. `loadedHere` tells that it was loaded
// for the message.
TDiscussion* FindMessageDiscussion(const std::string& dident, const std::string& caption, bool* loadedHere = nullptr);

// The leader-only and author-only checks of the handlers: SENDER_LIDENT names the
// discussion's leader (or one of its authors) and the message may be taken as theirs
// (MayActAsKnownPerson); the header field alone proves nothing.
bool IsFromLeader(const THandlerFrame& frame, TDiscussion& d);
bool IsFromAuthor(const THandlerFrame& frame, const TDiscussion& d);

// A switch of the discussion's state (privacy, moderation, authors' data) composed before
// the latest switch of the same kind by the same sender that the discussion keeps: the text
// it is refused with; "" for any other message.
std::string OlderSwitchRefusal(const THandlerFrame& frame, const TDiscussion& d);
// The discussion keeps the compose time of a switch being applied (saved with it).
void KeepAppliedSwitch(const THandlerFrame& frame, TDiscussion& d);

// Why a message about a secret discussion of this installation, sealed as for a public
// one, is refused before its handler: the seal that every copy of the program can make
// proves nothing there unless it is signed by the key its sender is known by, or it is a
// request for the model. The author of that name, at the address the discussion knows for
// them, is told (YOUR_COMMAND_IGNORED) once until a message of theirs is taken. "" for
// every other message, also one that cannot be read (its handler tells).
std::string SecretDiscussionRefusal(const std::string& path, const TMessageSigner& signer);

// What a received message file's header, seal and signature say: missing, not readable,
// whole and signed with the key its sender is known by (or any key while none is pinned),
// whole but signed with another key than its sender's pinned one, or altered. A private
// message's seal waits for its handler: only its signature is checked here.
enum class TSealState { Missing, Unreadable, Sealed, OtherKey, Unsealed };
TSealState ScreenSeal(const std::string& path, TCommandMessageHeader& header, TMessageSigner& signer);

// Reads the header of a message file; false when it does not read.
bool ReadMessageHeader(const std::string& path, TCommandMessageHeader& header);

// "" for a message whose signed receivers name a login of this installation (or everybody,
// or none is named); else the text it is refused with: it was meant for someone else.
std::string NotForThisLoginRefusal(const std::string& path);

// False for a message whose header does not read, whose signature does not hold, or whose
// bytes do not match the seal that every copy of the program can check: altered on its way
// or forged, nothing of it can be trusted, not even the command it names. A message signed
// whole with another key than its sender's holds its seal: the user decides about its key.
bool HoldsItsSeal(const std::string& path);
bool HoldsItsSeal(TSealState screened);

// A text of a message as the handlers' message boxes show it: cut at 80 characters, its
// control characters escaped.
std::string ShownText(std::string_view text);
// A comment a person wrote into a message, as the boxes show it: whole up to a screenful,
// its lines kept and its other control characters escaped.
std::string ShownComment(std::string_view text);

// The values of a received block record that a block takes over as they are (number in
// names, text type, novelty, importance, possibility, delete state).
void CopyReceivedValues(TDiscBlock& block, const TDiscBlockRecord& record);

// A decimal number of a message between 0 and `max`, nothing else in the text.
bool ParseDecimal(std::string_view text, int& value, int max);

// A notice the discussion's leader sends about one of this installation's authors
// (YOUR_ADIDENT), opened in `frame`: its discussion and the author's index, or false
// when the file, the discussion, the sender or the author does not hold (the user told).
bool OpenLeaderNoticeOnAuthor(THandlerFrame& frame, const std::string& path, const char* command, TDiscussion*& d,
                              int& author);
