#include "commands/Expertcommands.h"

#include "browse/Tbrowse.h"
#include "commands/Listcommands.h"
#include "commands/Tbrowsecommands.h"
#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "model/Messagecomposer.h"
#include "model/Modelhooks.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/gui/Gui.h"
#include "postoffice/Tmoderatecaller.h"

#include <vector>

namespace {

constexpr const char* ErasingCaption = "ERASING MODERATED COMMENTS";

// The loaded discussion that a folder row of a moderation listing names; null (a beep) when
// it names none.
TDiscussion* ListedDiscussion(const TCommand& command, int& index) {
  TDiscussionsManager* manager = DiscussionsManager();
  index = command.Item ? command.Item->DiscussionIndex : -1;
  if (!manager || index < 0 || index >= manager->GetDiscussionsCount() || !manager->GetDiscussion(index).Load()) {
    if (!IsErrorReported()) MessageBeep(1);
    return nullptr;
  }
  return &manager->GetDiscussion(index);
}

// Tells a discredited author to send no more.
void SendDoNotBotherMore(TDiscussion& discussion, const TAuthor& author) {
  TCommandMessageHeader header;
  TRecipientsList to;
  to.Users = author.AutomaticEMail;
  if (!StartCommandHeader(header, to, MessageCommand::DoNotBotherMore.Name) ||
      !header.AddField("COMPOSE_DATETIME", ComposeDateTimeText()) ||
      !header.AddField("DIDENT", discussion.Info.DIdent.View()) ||
      !header.AddField("YOUR_ADIDENT", std::to_string(author.ADIdent)))
    return;
  WriteCommandMessage(discussion, header, MessageCommand::DoNotBotherMore.ShortCode, "TBrowse::ProcessCommand", 1);
}

}  // namespace

void ExpertsCommand(TCommand& command) {
  int index = -1;
  if (!ListedDiscussion(command, index)) return;
  ListInNewWindow(command, 1, true, [&](TBrowse& opened) {
    if (!opened.SetDiscussionIndex(index)) return;
    opened.ModerationMode = 1;
    opened.BuildLowerList_Experts(index, uint8_t(command.Data1), command.Data2 != 0 ? 1 : 0);
    opened.CurrentBrowseState.SpecCaptionType = SpecCaption_Experts;
    opened.CurrentBrowseState.ModerationType = uint8_t(command.Data1);
  });
}

void SetTrustCommand(TCommand& command) {
  TDiscussion* discussion = command.Discussion;
  TModerateCaller* caller = ModerateCaller();
  if (!discussion || !caller || !command.Item || command.Item->Kind() != BrowseItem_Author ||
      command.Data1 < ModerateType_Trustworthy || command.Data1 > ModerateType_Discredited) {
    MessageBeep(1);
    return;
  }
  const int author = discussion->Authors.FindAuthorByADIdent(*discussion, command.Item->Ident.ADIdent, true);
  if (author < 0 || IsErrorReported()) return;
  const uint16_t adident = discussion->Authors.Author(author).ADIdent;
  // A library that refuses reports for itself; the author stays as rated.
  if (caller->SetAuthorModerateType(discussion->Info.DIdent.ToString(), adident, uint8_t(command.Data1)) !=
      ModerationCall_Done)
    return;
  discussion->UpdateModeratedCommentsCount();
  TListeners::SendPair(Notify_AuthorChanged, reinterpret_cast<intptr_t>(discussion), author, false);
  if (command.Data1 != ModerateType_Discredited) return;
  if (ShowMessageBox("Author discreditation",
                     std::string("Do you want to send ") + MessageCommand::DoNotBotherMore.Name +
                         " command message to this author?",
                     "", "Yes|No", 0) != 0)
    return;
  SendDoNotBotherMore(*discussion, discussion->Authors.Author(author));
}

void EraseDiscreditedCommentsCommand(TCommand& command) {
  int index = -1;
  TDiscussion* discussion = ListedDiscussion(command, index);
  if (!discussion) return;
  // Moderated comments not erased yet, by authors the library rates with the trust asked for.
  std::vector<TDiscBlockIndex> chosen;
  const TBlocksStorage* comments = discussion->Storages.GetStorage(StorageType_ModeratedComments);
  for (int i = 0; comments && i < comments->Count(); ++i) {
    const TDiscBlock& comment = comments->Block(i);
    if (comment.DeleteFlag == DeleteFlag_Erased) continue;
    int trust = 0;
    if (AuthorModerateType(*discussion, comment.ADIdent, trust) == ModerationCall_Done && trust == command.Data1)
      chosen.push_back({StorageType_ModeratedComments, uint16_t(i)});
  }
  if (chosen.empty()) {
    ShowMessageBox(ErasingCaption, "There are no moderated comments for erasing!");
    return;
  }
  if (ShowMessageBox(ErasingCaption,
                     "There is(are) " + std::to_string(chosen.size()) +
                         " block(s) for erasing.\nAre you sure you want to erase this blocks and its lower blocks?",
                     "", "Yes|No", 0) != 0)
    return;
  // One step: a single undo brings every comment back.
  discussion->Undo.StartStep();
  for (const TDiscBlockIndex block : chosen) {
    TDiscBlock* comment = discussion->Storages.GetDiscBlock(block);
    if (comment && comment->DeleteFlag != DeleteFlag_Erased) comment->SetDeleteFlag(*discussion, block, DeleteFlag_Erased, 0);
    if (IsErrorReported()) return;
  }
  TListeners::SendPair(Notify_BlocksDeleted, reinterpret_cast<intptr_t>(discussion), DeleteFlag_Erased, false);
  discussion->UpdateModeratedCommentsCount();
}
