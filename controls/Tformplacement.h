#pragma once
// TFormPlacement: dropped on a form, it keeps the form's placement (normal
// rectangle, minimized and maximized positions), its window state and its
// active control in one section of an ini file or of the registry; it
// restores them when the form is shown and saves them when the form closes
// or goes. It can also clamp the form's tracking sizes (MinMaxInfo) and forbid
// resizing (PreventResize). A TIniLink lets any other object save and load
// itself inside the same save and restore.
//
// Forms are built in code: the form's constructor calls Loaded on the
// placement once its properties are set, as reading a form would.

#include <memory>
#include <string>
#include <vector>

#include "controls/Texwindowhook.h"
#include "platform/forms/Tform.h"
#include "platform/gui/Gui.h"
#include "platform/rtl/Tcomponent.h"
#include "platform/rtl/Tregistry.h"

class TFormPlacement;
class TIniFile;
class TRegIniFile;

enum TPlacementOption { fpState, fpPosition, fpActiveControl };
using TPlacementOptions = TSet<TPlacementOption>;
enum TPlacementOperation { poSave, poRestore };
enum TPlacementRegRoot { prCurrentUser, prLocalMachine, prCurrentConfig, prClassesRoot, prUsers, prDynData };

// The tracking and maximizing limits of a form; a member left 0 is not applied.
class TWinMinMaxInfo : public TPersistent {
 public:
  explicit TWinMinMaxInfo(TFormPlacement* OwnerPlacement) : owner_(OwnerPlacement) {}
  void Assign(TPersistent* Source) override;
  // All eight members zero.
  bool DefaultMinMaxInfo() const;
  const MINMAXINFO& MinMaxInfo() const { return info_; }

  int MaxPosLeft() const { return info_.ptMaxPosition.x; }
  void SetMaxPosLeft(int Value) { Set(info_.ptMaxPosition.x, Value); }
  int MaxPosTop() const { return info_.ptMaxPosition.y; }
  void SetMaxPosTop(int Value) { Set(info_.ptMaxPosition.y, Value); }
  int MaxSizeHeight() const { return info_.ptMaxSize.y; }
  void SetMaxSizeHeight(int Value) { Set(info_.ptMaxSize.y, Value); }
  int MaxSizeWidth() const { return info_.ptMaxSize.x; }
  void SetMaxSizeWidth(int Value) { Set(info_.ptMaxSize.x, Value); }
  int MaxTrackHeight() const { return info_.ptMaxTrackSize.y; }
  void SetMaxTrackHeight(int Value) { Set(info_.ptMaxTrackSize.y, Value); }
  int MaxTrackWidth() const { return info_.ptMaxTrackSize.x; }
  void SetMaxTrackWidth(int Value) { Set(info_.ptMaxTrackSize.x, Value); }
  int MinTrackHeight() const { return info_.ptMinTrackSize.y; }
  void SetMinTrackHeight(int Value) { Set(info_.ptMinTrackSize.y, Value); }
  int MinTrackWidth() const { return info_.ptMinTrackSize.x; }
  void SetMinTrackWidth(int Value) { Set(info_.ptMinTrackSize.x, Value); }

 private:
  void Set(LONG& Member, int Value);
  TFormPlacement* owner_;
  MINMAXINFO info_{};
};

class TIniLink : public TPersistent {
 public:
  TIniLink() = default;
  ~TIniLink() override;
  TFormPlacement* Storage() const { return storage_; }
  void SetStorage(TFormPlacement* Value);
  // The storage's open ini file or registry object; null when none is open.
  TObject* IniObject() const;
  // The storage's IniSection as set, followed by "\" when not empty.
  std::string RootSection() const;
  virtual void SaveToIni();
  virtual void LoadFromIni();

  TNotifyEvent OnSave;
  TNotifyEvent OnLoad;

 private:
  friend class TFormPlacement;
  TFormPlacement* storage_ = nullptr;
};

class TFormPlacement : public TComponent {
 public:
  explicit TFormPlacement(TComponent* AOwner);
  ~TFormPlacement() override;

  // Takes over the form's OnShow, OnCloseQuery and OnDestroy (keeping the
  // previous handlers, which still run) and decides on the window hook.
  void Loaded() override;

