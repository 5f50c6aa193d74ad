#include "commands/Protocolcommands.h"

#include "browse/Tbrowse.h"
#include "commands/Annotationcommands.h"
#include "commands/Postingcommands.h"
#include "commands/Tbrowsecommands.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "model/Messagecomposer.h"
#include "model/Messagereceivers.h"
#include "model/Modelhooks.h"
#include "model/Privateaccess.h"
#include "model/Tdiscussion.h"
#include "postoffice/Advisedlist.h"
#include "postoffice/Postcommands.h"
#include "postoffice/Tformcommandmessageheader.h"
#include "postoffice/Tmoderatecaller.h"
#include "platform/rtl/Strutil.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using TFields = std::vector<std::pair<const char*, std::string>>;

const char* PrivateReq(const TDiscussion& d) { return d.Info.Secret ? "1" : "0"; }

// One message of the command per receivers row: FROM_USER_EMAIL, the row's receivers,
// COMMAND and the fields; all of them or none.
bool WriteRequests(TDiscussion& d, const TArray<TRecipientsList>& rows, const TPostCommand& command,
                   const TFields& fields, const std::string& who, const std::string& from = "") {
  TComposedMessages journal;
  for (const TRecipientsList& row : rows) {
    TCommandMessageHeader header;
    if (!header.AddField("FROM_USER_EMAIL", from.empty() ? d.GetCurrentLoginEMail().ToString() : from) ||
        !header.AddRecipientsFields(row) || !header.AddField("COMMAND", command.Name))
      return false;
    for (const auto& [name, value] : fields)
      if (!header.AddField(name, value)) return false;
    if (!WriteCommandMessage(d, header, command.ShortCode, who, 1)) return false;
  }
  journal.Keep();
  return true;
}

bool Choose(TCommand& command, TDiscussion& d, uint8_t kind, TArray<TRecipientsList>& rows,
            const std::string& caption = "", bool hideBroadcast = false) {
  return ChooseCommandMessageReceivers(d, command.Browse.Settings, caption, kind, rows, hideBroadcast);
}

uint8_t LeaderOrModerator(TDiscussion& d) { return d.IsLeader() ? Receivers_Ordinary : Receivers_Moderator; }

// The user's own author record, made when missing.
int MyAuthor(TDiscussion& d) { return d.Authors.FindAuthorByLIdent(d, CurrentModelLogin().LIdent, true); }

// True when the request went to at least one receiver.
bool SendSubscription(TCommand& command, const TPostCommand& request) {
  TDiscussion* d = command.Discussion;
  TArray<TRecipientsList> rows;
  if (!d || !Choose(command, *d, Receivers_Moderator, rows) || !ReceiversOrSay(rows, request.Name)) return false;
  return WriteRequests(*d, rows, request,
                       {{"DIDENT", d->Info.DIdent.ToString()}, {"COMPOSE_DATETIME", ComposeDateTimeText()}},
                       "Sending post");
}

}  // namespace

void RegistrateModelCommand(TCommand& command) {
  TDiscussion* d = command.Discussion;
  std::string moderator;
  if (!d || !InputString("Moderator's E-Mail", "", "", moderator)) return;
  moderator = Trim(moderator);
  if (!CheckTypedMailbox(moderator, "Moderator's E-Mail")) return;
  const int author = MyAuthor(*d);
  if (author < 0) return;
  std::string annotation;
  if (!MakeAnnotationFieldValue(*d, annotation)) return;
  TArray<TRecipientsList> rows;
  rows.AddItem(TRecipientsList{TStr(moderator), TStr()});
  WriteRequests(*d, rows, MessageCommand::RegistrateModel,
                {{"COMPOSE_DATETIME", ComposeDateTimeText()},
                 {"MODEL_NICK", d->GetModelFolderName().ToString()},
                 {"MIDENT", d->Info.MIdent.ToString()},
                 {"MODEL_AUTHOR_LIDENT", d->Info.ModelAuthorLIdent.ToString()},
                 {"PRIVATE_REQ", PrivateReq(*d)},
                 {"MODEL_NAME", d->Info.Name.ToString()},
                 {"AUTHOR_DATA", d->Authors.Author(author).EncodeAuthorDataStr().ToString()},
                 {"ANNOTATION", annotation}},
                "Sending post");
}

void FormNewDiscussionCommand(TCommand& command) {
  TDiscussion* d = command.Discussion;
  if (!d) return;
  // Everything this command changes is one undo step, taken back when it fails.
  d->Undo.StartStep();
  const int before = d->Undo.Count();
  const auto takeBack = [d, before] {
    if (d->Undo.Count() > before && d->Undo.Action(before).FirstOfStep) d->Undo.UndoStep(*d);
  };
  for (uint32_t i = 0; i < d->Info.Persons.Count(); ++i) {
    const TPersonRow person = d->Info.Persons[i];
    int author = d->Authors.FindAuthorByLIdent(person.LIdent);
    if (author < 0) author = d->Authors.CreateAuthor(*d, person.LIdent, -1, 0);
    if (author < 0) return takeBack();
    const TAuthor old = d->Authors.Author(author);
    d->Authors.Author(author).AutomaticEMail = person.Address;
    d->Authors.Author(author).LastName = person.Note;
    d->Undo.AddAuthorChanges(*d, author, old);
  }
  TArray<TRecipientsList> rows;
  if (!Choose(command, *d, Receivers_PendingRequesters, rows)) return takeBack();
  if (!NamesAnyReceiver(rows)) {
    ShowMessageBox("Send FORM_NEW_MODEL", "There are no FORM_NEW_MODEL requesters!");
    return takeBack();
  }
  TComposedMessages journal;
  if (!d->SendCommand_CreateModel(rows, TStr()) || !d->Reply(rows, -1, 0) ||
      !d->SendCommand_NewBlocks_AllComments(rows))
    return takeBack();
  journal.Keep();
  const TDiscussionInfo old = d->Info;
  d->Info.Persons.Clear();
  d->Undo.AddDiscussionInfoChanges(*d, old);
}

