#include "postoffice/Commandhandlers.h"

#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/rtl/Tdatetime.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tmoderatecaller.h"
#include "postoffice/Tpostfileshandler.h"

#include <cmath>

namespace {

constexpr const char* Caption = "HANDLING POST FILE";

}  // namespace

bool HandleCommand_RegistrateModel(TPostFilesHandler&, const std::string& path) {
  THandlerFrame frame("HandleCommand_RegistrateModel");
  if (!frame.Open(path, {MessageCommand::RegistrateModel.Name})) return false;
  frame.Close();
  TModerateCaller* caller = ModerateCaller();
  if (!TBrowseGlobal::Moderation || !caller) {
    ShowMessageBox(Caption, "Can't calling moderation function -\ncurrent user don't have Moderate permission.");
    return false;
  }
  const uint8_t result = caller->HandleCommand_RegistrateModel(path);
  if (result == ModerationCall_NotDone) {
    ShowMessageBox(Caption, "Error calling moderation function.");
    return false;
  }
  return result != ModerationCall_LeaveUnhandled;
}

bool HandleCommand_ModelRegistration(TPostFilesHandler& run, const std::string& path) {
  constexpr const char* command = MessageCommand::ModelRegistration.Name;
  THandlerFrame frame("HandleCommand_ModelRegistration");
  TDiscussionsManager* manager = DiscussionsManager();
  if (!frame.Open(path, {command}) || !manager) return false;
  const std::string moderatorEMail = frame.Field("FROM_USER_EMAIL");
  const std::string moderatorLIdent = frame.Field("SENDER_LIDENT");
  const std::string mident = frame.Field("MIDENT");
  const std::string comment = frame.Field("RESULT_COMMENT");
  const bool success = frame.Field("RESULT") != "0";
  const int index = manager->FindDiscussionByMIdent(TStr(mident));
  if (index < 0) {
    ShowMessageBox(command, std::string(index == -1 ? "Can't find discussion with M-ident '"
                                                    : "There is more than one discussion with M-ident '") +
                                ShownText(mident) + "'.\n" + LeftUnhandledText);
    return false;
  }
  TDiscussion& d = manager->GetDiscussion(index);
  if (!d.Loaded && !d.Load()) return false;
  // Only the model's own author registers it, and a moderated model keeps its moderator:
  // an answer nobody asked for binds nothing and sends nothing.
  TLoginsStorage* logins = ModelHooks().Logins;
  const bool sameModerator = !d.Info.IsModerated() || IsFromLeader(frame, d);
  if (!d.IsModelAuthor() || !sameModerator || moderatorEMail.empty() || moderatorLIdent.empty())
    return RefuseSender(frame, d, "the moderator this installation asked to register it");
  if (const std::string refusal = OlderSwitchRefusal(frame, d); !refusal.empty()) {
    run.RefuseMessage(refusal);
    return false;
  }
  if (!d.Info.Subscribed) {
    d.Undo.AddIntFieldChange(UndoObject_DiscussionInfo, InfoField_Subscribed, d.Info.Subscribed);
    d.Info.Subscribed = 1;
  }
  std::string text = "\nModel: " + d.GetName().ToString() + "\nRegistration result: " +
                     (success ? "SUCCESSFUL" : "FAILED");
  if (!comment.empty()) text += "\nModerator comments: " + ShownComment(comment);
  ShowMessageBox(command, text);
  if (!success) return true;

  const TDiscussionInfo old = d.Info;
  // A moderator who is a user of this installation moderates as that login, not as a
  // correspondent's copy of it, and already holds the model.
  const bool own = logins && logins->FindLoginByLIdent(TStr(moderatorLIdent)) >= 0;
  const int login = logins ? logins->FindOrAddLoginOf(TStr(moderatorLIdent), TStr(moderatorEMail)) : -1;
  if (login < 0) return false;
  d.Info.ModeratorLoginIdent = logins->GetLogin(login).Ident;
  d.Info.DIdent = frame.Field("DIDENT");
  if (!frame.Field("MODEL_NICK").empty()) d.Info.ModelFolderName = frame.Field("MODEL_NICK");
  if (d.Info.ShareDate == 0) d.Info.ShareDate = int32_t(std::floor(double(Date())));
  if (!(d.Info == old)) d.Undo.AddDiscussionInfoChanges(d, old);
  KeepAppliedSwitch(frame, d);  // not undone: an older registration never comes back
  const int author = d.Authors.FindAuthorByADIdent(d, ModelAuthorADIdent, true);
  if (author < 0) return false;
  const TAuthor before = d.Authors.Author(author);
  d.Authors.Author(author).AGIdent = frame.Field("AGIDENT0");
  if (!(d.Authors.Author(author) == before)) d.Undo.AddAuthorChanges(d, author, before);
  if (own) return true;
  TRecipientsList row;
  row.Users = moderatorEMail;
  TArray<TRecipientsList> receivers;
  receivers.AddItem(row);
  return d.SendCommand_CreateModel(receivers, TStr(frame.Field("AGIDENT1")));
}
