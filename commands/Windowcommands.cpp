#include "commands/Windowcommands.h"

#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "commands/Tbrowsecommands.h"
#include "foundation/Tbrowsepars.h"
#include "model/Tdiscussionsmanager.h"
#include "pointer/Tformstartcursorwright.h"

namespace {

void OpenRoot(TCommand& command, int16_t TDiscussionsManager::*root) {
  if (TDiscussionsManager* manager = DiscussionsManager()) command.Browse.OpenMonoGroup(manager->*root);
}

}  // namespace

void DiscussingCommand(TCommand& command) { OpenRoot(command, &TDiscussionsManager::DiscussedRoot); }

void CreatingCommand(TCommand& command) { OpenRoot(command, &TDiscussionsManager::CreatedRoot); }

void BrowsingModeratingCommand(TCommand& command) {
  command.Browse.ModerationMode = command.Browse.ModerationMode ? 0 : 1;
  OpenRoot(command, &TDiscussionsManager::DiscussedRoot);
}

void CloseWindowCommand(TCommand& command) {
  if (command.Browse.Form) command.Browse.Form->Close();
}

void PointerEngineCommand(TCommand& command) {
  TBrowse& browse = command.Browse;
  if (!browse.Settings) return;
  browse.Settings->PointerEngineOn = browse.Settings->PointerEngineOn ? 0 : 1;
  StartStopCursorwright(browse.Settings->PointerEngineOn != 0);
  // The menu's caption follows the engine's new state.
  browse.Menu.Build(TBrowseItemIndex(), browse.CurrentBrowseState.CurrentItem, 1);
}