void GiveMyIdentifierCommand(TCommand& command) {
  TDiscussion* d = command.Discussion;
  TArray<TRecipientsList> rows;
  if (!d || !Choose(command, *d, Receivers_Moderator, rows) ||
      !ReceiversOrSay(rows, MessageCommand::GenerateAuthorIdents.Name))
    return;
  const int author = MyAuthor(*d);
  if (author < 0) return;
  const TAuthor& me = d->Authors.Author(author);
  const std::string from = me.AutomaticEMail.IsEmpty() ? d->GetCurrentLoginEMail().ToString() : me.AutomaticEMail.ToString();
  WriteRequests(*d, rows, MessageCommand::GenerateAuthorIdents,
                {{"PRIVATE_REQ", PrivateReq(*d)},
                 {"COMPOSE_DATETIME", ComposeDateTimeText()},
                 {"DIDENT", d->Info.DIdent.ToString()},
                 {"AUTHOR_DATA", me.EncodeAuthorDataStr().ToString()},
                 {"MODEL_NICK", d->GetModelFolderName().ToString()}},
                "Reply", from);
}

void PublishMyDataCommand(TCommand& command) {
  TDiscussion* d = command.Discussion;
  TArray<TRecipientsList> rows;
  if (!d || !Choose(command, *d, LeaderOrModerator(*d), rows) ||
      !ReceiversOrSay(rows, MessageCommand::AuthorsUpdate.Name))
    return;
  int adident = 0xFFFF;
  if (command.Data1 != 0) {
    const int author = MyAuthor(*d);
    if (author < 0) return;
    adident = d->Authors.Author(author).ADIdent;
  }
  d->Reply(rows, adident, 1);
}

void SetPublicityCommand(TCommand& command) {
  TDiscussion* d = CommandDiscussion(command);
  if (!d) return;
  const bool makePrivate = command.Data1 != 0;
  const TPostCommand& request =
      makePrivate ? MessageCommand::MakeDiscussionPrivate : MessageCommand::MakeDiscussionPublic;
  TArray<TRecipientsList> rows;
  if (!Choose(command, *d, Receivers_Ordinary, rows,
              std::string("Check subscribers of '") + request.Name + "' command message", true))
    return;
  // With nobody to tell the discussion changes all the same; the user is told that no
  // message goes.
  ReceiversOrSay(rows, request.Name);
  TComposedMessages journal;
  if (!WriteRequests(*d, rows, request,
                     {{"DIDENT", d->Info.DIdent.ToString()}, {"COMPOSE_DATETIME", ComposeDateTimeText()}},
                     "Sending post"))
    return;
  // Only now is the moderation library told: a cancel or a failure leaves it and the
  // discussion agreeing.
  std::string access;
  TModerateCaller* caller = ModerateCaller();
  const bool answered = caller && caller->MakeDiscussionPrivatePublic(d->Info.DIdent.ToString(), makePrivate, access) ==
                                      ModerationCall_Done;
  if (!answered)
    access = !makePrivate                     ? std::string()
             : d->Info.PrivateIdent.IsEmpty() ? MakePrivateKeyText(*d).ToString()
                                              : d->Info.PrivateIdent.ToString();
  const TDiscussionInfo old = d->Info;
  d->Info.Secret = makePrivate ? 1 : 0;
  d->Info.PrivateIdent = TStr(access);
  if (makePrivate && !KeepPrivateAccess(*d)) {
    d->Info = old;
    return;
  }
  d->Undo.AddDiscussionInfoChanges(*d, old);
  if (!d->Save()) return;
  journal.Keep();
  command.Browse.CurrentBrowseItemChanged(true);
}

void UnsubscribeCommand(TCommand& command) {
  // Only the request is written: the copy stays subscribed until the post office has
  // mailed it, and nothing else of the discussion is saved by it.
  SendSubscription(command, MessageCommand::UnsubscribeMe);
}

void SubscribeCommand(TCommand& command) { SendSubscription(command, MessageCommand::SubscribeMe); }

void RequestBlocksListCommand(TCommand& command) {
  if (command.Discussion) command.Discussion->SendCommand_GiveExistingBlockNames();
}

void ExistingBlocksListCommand(TCommand& command) {
  TDiscussion* d = command.Discussion;
  if (!d) return;
  const TStr pending = d->Info.BlockNamesRequesters;
  TArray<TRecipientsList> rows;
  if (pending.IsEmpty()) {
    if (!Choose(command, *d, LeaderOrModerator(*d), rows) ||
        !ReceiversOrSay(rows, MessageCommand::ExistingBlocksList.Name))
      return;
  } else {
    rows = MakeRecipientsList(pending.View());
  }
  if (!d->SendCommand_ExistingBlockNames(rows)) return;
  if (!pending.IsEmpty()) {
    d->Undo.AddStrFieldChange(UndoObject_InfoRequesters, InfoField_BlockNamesRequesters, pending);
    d->Info.BlockNamesRequesters = TStr();
  }
  command.Browse.CurrentBrowseItemChanged(true);
}
