#pragma once
// The settings dialog ("Customize"): automatic saving and backups, the post part size,
// the external browser and the pointer engine in their own rows; every colour, font and
// measure of the windows in the list "ListBoxAppearance", changed one at a time with
// "Change..." (or a double click) through the colour dialog, the font dialog or an
// input box. The values are checked before they are taken; confirmed values are
// validated and stored, a cancelled dialog changes nothing. The dialog's own stored
// record is its form version, in the section "TFormBrowsePars" of the program's ini
// file.

#include "foundation/Tbrowsepars.h"
#include "platform/forms/Tform.h"

#include <string>
#include <vector>

class TCheckBox;
class TEdit;
class TFormStorage;
class TListBox;

class TFormBrowsePars : public TForm {
 public:
  explicit TFormBrowsePars(TComponent* owner);
  // Shows the settings; true when the user confirmed and they were stored (the file of
  // TBrowsePars::DefaultPath, or `path` when given).
  bool Execute(TBrowsePars& pars, const std::string& path = std::string());

  // The ini file of the dialog's stored record: "quillaran.INI" in the data root.
  static std::string IniFilePath();

  TFormStorage* FormStorageRegistrationIniFile;  // the form version, kept by the placement storage

 private:
  // The appearance list: one line a value of fWorking, "label: value".
  void FillAppearance();
  void ChangeAppearance(int line);
  std::string AppearanceLine(const TBrowseParsField& field) const;
  void Fill(const TBrowsePars& pars);
  // Reads the controls into pars; false (the user told) when a number is out of range.
  bool Take(TBrowsePars& pars);

  TCheckBox* fAutoSave;
  TEdit* fAutoSaveMinutes;
  TCheckBox* fAutoBackup;
  TEdit* fAutoBackupFolder;
  TEdit* fManualBackupFolder;
  TEdit* fBackupCopies;
  TEdit* fPostPartSize;
  TEdit* fExternalBrowser;
  TCheckBox* fPointerEngine;
  TListBox* fAppearance;
  TBrowsePars fWorking;  // the values being edited; taken only on OK
  std::vector<TBrowseParsField> fAppearanceFields;  // of fWorking, in the list's order
};
