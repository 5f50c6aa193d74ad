#include "postoffice/Commandhandlers.h"

#include "foundation/Guihooks.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "postoffice/Appliedmessages.h"
#include "postoffice/Thandlerframe.h"
#include "platform/rtl/Strutil.h"

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

// Whether a refusal may be shown in the name it gives. Its fields are anybody's to write,
// and the seal of a public discussion anybody's to make: it speaks for the leader of its
// discussion here only when it comes from the leader's identifier signed with the key
// pinned for it, and otherwise only when it refuses a command this installation sent to
// that address about that discussion, signed with the key known for the address if one
// is. Any other is refused for good with why (false).
bool ProvesItsName(const THandlerFrame& frame) {
  const std::string address = frame.Field("FROM_USER_EMAIL"), ignored = frame.Field("IGNORED_COMMAND");
  const std::string what = "The " + frame.Command + " message " +
                           ShownText(frame.Path.substr(frame.Path.rfind('/') + 1)) + " from " + ShownText(address);
  TLoginsStorage* logins = ModelHooks().Logins;
  TPublicKey known{};
  const bool pinned = logins && logins->KnownKeyOf(frame.Sender(), known) && known == frame.Signer.PublicKey;
  TDiscussionsManager* manager = DiscussionsManager();
  const int index = manager ? manager->FindDiscussionByDIdent(TStr(frame.Field("DIDENT")), false, TStr(), TStr()) : -1;
  if (index >= 0) {
    TDiscussion& d = manager->GetDiscussion(index);
    const bool wasLoaded = d.Loaded;
    if (!d.Load()) return false;  // reported
    const bool leader = d.IsLeaderLIdent(frame.Sender());
    if (!leader) RefuseSender(frame, d, "its leader");
    if (!wasLoaded) d.Unload();
    if (!leader) return false;
    if (pinned) return true;
  }
  if (logins) {
    bool keyed = false, theirs = false;
    for (const TPinnedKey& pin : logins->Pins)
      if (SameText(pin.Address.View(), address)) {
        keyed = true;
        theirs |= pin.Key == frame.Signer.PublicKey;
      }
    if (keyed && !theirs)
      return RefuseReceivedMessage(what + " is not signed with the key known here for " + ShownText(address) +
                                   ": someone else wrote it. It is not shown; nothing of it was applied.");
  }
  if (TAppliedMessages::Instance().RefusesOurCommand(frame.Received, ignored)) return true;
  const std::string why = " was ignored, but no such command went from here to " + ShownText(address) +
                          " about that discussion, and it is not signed with the key of the discussion's leader "
                          "here: it is not shown. Nothing of it was applied.";
  return RefuseReceivedMessage(what + " says that your command " + ShownText(ignored) + " in discussion " +
                               ShownText(frame.Field("MODEL_NAME")) + why);
}

}  // namespace

bool HandleCommand_YourCommandIgnored(TPostFilesHandler&, const std::string& path) {
  constexpr const char* command = MessageCommand::YourCommandIgnored.Name;
  THandlerFrame frame("HandleCommand_YourCommandIgnored");
  if (!frame.Open(path, {command}) || !ProvesItsName(frame)) return false;
  std::string text = ShownText(frame.Field("FROM_USER_EMAIL")) + ": Your command " +
                     ShownText(frame.Field("IGNORED_COMMAND")) + " in Discussion " +
                     ShownText(frame.Field("MODEL_NAME")) + " has been ignored";
  const std::string aux = frame.Field("AUX_INFO"), comment = frame.Field("RESULT_COMMENT");
  if (!aux.empty()) text += "\nAux info: " + ShownComment(aux);
  if (!comment.empty()) text += "\nComment: " + ShownComment(comment);
  ShowMessageBox(command, text);
  return true;
}
