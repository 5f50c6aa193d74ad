#include "commands/Receiverscommands.h"

#include "browse/Tformbrowsemanager.h"
#include "model/Modelhooks.h"
#include "model/Tcommandmessage.h"
#include "postoffice/Postofficedialogs.h"
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
  PostOfficeDialogs().EditAdvertisingList = [](std::string& text) {
    TPost* post = PostState();
    return post && EditAdvertisingList(*post, text);
  };
}

void UninstallReceiversChoice() {
  ModelHooks().ChooseReceivers = nullptr;
  PostOfficeDialogs().EditAdvertisingList = nullptr;
}