  bool Active() const { return active_; }
  void SetActive(bool Value) { active_ = Value; }
  // The ini file (or registry key) in use: as set, else the default.
  std::string IniFileName() const;
  void SetIniFileName(const std::string& Value) { iniFileName_ = Value; }
  // The section in use: as set, else the owner's default section.
  std::string IniSection() const;
  const std::string& IniSectionAsSet() const { return iniSection_; }
  void SetIniSection(const std::string& Value) { iniSection_ = Value; }
  TWinMinMaxInfo* MinMaxInfo() const { return minMaxInfo_.get(); }
  void SetMinMaxInfo(TWinMinMaxInfo* Value) { minMaxInfo_->Assign(Value); }
  TPlacementOptions Options() const { return options_; }
  void SetOptions(TPlacementOptions Value) { options_ = Value; }
  bool PreventResize() const { return preventResize_; }
  void SetPreventResize(bool Value);
  TPlacementRegRoot RegistryRoot() const { return registryRoot_; }
  void SetRegistryRoot(TPlacementRegRoot Value) { registryRoot_ = Value; }
  bool UseRegistry() const { return useRegistry_; }
  void SetUseRegistry(bool Value) { useRegistry_ = Value; }
  int Version() const { return version_; }
  void SetVersion(int Value) { version_ = Value; }

  TNotifyEvent OnSavePlacement;
  TNotifyEvent OnRestorePlacement;

  void SaveFormPlacement();
  void RestoreFormPlacement();
  std::string ReadString(const std::string& Ident, const std::string& Default);
  void WriteString(const std::string& Ident, const std::string& Value);
  int ReadInteger(const std::string& Ident, int Default);
  void WriteInteger(const std::string& Ident, int Value);
  // Erases the section and its sub-sections ("Section.x", "Section\x").
  void EraseSections();

  // Opens / closes the storage object (a TRegIniFile or a TIniFile).
  void IniNeeded(bool ReadOnly);
  void IniFree();
  TObject* IniObject() const { return iniObject_.get(); }
  TIniFile* IniFile() const;
  TRegIniFile* RegIniFile() const;
  bool Restored() const { return restored_; }
  bool Saved() const { return saved_; }

  // The form's tracking limits changed.
  void MinMaxInfoModified();

 protected:
  virtual void SavePlacement();
  virtual void RestorePlacement();
  virtual std::string DoReadString(const std::string& Section, const std::string& Ident, const std::string& Default);
  virtual void DoWriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
  // Fire OnSavePlacement / OnRestorePlacement.
  virtual void Save();
  virtual void Restore();
  TCustomForm* Form() const;
  bool restored_ = false;

 private:
  friend class TIniLink;
  // Runs F on the open storage object, or on one opened for it and closed after.
  template <class F>
  auto WithStorage(bool ReadOnly, F f) {
    if (iniObject_) return f();
    IniNeeded(ReadOnly);
    struct TCloser {
      TFormPlacement* p;
      ~TCloser() { p->IniFree(); }
    } closer{this};
    return f();
  }
  void NotifyLinks(TPlacementOperation Operation);
  void UpdatePlacement();
  void CheckToggleHook();
  void WndMessage(TObject* Sender, TMessage& Msg, bool& Handled);
  void FormShow(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void FormDestroy(TObject* Sender);

  bool active_ = true;
  std::string iniFileName_;
  std::string iniSection_;
  std::unique_ptr<TWinMinMaxInfo> minMaxInfo_;
  TPlacementOptions options_;
  bool preventResize_ = false;
  TPlacementRegRoot registryRoot_ = prCurrentUser;
  bool useRegistry_ = false;
  int version_ = 0;

  // The owner when it is a form, kept: inside the form's destructor it is no
  // longer known as one, and its class name with it.
  TForm* form_ = nullptr;
  std::string formSection_;
  std::unique_ptr<TObject> iniObject_;
  std::vector<TIniLink*> links_;
  bool saved_ = false;
  bool destroying_ = false;
  bool defMaximize_ = false;
  bool handlersTaken_ = false;
  std::unique_ptr<TExWindowHook> winHook_;
  TNotifyEvent saveFormShow_;
  TCloseQueryEvent saveFormCloseQuery_;
  TNotifyEvent saveFormDestroy_;
};

// The registry root of a placement root.
HKEY PlacementRootKey(TPlacementRegRoot Root);
