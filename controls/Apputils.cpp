#include "controls/Apputils.h"

#include <climits>

#include "controls/Ctlwindows.h"
#include "controls/Fileutil.h"
#include "controls/Strutils.h"
#include "controls/Tformplacement.h"
#include "platform/forms/Tgrid.h"
#include "platform/kernel/Datafolders.h"
#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numconv.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tclassregistry.h"

std::function<std::string()> OnGetDefaultIniName;
std::string DefCompanyName;
bool RegUseAppTitle = false;

namespace {

const char kFlags[] = "Flags";
const char kShowCmd[] = "ShowCmd";
const char kPixels[] = "PixelsPerInch";
const char kMinMaxPos[] = "MinMaxPos";
const char kNormPos[] = "NormPos";
const char kMDIChildren[] = "MDI Children";
const char kCount[] = "Count";
const TCharSet kPosDelims(" ,");
constexpr size_t kMaxIniLine = 4096;

std::string ItemName(int i) { return "Item" + std::to_string(i); }

std::string ScreenSuffix() { return Format("(%dx%d)", {Screen->Width(), Screen->Height()}); }

void WritePosStr(TObject* ini, const std::string& section, const std::string& ident, const std::string& value) {
  IniWriteString(ini, section, ident + ScreenSuffix(), value);
  IniWriteString(ini, section, ident, value);
}

std::string ReadPosStr(TObject* ini, const std::string& section, const std::string& ident) {
  std::string s = IniReadString(ini, section, ident + ScreenSuffix(), "");
  return s.empty() ? IniReadString(ini, section, ident, "") : s;
}

int PosWord(const std::string& s, int n, int def) { return StrToIntDef(ExtractWord(n, s, kPosDelims), def); }

[[noreturn]] void NoMDIForm() { throw EInvalidOperation("Cannot create form. No MDI forms are currently active"); }

void SaveMDIChildrenTo(TCustomForm* mainForm, TObject* ini) {
  if (!mainForm || mainForm->FormStyle() != fsMDIForm) NoMDIForm();
  IniEraseSection(ini, kMDIChildren);
  std::vector<TCustomForm*> children;
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (Screen->Forms(i)->FormStyle() == fsMDIChild) children.push_back(Screen->Forms(i));
  if (children.empty()) return;
  IniWriteInteger(ini, kMDIChildren, kCount, static_cast<int>(children.size()));
  for (size_t i = 0; i < children.size(); ++i)
    IniWriteString(ini, kMDIChildren, ItemName(static_cast<int>(i)), children[i]->ClassName());
}

void RestoreMDIChildrenFrom(TCustomForm* mainForm, TObject* ini) {
  if (!mainForm || mainForm->FormStyle() != fsMDIForm) NoMDIForm();
  StartWait();
  try {
    int count = IniReadInteger(ini, kMDIChildren, kCount, 0);
    for (int i = count - 1; i >= 0; --i) {
      const TPersistentClass* cls = GetClass(IniReadString(ini, kMDIChildren, ItemName(i), ""));
      if (!cls) continue;
      TCustomForm* form = nullptr;
      for (int j = 0; j < Screen->FormCount() && !form; ++j)
        if (cls->InheritsFrom(Screen->Forms(j))) form = Screen->Forms(j);
      if (!form) {
        form = dynamic_cast<TCustomForm*>(cls->Create(Application));
        if (!form) continue;
      }
      form->Show();
    }
  } catch (...) {
    StopWait();
    throw;
  }
  StopWait();
}

void SaveGridTo(TCustomGrid* grid, TObject* ini) {
  std::string section = GetDefaultSection(grid);
  for (int i = 0; i < grid->ColCount(); ++i) IniWriteInteger(ini, section, ItemName(i), grid->ColWidths(i));
}

void RestoreGridFrom(TCustomGrid* grid, TObject* ini) {
  std::string section = GetDefaultSection(grid);
  for (int i = 0; i < grid->ColCount(); ++i)
    grid->SetColWidths(i, IniReadInteger(ini, section, ItemName(i), grid->ColWidths(i)));
}

bool Sizeable(TCustomForm* form) {
  return form->BorderStyle() == bsSizeable || form->BorderStyle() == bsSizeToolWin;
}

bool OnScreen(const RECT& r) {
  return r.right > 0 && r.bottom > 0 && r.left < Screen->Width() && r.top < Screen->Height();
}

TWindowState StateOfShowCmd(int cmd, TWindowState def) {
  switch (cmd) {
    case SW_SHOWNORMAL:
    case SW_SHOW:
    case SW_RESTORE: return wsNormal;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: return wsMinimized;
    case SW_SHOWMAXIMIZED: return wsMaximized;
    default: return def;
  }
}

}  // namespace

// ---- defaults

