#include "postoffice/Commandhandlers.h"

#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussion.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tpostfileshandler.h"

bool HandleCommand_AuthorIdentsGenerated(TPostFilesHandler& run, const std::string& path) {
  constexpr const char* command = MessageCommand::AuthorIdentsGenerated.Name;
  THandlerFrame frame("HandleCommand_AuthorIdentsGenerated");
  if (!frame.Open(path, {command})) return false;
  const bool given = frame.Field("RESULT") != "0";
  const TStr lident(frame.Field("AUTHOR_LIDENT"));
  const std::string comment = frame.Field("RESULT_COMMENT");
  TDiscussion* d = FindMessageDiscussion(frame.Field("DIDENT"), command);
  if (!d) return false;
  if (!IsFromLeader(frame, *d)) return RefuseSender(frame, *d, "its leader");
  if (const std::string refusal = OlderSwitchRefusal(frame, *d); !refusal.empty()) {
    run.RefuseMessage(refusal);
    return false;
  }
  int adident = -1;
  if (given && !ParseDecimal(frame.Field("YOUR_ADIDENT"), adident, 0xFFFE)) {
    ShowMessageBox(command, "Integer error (" + ShownText(frame.Field("YOUR_ADIDENT")) + ")");
    return false;
  }
  if (lident.IsEmpty()) {
    TError::Report(frame.Who + " - ошибка формата файла " + path);
    return false;
  }
  // The identifier is one author's: another author holding it is not overwritten.
  const int holder = given ? d->Authors.FindAuthorByADIdent(uint16_t(adident)) : -1;
  if (holder >= 0 && !(d->Authors.Author(holder).LIdent == lident)) {
    TError::Report(frame.Who + " - идентификатор автора " + std::to_string(adident) + " уже занят");
    return false;
  }
  if (!d->Info.Subscribed) {
    d->Undo.AddIntFieldChange(UndoObject_DiscussionInfo, InfoField_Subscribed, d->Info.Subscribed);
    d->Info.Subscribed = 1;
  }
  KeepAppliedSwitch(frame, *d);
  const int author = d->Authors.FindAuthorByLIdent(*d, lident, true);
  if (author < 0) return false;
  // A record made only now has no name yet: its address, or the identity it is for, names it.
  const std::string name = d->Authors.Author(author).GetShownName(lident.ToString());
  std::string text = given ? "Identifier of " + name + " is received." : "Registration of " + name + " is refused.";
  if (!comment.empty()) text += "\nComments: " + ShownComment(comment);
  ShowMessageBox("Author identifier", text);
  if (given) {
    const TAuthor old = d->Authors.Author(author);
    d->Authors.Author(author).AGIdent = frame.Field("YOUR_AGIDENT");
    d->Authors.Author(author).ADIdent = uint16_t(adident);
    if (!(d->Authors.Author(author) == old)) d->Undo.AddAuthorChanges(*d, author, old);
  }
  return true;
}
