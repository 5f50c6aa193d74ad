#include "controls/Tformplacement.h"

#include <algorithm>

#include "controls/Apputils.h"
#include "controls/Strutils.h"
#include "platform/forms/Tapplication.h"
#include "platform/rtl/Tinifile.h"
#include "platform/rtl/Treginifile.h"
#include "platform/rtl/Tstringlist.h"

namespace {

const char kFormVersion[] = "FormVersion";
const char kVisible[] = "Visible";
const char kActiveControl[] = "ActiveControl";

// The frame of a border style, which a maximized window hides off the screen.
POINT FrameSize(TFormBorderStyle style) {
  switch (style) {
    case bsSingle:
    case bsToolWindow: return POINT{GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER)};
    case bsSizeable:
    case bsSizeToolWin: return POINT{GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME)};
    case bsDialog: return POINT{GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYDLGFRAME)};
    default: return POINT{0, 0};
  }
}

// Runs a save or restore of the form's events: what goes wrong goes to the
// application's exception handler, never out of the event.
template <class F>
void Guarded(TObject* sender, F f) {
  try {
    f();
  } catch (...) {
    Application->HandleException(sender);
  }
}

}  // namespace

HKEY PlacementRootKey(TPlacementRegRoot Root) {
  static const HKEY roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CURRENT_CONFIG,
                               HKEY_CLASSES_ROOT, HKEY_USERS,         HKEY_DYN_DATA};
  return roots[Root];
}

// ---- TWinMinMaxInfo

void TWinMinMaxInfo::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TWinMinMaxInfo*>(Source);
  if (!other) {
    TPersistent::Assign(Source);
    return;
  }
  info_ = other->info_;
  if (owner_) owner_->MinMaxInfoModified();
}

bool TWinMinMaxInfo::DefaultMinMaxInfo() const {
  const MINMAXINFO& m = info_;
  return m.ptMaxPosition.x == 0 && m.ptMaxPosition.y == 0 && m.ptMaxSize.x == 0 && m.ptMaxSize.y == 0 &&
         m.ptMaxTrackSize.x == 0 && m.ptMaxTrackSize.y == 0 && m.ptMinTrackSize.x == 0 && m.ptMinTrackSize.y == 0;
}

void TWinMinMaxInfo::Set(LONG& Member, int Value) {
  if (Member == Value) return;
  Member = Value;
  if (owner_) owner_->MinMaxInfoModified();
}

// ---- TIniLink

TIniLink::~TIniLink() {
  OnSave = nullptr;
  OnLoad = nullptr;
  SetStorage(nullptr);
}

void TIniLink::SetStorage(TFormPlacement* Value) {
  if (storage_ == Value) return;
  if (storage_) std::erase(storage_->links_, this);
  storage_ = Value;
  if (storage_) storage_->links_.push_back(this);
}

TObject* TIniLink::IniObject() const { return storage_ ? storage_->IniObject() : nullptr; }

std::string TIniLink::RootSection() const {
  if (!storage_) return "";
  const std::string& s = storage_->IniSectionAsSet();
  return s.empty() ? s : s + "\\";
}

void TIniLink::SaveToIni() {
  if (OnSave) OnSave(this);
}

void TIniLink::LoadFromIni() {
  if (OnLoad) OnLoad(this);
}

// ---- TFormPlacement: life

TFormPlacement::TFormPlacement(TComponent* AOwner)
    : TComponent(AOwner), minMaxInfo_(std::make_unique<TWinMinMaxInfo>(this)), winHook_(std::make_unique<TExWindowHook>(nullptr)) {
  form_ = dynamic_cast<TForm*>(AOwner);
  if (form_) options_ = {fpState, fpPosition};
  winHook_->SetActive(false);
  winHook_->AfterMessage = [this](TObject* s, TMessage& m, bool& h) { WndMessage(s, m, h); };
}

