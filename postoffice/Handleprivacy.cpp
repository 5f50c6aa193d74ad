#include "postoffice/Commandhandlers.h"

#include "foundation/Guihooks.h"
#include "model/Postcommandnames.h"
#include "model/Privateaccess.h"
#include "model/Tdiscussion.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tpostfileshandler.h"

namespace {

bool SwitchPrivacy(TPostFilesHandler& run, const std::string& path, bool secret) {
  const char* command = secret ? MessageCommand::MakeDiscussionPrivate.Name : MessageCommand::MakeDiscussionPublic.Name;
  THandlerFrame frame(secret ? "HandleCommand_MakeDiscussionPrivate" : "HandleCommand_MakeDiscussionPublic");
  if (!frame.Open(path, {command})) return false;
  TDiscussion* d = FindMessageDiscussion(frame.Field("DIDENT"), command);
  if (!d) return false;
  if (!IsFromLeader(frame, *d)) return RefuseSender(frame, *d, "its leader");
  // An older switch never comes back, whatever happened to the record of applied post.
  if (const std::string refusal = OlderSwitchRefusal(frame, *d); !refusal.empty()) {
    run.RefuseMessage(refusal);
    return false;
  }
  const uint8_t oldSecret = d->Info.Secret;
  const TStr oldIdent = d->Info.PrivateIdent;
  const TArray<TAppliedSwitch> oldSwitches = d->Info.Switches;
  KeepAppliedSwitch(frame, *d);
  d->Info.Secret = secret ? 1 : 0;
  if (!secret) d->Info.PrivateIdent.Clear();
  // The user who takes the privacy from the leader keeps reading the discussion.
  if ((secret && !KeepPrivateAccess(*d)) || !d->Save()) {
    // The switch is made only together with its save.
    d->Info.Secret = oldSecret;
    d->Info.PrivateIdent = oldIdent;
    d->Info.Switches = oldSwitches;
    return false;
  }
  ShowMessageBox(command,
                 "Discussion " + d->GetName().ToString() + " is " + (secret ? "secret" : "public") + " now!");
  return true;
}

}  // namespace

bool HandleCommand_MakeDiscussionPrivate(TPostFilesHandler& run, const std::string& path) {
  return SwitchPrivacy(run, path, true);
}

bool HandleCommand_MakeDiscussionPublic(TPostFilesHandler& run, const std::string& path) {
  return SwitchPrivacy(run, path, false);
}
