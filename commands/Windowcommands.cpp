#include "commands/Windowcommands.h"

#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "commands/Tbrowsecommands.h"
#include "model/Tdiscussionsmanager.h"

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
