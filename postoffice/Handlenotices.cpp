#include "postoffice/Commandhandlers.h"

#include "foundation/Guihooks.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussion.h"
#include "postoffice/Thandlerframe.h"

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

bool HandleCommand_YourCommandIgnored(TPostFilesHandler&, const std::string& path) {
  constexpr const char* command = MessageCommand::YourCommandIgnored.Name;
  THandlerFrame frame("HandleCommand_YourCommandIgnored");
  if (!frame.Open(path, {command})) return false;
  std::string text = ShownText(frame.Field("FROM_USER_EMAIL")) + ": Your command " +
                     ShownText(frame.Field("IGNORED_COMMAND")) + " in Discussion " +
                     ShownText(frame.Field("MODEL_NAME")) + " has been ignored";
  const std::string aux = frame.Field("AUX_INFO"), comment = frame.Field("RESULT_COMMENT");
  if (!aux.empty()) text += "\nAux info: " + ShownComment(aux);
  if (!comment.empty()) text += "\nComment: " + ShownComment(comment);
  ShowMessageBox(command, text);
  return true;
}
