#include "commands/Windowcommands.h"

#include "browse/Tbrowse.h"
#include "browse/Tbrowselistener.h"
#include "browse/Tformbrowse.h"
#include "browse/Tformbrowsemanager.h"
#include "commands/Tbrowsecommands.h"
#include "dialogs/Tformbrowsepars.h"
#include "foundation/Guihooks.h"
#include "foundation/Helpdocument.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Tlisteners.h"
#include "model/Tclip.h"
#include "model/Tcommandmessage.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tapplication.h"
#include "pointer/Tformstartcursorwright.h"
#include "postoffice/Tformadvertisinglist.h"
#include "postoffice/Tformcommandmessageheader.h"
#include "postoffice/Tmoderatecaller.h"
#include "postoffice/Tpost.h"

namespace {

void OpenRoot(TCommand& command, int16_t TDiscussionsManager::*root) {
  if (TDiscussionsManager* manager = DiscussionsManager()) command.Browse.OpenMonoGroup(manager->*root);
}

// Closes, last to first, every window that shows the discussion, but `except`.
void CloseWindowsShowing(TFormBrowseManager& windows, int discussion, TFormBrowse* except) {
  for (int i = windows.Count() - 1; i >= 0; --i) {
    if (i >= windows.Count()) continue;
    TFormBrowse* form = windows.GetFormBrowse(i);
    if (form != except && form->Browse.CurrentBrowseState.DiscussionIndex == discussion) form->Close();
  }
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

void HelpCommand(TCommand& command) {
  if (command.Browse.Form) OpenHelp(command.Browse.Form->HelpContext());
}

void CustomizeCommand(TCommand& command) {
  TBrowsePars* pars = command.Browse.Settings;
  if (!pars) return;
  bool confirmed = false;
  {
    TFormBrowsePars dialog(nullptr);
    confirmed = dialog.Execute(*pars);
  }
  if (confirmed) TListeners::SendPtr(Notify_SettingsChanged, pars, false);
}

void CloseDiscussionCommand(TCommand& command) {
  TFormBrowseManager* windows = FormBrowseManager();
  TDiscussionsManager* discussions = DiscussionsManager();
  TFormBrowse* self = command.Browse.Form;
  const int shown = command.Browse.CurrentBrowseState.DiscussionIndex;
  if (!windows || !discussions || !self || !command.Discussion || shown < 0) return;
  const int16_t parent = discussions->GetParentFolder(command.Discussion->FolderIndex);
  CloseWindowsShowing(*windows, shown, self);
  if (windows->Count() == 1 && windows->GetFormBrowse(0) == self) {
    command.Browse.OpenMonoGroup(parent);
    windows->UnloadUnshownDiscussions();
    return;
  }
  CloseWindowsShowing(*windows, shown, nullptr);
}

void CloseProgramCommand(TCommand& command) {
  TFormBrowseManager* windows = FormBrowseManager();
  TFormBrowse* self = command.Browse.Form;
  if (!windows || !self) return;
  if (!windows->UnloadUnshownDiscussions()) return;
  if (TClip* clip = BlockClipboard(); clip && !clip->IsEmpty()) {
    clip->Reset(0);
    TListeners::Send(Notify_TitlesChanged, false);
  }
  TBrowseGlobal::CloseRefused = 0;
  for (int i = windows->Count() - 1; i >= 0; --i) {
    if (i >= windows->Count()) continue;
    TFormBrowse* form = windows->GetFormBrowse(i);
    if (form == self) continue;
    form->Close();
    // The user kept a window: the rest stay open.
    if (TBrowseGlobal::CloseRefused || windows->IndexOf(form) >= 0) return;
  }
  Application->ProcessMessages();
  if (windows->IndexOf(self) >= 0) self->Close();
}

void EditSubscribersCommand(TCommand& command) {
  if (!command.Discussion) return;
  // What the user does in the dialog is the dialog's; the command takes nothing back.
  TArray<TRecipientsList> receivers;
  ChooseCommandMessageReceivers(*command.Discussion, command.Browse.Settings, "Edit subscribers list",
                                Receivers_EditSubscribers, receivers, false);
}

void EditSpammersCommand(TCommand& command) {
  TModerateCaller* caller = ModerateCaller();
  if (!caller || caller->EditSpammersList() == ModerationCall_NotDone)
    ShowMessageBox("EDIT SPAMMERS LIST", "The moderation module is not available.");
  (void)command;
}

void EditAdvertisingCommand(TCommand& command) {
  TPost* post = PostState();
  if (!post) return;
  std::string text = post->AdvertisingList.ToString();
  if (EditAdvertisingList(*post, text)) post->AdvertisingList = text;
  (void)command;
}
