#include "commands/Annotationcommands.h"

#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "commands/Tbrowsecommands.h"
#include "commands/Tformannotation.h"
#include "foundation/Guihooks.h"
#include "foundation/Textroutines.h"
#include "foundation/Tlogin.h"
#include "model/Messagecomposer.h"
#include "model/Modelhooks.h"
#include "model/Privateaccess.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tscreen.h"
#include "postoffice/Advisedlist.h"
#include "postoffice/Postcommands.h"
#include "postoffice/Tpost.h"
#include "postoffice/Tpostadaptor.h"

#include <cstdio>

void DiscussionInfoCommand(TCommand& command) {
  TDiscussion* d = command.Discussion;
  if (!d) return;
  TFormAnnotation dialog(nullptr);
  if (Screen->Width() <= 800) {
    dialog.SetBounds(0, dialog.Top(), Screen->Width(), dialog.Height());
  } else if (TFormBrowse* form = command.Browse.Form) {
    dialog.SetPosition(poDesigned);
    dialog.SetBounds(form->Left() + 50, form->Top() + 50, dialog.Width(), dialog.Height());
  }
  const TDiscussionInfo old = d->Info;
  dialog.Fill(*d);
  dialog.ShowModal();
  if (d->Info == old) return;
  if (d->Info.Secret) KeepPrivateAccess(*d);
  if (!d->Info.Secret && !d->Info.PrivateIdent.IsEmpty()) d->Info.PrivateIdent = TStr();
  d->Undo.AddDiscussionInfoChanges(*d, old);
  command.Browse.RebuildKeepingSelection();
  SendBlockNotification(Notify_BlockChanged, *d, TDiscBlockIndex(), false);
}

void AnnotationCommand(TCommand& command) {
  TDiscussion* d = command.Discussion;
  if (!d) return;
  const int modelAuthor = d->Authors.FindAuthorByADIdent(*d, ModelAuthorADIdent, true);
  if (modelAuthor < 0) return;
  TArray<TRecipientsList> rows;
  if (TPost* post = PostState()) {
    TArray<TEMailComment> list;
    ParseEMailComments(post->AdvertisingList.View(), list);
    std::string users;
    for (uint32_t i = 0; i < list.Count(); ++i) {
      if (!IsSingleMailbox(list[i].Address.View())) continue;
      if (!users.empty()) users += "; ";
      users += list[i].Address.ToString();
    }
    if (!users.empty()) rows.AddItem(TRecipientsList{TStr(users), TStr()});
    else
      ShowMessageBox(
          MessageCommand::NewAnnotation.Name,
          "The advertising list is empty: nobody receives this announcement by mail from it.\n"
          "The list is kept in the post office's state (PostFiles.cbs); fill it with \"Edit advertising list\" in the "
          "folder of discussions.");
    if (post->RobotEnabled && !post->RobotEMail.IsEmpty()) rows.AddItem(TRecipientsList{TStr("*"), post->RobotEMail});
  }
  rows.AddItem(TRecipientsList{TStr("*"), TStr()});
  std::string annotation;
  if (!MakeAnnotationFieldValue(*d, annotation)) return;
  std::string moderatorEMail;
  if (d->Info.IsModerated()) {
    TLoginsStorage* logins = LoginsStorage();
    const int i = logins ? logins->FindLogin(d->Info.ModeratorLoginIdent) : -1;
    if (i >= 0) moderatorEMail = logins->GetLogin(i).AutomaticEMail.ToString();
  }
  const std::string authorData = d->Authors.Author(modelAuthor).EncodeAuthorDataStr().ToString();
  const std::string who = "Reply";
  TComposedMessages journal;
  for (const TRecipientsList& row : rows) {
    TCommandMessageHeader header;
    bool ok = StartCommandHeader(header, row, MessageCommand::NewAnnotation.Name) &&
              header.AddField("COMPOSE_DATETIME", ComposeDateTimeText()) &&
              header.AddField("DIDENT", d->Info.DIdent.View()) &&
              header.AddField("MODEL_AUTHOR_LIDENT", d->Info.ModelAuthorLIdent.View()) &&
              header.AddField("MODEL_NAME", d->Info.Name.View()) &&
              header.AddField("MODEL_NICK", d->GetModelFolderName().View()) &&
              header.AddField("PRIVATE_REQ", d->Info.Secret ? "1" : "0") &&
              header.AddField("MODERATED", d->Info.IsModerated() ? "1" : "0");
    if (ok && d->Info.IsModerated()) ok = header.AddField("MODERATOR_EMAIL", moderatorEMail);
    ok = ok && header.AddField("AUTHOR_DATA", authorData) && header.AddField("ANNOTATION", annotation) &&
         WriteCommandMessage(*d, header, MessageCommand::NewAnnotation.ShortCode, who, 1);
    if (!ok) return;
  }
  journal.Keep();
}
