#include "controls/Tformstorage.h"
#include "dialogs/Tformbrowsepars.h"

#include "dialogs/Dialogrows.h"
#include "controls/Newcontrol.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowsepars.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tcommondialog.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tgraphicsobject.h"
#include "platform/forms/Tlabel.h"
#include "platform/forms/Tlistbox.h"
#include "platform/kernel/Datafolders.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Numconv.h"
#include "platform/rtl/Tinifile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kMargin = 12;
constexpr int kLabelWidth = 230;
constexpr int kEditWidth = 260;
constexpr int kRow = 26;  // the height of a check box's row
constexpr int kListHeight = 240;
const char* const kCaption = "SETTINGS";

// The values with rows of their own; every other one is in the appearance list.
bool HasOwnRow(const std::string& name) {
  for (const char* own : {"AutoSave", "AutoSaveMinutes", "AutoBackup", "AutoBackupFolder", "ManualBackupFolder",
                          "BackupCopies", "PostPartSizeKB", "ExternalBrowser", "PointerEngineOn"})
    if (name == own) return true;
  return false;
}

// "ServiceLineLeftMargin" -> "Service line left margin"; a few names say more in words.
std::string LabelOf(const std::string& name) {
  static const std::pair<const char*, const char*> named[] = {
      {"StorageTypeColor1", "Model blocks color"},
      {"StorageTypeColor2", "Comments color"},
      {"StorageTypeColor3", "Notes color"},
      {"StorageTypeColor4", "Moderated comments color"},
      {"HoverFontStyle", "Hovered reference style (1 bold, 2 italic, 4 underline, 8 strikeout)"},
      {"LevelNumberFlag", "Levels as numbers (1) or as gradient bands (0)"},
      {"ListHeaderMarginH", "List header margin, horizontal"},
      {"ListHeaderMarginV", "List header margin, vertical"},
      {"RowMarginH", "Row margin, horizontal"},
      {"RowMarginV", "Row margin, vertical"},
      {"TextWidthPercent", "Widest text (% of the screen)"},
      {"SplitDragStep", "Split drag step (1/100 s)"},
  };
  for (const auto& [stored, label] : named)
    if (name == stored) return label;
  std::string label;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (i > 0 && c >= 'A' && c <= 'Z') label += ' ';
    label += i > 0 && c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return label;
}

std::string ColorText(uint32_t bgr) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
  return text;
}

std::string FontText(const TBrowseFont& font) {
  std::string text = font.Name.ToString() + ", " + std::to_string(font.Size) + " pt";
  const char* styles[] = {"bold", "italic", "underline", "strikeout"};
  for (int bit = 0; bit < 4; ++bit)
    if (font.Style & (1 << bit)) text += std::string(", ") + styles[bit];
  return text + ", " + ColorText(font.Color);
}

// The number in the text, whole or with a decimal point, when it lies in lowest..highest.
bool ParseRealNumber(const std::string& text, double lowest, double highest, double& value) {
  double parsed = 0;
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return false;
  const std::string trimmed = text.substr(first, text.find_last_not_of(' ') - first + 1);
  if (!TryStrToFloat(trimmed, parsed) || !std::isfinite(parsed) || parsed < lowest || parsed > highest) return false;
  value = parsed;
  return true;
}

TBrowseParsField* FieldNamed(std::vector<TBrowseParsField>& fields, const char* name) {
  for (TBrowseParsField& field : fields)
    if (std::strcmp(field.Name, name) == 0) return &field;
  return nullptr;
}

std::string RangeRefusal(const std::string& label, double lowest, double highest, bool whole) {
  return label + (whole ? " must be a whole number from " : " must be a number from ") +
         std::to_string(static_cast<int>(lowest)) + " to " + std::to_string(static_cast<int>(highest)) + ".";
}

}  // namespace

std::string TFormBrowsePars::IniFilePath() { return platform::DataRoot() + "/quillaran.INI"; }

