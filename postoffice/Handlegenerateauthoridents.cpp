#include "postoffice/Commandhandlers.h"

#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "model/Messagecomposer.h"
#include "model/Tdiscussion.h"
#include "postoffice/Advisedlist.h"
#include "postoffice/Appliedmessages.h"
#include "postoffice/Postcommands.h"
#include "postoffice/Tformnomodgenerateauthoridents.h"
#include "postoffice/Thandlerframe.h"

bool HandleCommand_GenerateAuthorIdents(TPostFilesHandler&, const std::string& path) {
  constexpr const char* command = MessageCommand::GenerateAuthorIdents.Name;
  THandlerFrame frame("TFormPost::HandleCommand_GenerateAuthorIdents");
  if (!frame.Open(path, {command})) return false;
  const std::string address = frame.Field("FROM_USER_EMAIL");
  const TStr lident(frame.Field("SENDER_LIDENT"));
  const std::string authorData = frame.Field("AUTHOR_DATA");
  TDiscussion* d = FindMessageDiscussion(frame.Field("DIDENT"), command);
  if (!d) return false;
  // The answer goes to the sender's one address; a request without it cannot be answered.
  TAuthor received;
  if (!IsSingleMailbox(address) || lident.IsEmpty() || !received.DecodeAuthorDataStr(authorData)) {
    TError::Report(frame.Who + " - ошибка формата файла " + path);
    return false;
  }

  bool give = true;
  std::string comment;
  const bool closed = d->Info.Secret || d->Info.SubscribersOnly;
  if (d->Authors.FindAuthorByLIdent(lident) < 0 && closed &&
      ShowMessageBox(command, "Non-Subscriber " + ShownText(address) + " requests author identifier;\ngive it?", "",
                     "Yes|No", 0) != 0) {
    TApplyingScope::Declined();
    give = false;
    comment = "Sorry. The Discussion is private.";
  }
  if (give) {
    TFormNomodGenerateAuthorIdents window(nullptr);
    if (!window.SetCommandMessage(frame.Header, give, comment, *d)) return false;
  }

  uint16_t adident = NoADIdent;
  TStr agident;
  if (give) {
    // The leader gives the identifiers: the key the request is signed with is the author's.
    TApplyingScope::Vouch();
    int author = d->Authors.FindAuthorByLIdent(lident);
    if (author >= 0 && !d->Authors.Author(author).AGIdent.IsEmpty()) {
      adident = d->Authors.Author(author).ADIdent;
      agident = d->Authors.Author(author).AGIdent;
    }
    if (adident == NoADIdent && !d->GenerateAuthorIdent(adident, agident)) return false;
    if (author < 0) author = d->Authors.CreateAuthor(*d, lident, -1, 0);
    if (author < 0) return false;
    const TAuthor old = d->Authors.Author(author);
    TAuthor& record = d->Authors.Author(author);
    record.DecodeAuthorDataStr(authorData);
    record.LIdent = lident;
    record.AGIdent = agident;
    record.ADIdent = adident;
    record.IdentsGiven = 1;
    record.Subscriber = 1;
    d->Undo.AddAuthorChanges(*d, author, old);
  }

  TCommandMessageHeader header;
  bool ok = header.AddField("FROM_USER_EMAIL", d->GetCurrentLoginEMail().View()) &&
            header.AddCryptedField("TO_USERS_EMAILS_CRYPTED", address) &&
            header.AddField("COMMAND", MessageCommand::AuthorIdentsGenerated.Name) &&
            header.AddField("PRIVATE_REQ", d->Info.Secret ? "1" : "0") &&
            header.AddField("COMPOSE_DATETIME", ComposeDateTimeText()) && header.AddField("RESULT", give ? "1" : "0") &&
            header.AddField("AUTHOR_LIDENT", lident.View()) && header.AddField("DIDENT", d->Info.DIdent.View());
  if (ok && give)
    ok = header.AddField("YOUR_AGIDENT", agident.View()) && header.AddField("YOUR_ADIDENT", std::to_string(int16_t(adident)));
  if (ok && !comment.empty()) ok = header.AddField("RESULT_COMMENT", comment);
  frame.Close();
  return ok && WriteCommandMessage(*d, header, MessageCommand::AuthorIdentsGenerated.ShortCode, "Reply", 1);
}
