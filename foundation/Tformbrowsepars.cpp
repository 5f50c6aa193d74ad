#include "foundation/Tformbrowsepars.h"

#include "foundation/Dialogrows.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowsepars.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"
#include "platform/kernel/Datafolders.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Tinifile.h"

namespace {

constexpr int kMargin = 12;
constexpr int kLabelWidth = 230;
constexpr int kEditWidth = 260;
constexpr int kRow = 26;  // the height of a check box's row
const char* const kSection = "TFormBrowsePars";
constexpr int kFormVersion = 0;

}  // namespace

std::string TFormBrowsePars::IniFilePath() { return platform::DataRoot() + "/quillaran.INI"; }

TFormBrowsePars::TFormBrowsePars(TComponent* owner) : TForm(owner) {
  SetName("FormBrowsePars");
  SetCaption("Customize");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  int top = kMargin;
  fAutoSave = AddCheck("CheckBoxAutoSave", "Save discussions automatically", top);
  fAutoSaveMinutes = AddEdit("EditAutoSaveMinutes", "Automatic saving every (minutes):", top);
  fAutoBackup = AddCheck("CheckBoxAutoBackup", "Back up discussions automatically", top);
  fAutoBackupFolder = AddEdit("EditAutoBackupFolder", "Auto-backup folder:", top);
  fManualBackupFolder = AddEdit("EditManualBackupFolder", "Manual backup folder:", top);
  fBackupCopies = AddEdit("EditBackupCopies", "Backups kept per discussion (0 = all):", top);
  fPostPartSize = AddEdit("EditPostPartSize", "Largest post part (kilobytes):", top);
  fExternalBrowser = AddEdit("EditExternalBrowser", "Internet browser program:", top);
  fPointerEngine = AddCheck("CheckBoxPointerEngine", "Keyboard pointer engine on", top);
  fServiceRowHeight = AddEdit("EditServiceRowHeight", "Service row height (pixels):", top);
  fIndentPerLevel = AddEdit("EditIndentPerLevel", "Indent per level (pixels):", top);
  fTextWidthPercent = AddEdit("EditTextWidthPercent", "Widest text (% of the screen):", top);
  top += kMargin;

  struct Spec {
    const char* name;
    const char* caption;
  };
  const Spec specs[] = {{"ButtonOk", "OK"}, {"ButtonCancel", "Cancel"}, {"ButtonDefaults", "Defaults"}};
  int x = kMargin;
  for (const Spec& spec : specs) {
    auto* button = new TButton(this);
    button->SetName(spec.name);
    button->SetCaption(spec.caption);
    button->SetParent(this);
    button->SetBounds(x, top, 90, 25);
    x += 98;
    const std::string name = spec.name;
    if (name == "ButtonOk") {
      button->SetDefault(true);
      // The dialog stays open until every value is acceptable.
      button->OnClick = [this](TObject*) {
        TBrowsePars taken = *fEdited;
        if (Take(taken)) SetModalResult(mrOk);
      };
    } else if (name == "ButtonCancel") {
      button->SetCancel(true);
      button->SetModalResult(mrCancel);
    } else {
      button->OnClick = [this](TObject*) { Fill(TBrowsePars()); };
    }
  }
  SetClientWidth(kLabelWidth + kEditWidth + 3 * kMargin);
  SetClientHeight(top + 25 + kMargin);

  // The dialog's stored record: its form version, read when shown, written when closed.
  OnShow = [](TObject*) {
    try {
      TIniFile ini(IniFilePath());
      ini.ReadInteger(kSection, "FormVersion", 0);
    } catch (Exception&) {
    }
  };
  OnClose = [](TObject*, TCloseAction&) {
    try {
      TIniFile ini(IniFilePath());
      ini.WriteInteger(kSection, "FormVersion", kFormVersion);
    } catch (Exception&) {
    }
  };
}

