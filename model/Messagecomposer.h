#pragma once
// How the model writes a command message: a new file of the Outbox, created exclusively
// and named by the post state, the header, the data, then the seal. A message that cannot
// be completed and sealed is removed, and so are the messages that an unfinished
// composer had already written: a composer leaves either all its messages or none.
//
// The composers of the discussion (TDiscussion::Reply, SendCommand_...) are declared with
// TDiscussion and written in Messagecomposer.cpp.
//
// A message whose header says it is private (PRIVATE_REQ "1") is sealed with the current
// login's Key (its key password only unlocks it), and its block texts are packed with it;
// every other message is sealed with the suite's key, so that its receivers can check it
// without a password. Every message is then signed with the current login's key pair.
// A refusal (YOUR_COMMAND_IGNORED) is for someone whose standing in the discussion is in
// question, who may not hold its Key: it carries no packed text and is sealed as a public
// discussion's messages are, whatever the discussion.

#include "model/Postcommandnames.h"
#include "model/Tcommandmessage.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TBufWriter;
class TDiscussion;

// The present date and time as messages carry them: "mm'/'dd'/'yyyy hh:nn:ss".
std::string ComposeDateTimeText();

// The annotation as the header field carries it: packed with the current login's Key when
// the discussion is private. False when that key is not given.
bool MakeAnnotationFieldValue(TDiscussion& discussion, std::string& value);

// FROM_USER_EMAIL (the current login's e-mail), the receivers' fields and COMMAND.
bool StartCommandHeader(TCommandMessageHeader& header, const TRecipientsList& row, std::string_view command);

// A message is written under its name and this suffix, and renamed once it is sealed; a
// file so named is the leftover of a write that did not finish.
inline constexpr const char* UnfinishedMessageSuffix = "~";

// Test seam: the n-th message written from now on fails after its seal (0 = off).
void FailMessageWrite(int n);

// Writes the data part after the header; `key` packs block texts (empty: plain).
using TMessageDataWriter = std::function<bool(TBufWriter& writer, std::string_view key)>;

// Writes one sealed message of the header's COMMAND into the Outbox. `who` opens the error
// texts ("TDiscussion::Reply"); `announce` tells the user of the sealed message. False
// (reported) when the file cannot be created, written or sealed; no file is left then. A
// header whose receivers name nobody writes nothing (true): the command tells the user
// when none of its rows names anybody (ReceiversOrSay).
bool WriteCommandMessage(TDiscussion& discussion, const TCommandMessageHeader& header, const char* shortCode,
                         const std::string& who, int announce, const TMessageDataWriter& writeData = {});

// The same into a file of that path (which must not exist yet).
bool WriteCommandMessageTo(const std::string& path, const TCommandMessageHeader& header, const std::string& who,
                           int announce, const TMessageDataWriter& writeData = {});

// The path of a new Outbox file, named as the post office names them after `namePart`
// (a discussion's model folder name) and the command's short code.
std::string NewOutboxFileName(std::string_view namePart, const char* shortCode);

// The messages a composer writes while it runs. Unless Keep is called, the files written
// under the journal are removed when it ends; kept files pass to an enclosing journal.
//
// A journal that holds its messages (Hold, before anything is written) leaves each sealed
// message under its unfinished name, where the post office does not take it, until Release
// gives them their Outbox names. A command that changes the discussion for its messages
// saves the discussion in between: a crash before the save leaves leftovers that the post
// office removes, never a message whose numbers the discussion has not kept; one after it
// leaves them recorded for the next start to finish (Heldsending.h).
class TComposedMessages {
 public:
  TComposedMessages();
  ~TComposedMessages();
  TComposedMessages(const TComposedMessages&) = delete;
  TComposedMessages& operator=(const TComposedMessages&) = delete;

  void Keep() { Kept = true; }
  void Hold() { Holding = true; }
  // Moves the held messages into the Outbox and keeps them; false (reported) when one
  // cannot be moved: the ones moved before it wait again under their unfinished names.
  bool Release();
  const std::vector<std::string>& Paths() const { return Files; }
  // The first message of the journal, or of one inside it, whose file could not be made,
  // written or moved into the Outbox, and the system's reason; empty when none.
  const std::string& FailedPath() const { return Failure.Path; }
  const std::string& FailureReason() const { return Failure.Reason; }
  // Records a written file in the innermost journal.
  static void Written(const std::string& path);
  // Records a message's file that failed, in every journal that has none yet.
  static void Failed(const std::string& path, const std::string& reason);
  // True while the innermost journal or one around it holds its messages.
  static bool Held();

 private:
  TComposedMessages* Outer;
  std::vector<std::string> Files;
  struct {
    std::string Path, Reason;
  } Failure;
  bool Kept = false;
  bool Holding = false;
};

// A name part as a post-file name may hold it: characters that are not safe in a file
// name (path separators, dots, wildcards, controls) become "_".
std::string SafePostNamePart(std::string_view text);
