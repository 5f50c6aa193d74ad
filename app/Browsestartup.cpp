#include "app/Browsestartup.h"

#include "app/Tformstart.h"
#include "app/Tstartupdriver.h"
#include "browse/Commandcodes.h"
#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "browse/Tformbrowsemanager.h"
#include "commands/Tbrowsecommands.h"
#include "foundation/Helpdocument.h"
#include "foundation/Tbrowseglobal.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tapplication.h"

void ConnectBrowseWindows(TStartupDriver& driver, TFormBrowseManager& windows, TFormStart& start) {
  InstallBrowseCommands();
  driver.Hooks.OpenFirstBrowseWindow = [&driver, &windows](int discussion, int storageType, int number) {
    return OpenFirstBrowseWindow(driver, windows, discussion, storageType, number);
  };
  windows.OnLastWindowClosed = [] { Application->Terminate(); };
  // The program ends through the last window's "Close Quillaran"; it stays when the user
  // keeps a window.
  start.OnCloseQuery = [&windows](TObject*, bool& canClose) {
    if (windows.Count() > 0) {
      TBrowse& browse = windows.GetFormBrowse(windows.Count() - 1)->Browse;
      const TBrowseItemIndex none;
      browse.ProcessCommand(&none, &browse.CurrentBrowseState.CurrentItem, "", Command_CloseProgram,
                            TBrowseGlobal::EmptyShiftState, -1, -1);
    }
    canClose = windows.Count() == 0;
  };
  // Help asked of the application (a dialog's help button) opens the program's document.
  Application->OnHelp = [](WORD command, intptr_t context, bool&) {
    return command == HELP_CONTEXT && OpenHelp(int(context));
  };
}

bool OpenFirstBrowseWindow(TStartupDriver& driver, TFormBrowseManager& windows, int discussion, int storageType,
                           int number) {
  windows.Settings = driver.Pars();
  TDiscussionsManager& discussions = *driver.Discussions();
  if (discussion >= 0) {
    TDiscBlockStorages& storages = discussions.GetDiscussion(discussion).Storages;
    TDiscBlockIndex block = storages.FindDiscBlockIndex(TDiscBlockCode{uint8_t(storageType), uint16_t(number)});
    if (block.IsEmpty() || !storages.GetDiscBlock(block)->IsAlive()) block = storages.GetRootBlockIndex();
    return windows.NewFormBrowseOnBlock(discussion, block, nullptr, 0, true) != nullptr;
  }
  TBrowseItem root;
  root.Ident.Kind = BrowseItem_Folder;
  root.Ident.Folder = discussions.RootFolder;
  return windows.NewFormBrowse(-1, root, nullptr, 0, true) != nullptr;
}
