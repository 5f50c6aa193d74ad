#include "commands/Receiverscommands.h"

#include "browse/Tbrowse.h"
#include "browse/Tformbrowsemanager.h"
#include "commands/Tbrowsecommands.h"
#include "model/Modelhooks.h"
#include "model/Tcommandmessage.h"
#include "postoffice/Tformadvertisinglist.h"
#include "postoffice/Tformcommandmessageheader.h"
#include "postoffice/Tpost.h"

namespace {

const TBrowsePars* WindowSettings() {
  TFormBrowseManager* manager = FormBrowseManager();
  return manager ? manager->Settings : nullptr;
}

}  // namespace

void InstallReceiversChoice() {
  ModelHooks().ChooseReceivers = [](TDiscussion& discussion, const std::string& caption, int kind,
                                    TArray<TRecipientsList>& rows) {
    return ChooseCommandMessageReceivers(discussion, WindowSettings(), caption, uint8_t(kind), rows, false);
  };
}

void UninstallReceiversChoice() { ModelHooks().ChooseReceivers = nullptr; }

void EditSubscribersCommand(TCommand& command) {
  if (!command.Discussion) return;
  TArray<TRecipientsList> rows;
  ChooseCommandMessageReceivers(*command.Discussion, command.Browse.Settings, "Edit subscribers list",
                                Receivers_EditSubscribers, rows, false);
}

void EditAdvertisingCommand(TCommand&) {
  if (TPost* post = PostState()) EditAdvertisingList(*post);
}
