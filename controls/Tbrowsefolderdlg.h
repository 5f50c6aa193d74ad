#pragma once
// TBrowseFolderDlg: picks a folder with the class library's folder dialog.
// This system has no browsable network neighbourhood: picking a computer
// offers nothing and answers false.

#include <string>

#include "platform/gui/Wintypes.h"
#include "platform/rtl/Tcomponent.h"

enum TBrowseKind { bfFolders, bfComputers };
enum TDialogPosition { dpDefault, dpScreenCenter };

class TBrowseFolderDlg : public TComponent {
 public:
  explicit TBrowseFolderDlg(TComponent* AOwner) : TComponent(AOwner) {}

  TBrowseKind BrowseKind() const { return browseKind_; }
  void SetBrowseKind(TBrowseKind Value) { browseKind_ = Value; }
  bool DesktopRoot() const { return desktopRoot_; }
  void SetDesktopRoot(bool Value) { desktopRoot_ = Value; }
  const std::string& DialogText() const { return dialogText_; }
  void SetDialogText(const std::string& Value) { dialogText_ = Value; }
  // In: the folder first shown; out: the folder picked, without a trailing '/'.
  const std::string& FolderName() const { return folderName_; }
  void SetFolderName(const std::string& Value) { folderName_ = Value; }
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int Value) { helpContext_ = Value; }
  TDialogPosition Position() const { return position_; }
  void SetPosition(TDialogPosition Value) { position_ = Value; }
  // The name of the item picked, or of the one selected while the dialog is up.
  const std::string& DisplayName() const { return displayName_; }
  // The dialog's window while it is shown, else null.
  HWND Handle() const { return handle_; }
  // The dialog is ready / the selection changed.
  TNotifyEvent OnInitialized;
  TNotifyEvent OnSelChanged;

  // True when the user chose OK.
  bool Execute();

 private:
  TBrowseKind browseKind_ = bfFolders;
  bool desktopRoot_ = true;
  std::string dialogText_;
  std::string folderName_;
  int helpContext_ = 0;
  TDialogPosition position_ = dpScreenCenter;
  std::string displayName_;
  HWND handle_ = nullptr;
};

// Asks for a folder; on OK FolderName is replaced and true returned.
bool BrowseDirectory(std::string& AFolderName, const std::string& DlgText, int AHelpContext);
bool BrowseComputer(std::string& ComputerName, const std::string& DlgText, int AHelpContext);
