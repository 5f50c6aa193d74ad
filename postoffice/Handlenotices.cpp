#include "postoffice/Commandhandlers.h"

#include "foundation/Guihooks.h"
#include "model/Tdiscussion.h"
#include "postoffice/Thandlerframe.h"

bool HandleCommand_YourBlocksIgnored(TPostFilesHandler&, const std::string& path) {
  constexpr const char* command = "YOUR_BLOCKS_IGNORED";
  THandlerFrame frame("HandleCommand_YourBlocksIgnored");
  if (!frame.Open(path, {command})) return false;
  TDiscussion* d = FindMessageDiscussion(frame.Field("DIDENT"), command);
  if (!d) return false;
  if (!d->IsLeaderLIdent(TStr(frame.Field("SENDER_LIDENT")))) return ShowVerifyingError();
  const std::string text = frame.Field("YOUR_ADIDENT");
  int adident = -1;
  if (!ParseDecimal(text, adident, 0xFFFE)) {
    ShowMessageBox(command, "Integer error (" + ShownText(text) + ")");
    return false;
  }
  const int author = d->Authors.FindAuthorByADIdent(*d, uint16_t(adident), true);
  if (author < 0) return false;
  ShowMessageBox(command, "Sended by " + d->Authors.Author(author).GetShortName().ToString() +
                              " blocks of discussion " + d->GetName().ToString() + " is ignored by Moderator.");
  return true;
}

bool HandleCommand_YourCommandIgnored(TPostFilesHandler&, const std::string& path) {
  constexpr const char* command = "YOUR_COMMAND_IGNORED";
  THandlerFrame frame("HandleCommand_YourCommandIgnored");
  if (!frame.Open(path, {command})) return false;
  std::string text = ShownText(frame.Field("FROM_USER_EMAIL")) + ": Your command " +
                     ShownText(frame.Field("IGNORED_COMMAND")) + " in Discussion " +
                     ShownText(frame.Field("MODEL_NAME")) + " has been ignored";
  const std::string aux = frame.Field("AUX_INFO"), comment = frame.Field("RESULT_COMMENT");
  // A comment is the refusing person's own words: shown whole up to a screenful.
  constexpr size_t longest = 4000;
  if (!aux.empty()) text += "\nAux info: " + aux.substr(0, longest);
  if (!comment.empty()) text += "\nComment: " + comment.substr(0, longest);
  ShowMessageBox(command, text);
  return true;
}
