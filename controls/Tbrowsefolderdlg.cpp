#include "controls/Tbrowsefolderdlg.h"

#include "controls/Fileutil.h"
#include "platform/forms/Tcommondialog.h"
#include "platform/rtl/Strutil.h"

bool TBrowseFolderDlg::Execute() {
  if (browseKind_ == bfComputers) return false;
  // The desktop and the computer are one tree here: the whole file system.
  std::string folder = DirExists(folderName_) ? folderName_ : std::string();
  TSelectDirectoryEvents events;
  events.OnShown = [this](HWND dialog) {
    handle_ = dialog;
    if (OnInitialized) OnInitialized(this);
  };
  events.OnChanged = [this](const std::string& selected) {
    displayName_ = ExtractFileName(RemoveBackSlash(selected));
    if (OnSelChanged) OnSelChanged(this);
  };
  bool chosen = SelectDirectory(dialogText_, "/", folder, events);
  handle_ = nullptr;
  if (!chosen) return false;
  folderName_ = RemoveBackSlash(folder);
  displayName_ = ExtractFileName(folderName_);
  if (displayName_.empty()) displayName_ = folderName_;
  return true;
}

bool BrowseDirectory(std::string& AFolderName, const std::string& DlgText, int AHelpContext) {
  TBrowseFolderDlg dialog(nullptr);
  dialog.SetFolderName(AFolderName);
  dialog.SetDialogText(DlgText);
  dialog.SetHelpContext(AHelpContext);
  if (!dialog.Execute()) return false;
  AFolderName = dialog.FolderName();
  return true;
}

bool BrowseComputer(std::string& ComputerName, const std::string& DlgText, int AHelpContext) {
  TBrowseFolderDlg dialog(nullptr);
  dialog.SetBrowseKind(bfComputers);
  dialog.SetFolderName(ComputerName);
  dialog.SetDialogText(DlgText);
  dialog.SetHelpContext(AHelpContext);
  if (!dialog.Execute()) return false;
  ComputerName = dialog.FolderName();
  return true;
}
