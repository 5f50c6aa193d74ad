#pragma once
// Combo edits whose button opens a file or a folder dialog, and which take file names
// dropped on them (DropFiles: the platform hands dropped names to the control).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/Tcustomcomboedit.h"

using TExecOpenDialogEvent = std::function<void(TObject* Sender, std::string& Name, bool& Action)>;

class TFileDirEdit : public TCustomComboEdit {
 public:
  explicit TFileDirEdit(TComponent* AOwner);
  bool AcceptFiles() const { return acceptFiles_; }
  void SetAcceptFiles(bool Value) { acceptFiles_ = Value; }
  // Files dropped on the edit: the first only, unless several are allowed.
  void DropFiles(const std::vector<std::string>& Names);
  virtual std::string GetLongName() = 0;
  virtual std::string GetShortName() = 0;

  TNotifyEvent OnDropFiles;
  TExecOpenDialogEvent OnBeforeDialog, OnAfterDialog;

 protected:
  virtual void ReceptFileDir(const std::string& AFileName) = 0;
  virtual void ClearFileList() {}
  virtual void DoBeforeDialog(std::string& FileName, bool& Action);
  virtual void DoAfterDialog(std::string& FileName, bool& Action);
  TBitmap* GetDefaultBitmap(bool& DestroyNeeded) override;
  bool multipleDirs_ = false;

 private:
  bool acceptFiles_ = false;
};

enum TFileDialogKind { dkOpen, dkSave, dkOpenPicture, dkSavePicture };

class TFilenameEdit : public TFileDirEdit {
 public:
  explicit TFilenameEdit(TComponent* AOwner);
  ~TFilenameEdit() override;
  // The text without parameters after the name; raising EComboEditError on a bad name.
  std::string FileName();
  void SetFileName(const std::string& Value);
  std::string GetLongName() override;
  std::string GetShortName() override;
  TFileDialogKind DialogKind() const { return dialogKind_; }
  void SetDialogKind(TFileDialogKind Value);
  TOpenDialog* Dialog() const { return dialog_; }
  TStrings* DialogFiles() const { return dialog_->Files(); }
  TOpenOptions DialogOptions() const { return dialog_->Options(); }
  void SetDialogOptions(TOpenOptions Value);
  std::string DialogTitle() const { return dialog_->Title(); }
  void SetDialogTitle(const std::string& Value) { dialog_->SetTitle(Value); }
  bool DialogTitleStored() const;
  std::string Filter() const { return dialog_->Filter(); }
  void SetFilter(const std::string& Value) { dialog_->SetFilter(Value); }
  bool FilterStored() const;
  std::string InitialDir() const { return dialog_->InitialDir(); }
  void SetInitialDir(const std::string& Value) { dialog_->SetInitialDir(Value); }
  std::string DefaultExt() const { return dialog_->DefaultExt(); }
  void SetDefaultExt(const std::string& Value) { dialog_->SetDefaultExt(Value); }
  int FilterIndex() const { return dialog_->FilterIndex(); }
  void SetFilterIndex(int Value) { dialog_->SetFilterIndex(Value); }

 protected:
  void ButtonClick() override;
  void ReceptFileDir(const std::string& AFileName) override;
  void ClearFileList() override;

 private:
  void CreateEditDialog();
  TOpenDialog* dialog_ = nullptr;
  TFileDialogKind dialogKind_ = dkOpen;
};

enum TDirDialogKind { dkLibrary, dkWin32 };

class TDirectoryEdit : public TFileDirEdit {
 public:
  explicit TDirectoryEdit(TComponent* AOwner) : TFileDirEdit(AOwner) {}
  std::string GetLongName() override;
  std::string GetShortName() override;
  TDirDialogKind DialogKind() const { return dialogKind_; }
  void SetDialogKind(TDirDialogKind Value) { dialogKind_ = Value; }
  const std::string& DialogText() const { return dialogText_; }
  void SetDialogText(const std::string& Value) { dialogText_ = Value; }
  const std::string& InitialDir() const { return initialDir_; }
  void SetInitialDir(const std::string& Value) { initialDir_ = Value; }
  bool MultipleDirs() const { return multipleDirs_; }
  void SetMultipleDirs(bool Value) { multipleDirs_ = Value; }

 protected:
  void ButtonClick() override;
  void ReceptFileDir(const std::string& AFileName) override;

 private:
  std::string ConvertParts(std::string (*Convert)(const std::string&));
  std::string initialDir_;
  std::string dialogText_;
  TDirDialogKind dialogKind_ = dkLibrary;
};

// A name with a blank, not yet in double quotes, comes back quoted.
std::string QuotedFileName(const std::string& Name);
// The file name of an edit's text: the text when it names a file, else its first word.
std::string ClipFileName(const std::string& Text);
