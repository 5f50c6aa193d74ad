#include "commands/Postofficecommand.h"

#include "browse/Tbrowse.h"
#include "commands/Tbrowsecommands.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Tlisteners.h"
#include "model/Modelhooks.h"
#include "platform/forms/Tapplication.h"
#include "postoffice/Tformpost.h"
#include "postoffice/Tpost.h"

#include <memory>

void RunPostModuleCommand(TCommand& command) {
  if (!PostState()) return;
  auto form = std::make_unique<TFormPost>(Application);
  form->SetBrowsePars(command.Browse.Settings ? *command.Browse.Settings : TBrowsePars());
  form->ShowModal();
  // What the post office did may have renamed windows (new discussions, new blocks).
  TListeners::Send(Notify_TitlesChanged, false);
}