std::string GetDefaultIniName() {
  if (OnGetDefaultIniName) return OnGetDefaultIniName();
  // In the program's data folder: the executable's own folder is not the user's to write.
  return platform::ProgramPath(platform::DataRoot()) + "/" + ChangeFileExt(ExtractFileName(Application->ExeName()), ".INI");
}

std::string GetDefaultIniRegKey() {
  std::string app = RegUseAppTitle && !Application->Title().empty()
                        ? Application->Title()
                        : ChangeFileExt(ExtractFileName(Application->ExeName()), "");
  if (!DefCompanyName.empty()) app = DefCompanyName + "\\" + app;
  return "Software\\" + app;
}

std::string GetDefaultSection(TComponent* Component) {
  if (!Component) return "";
  if (dynamic_cast<TCustomForm*>(Component)) return Component->ClassName();
  std::string result = Component->Name();
  if (auto* control = dynamic_cast<TControl*>(Component)) {
    if (TCustomForm* form = GetParentForm(control)) result = form->ClassName() + result;
    else if (control->Parent()) result = control->Parent()->Name() + result;
  } else if (dynamic_cast<TForm*>(Component->Owner())) {
    result = Component->Owner()->ClassName() + "." + result;
  }
  return result;
}

void GetDefaultIniData(TControl* Control, std::string& IniFileName, std::string& Section, bool UseRegistry) {
  IniFileName.clear();
  if (auto* form = dynamic_cast<TCustomForm*>(Control ? Control->Owner() : nullptr)) {
    for (int i = 0; i < form->ComponentCount(); ++i)
      if (auto* placement = dynamic_cast<TFormPlacement*>(form->Components(i))) {
        IniFileName = placement->IniFileName();
        break;
      }
  }
  Section = GetDefaultSection(Control);
  if (IniFileName.empty()) IniFileName = UseRegistry ? GetDefaultIniRegKey() : GetDefaultIniName();
}

// ---- access to the stores

std::string IniReadString(TObject* IniFile, const std::string& Section, const std::string& Ident,
                          const std::string& Default) {
  if (auto* reg = dynamic_cast<TRegIniFile*>(IniFile)) return reg->ReadString(Section, Ident, Default);
  if (auto* ini = dynamic_cast<TCustomIniFile*>(IniFile)) return ini->ReadString(Section, Ident, Default);
  return Default;
}

void IniWriteString(TObject* IniFile, const std::string& Section, const std::string& Ident, const std::string& Value) {
  if (auto* reg = dynamic_cast<TRegIniFile*>(IniFile)) {
    reg->WriteString(Section, Ident, Value);
  } else if (auto* ini = dynamic_cast<TCustomIniFile*>(IniFile)) {
    std::string v = Value;
    // The file strips one pair of matching quotes on reading.
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = "\"" + v + "\"";
    ini->WriteString(Section, Ident, v);
  }
}

int IniReadInteger(TObject* IniFile, const std::string& Section, const std::string& Ident, int Default) {
  if (auto* reg = dynamic_cast<TRegIniFile*>(IniFile)) return reg->ReadInteger(Section, Ident, Default);
  if (auto* ini = dynamic_cast<TCustomIniFile*>(IniFile)) return ini->ReadInteger(Section, Ident, Default);
  return Default;
}

void IniWriteInteger(TObject* IniFile, const std::string& Section, const std::string& Ident, int Value) {
  if (auto* reg = dynamic_cast<TRegIniFile*>(IniFile)) reg->WriteInteger(Section, Ident, Value);
  else if (auto* ini = dynamic_cast<TCustomIniFile*>(IniFile)) ini->WriteInteger(Section, Ident, Value);
}

bool IniReadBool(TObject* IniFile, const std::string& Section, const std::string& Ident, bool Default) {
  if (auto* reg = dynamic_cast<TRegIniFile*>(IniFile)) return reg->ReadBool(Section, Ident, Default);
  if (auto* ini = dynamic_cast<TCustomIniFile*>(IniFile)) return ini->ReadBool(Section, Ident, Default);
  return Default;
}

void IniWriteBool(TObject* IniFile, const std::string& Section, const std::string& Ident, bool Value) {
  if (auto* reg = dynamic_cast<TRegIniFile*>(IniFile)) reg->WriteBool(Section, Ident, Value);
  else if (auto* ini = dynamic_cast<TCustomIniFile*>(IniFile)) ini->WriteBool(Section, Ident, Value);
}

void IniEraseSection(TObject* IniFile, const std::string& Section) {
  if (auto* reg = dynamic_cast<TRegIniFile*>(IniFile)) reg->EraseSection(Section);
  else if (auto* ini = dynamic_cast<TCustomIniFile*>(IniFile)) ini->EraseSection(Section);
}

