#include "postoffice/Commandhandlers.h"

#include "foundation/Guihooks.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "postoffice/Appliedmessages.h"
#include "postoffice/Provensender.h"
#include "postoffice/Thandlerframe.h"
#include "platform/rtl/Strutil.h"

#include <utility>
#include <vector>

bool HandleCommand_YourBlocksIgnored(TPostFilesHandler&, const std::string& path) {
  constexpr const char* command = MessageCommand::YourBlocksIgnored.Name;
  THandlerFrame frame("HandleCommand_YourBlocksIgnored");
  TDiscussion* d = nullptr;
  int author = -1;
  if (!OpenLeaderNoticeOnAuthor(frame, path, command, d, author)) return false;
  // YOUR_ADIDENT is this login's identifier: its address names a record without name or address.
  const std::string name = d->Authors.Author(author).GetShownName(d->GetCurrentLoginEMail().ToString());
  ShowMessageBox(
      command, "Sended by " + name + " blocks of discussion " + d->GetName().ToString() + " is ignored by Moderator.");
  return true;
}

namespace {

// How a refusal may be shown.
enum class TRefusalShown { InItsWords, Unproven, Refused };

// A refusal that nothing proves, of a command sent from here: who it names, about what.
struct TUnprovenRefusal {
  std::string Address, Discussion, Command;
  int Count = 0;
};

std::vector<TUnprovenRefusal>& UnprovenRefusals() {
  static std::vector<TUnprovenRefusal> refusals;
  return refusals;
}

void CountUnproven(const std::string& address, const std::string& discussion, const std::string& command) {
  std::vector<TUnprovenRefusal>& refusals = UnprovenRefusals();
  for (TUnprovenRefusal& r : refusals)
    if (SameText(r.Address, address) && r.Discussion == discussion && r.Command == command) {
      ++r.Count;
      return;
    }
  refusals.push_back({address, discussion, command, 1});
}

// Whether a refusal may be shown in the name it gives. Its fields are anybody's to write,
// and the seal of a public discussion anybody's to make: its words are shown as the
// leader's of its discussion only when the key pinned here for the leader signed it, or
// when it refuses a request this installation sent to that address about that discussion
// (which only one who reads the request on its way can answer first, as any answer).
// A refusal of another command sent there is one that anyone who guesses that the command
// went out can write: it is told without its words (Unproven). Any other is refused for
// good with why.
TRefusalShown HowItIsShown(const THandlerFrame& frame, std::string& discussion) {
  const std::string address = frame.Field("FROM_USER_EMAIL"), ignored = frame.Field("IGNORED_COMMAND");
  const std::string what = "The " + frame.Command + " message " +
                           ShownText(frame.Path.substr(frame.Path.rfind('/') + 1)) + " from " + ShownText(address);
  discussion = frame.Field("MODEL_NAME");
  TLoginsStorage* logins = ModelHooks().Logins;
  TDiscussionsManager* manager = DiscussionsManager();
  const int index = manager ? manager->FindDiscussionByDIdent(TStr(frame.Field("DIDENT")), false, TStr(), TStr()) : -1;
  if (index >= 0) {
    TDiscussion& d = manager->GetDiscussion(index);
    const bool wasLoaded = d.Loaded;
    if (!d.Load()) return TRefusalShown::Refused;  // reported
    const bool leader = d.IsLeaderLIdent(frame.Sender());
    discussion = d.GetName().ToString();
    if (!leader) RefuseSender(frame, d, "its leader");
    if (!wasLoaded) d.Unload();
    if (!leader) return TRefusalShown::Refused;
    if (ProofOfSender(frame.Received) == TSenderProof::PinnedKey) return TRefusalShown::InItsWords;
  }
  if (logins) {
    bool keyed = false, theirs = false;
    for (const TPinnedKey& pin : logins->Pins)
      if (SameText(pin.Address.View(), address)) {
        keyed = true;
        theirs |= pin.Key == frame.Signer.PublicKey;
      }
    if (keyed && !theirs) {
      RefuseReceivedMessage(what + " is not signed with the key known here for " + ShownText(address) +
                            ": someone else wrote it. It is not shown; nothing of it was applied.");
      return TRefusalShown::Refused;
    }
  }
  const TAppliedMessages& applied = TAppliedMessages::Instance();
  if (applied.RefusesOurRequest(frame.Received, ignored)) return TRefusalShown::InItsWords;
  if (applied.RefusesOurCommand(frame.Received, ignored)) return TRefusalShown::Unproven;
  const std::string why = " was ignored, but no such command went from here to " + ShownText(address) +
                          " about that discussion, and it is not signed with the key of the discussion's leader "
                          "here: it is not shown. Nothing of it was applied.";
  RefuseReceivedMessage(what + " says that your command " + ShownText(ignored) + " in discussion " +
                        ShownText(frame.Field("MODEL_NAME")) + why);
  return TRefusalShown::Refused;
}

}  // namespace

bool HandleCommand_YourCommandIgnored(TPostFilesHandler&, const std::string& path) {
  constexpr const char* command = MessageCommand::YourCommandIgnored.Name;
  THandlerFrame frame("HandleCommand_YourCommandIgnored");
  if (!frame.Open(path, {command})) return false;
  std::string discussion;
  switch (HowItIsShown(frame, discussion)) {
    case TRefusalShown::Refused: return false;
    case TRefusalShown::Unproven:
      CountUnproven(frame.Field("FROM_USER_EMAIL"), discussion, frame.Field("IGNORED_COMMAND"));
      return true;
    case TRefusalShown::InItsWords: break;
  }
  std::string text = ShownText(frame.Field("FROM_USER_EMAIL")) + ": Your command " +
                     ShownText(frame.Field("IGNORED_COMMAND")) + " in Discussion " +
                     ShownText(frame.Field("MODEL_NAME")) + " has been ignored";
  const std::string aux = frame.Field("AUX_INFO"), comment = frame.Field("RESULT_COMMENT");
  if (!aux.empty()) text += "\nAux info: " + ShownComment(aux);
  if (!comment.empty()) text += "\nComment: " + ShownComment(comment);
  ShowMessageBox(command, text);
  return true;
}

std::string UnprovenRefusalsText() {
  std::vector<TUnprovenRefusal> refusals = std::exchange(UnprovenRefusals(), {});
  if (refusals.empty()) return "";
  int count = 0;
  std::string lines;
  for (const TUnprovenRefusal& r : refusals) {
    count += r.Count;
    lines += "\n" + std::to_string(r.Count) + " in the name of " + ShownText(r.Address) + ", of " +
             ShownText(r.Command) + " in discussion " + ShownText(r.Discussion);
  }
  return std::to_string(count) + (count == 1 ? " refusal" : " refusals") +
         " of commands sent from here came, and nothing proves who wrote " + (count == 1 ? "it" : "them") +
         ": no key known here for the discussion's leader signed " + (count == 1 ? "it" : "them") +
         ", and anyone who knows that a command went out can write such a refusal. " +
         (count == 1 ? "Its words are" : "Their words are") + " not shown, and nothing of " +
         (count == 1 ? "it" : "them") +
         " was applied. To know whether a command was refused, ask its receiver by other means:" + lines;
}
