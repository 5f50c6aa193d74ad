#pragma once
// What this installation remembers of the received messages it applied, so that none is
// applied twice: per discussion the digest each applied message was signed over, and per
// sender the compose time of the latest message that switched the discussion's state
// (privacy, moderation, author data). A message already applied, or a state switch older
// than one applied, is refused.
//
// The file "AppliedPost.cbs" lies beside the post state:
//   8 bytes "QLAPPLD1"
//   u32 n, then n entries: TStr DIdent, 32 bytes digest, 8 bytes TDateTime applied
//   u32 m, then m entries: TStr DIdent, TStr sender LIdent, u8 kind, 8 bytes TDateTime composed
//   (kind 4: when that author was told that a message in their name was refused; the time told)
//   (files written since requests are awaited) u32 k, then k entries: TStr answer command,
//   TStr the discussion's DIdent (MIdent for a registration), TStr receiver, 8 bytes TDateTime sent
//   (the refusal of a command sent from here is awaited under "YOUR_COMMAND_IGNORED " and
//   the command, with the discussion's DIdent: no message bears that command, so a build
//   that awaits only answers keeps such entries and matches none)
// Digests of messages last seen more than RememberedDays ago are dropped when it is written;
// the latest state switch of each sender is kept for good, so that no older switch comes
// back; an author told of a refusal is not told again until a message of theirs is applied.
// Each save keeps the replaced contents as "AppliedPost.cbs.old", which a damaged or lost
// record gives way to.
//
// A message counts as applied from the moment its handler applied it, but it is written
// down only once its effect is saved (Settle): one whose discussion could not be saved stays
// to be handled again, and is not refused then.

#include "foundation/Messagesignature.h"
#include "platform/rtl/Tdatetime.h"

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr int RememberedDays = 400;

// The refusal of a message applied before (the other refusal is of a switch older than one
// applied).
inline constexpr const char* AlreadyApplied = "уже применено";

// Which state a command switches; None for the commands that switch none. RefusalTold is
// no command's: it marks an author told of a message refused in their name.
enum class TStateKind : uint8_t { None = 0, Privacy = 1, Moderation = 2, AuthorData = 3, RefusalTold = 4 };
TStateKind StateKindOfCommand(std::string_view command);

// One message as the frame identifies it when it opens it.
struct THandledMessage {
  std::string DIdent;
  std::string Sender;
  TStateKind Kind = TStateKind::None;
  TDateTime Composed = 0;
  std::string Command;
  std::string MIdent;  // of a registration's answer, which names the model by it
  TMessageDigestValue Digest{};
  std::string Address;     // FROM_USER_EMAIL, kept with a pinned key
  TPublicKey SignerKey{};  // pinned for Sender once the message is applied
  // Private: its seal held under a Key, which proves only that it is sealed with that Key.
  bool SealedWithKey = false;
  // Taken, and proven Sender's (ProofOfSender): it renews the notices of refusals told to
  // Sender.
  bool Proven = false;
};

class TAppliedMessages {
 public:
  // The process-wide store, read from the data root at first use (again when the data
  // root changed).
  static TAppliedMessages& Instance();
  // Forgets what was read, so that the next use reads the file again (a new data root).
  static void Reset();

