#include "postoffice/Commandhandlers.h"

#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "model/Messagecomposer.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussion.h"
#include "platform/rtl/Strutil.h"
#include "postoffice/Advisedlist.h"
#include "postoffice/Appliedmessages.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tpost.h"
#include "postoffice/Tpostfileshandler.h"


namespace {

bool FormatError(const THandlerFrame& frame) {
  TError::Report(frame.Who + " - ошибка формата файла " + frame.Path);
  return false;
}

// The sender's row and every row of its address lose the mark their unsubscribing left,
// each with its undo record, as unsubscribing set it.
void Resubscribe(TDiscussion& d, int sender, const std::string& address) {
  for (int i = 0; i < d.Authors.Count(); ++i) {
    TAuthor& author = d.Authors.Author(i);
    if (!author.Unsubscribed || (i != sender && !SameText(author.AutomaticEMail.View(), address))) continue;
    d.Undo.AddAuthorFieldChange(i, AuthorField_Unsubscribed, author.Unsubscribed);
    author.Unsubscribed = 0;
  }
}

}  // namespace

bool HandleCommand_SubscribeMe(TPostFilesHandler& run, const std::string& path) {
  constexpr const char* command = MessageCommand::SubscribeMe.Name;
  THandlerFrame frame("HandleCommand_SubscribeMe");
  if (!frame.Open(path, {command})) return false;
  const std::string address = frame.Field("FROM_USER_EMAIL");
  const TStr lident(frame.Field("SENDER_LIDENT"));
  if (!IsSoundAddress(address) || lident.IsEmpty()) return FormatError(frame);
  TDiscussion* d = FindMessageDiscussion(frame.Field("DIDENT"), command);
  if (!d) return false;
  const std::string name = d->GetName().ToString();
  if (ShowMessageBox(command, address + " requests subscribing for\n" + name + " discussion;\nsatisfy it?", "",
                     "Yes|No", 0) != 0) {
    TApplyingScope::Declined();
    return true;
  }
  // The leader admits the reader: the key the request is signed with is the reader's.
  TApplyingScope::Vouch();
  const bool listed = AdvisedComment(run.Post, address).has_value();
  if (!listed && run.Post.AdvertisingList.Length() + address.size() + 4 > MaxListText)
    return FormatError(frame);
  // A reader who left and asks again is subscribed again; only one still subscribed is
  // told so.
  const int known = d->Authors.FindAuthorByLIdent(lident);
  // The answer first: a subscriber who cannot be told is not recorded, and the request
  // stays for a later run. One already subscribed is answered again too: the reader who
  // asks again believes to have left (a request to leave that was lost on its way).
  TRecipientsList row;
  row.Users = address;
  TCommandMessageHeader header;
  if (!StartCommandHeader(header, row, MessageCommand::YouSubscribed.Name) ||
      !header.AddField("DIDENT", d->Info.DIdent.View()) ||
      !header.AddField("COMPOSE_DATETIME", ComposeDateTimeText()) ||
      !WriteCommandMessage(*d, header, MessageCommand::YouSubscribed.ShortCode, frame.Who, 1))
    return false;
  if (known >= 0 && !d->Authors.Author(known).Unsubscribed) {
    // A run that subscribed the sender may have stopped before it kept the post state:
    // the request satisfied again lists the address all the same.
    if (!listed) AddToAdvisedList(run.Post, address);
    ShowMessageBox(command, address + " already subscribed for\n" + name + " discussion!");
    return true;
  }
  if (known >= 0) {
    Resubscribe(*d, known, address);
  } else {
    const int author = d->Authors.CreateAuthor(*d, lident, -1, 1);
    if (author < 0) return false;
    d->Authors.Author(author).AutomaticEMail = address;
    d->Authors.Author(author).Subscriber = 1;
  }
  if (!listed) AddToAdvisedList(run.Post, address);
  return true;
}

bool HandleCommand_YouSubscribed(TPostFilesHandler&, const std::string& path) {
  constexpr const char* command = MessageCommand::YouSubscribed.Name;
  THandlerFrame frame("HandleCommand_YouSubscribed");
  if (!frame.Open(path, {command})) return false;
  TDiscussion* d = FindMessageDiscussion(frame.Field("DIDENT"), command);
  if (!d) return false;
  if (!IsFromLeader(frame, *d)) return RefuseSender(frame, *d, "its leader");
  if (!d->Info.Subscribed && !d->IsModelAuthor() && !d->IsModerator()) {
    d->Undo.AddIntFieldChange(UndoObject_DiscussionInfo, InfoField_Subscribed, d->Info.Subscribed);
    d->Info.Subscribed = 1;
  }
  return true;
}

bool HandleCommand_UnsubscribeMe(TPostFilesHandler&, const std::string& path) {
  constexpr const char* command = MessageCommand::UnsubscribeMe.Name;
  THandlerFrame frame("HandleCommand_UnsubscribeMe");
  if (!frame.Open(path, {command})) return false;
  const TStr address(frame.Field("FROM_USER_EMAIL"));
  const TStr lident(frame.Field("SENDER_LIDENT"));
  TDiscussion* d = FindMessageDiscussion(frame.Field("DIDENT"), command);
  if (!d) return false;
  // Only the sender's own address leaves: the author of that LIdent must have it.
  const int sender = d->Authors.FindAuthorByLIdent(lident);
  if (sender < 0 || address.IsEmpty() || !SameText(d->Authors.Author(sender).AutomaticEMail.View(), address.View()))
    return RefuseSender(frame, *d, "a subscriber with that address");
  for (int i = 0; i < d->Authors.Count(); ++i) {
    TAuthor& author = d->Authors.Author(i);
    if (!SameText(author.AutomaticEMail.View(), address.View()) || author.Unsubscribed) continue;
    d->Undo.AddAuthorFieldChange(i, AuthorField_Unsubscribed, author.Unsubscribed);
    author.Unsubscribed = 1;
  }
  return true;
}

bool HandleCommand_DontBotherMore(TPostFilesHandler&, const std::string& path) {
  constexpr const char* command = MessageCommand::DoNotBotherMore.Name;
  THandlerFrame frame("HandleCommand_DontBotherMore");
  TDiscussion* d = nullptr;
  int author = -1;
  if (!OpenLeaderNoticeOnAuthor(frame, path, command, d, author)) return false;
  // The notice is about this login's identifier (YOUR_ADIDENT): its address names a record
  // without name or address.
  const std::string name = d->Authors.Author(author).GetShownName(d->GetCurrentLoginEMail().ToString());
  ShowMessageBox(command, "Registration of " + name + " in discussion " + d->GetName().ToString() + " is stopped.");
  return true;
}