TEdit* TFormBrowsePars::AddEdit(const char* name, const char* label, int& top) {
  return AddLabelledEdit(this, name, label, kMargin, kLabelWidth, kEditWidth, top);
}

TCheckBox* TFormBrowsePars::AddCheck(const char* name, const char* caption, int& top) {
  auto* check = new TCheckBox(this);
  check->SetName(name);
  check->SetCaption(caption);
  check->SetParent(this);
  check->SetBounds(kMargin, top, kLabelWidth + kEditWidth, 21);
  top += kRow;
  return check;
}

void TFormBrowsePars::Fill(const TBrowsePars& pars) {
  fAutoSave->SetChecked(pars.AutoSave != 0);
  fAutoSaveMinutes->SetText(std::to_string(pars.AutoSaveMinutes));
  fAutoBackup->SetChecked(pars.AutoBackup != 0);
  fAutoBackupFolder->SetText(pars.AutoBackupFolder.ToString());
  fManualBackupFolder->SetText(pars.ManualBackupFolder.ToString());
  fBackupCopies->SetText(std::to_string(pars.BackupCopies));
  fPostPartSize->SetText(std::to_string(pars.PostPartSizeKB));
  fExternalBrowser->SetText(pars.ExternalBrowser.ToString());
  fPointerEngine->SetChecked(pars.PointerEngineOn != 0);
  fServiceRowHeight->SetText(std::to_string(pars.ServiceRowHeight));
  fIndentPerLevel->SetText(std::to_string(pars.IndentPerLevel));
  fTextWidthPercent->SetText(std::to_string(pars.TextWidthPercent));
}

bool TFormBrowsePars::Take(TBrowsePars& pars) {
  const TNumberField numbers[] = {
      {fAutoSaveMinutes, "Automatic saving every (minutes)", 1, 1440},
      {fBackupCopies, "Backups kept per discussion", 0, 10000},
      {fPostPartSize, "Largest post part (kilobytes)", 1, 1024 * 1024},
      {fServiceRowHeight, "Service row height", 4, 200},
      {fIndentPerLevel, "Indent per level", 0, 200},
      {fTextWidthPercent, "Widest text (% of the screen)", 10, 100},
  };
  int values[std::size(numbers)];
  for (size_t i = 0; i < std::size(numbers); ++i) {
    const TNumberField& f = numbers[i];
    if (!ParseWholeNumber(f.Edit->Text(), f.Lowest, f.Highest, values[i])) {
      ShowMessageBox("SETTINGS", std::string(f.Label) + " must be a whole number from " + std::to_string(f.Lowest) +
                                     " to " + std::to_string(f.Highest) + ".");
      f.Edit->SetFocus();
      return false;
    }
  }
  pars.AutoSave = fAutoSave->Checked() ? 1 : 0;
  pars.AutoSaveMinutes = values[0];
  pars.AutoBackup = fAutoBackup->Checked() ? 1 : 0;
  pars.AutoBackupFolder = fAutoBackupFolder->Text();
  pars.ManualBackupFolder = fManualBackupFolder->Text();
  pars.BackupCopies = values[1];
  pars.PostPartSizeKB = values[2];
  pars.ExternalBrowser = fExternalBrowser->Text();
  pars.PointerEngineOn = fPointerEngine->Checked() ? 1 : 0;
  pars.ServiceRowHeight = values[3];
  pars.IndentPerLevel = values[4];
  pars.TextWidthPercent = values[5];
  return true;
}

bool TFormBrowsePars::Execute(TBrowsePars& pars, const std::string& path) {
  fEdited = &pars;
  Fill(pars);
  const bool confirmed = ShowModal() == mrOk;
  fEdited = nullptr;
  if (!confirmed) return false;
  TBrowsePars taken = pars;
  if (!Take(taken)) return false;
  taken.Validate();
  pars = taken;
  return pars.Save(path.empty() ? TBrowsePars::DefaultPath() : path);
}
