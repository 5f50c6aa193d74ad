#include "app/Browsestartup.h"

#include "app/Tformstart.h"
#include "app/Tstartupdriver.h"
#include "browse/Tformbrowsemanager.h"
#include "commands/Tbrowsecommands.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tapplication.h"

void ConnectBrowseWindows(TStartupDriver& driver, TFormBrowseManager& windows, TFormStart& start) {
  InstallBrowseCommands();
  driver.Hooks.OpenFirstBrowseWindow = [&driver, &windows](int discussion, int storageType, int number) {
    return OpenFirstBrowseWindow(driver, windows, discussion, storageType, number);
  };
  windows.OnLastWindowClosed = [] { Application->Terminate(); };
  start.OnCloseQuery = [&windows](TObject*, bool& canClose) { canClose = windows.CloseAll(); };
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