TFormPlacement::~TFormPlacement() {
  IniFree();
  while (!links_.empty()) {
    links_.back()->storage_ = nullptr;
    links_.pop_back();
  }
  if (ComponentState().Contains(csDesigning)) return;
  winHook_.reset();
  // A form in its own destruction has no events left to give back.
  TCustomForm* form = Form();
  if (handlersTaken_ && form && !form->ComponentState().Contains(csDestroying)) {
    form->OnShow = saveFormShow_;
    form->OnCloseQuery = saveFormCloseQuery_;
    form->OnDestroy = saveFormDestroy_;
  }
}

TCustomForm* TFormPlacement::Form() const { return form_; }

void TFormPlacement::Loaded() {
  TComponent::Loaded();
  if (form_) formSection_ = GetDefaultSection(form_);
  if (ComponentState().Contains(csDesigning)) return;
  TCustomForm* form = Form();
  if (form && !handlersTaken_) {
    handlersTaken_ = true;
    saveFormShow_ = form->OnShow;
    saveFormCloseQuery_ = form->OnCloseQuery;
    saveFormDestroy_ = form->OnDestroy;
    form->OnShow = [this](TObject* s) { FormShow(s); };
    form->OnCloseQuery = [this](TObject* s, bool& c) { FormCloseQuery(s, c); };
    form->OnDestroy = [this](TObject* s) { FormDestroy(s); };
    defMaximize_ = form->BorderIcons().Contains(biMaximize);
    if (preventResize_) {
      preventResize_ = false;
      SetPreventResize(true);
    }
  }
  CheckToggleHook();
}

// ---- the form's events

void TFormPlacement::FormShow(TObject* Sender) {
  formSection_ = GetDefaultSection(form_);
  if (active_) Guarded(Sender, [this] { RestoreFormPlacement(); });
  if (saveFormShow_) saveFormShow_(Sender);
}

void TFormPlacement::FormCloseQuery(TObject* Sender, bool& CanClose) {
  if (saveFormCloseQuery_) saveFormCloseQuery_(Sender, CanClose);
  TCustomForm* form = Form();
  if (CanClose && active_ && form && form->HandleAllocated()) Guarded(Sender, [this] { SaveFormPlacement(); });
}

void TFormPlacement::FormDestroy(TObject* Sender) {
  if (active_ && !saved_) {
    destroying_ = true;
    Guarded(Sender, [this] { SaveFormPlacement(); });
    destroying_ = false;
  }
  if (saveFormDestroy_) saveFormDestroy_(Sender);
}

// ---- the storage object

std::string TFormPlacement::IniFileName() const {
  if (!iniFileName_.empty() || ComponentState().Contains(csDesigning)) return iniFileName_;
  return useRegistry_ ? GetDefaultIniRegKey() : GetDefaultIniName();
}

std::string TFormPlacement::IniSection() const {
  if (!iniSection_.empty()) return iniSection_;
  return form_ && !formSection_.empty() ? formSection_ : GetDefaultSection(Owner());
}

TIniFile* TFormPlacement::IniFile() const { return dynamic_cast<TIniFile*>(iniObject_.get()); }
TRegIniFile* TFormPlacement::RegIniFile() const { return dynamic_cast<TRegIniFile*>(iniObject_.get()); }

void TFormPlacement::IniNeeded(bool ReadOnly) {
  if (iniObject_) return;
  const std::string name = IniFileName();
  if (!useRegistry_) {
    iniObject_ = std::make_unique<TIniFile>(name);
    return;
  }
  if (registryRoot_ == prCurrentUser) {
    iniObject_ = std::make_unique<TRegIniFile>(name, ReadOnly ? KEY_READ : KEY_ALL_ACCESS);
    return;
  }
  // Opened for reading first, so that no key is made below the current user.
  auto reg = std::make_unique<TRegIniFile>(name, KEY_READ);
  reg->SetRootKey(PlacementRootKey(registryRoot_));
  if (!ReadOnly) reg->SetAccess(KEY_ALL_ACCESS);
  reg->OpenKey(name, !ReadOnly);
  iniObject_ = std::move(reg);
}

void TFormPlacement::IniFree() { iniObject_.reset(); }

std::string TFormPlacement::DoReadString(const std::string& Section, const std::string& Ident,
                                         const std::string& Default) {
  return IniReadString(iniObject_.get(), Section, Ident, Default);
}

