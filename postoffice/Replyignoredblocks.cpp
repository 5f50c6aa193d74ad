#include "postoffice/Replyignoredblocks.h"

#include "foundation/Terror.h"
#include "model/Messagecomposer.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussion.h"

bool ReplyBlocksIgnored(const TYourBlocksIgnoredInfo& info, TDiscussion& discussion) {
  // Only an author the discussion knows is answered: the identifier came from a message.
  const int author = discussion.Authors.FindAuthorByADIdent(info.ADIdent);
  if (author < 0 || discussion.Authors.Author(author).AutomaticEMail.IsEmpty()) {
    TError::AppendToLog("Reply - author " + std::to_string(info.ADIdent) +
                        " has no e-mail address; YOUR_BLOCKS_IGNORED is not sent");
    return true;
  }
  TRecipientsList row;
  row.Users = discussion.Authors.Author(author).AutomaticEMail;
  TCommandMessageHeader header;
  if (!StartCommandHeader(header, row, MessageCommand::YourBlocksIgnored.Name) ||
      !header.AddField("COMPOSE_DATETIME", ComposeDateTimeText()) ||
      !header.AddField("DIDENT", discussion.Info.DIdent.View()) ||
      !header.AddField("YOUR_ADIDENT", std::to_string(info.ADIdent)) ||
      !header.AddField("BLOCK_NAMES", info.BlockNames.View()))
    return false;
  return WriteCommandMessage(discussion, header, MessageCommand::YourBlocksIgnored.ShortCode, "Reply", 0);
}
