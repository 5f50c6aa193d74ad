#pragma once
// Common dialogs drawn as forms of this library: opening and saving files (filters,
// folders to walk, a default extension, the overwrite and must-exist checks), choosing
// a folder, a font or a colour. Their controls carry names for scripted answers:
// "FileName", "Files", "Folder", "Filter", "Folders", "Name", "Size", "Bold", "Italic",
// "Underline", "StrikeOut", "Red", "Green", "Blue", and the buttons "OK" and "Cancel".

#include <functional>
#include <string>

#include "platform/forms/Tgraphicsobject.h"
#include "platform/rtl/Tcomponent.h"
#include "platform/rtl/Tstringlist.h"

class TCommonDialog : public TComponent {
 public:
  explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
  virtual bool Execute() = 0;
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& Value) { title_ = Value; }
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int Value) { helpContext_ = Value; }
  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

 protected:
  std::string title_;
  int helpContext_ = 0;
};

enum TOpenOption {
  ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate, ofAllowMultiSelect,
  ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn,
  ofNoTestFileCreate, ofEnableSizing
};
using TOpenOptions = TSet<TOpenOption>;

class TOpenDialog : public TCommonDialog {
 public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& Value) { fileName_ = Value; }
  // "Name|*.ext;*.other|Name|pattern" pairs.
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& Value) { filter_ = Value; }
  int FilterIndex() const { return filterIndex_; }
  void SetFilterIndex(int Value) { filterIndex_ = Value; }
  const std::string& InitialDir() const { return initialDir_; }
  void SetInitialDir(const std::string& Value) { initialDir_ = Value; }
  const std::string& DefaultExt() const { return defaultExt_; }
  void SetDefaultExt(const std::string& Value) { defaultExt_ = Value; }
  TOpenOptions Options() const { return options_; }
  void SetOptions(TOpenOptions Value) { options_ = Value; }
  TStrings* Files() const { return files_; }
  bool Execute() override;

 protected:
  virtual bool Saving() const { return false; }

 private:
  std::string fileName_, filter_, initialDir_, defaultExt_;
  int filterIndex_ = 1;
  TOpenOptions options_ = {ofHideReadOnly};
  TStringList* files_;
};

class TSaveDialog : public TOpenDialog {
 public:
  explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}

 protected:
  bool Saving() const override { return true; }
};

class TFontDialog : public TCommonDialog {
 public:
  explicit TFontDialog(TComponent* AOwner);
  ~TFontDialog() override;
  TFont* Font() const { return font_; }
  void SetFont(TFont* Value) { font_->Assign(Value); }
  bool Execute() override;

 private:
  TFont* font_;
};

class TColorDialog : public TCommonDialog {
 public:
  explicit TColorDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
  TColor Color() const { return color_; }
  void SetColor(TColor Value) { color_ = Value; }
  bool Execute() override;

 private:
  TColor color_ = clBlack;
};

// Asks for a folder below Root (the whole file system when empty); true when chosen.
bool SelectDirectory(const std::string& Caption, const std::string& Root, std::string& Directory);
// The same, telling the caller when the dialog is ready (its window) and each
// folder it moves to.
struct TSelectDirectoryEvents {
  std::function<void(HWND Dialog)> OnShown;
  std::function<void(const std::string& Folder)> OnChanged;
};
bool SelectDirectory(const std::string& Caption, const std::string& Root, std::string& Directory,
                     const TSelectDirectoryEvents& Events);