TFormBrowsePars::TFormBrowsePars(TComponent* owner) : TForm(owner) {
  SetName("FormBrowsePars");
  SetCaption("Customize");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  const TLabelledEditColumns columns{kMargin, kLabelWidth, kEditWidth};
  std::vector<TControlRow> rows;
  int top = kMargin;
  const auto check = [&](TCheckBox*& box, const char* name, const char* caption) {
    rows.push_back({Into(box), name, "", {kMargin, top, kLabelWidth + kEditWidth, 21}, alNone, caption});
    top += kRow;
  };
  const auto edit = [&](TEdit*& box, const char* name, const char* caption) {
    AddLabelledEditRows(rows, Into(box), name, caption, columns, top);
  };
  check(fAutoSave, "CheckBoxAutoSave", "Save discussions automatically");
  edit(fAutoSaveMinutes, "EditAutoSaveMinutes", "Automatic saving every (minutes):");
  check(fAutoBackup, "CheckBoxAutoBackup", "Back up discussions automatically");
  edit(fAutoBackupFolder, "EditAutoBackupFolder", "Auto-backup folder:");
  edit(fManualBackupFolder, "EditManualBackupFolder", "Manual backup folder:");
  edit(fBackupCopies, "EditBackupCopies", "Backups kept per discussion (0 = all):");
  edit(fPostPartSize, "EditPostPartSize", "Largest post part (kilobytes):");
  edit(fExternalBrowser, "EditExternalBrowser", "Internet browser program:");
  check(fPointerEngine, "CheckBoxPointerEngine", "Keyboard pointer engine on");
  const int listTop = top + 22, changeTop = listTop + kListHeight + 6, buttonsTop = changeTop + 25 + 2 * kMargin;
  const auto change = [this] { ChangeAppearance(fAppearance->ItemIndex()); };
  // The dialog stays open until every value is acceptable.
  const auto accept = [this] {
    TBrowsePars taken = fWorking;
    if (Take(taken)) SetModalResult(mrOk);
  };
  const int wide = kLabelWidth + kEditWidth;
  // clang-format off
  rows.insert(rows.end(), {
      {New<TLabel>(), "LabelAppearance", "", {kMargin, top + 3, wide, 16}, alNone,
       "Colors, fonts and measures of the windows:"},
      {Into(fAppearance), "ListBoxAppearance", "", {kMargin, listTop, wide + kMargin, kListHeight}},
      {New<TButton>(), "ButtonChange", "", {kMargin, changeTop, 90, 25}, alNone, "Change...", change},
      {New<TButton>(PressedByEnter()), "ButtonOk", "", {kMargin, buttonsTop, 90, 25}, alNone, "OK", accept},
      {New<TButton>(PressedByEscape(mrCancel)), "ButtonCancel", "", {kMargin + 98, buttonsTop, 90, 25}, alNone,
       "Cancel"},
      {New<TButton>(), "ButtonDefaults", "", {kMargin + 196, buttonsTop, 90, 25}, alNone, "Defaults",
       [this] { Fill(TBrowsePars()); }},
  });
  // clang-format on
  BuildControls(*this, rows);
  fAppearance->OnDblClick = [change](TObject*) { change(); };
  SetClientWidth(kLabelWidth + FitLabelColumn(*this, columns) + kEditWidth + 3 * kMargin);
  SetClientHeight(buttonsTop + 25 + kMargin);

  // The dialog's stored record (its form version), read when shown, written when closed.
  FormStorageRegistrationIniFile = NewComponent<TFormStorage>(this, "FormStorageRegistrationIniFile");
  FormStorageRegistrationIniFile->SetOptions({});
  FormStorageRegistrationIniFile->SetIniFileName(IniFilePath());
  FormStorageRegistrationIniFile->Loaded();
}

void TFormBrowsePars::Fill(const TBrowsePars& pars) {
  fWorking = pars;
  fAutoSave->SetChecked(pars.AutoSave != 0);
  fAutoSaveMinutes->SetText(std::to_string(pars.AutoSaveMinutes));
  fAutoBackup->SetChecked(pars.AutoBackup != 0);
  fAutoBackupFolder->SetText(pars.AutoBackupFolder.ToString());
  fManualBackupFolder->SetText(pars.ManualBackupFolder.ToString());
  fBackupCopies->SetText(std::to_string(pars.BackupCopies));
  fPostPartSize->SetText(std::to_string(pars.PostPartSizeKB));
  fExternalBrowser->SetText(pars.ExternalBrowser.ToString());
  fPointerEngine->SetChecked(pars.PointerEngineOn != 0);
  FillAppearance();
}

std::string TFormBrowsePars::AppearanceLine(const TBrowseParsField& field) const {
  const std::string value = std::visit(
      [](auto* v) -> std::string {
        using T = std::remove_pointer_t<decltype(v)>;
        if constexpr (std::is_same_v<T, uint32_t>) return ColorText(*v);
        else if constexpr (std::is_same_v<T, TBrowseFont>) return FontText(*v);
        else if constexpr (std::is_same_v<T, TStr>) return v->ToString();
        else if constexpr (std::is_same_v<T, double>) return FormatFloat("0.##", *v);
        else return std::to_string(*v);
      },
      field.Field);
  return LabelOf(field.Name) + ": " + value;
}

