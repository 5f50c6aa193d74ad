#pragma once
// The settings dialog ("Customize"): automatic saving and backups, the post part size,
// the external browser, the pointer engine and the measures of the lists. The values are
// checked before the dialog closes; confirmed values are validated and stored. The
// dialog's own stored record is its form version, in the section "TFormBrowsePars" of
// the program's ini file.

#include "platform/forms/Tform.h"

#include <string>

struct TBrowsePars;
class TCheckBox;
class TEdit;

class TFormBrowsePars : public TForm {
 public:
  explicit TFormBrowsePars(TComponent* owner);
  // Shows the settings; true when the user confirmed and they were stored (the file of
  // TBrowsePars::DefaultPath, or `path` when given).
  bool Execute(TBrowsePars& pars, const std::string& path = std::string());

  // The ini file of the dialog's stored record: "quillaran.INI" in the data root.
  static std::string IniFilePath();

 private:
  struct TNumberField {
    TEdit* Edit;
    const char* Label;
    int Lowest, Highest;
  };
  TEdit* AddEdit(const char* name, const char* label, int& top);
  TCheckBox* AddCheck(const char* name, const char* caption, int& top);
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
  TEdit* fServiceRowHeight;
  TEdit* fIndentPerLevel;
  TEdit* fTextWidthPercent;
  TBrowsePars* fEdited = nullptr;
};