void TFormPlacement::DoWriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  IniWriteString(iniObject_.get(), Section, Ident, Value);
}

std::string TFormPlacement::ReadString(const std::string& Ident, const std::string& Default) {
  return WithStorage(true, [&] { return DoReadString(IniSection(), Ident, Default); });
}

void TFormPlacement::WriteString(const std::string& Ident, const std::string& Value) {
  WithStorage(false, [&] { DoWriteString(IniSection(), Ident, Value); });
}

int TFormPlacement::ReadInteger(const std::string& Ident, int Default) {
  return WithStorage(true, [&] { return IniReadInteger(iniObject_.get(), IniSection(), Ident, Default); });
}

void TFormPlacement::WriteInteger(const std::string& Ident, int Value) {
  WithStorage(false, [&] { IniWriteInteger(iniObject_.get(), IniSection(), Ident, Value); });
}

void TFormPlacement::EraseSections() {
  if (iniObject_) return;
  IniNeeded(false);
  try {
    TStringList sections;
    IniReadSections(iniObject_.get(), &sections);
    const std::string section = IniSection();
    for (int i = 0; i < sections.Count(); ++i) {
      const std::string s = sections.Strings(i);
      if (s == section || IsWild(s, section + ".*", false) || IsWild(s, section + "\\*", false))
        IniEraseSection(iniObject_.get(), s);
    }
  } catch (...) {
    IniFree();
    throw;
  }
  IniFree();
}

// ---- save and restore

void TFormPlacement::SaveFormPlacement() {
  // A form whose stored placement was never read does not overwrite it.
  if (active_ && !restored_) return;
  IniNeeded(false);
  try {
    IniWriteInteger(iniObject_.get(), IniSection(), kFormVersion, version_);
    SavePlacement();
    Save();
    saved_ = true;
  } catch (...) {
    IniFree();
    throw;
  }
  IniFree();
}

void TFormPlacement::RestoreFormPlacement() {
  saved_ = false;
  IniNeeded(true);
  try {
    const std::string section = IniSection();
    if (IniReadInteger(iniObject_.get(), section, kFormVersion, 0) >= version_) {
      RestorePlacement();
      restored_ = true;
      Restore();
      TCustomForm* form = Form();
      if (form && options_.Contains(fpActiveControl)) {
        std::string name = IniReadString(iniObject_.get(), section, kActiveControl, "");
        auto* control = dynamic_cast<TWinControl*>(name.empty() ? nullptr : form->FindComponent(name));
        if (control && control->CanFocus()) form->SetActiveControl(control);
      }
    }
  } catch (...) {
    restored_ = true;
    IniFree();
    UpdatePlacement();
    throw;
  }
  restored_ = true;
  IniFree();
  UpdatePlacement();
}

void TFormPlacement::SavePlacement() {
  if (TCustomForm* form = Form()) {
    const std::string section = IniSection();
    if (options_.Contains(fpState) || options_.Contains(fpPosition)) {
      WritePlacementTo(form, iniObject_.get(), section);
      IniWriteBool(iniObject_.get(), section, kVisible, destroying_);
    }
    if (options_.Contains(fpActiveControl) && form->ActiveControl())
      IniWriteString(iniObject_.get(), section, kActiveControl, form->ActiveControl()->Name());
  }
  NotifyLinks(poSave);
}

void TFormPlacement::RestorePlacement() {
  if (TCustomForm* form = Form())
    ReadPlacementFrom(form, iniObject_.get(), IniSection(), options_.Contains(fpState), options_.Contains(fpPosition));
  NotifyLinks(poRestore);
}

void TFormPlacement::Save() {
  if (OnSavePlacement) OnSavePlacement(this);
}

void TFormPlacement::Restore() {
  if (OnRestorePlacement) OnRestorePlacement(this);
}

void TFormPlacement::NotifyLinks(TPlacementOperation Operation) {
  std::vector<TIniLink*> links = links_;
  for (TIniLink* link : links) {
    if (Operation == poSave) link->SaveToIni();
    else link->LoadFromIni();
  }
}