void IniDeleteKey(TObject* IniFile, const std::string& Section, const std::string& Ident) {
  if (auto* reg = dynamic_cast<TRegIniFile*>(IniFile)) reg->DeleteKey(Section, Ident);
  else if (auto* ini = dynamic_cast<TCustomIniFile*>(IniFile)) ini->DeleteKey(Section, Ident);
}

void IniReadSections(TObject* IniFile, TStrings* Strings) {
  if (auto* ini = dynamic_cast<TCustomIniFile*>(IniFile)) ini->ReadSections(Strings);
  else if (auto* reg = dynamic_cast<TRegIniFile*>(IniFile)) reg->ReadSections(Strings);
}

// ---- line breaks

std::string StrToIniStr(const std::string& Str) {
  if (Str.size() > kMaxIniLine) throw Exception("Line too long");
  std::string out;
  for (size_t i = 0; i < Str.size(); ++i) {
    char c = Str[i];
    if (c == '\r' || c == '\n') {
      // CR LF and LF CR are one break.
      if (i + 1 < Str.size() && (Str[i + 1] == '\r' || Str[i + 1] == '\n') && Str[i + 1] != c) ++i;
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string IniStrToStr(const std::string& Str) {
  if (Str.size() > kMaxIniLine) throw Exception("Line too long");
  std::string out;
  for (size_t i = 0; i < Str.size(); ++i) {
    if (Str[i] == '\\' && i + 1 < Str.size() && Str[i + 1] == 'n') {
      out += "\r\n";
      ++i;
    } else {
      out += Str[i];
    }
  }
  return out;
}

// ---- form placement

void WritePlacementTo(TCustomForm* Form, TObject* IniFile, const std::string& Section) {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  HWND h = Form->Handle();
  GetWindowPlacement(h, &wp);
  if (Form->FormStyle() == fsMDIChild && Form->WindowState() == wsMinimized) wp.flags |= WPF_SETMINPOSITION;
  if (Form == Application->MainForm() && IsIconic(Application->Handle())) wp.showCmd = SW_SHOWMINIMIZED;
  IniWriteInteger(IniFile, Section, kFlags, static_cast<int>(wp.flags));
  IniWriteInteger(IniFile, Section, kShowCmd, static_cast<int>(wp.showCmd));
  IniWriteInteger(IniFile, Section, kPixels, Screen->PixelsPerInch());
  WritePosStr(IniFile, Section, kMinMaxPos,
              Format("%d,%d,%d,%d", {wp.ptMinPosition.x, wp.ptMinPosition.y, wp.ptMaxPosition.x, wp.ptMaxPosition.y}));
  const RECT& r = wp.rcNormalPosition;
  WritePosStr(IniFile, Section, kNormPos, Format("%d,%d,%d,%d", {r.left, r.top, r.right, r.bottom}));
}

void ReadPlacementFrom(TCustomForm* Form, TObject* IniFile, const std::string& Section, bool LoadState,
                       bool LoadPosition) {
  if (!LoadState && !LoadPosition) return;
  HWND h = Form->Handle();
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(h, &wp);
  if (!IsWindowVisible(h)) wp.showCmd = SW_HIDE;
  if (LoadPosition) {
    bool found = false;
    wp.flags = static_cast<UINT>(IniReadInteger(IniFile, Section, kFlags, static_cast<int>(wp.flags)));
    std::string s = ReadPosStr(IniFile, Section, kMinMaxPos);
    if (!s.empty()) {
      found = true;
      wp.ptMinPosition = POINT{PosWord(s, 1, 0), PosWord(s, 2, 0)};
      wp.ptMaxPosition = POINT{PosWord(s, 3, 0), PosWord(s, 4, 0)};
    }
    s = ReadPosStr(IniFile, Section, kNormPos);
    if (!s.empty()) {
      found = true;
      wp.rcNormalPosition = RECT{PosWord(s, 1, Form->Left()), PosWord(s, 2, Form->Top()),
                                 PosWord(s, 3, Form->Left() + Form->Width()), PosWord(s, 4, Form->Top() + Form->Height())};
    }
    if (IniReadInteger(IniFile, Section, kPixels, Screen->PixelsPerInch()) != Screen->PixelsPerInch()) found = false;
    if (found) {
      RECT& r = wp.rcNormalPosition;
      if (!Sizeable(Form)) r = RECT{r.left, r.top, r.left + Form->Width(), r.top + Form->Height()};
      // A rectangle that is empty or wholly off the screen would lose the form.
      if (r.right > r.left && r.bottom > r.top && OnScreen(r)) {
        if ((Form->Position() == poScreenCenter || Form->Position() == poDesktopCenter) &&
            !Form->ComponentState().Contains(csDesigning))
          Form->SetPosition(poDesigned);
        SetWindowPlacement(h, &wp);
      }
    }
  }
  if (LoadState) {
    bool main = Application->MainForm() == Form || !Application->MainForm();
    TWindowState def = wsNormal;
    if (main && (Form->FormStyle() == fsMDIForm || (Form->FormStyle() == fsNormal && Form->Position() == poDefault)))
      def = wsMaximized;
    TWindowState state = StateOfShowCmd(IniReadInteger(IniFile, Section, kShowCmd, SW_HIDE), def);
    if (state == wsMinimized && main) {
      Form->SetWindowState(wsNormal);
      // This system has no application window: the main form minimizes itself.
      PostMessage(Application->Handle() ? Application->Handle() : h, WM_SYSCOMMAND, SC_MINIMIZE, 0);
      return;
    }
    Form->SetWindowState(state);
  }
  UpdateWindow(h);
}

void WriteFormPlacement(TCustomForm* Form, TIniFile* IniFile, const std::string& Section) {
  WritePlacementTo(Form, IniFile, Section);
}

void WriteFormPlacementReg(TCustomForm* Form, TRegIniFile* IniFile, const std::string& Section) {
  WritePlacementTo(Form, IniFile, Section);
}

void ReadFormPlacement(TCustomForm* Form, TIniFile* IniFile, const std::string& Section, bool LoadState,
                       bool LoadPosition) {
  ReadPlacementFrom(Form, IniFile, Section, LoadState, LoadPosition);
}

void ReadFormPlacementReg(TCustomForm* Form, TRegIniFile* IniFile, const std::string& Section, bool LoadState,
                          bool LoadPosition) {
  ReadPlacementFrom(Form, IniFile, Section, LoadState, LoadPosition);
}

void SaveFormPlacement(TCustomForm* Form, const std::string& IniFileName, bool UseRegistry) {
  if (UseRegistry) {
    TRegIniFile reg(IniFileName);
    WritePlacementTo(Form, &reg, Form->ClassName());
  } else {
    TIniFile ini(IniFileName);
    WritePlacementTo(Form, &ini, Form->ClassName());
  }
}

void RestoreFormPlacement(TCustomForm* Form, const std::string& IniFileName, bool UseRegistry) {
  if (UseRegistry) {
    TRegIniFile reg(IniFileName, KEY_READ);
    ReadPlacementFrom(Form, &reg, Form->ClassName(), true, true);
  } else {
    TIniFile ini(IniFileName);
    ReadPlacementFrom(Form, &ini, Form->ClassName(), true, true);
  }
}

// ---- MDI children and grids

void SaveMDIChildren(TCustomForm* MainForm, TIniFile* IniFile) { SaveMDIChildrenTo(MainForm, IniFile); }
void SaveMDIChildrenReg(TCustomForm* MainForm, TRegIniFile* IniFile) { SaveMDIChildrenTo(MainForm, IniFile); }
void RestoreMDIChildren(TCustomForm* MainForm, TIniFile* IniFile) { RestoreMDIChildrenFrom(MainForm, IniFile); }
void RestoreMDIChildrenReg(TCustomForm* MainForm, TRegIniFile* IniFile) { RestoreMDIChildrenFrom(MainForm, IniFile); }
void SaveGridLayout(TCustomGrid* Grid, TIniFile* IniFile) { SaveGridTo(Grid, IniFile); }
void SaveGridLayoutReg(TCustomGrid* Grid, TRegIniFile* IniFile) { SaveGridTo(Grid, IniFile); }
void RestoreGridLayout(TCustomGrid* Grid, TIniFile* IniFile) { RestoreGridFrom(Grid, IniFile); }
void RestoreGridLayoutReg(TCustomGrid* Grid, TRegIniFile* IniFile) { RestoreGridFrom(Grid, IniFile); }

// ---- forms

TCustomForm* ShowFoundForm(TCustomForm* Found, const std::string& Caption) {
  (void)Caption;
  if (Found->WindowState() == wsMinimized) Found->SetWindowState(wsNormal);
  Found->Show();
  return Found;
}

std::string GetUniqueFileNameInDir(const std::string& Path, const std::string& FileNameMask) {
  const std::string dir = NormalDir(Path);
  std::string previous;
  for (int64_t n = 0; n <= INT_MAX; ++n) {
    std::string name = Format(FileNameMask, {static_cast<int>(n)});
    if (GetFileAttributesA((dir + name).c_str()) == INVALID_FILE_ATTRIBUTES) return name;
    // A mask without a number gives one name only.
    if (n > 0 && name == previous) break;
    previous = name;
  }
  return "";
}

void AppBroadcast(UINT Msg, WPARAM wParam, LPARAM lParam) {
  for (int i = 0; i < Screen->FormCount(); ++i) SendMessage(Screen->Forms(i)->Handle(), Msg, wParam, lParam);
}
