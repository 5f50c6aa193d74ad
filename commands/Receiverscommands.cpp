#include "commands/Receiverscommands.h"

#include "browse/Tformbrowsemanager.h"
#include "model/Modelhooks.h"
#include "model/Tcommandmessage.h"
#include "postoffice/Tformcommandmessageheader.h"

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