void TFormBrowsePars::FillAppearance() {
  const int selected = fAppearance->ItemIndex();
  fAppearanceFields.clear();
  fAppearance->Items()->Clear();
  for (const TBrowseParsField& field : fWorking.Fields()) {
    if (HasOwnRow(field.Name)) continue;
    fAppearanceFields.push_back(field);
    fAppearance->Items()->Add(AppearanceLine(field));
  }
  fAppearance->SetItemIndex(selected < fAppearance->Items()->Count() ? selected : -1);
}

void TFormBrowsePars::ChangeAppearance(int line) {
  if (line < 0 || line >= static_cast<int>(fAppearanceFields.size())) return;
  const TBrowseParsField& field = fAppearanceFields[static_cast<size_t>(line)];
  const std::string label = LabelOf(field.Name);
  if (auto* color = std::get_if<uint32_t*>(&field.Field)) {
    TColorDialog dialog(nullptr);
    dialog.SetColor(static_cast<TColor>(**color));
    if (dialog.Execute()) **color = ColorToRGB(dialog.Color()) & 0xFFFFFF;
  } else if (auto* font = std::get_if<TBrowseFont*>(&field.Field)) {
    TFontDialog dialog(nullptr);
    dialog.Font()->SetName((*font)->Name.ToString());
    dialog.Font()->SetSize((*font)->Size);
    TFontStyles styles;
    for (int bit = 0; bit < 4; ++bit)
      if ((*font)->Style & (1 << bit)) styles.Include(static_cast<TFontStyle>(bit));
    dialog.Font()->SetStyle(styles);
    if (dialog.Execute()) {
      TBrowseFont chosen = **font;
      chosen.Name = dialog.Font()->Name();
      chosen.Size = static_cast<int16_t>(std::clamp(dialog.Font()->Size(), -1, 1000));
      chosen.Style = 0;
      for (int bit = 0; bit < 4; ++bit)
        if (dialog.Font()->Style().Contains(static_cast<TFontStyle>(bit))) chosen.Style |= static_cast<uint8_t>(1 << bit);
      if (IsValidBrowseFont(chosen)) **font = chosen;
      else ShowMessageBox(kCaption, label + ": the font needs a name and a size from 4 to 96 points.");
    }
  } else {
    // A number: asked until it is acceptable or the question is cancelled.
    std::string proposal = AppearanceLine(field).substr(label.size() + 2);
    for (;;) {
      std::string answer;
      if (!InputString(kCaption, label + ":", proposal, answer)) break;
      proposal = answer;
      double value = 0;
      const bool whole = !std::holds_alternative<double*>(field.Field);
      int number = 0;
      const bool accepted = whole ? ParseWholeNumber(answer, static_cast<int>(field.Lowest),
                                                     static_cast<int>(field.Highest), number)
                                  : ParseRealNumber(answer, field.Lowest, field.Highest, value);
      if (!accepted) {
        ShowMessageBox(kCaption, RangeRefusal(label, field.Lowest, field.Highest, whole));
        continue;
      }
      if (whole) value = number;
      std::visit(
          [value](auto* v) {
            using T = std::remove_pointer_t<decltype(v)>;
            if constexpr (std::is_arithmetic_v<T>) *v = static_cast<T>(value);
          },
          field.Field);
      break;
    }
  }
  FillAppearance();
  fAppearance->SetItemIndex(line);
}

bool TFormBrowsePars::Take(TBrowsePars& pars) {
  std::vector<TBrowseParsField> fields = pars.Fields();
  const std::pair<TEdit*, const char*> numbers[] = {
      {fAutoSaveMinutes, "AutoSaveMinutes"}, {fBackupCopies, "BackupCopies"}, {fPostPartSize, "PostPartSizeKB"}};
  const char* labels[] = {"Automatic saving every (minutes)", "Backups kept per discussion",
                          "Largest post part (kilobytes)"};
  int values[std::size(numbers)];
  for (size_t i = 0; i < std::size(numbers); ++i) {
    const TBrowseParsField* field = FieldNamed(fields, numbers[i].second);
    const int lowest = static_cast<int>(field->Lowest), highest = static_cast<int>(field->Highest);
    if (!ParseWholeNumber(numbers[i].first->Text(), lowest, highest, values[i])) {
      ShowMessageBox(kCaption, RangeRefusal(labels[i], lowest, highest, true));
      numbers[i].first->SetFocus();
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
  return true;
}

bool TFormBrowsePars::Execute(TBrowsePars& pars, const std::string& path) {
  Fill(pars);
  if (ShowModal() != mrOk) return false;
  TBrowsePars taken = fWorking;
  if (!Take(taken)) return false;
  taken.Validate();
  pars = taken;
  return pars.Save(path.empty() ? TBrowsePars::DefaultPath() : path);
}
