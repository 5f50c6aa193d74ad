#pragma once
// Application-wide storage defaults and a uniform access to both kinds of
// settings store (an ini file, TIniFile, or a registry key used like one,
// TRegIniFile); the form-placement writer and reader; MDI children, grid
// column widths, finding and showing forms, and broadcasting to them.

#include <functional>
#include <string>

#include "platform/forms/Tapplication.h"
#include "platform/forms/Tform.h"
#include "platform/forms/Tscreen.h"
#include "platform/gui/Gui.h"
#include "platform/rtl/Tinifile.h"
#include "platform/rtl/Treginifile.h"

class TCustomGrid;

// When set, GetDefaultIniName answers with it.
extern std::function<std::string()> OnGetDefaultIniName;
// Put before the application part of the default registry key when not empty.
extern std::string DefCompanyName;
// The application title (when not empty) names the default registry key.
extern bool RegUseAppTitle;

// The executable's name with the extension ".INI" in the program's data folder.
std::string GetDefaultIniName();
// "Software\" [company "\"] application.
std::string GetDefaultIniRegKey();
// A form's class name; a control's name after its form's class name; a
// component of a form "FormClass.Name"; else the bare name.
std::string GetDefaultSection(TComponent* Component);
void GetDefaultIniData(TControl* Control, std::string& IniFileName, std::string& Section, bool UseRegistry);

// Access to a TRegIniFile or a TIniFile given as a plain object; for anything
// else the readers give the default back and the writers do nothing.
std::string IniReadString(TObject* IniFile, const std::string& Section, const std::string& Ident,
                          const std::string& Default);
// In an ini file a value enclosed in one kind of quotes is enclosed once more
// in double quotes, so that reading it back keeps the quotes.
void IniWriteString(TObject* IniFile, const std::string& Section, const std::string& Ident, const std::string& Value);
int IniReadInteger(TObject* IniFile, const std::string& Section, const std::string& Ident, int Default);
void IniWriteInteger(TObject* IniFile, const std::string& Section, const std::string& Ident, int Value);
bool IniReadBool(TObject* IniFile, const std::string& Section, const std::string& Ident, bool Default);
void IniWriteBool(TObject* IniFile, const std::string& Section, const std::string& Ident, bool Value);
void IniEraseSection(TObject* IniFile, const std::string& Section);
void IniDeleteKey(TObject* IniFile, const std::string& Section, const std::string& Ident);
void IniReadSections(TObject* IniFile, TStrings* Strings);

// Line breaks as "\n" and back; longer texts than 4096 characters raise
// Exception "Line too long".
std::string StrToIniStr(const std::string& Str);
std::string IniStrToStr(const std::string& Str);

// The form's placement: "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos" and
// "NormPos" (each position with the screen size after its name, then without).
void WriteFormPlacement(TCustomForm* Form, TIniFile* IniFile, const std::string& Section);
void WriteFormPlacementReg(TCustomForm* Form, TRegIniFile* IniFile, const std::string& Section);
void ReadFormPlacement(TCustomForm* Form, TIniFile* IniFile, const std::string& Section, bool LoadState,
                       bool LoadPosition);
void ReadFormPlacementReg(TCustomForm* Form, TRegIniFile* IniFile, const std::string& Section, bool LoadState,
                          bool LoadPosition);
// The same for any storage object; what the four above come down to.
void WritePlacementTo(TCustomForm* Form, TObject* IniFile, const std::string& Section);
void ReadPlacementFrom(TCustomForm* Form, TObject* IniFile, const std::string& Section, bool LoadState,
                       bool LoadPosition);
// In the section named after the form's class of an ini file or a registry key.
void SaveFormPlacement(TCustomForm* Form, const std::string& IniFileName, bool UseRegistry);
void RestoreFormPlacement(TCustomForm* Form, const std::string& IniFileName, bool UseRegistry);

// The MDI children of an MDI parent form by their class names, in the section
// "MDI Children"; EInvalidOperation for any other form.
void SaveMDIChildren(TCustomForm* MainForm, TIniFile* IniFile);
void SaveMDIChildrenReg(TCustomForm* MainForm, TRegIniFile* IniFile);
void RestoreMDIChildren(TCustomForm* MainForm, TIniFile* IniFile);
void RestoreMDIChildrenReg(TCustomForm* MainForm, TRegIniFile* IniFile);

// Column widths of a grid as "Item0", "Item1" ... in the grid's default section.
void SaveGridLayout(TCustomGrid* Grid, TIniFile* IniFile);
void SaveGridLayoutReg(TCustomGrid* Grid, TRegIniFile* IniFile);
void RestoreGridLayout(TCustomGrid* Grid, TIniFile* IniFile);
void RestoreGridLayoutReg(TCustomGrid* Grid, TRegIniFile* IniFile);

// The first form of the class (or derived); null when there is none.
template <class T>
T* FindForm() {
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (auto* f = dynamic_cast<T*>(Screen->Forms(i))) return f;
  return nullptr;
}

// Shows a form of the class, with exactly that caption when one is given; made
// by the application when none is found.
TCustomForm* ShowFoundForm(TCustomForm* Found, const std::string& Caption);
template <class T>
T* FindShowForm(const std::string& Caption) {
  T* found = nullptr;
  for (int i = 0; i < Screen->FormCount() && !found; ++i) {
    auto* f = dynamic_cast<T*>(Screen->Forms(i));
    if (f && (Caption.empty() || f->Caption() == Caption)) found = f;
  }
  if (!found) {
    Application->CreateForm(found);
    if (!Caption.empty()) found->SetCaption(Caption);
  }
  return static_cast<T*>(ShowFoundForm(found, Caption));
}

// Shows a new form of the class modally and frees it; true for OK or Yes.
template <class T>
bool ShowDialog() {
  T* form = nullptr;
  Application->CreateForm(form);
  TModalResult result = form->ShowModal();
  delete form;
  return result == mrOk || result == mrYes;
}

template <class T>
T* InstantiateForm(T*& Reference) {
  if (!Reference) Application->CreateForm(Reference);
  return Reference;
}

// The first name Format gives for n = 0, 1, ... with no such file in the folder.
std::string GetUniqueFileNameInDir(const std::string& Path, const std::string& FileNameMask);
// Sends the message to the window of every form, in the screen's order.
void AppBroadcast(UINT Msg, WPARAM wParam, LPARAM lParam);