// ---- limits of the form's size

void TFormPlacement::UpdatePlacement() {
  TCustomForm* form = Form();
  if (!form || !form->HandleAllocated() || ComponentState().Contains(csLoading) || preventResize_ ||
      !minMaxInfo_->DefaultMinMaxInfo())
    return;
  HWND h = form->Handle();
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  if (!GetWindowPlacement(h, &wp)) return;
  if (!IsWindowVisible(h)) wp.showCmd = SW_HIDE;
  POINT frame = FrameSize(form->BorderStyle());
  wp.ptMaxPosition = POINT{-frame.x, -frame.y};
  SetWindowPlacement(h, &wp);
}

void TFormPlacement::SetPreventResize(bool Value) {
  TCustomForm* form = Form();
  if (!form || Value == preventResize_) return;
  preventResize_ = Value;
  UpdatePlacement();
  if (ComponentState().Contains(csDesigning)) return;
  if (Value) defMaximize_ = form->BorderIcons().Contains(biMaximize);
  bool wasActive = active_;
  active_ = false;
  TBorderIcons icons = form->BorderIcons();
  if (!preventResize_ && defMaximize_ && form->BorderStyle() != bsDialog) icons.Include(biMaximize);
  else icons.Exclude(biMaximize);
  form->SetBorderIcons(icons);
  active_ = wasActive;
  if (!ComponentState().Contains(csLoading)) CheckToggleHook();
}

void TFormPlacement::MinMaxInfoModified() {
  UpdatePlacement();
  if (!ComponentState().Contains(csLoading)) CheckToggleHook();
}

void TFormPlacement::CheckToggleHook() {
  if (ComponentState().Contains(csDesigning) || !winHook_) return;
  TCustomForm* form = Form();
  if (form && (!minMaxInfo_->DefaultMinMaxInfo() || preventResize_)) {
    winHook_->SetWinControl(form);
    winHook_->SetActive(true);
  } else {
    winHook_->SetActive(false);
  }
}

void TFormPlacement::WndMessage(TObject*, TMessage& Msg, bool&) {
  TCustomForm* form = Form();
  if (preventResize_ && form) {
    switch (Msg.Msg) {
      case WM_GETMINMAXINFO:
        if (form->HandleAllocated() && IsWindowVisible(form->Handle())) {
          auto* info = reinterpret_cast<MINMAXINFO*>(Msg.LParam);
          info->ptMinTrackSize = POINT{form->Width(), form->Height()};
          info->ptMaxTrackSize = POINT{form->Width(), form->Height()};
        }
        Msg.Result = 1;
        break;
      case WM_NCHITTEST:
        if (Msg.Result >= HTLEFT && Msg.Result <= HTBOTTOMRIGHT) Msg.Result = HTNOWHERE;
        break;
      default: break;
    }
    return;
  }
  if (Msg.Msg != WM_GETMINMAXINFO) return;
  auto* info = reinterpret_cast<MINMAXINFO*>(Msg.LParam);
  const TWinMinMaxInfo& m = *minMaxInfo_;
  if (m.DefaultMinMaxInfo()) {
    info->ptMaxPosition = POINT{0, 0};
  } else {
    if (m.MinTrackWidth()) info->ptMinTrackSize.x = m.MinTrackWidth();
    if (m.MinTrackHeight()) info->ptMinTrackSize.y = m.MinTrackHeight();
    if (m.MaxTrackWidth()) info->ptMaxTrackSize.x = m.MaxTrackWidth();
    if (m.MaxTrackHeight()) info->ptMaxTrackSize.y = m.MaxTrackHeight();
    if (m.MaxSizeWidth()) info->ptMaxSize.x = m.MaxSizeWidth();
    if (m.MaxSizeHeight()) info->ptMaxSize.y = m.MaxSizeHeight();
    if (m.MaxPosLeft()) info->ptMaxPosition.x = m.MaxPosLeft();
    if (m.MaxPosTop()) info->ptMaxPosition.y = m.MaxPosTop();
  }
  Msg.Result = 1;
}