  // Why a message may not be applied: "" when it may, else a short reason. A message
  // applied before is remembered anew from the day it is seen again.
  std::string Refusal(const THandledMessage& message);
  // Remembers an applied message and writes the file; false (reported) when it cannot, and
  // then the message is not remembered: handled again, it is applied again.
  bool Remember(const THandledMessage& message, TDateTime now);
  // This installation sends the outgoing message file at `path`: a refusal of its command
  // about its discussion from each receiver is awaited, and the answer of a request.
  void AwaitAnswer(const std::string& path, TDateTime now);
  // Whether the message answers a request this installation sent to the address the
  // message comes from, about the same discussion.
  bool AnswersOurRequest(const THandledMessage& message) const;
  // Whether a refusal (YOUR_COMMAND_IGNORED) of the command `ignored` answers a command of
  // that name this installation sent to the refusal's address about the same discussion.
  bool RefusesOurCommand(const THandledMessage& refusal, std::string_view ignored) const;
  // ... and that command is a request, whose refusal is its answer (GIVE_MODEL ...).
  bool RefusesOurRequest(const THandledMessage& refusal, std::string_view ignored) const;
  // Whether the author of that LIdent may be told that a message in their name about the
  // discussion was refused: not when told since a message shown to be theirs was last
  // taken, so that forged messages make us mail them once, not once each.
  bool MayTellOfRefusal(const std::string& dident, const std::string& author) const;
  // They were told: written down until a message proven theirs about the discussion is taken.
  void ToldOfRefusal(const std::string& dident, const std::string& author, TDateTime now);
  // A handler applied the message of the received file at `path`: it counts as applied at
  // once and waits to be settled.
  void Hold(const std::string& path, const THandledMessage& message);
  // The held messages whose file's effect `saved` says was saved are remembered (the file
  // written once), the others forgotten; false (reported) when the file cannot be written,
  // and then none of them is remembered.
  bool Settle(const std::function<bool(const std::string& path)>& saved, TDateTime now);

 private:
  struct TApplied {
    std::string DIdent;
    TMessageDigestValue Digest{};
    TDateTime When = 0;
  };
  struct TLatest {
    std::string DIdent, Sender;
    TStateKind Kind = TStateKind::None;
    TDateTime Composed = 0;
  };
  struct TAwaited {
    std::string Answer, Ident, Address;
    TDateTime When = 0;
  };
  void Load();
  bool Parse(std::string_view data);
  void Add(const THandledMessage& message, TDateTime now);
  // Adds the messages and writes the file; when it cannot be written, none is remembered.
  bool AddAndSave(const std::vector<const THandledMessage*>& messages, TDateTime now);
  bool Save(TDateTime now);
  // Whether an answer of that command is awaited from the message's address about what
  // it names (its model when `byMIdent`, else its discussion).
  bool Awaits(std::string_view answer, bool byMIdent, const THandledMessage& message) const;
  // Awaits that answer from the address about `ident`, from `now` on.
  void Await(std::string_view answer, const std::string& ident, const std::string& address, TDateTime now);
  std::string fPath;
  std::vector<TApplied> fApplied;
  std::vector<TLatest> fLatest;
  std::vector<TAwaited> fAwaited;
  std::vector<std::pair<std::string, THandledMessage>> fHeld;  // file path, message
  bool fRenewed = false;  // a remembered message was seen again since the last save
};

// The messages that handlers open while one handler runs on the received file at `path`:
// when it counts its message as handled, they are held as applied. The key each was signed
// with is pinned for its sender, when none was, only on evidence a stranger cannot give
// first: the message answers a request this installation sent to the sender's address, or
// the user admitted the sender (Vouch). An unsolicited message pins nothing, so that a
// stranger writing first in someone's name cannot lock that person's messages out.
class TApplyingScope {
 public:
  explicit TApplyingScope(std::string path);
  ~TApplyingScope();
  TApplyingScope(const TApplyingScope&) = delete;
  TApplyingScope& operator=(const TApplyingScope&) = delete;
  // A frame opened a message inside the innermost scope.
  static void Opened(const THandledMessage& message);
  // The handler counted its message as handled: unless an error was reported meanwhile,
  // the messages are held and their keys pinned; a key that cannot be pinned is reported.
  void Commit();
  // The running handler saved its message's whole effect itself: the messages of the
  // innermost scope are written down as applied at once, not at the end of the run, so
  // that a crash before then does not apply them again. False (reported) when the record
  // or a key cannot be kept.
  static bool EffectSaved();
  // The user answered No to the running handler's request: its messages still count as
  // handled, so that they are not asked again, but vouch for no key, so that a stranger
  // writing first in someone's name cannot lock the genuine sender out.
  static void Declined();
  // The user admitted the running handler's sender (a subscription, author identifiers):
  // its key is pinned for the sender when none was.
  static void Vouch();

 private:
  // Each message held (or, with `now`, written down) as applied and its key pinned.
  bool Apply(bool now);
  TApplyingScope* fOuter;
  std::string fPath;
  std::vector<THandledMessage> fMessages;
  bool fDeclined = false;
  bool fVouched = false;
};
