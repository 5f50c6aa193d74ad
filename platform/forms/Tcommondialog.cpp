#include "platform/forms/Tcommondialog.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

#include "platform/forms/Messagebox.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"
#include "platform/forms/Tlistbox.h"
#include "platform/forms/Tpanel.h"
#include "platform/kernel/Codepage.h"
#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Findfile.h"
#include "platform/rtl/Numconv.h"
#include "platform/rtl/Strutil.h"

namespace {

enum class Kind { Missing, File, Folder };

Kind KindOf(const std::string& path) {
  struct stat st {};
  if (stat(platform::AnsiToUtf8(path).c_str(), &st) != 0) return Kind::Missing;
  return S_ISDIR(st.st_mode) ? Kind::Folder : Kind::File;
}

std::string CurrentFolder() {
  char buffer[PATH_MAX];
  if (!getcwd(buffer, sizeof buffer)) return "/";
  return platform::Utf8ToAnsi(buffer);
}

std::string ParentFolder(const std::string& folder) {
  std::string f = folder;
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  size_t slash = f.find_last_of('/');
  return slash == 0 || slash == std::string::npos ? "/" : f.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  return IncludeTrailingPathDelimiter(folder) + name;
}

// Names in a folder: folders first, then files matching one of the patterns.
void ListFolder(const std::string& folder, const std::string& patterns, bool foldersOnly, TStrings* out) {
  std::vector<std::string> folders, files;
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((IncludeTrailingPathDelimiter(folder) + "*").c_str(), &data);
  if (h && h != reinterpret_cast<HANDLE>(-1)) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        folders.push_back(name);
      } else if (!foldersOnly) {
        size_t start = 0;
        while (start <= patterns.size()) {
          size_t end = patterns.find(';', start);
          std::string p = patterns.substr(start, end == std::string::npos ? std::string::npos : end - start);
          if (!p.empty() && platform::MatchesPattern(name, p)) {
            files.push_back(name);
            break;
          }
          if (end == std::string::npos) break;
          start = end + 1;
        }
      }
    } while (FindNextFileA(h, &data));
    FindClose(h);
  }
  std::sort(folders.begin(), folders.end());
  std::sort(files.begin(), files.end());
  out->BeginUpdate();
  out->Clear();
  if (folder != "/") out->Add("[..]");
  for (auto& f : folders) out->Add("[" + f + "]");
  for (auto& f : files) out->Add(f);
  out->EndUpdate();
}

TButton* AddButton(TForm* form, const char* name, const std::string& caption, int x, int y) {
  auto* b = new TButton(form);
  b->SetName(name);
  b->SetCaption(caption);
  b->SetParent(form);
  b->SetBounds(x, y, 75, 23);
  return b;
}

TEdit* AddEdit(TForm* form, const char* name, const std::string& label, int x, int y, int w) {
  auto* l = new TLabel(form);
  l->SetParent(form);
  l->SetCaption(label);
  l->SetBounds(x, y + 3, l->Width(), l->Height());
  auto* e = new TEdit(form);
  e->SetName(name);
  e->SetParent(form);
  e->SetBounds(x + 90, y, w, 21);
  l->SetFocusControl(e);
  return e;
}

// The file dialog's form: the folder walked in a list, a name, the filters.
class TFileDialogForm : public TForm {
 public:
  TFileDialogForm(TOpenDialog& dialog, bool saving) : TForm(nullptr), dialog_(dialog), saving_(saving) {
    SetCaption(!dialog.Title().empty() ? dialog.Title() : saving ? "Save As" : "Open");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(420);
    SetClientHeight(320);
    folderEdit_ = AddEdit(this, "Folder", "Folder:", 8, 8, 316);
    folderEdit_->SetReadOnly(true);
    folderEdit_->SetTabStop(false);
    files_ = new TListBox(this);
    files_->SetName("Files");
    files_->SetParent(this);
    files_->SetBounds(8, 36, 404, 190);
    files_->SetMultiSelect(dialog.Options().Contains(ofAllowMultiSelect));
    name_ = AddEdit(this, "FileName", "File name:", 8, 234, 316);
    filter_ = new TComboBox(this);
    filter_->SetName("Filter");
    filter_->SetParent(this);
    filter_->SetStyle(csDropDownList);
    filter_->SetBounds(98, 262, 316, 21);
    auto* typeLabel = new TLabel(this);
    typeLabel->SetParent(this);
    typeLabel->SetCaption("Files of type:");
    typeLabel->SetBounds(8, 265, typeLabel->Width(), typeLabel->Height());
    auto* ok = AddButton(this, "OK", saving ? "Save" : "Open", 256, 290);
    ok->SetDefault(true);
    auto* cancel = AddButton(this, "Cancel", "Cancel", 337, 290);
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    // Filters: "Name|pattern|Name|pattern".
    std::vector<std::string> parts;
    size_t start = 0;
    const std::string& f = dialog.Filter();
    while (!f.empty()) {
      size_t bar = f.find('|', start);
      parts.push_back(f.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
      if (bar == std::string::npos) break;
      start = bar + 1;
    }
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
      filter_->Items()->Add(parts[i]);
      patterns_.push_back(parts[i + 1]);
    }
    if (patterns_.empty()) patterns_.push_back("*");
    filter_->SetItemIndex(std::clamp(dialog.FilterIndex() - 1, 0, std::max(0, filter_->Items()->Count() - 1)));
    folder_ = dialog.InitialDir();
    std::string initial = dialog.FileName();
    if (!initial.empty() && initial.find('/') != std::string::npos) {
      if (folder_.empty()) folder_ = ExtractFileDir(initial);
      initial = ExtractFileName(initial);
    }
    if (folder_.empty() || KindOf(folder_) != Kind::Folder) folder_ = CurrentFolder();
    name_->SetText(initial);
    Refresh();
    SetActiveControl(name_);
    filter_->OnChange = [this](TObject*) { Refresh(); };
    files_->OnClick = [this](TObject*) { Picked(false); };
    files_->OnDblClick = [this](TObject*) { Picked(true); };
    ok->OnClick = [this](TObject*) { Accept(); };
  }

 private:
  void Refresh() {
    folderEdit_->SetText(folder_);
    int i = std::max(0, filter_->ItemIndex());
    ListFolder(folder_, patterns_[std::min<size_t>(i, patterns_.size() - 1)], false, files_->Items());
  }

  void Enter(const std::string& entry) {
    std::string name = entry.substr(1, entry.size() - 2);
    folder_ = name == ".." ? ParentFolder(folder_) : Join(folder_, name);
    Refresh();
  }

  void Picked(bool open) {
    int i = files_->ItemIndex();
    if (i < 0) return;
    std::string entry = files_->Items()->Strings(i);
    bool isFolder = entry.size() > 2 && entry.front() == '[' && entry.back() == ']';
    if (isFolder) {
      if (open) Enter(entry);
      return;
    }
    if (files_->MultiSelect()) {
      std::string names;
      for (int k = 0; k < files_->Count(); ++k)
        if (files_->Selected(k) && files_->Items()->Strings(k).front() != '[') {
          names += (names.empty() ? "" : " ") + files_->Items()->Strings(k);
        }
      name_->SetText(names);
    } else {
      name_->SetText(entry);
    }
    if (open) Accept();
  }

  void Accept() {
    std::string name = Trim(name_->Text());
    if (name.empty()) return;
    std::vector<std::string> names;
    if (dialog_.Options().Contains(ofAllowMultiSelect) && name.find(' ') != std::string::npos) {
      size_t start = 0;
      while (start < name.size()) {
        size_t sp = name.find(' ', start);
        std::string n = name.substr(start, sp == std::string::npos ? std::string::npos : sp - start);
        if (!n.empty()) names.push_back(n);
        if (sp == std::string::npos) break;
        start = sp + 1;
      }
    } else {
      names.push_back(name);
    }
    std::vector<std::string> chosen;
    for (std::string n : names) {
      std::string full = Join(folder_, n);
      if (KindOf(full) == Kind::Folder) {
        folder_ = full;
        name_->SetText("");
        Refresh();
        return;
      }
      if (!dialog_.DefaultExt().empty() && ExtractFileExt(n).empty()) {
        std::string ext = dialog_.DefaultExt();
        full += ext[0] == '.' ? ext : "." + ext;
      }
      bool exists = KindOf(full) == Kind::File;
      if (!exists && dialog_.Options().Contains(ofFileMustExist)) {
        ShowMessageBox(full + "\r\nFile not found.\r\nPlease verify the correct file name was given.", Caption(),
                       MB_OK | MB_ICONEXCLAMATION);
        return;
      }
      if (!exists && dialog_.Options().Contains(ofPathMustExist) && KindOf(ExtractFileDir(full)) != Kind::Folder) {
        ShowMessageBox(full + "\r\nPath does not exist.", Caption(), MB_OK | MB_ICONEXCLAMATION);
        return;
      }
      if (exists && saving_ && dialog_.Options().Contains(ofOverwritePrompt) &&
          ShowMessageBox(full + " already exists.\r\nDo you want to replace it?", Caption(), MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
      chosen.push_back(full);
    }
    dialog_.SetFileName(chosen.front());
    dialog_.Files()->Clear();
    for (auto& c : chosen) dialog_.Files()->Add(c);
    dialog_.SetFilterIndex(filter_->ItemIndex() + 1);
    SetModalResult(mrOk);
  }

  TOpenDialog& dialog_;
  bool saving_;
  std::string folder_;
  std::vector<std::string> patterns_;
  TEdit* folderEdit_;
  TListBox* files_;
  TEdit* name_;
  TComboBox* filter_;
};

}  // namespace

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner), files_(new TStringList) {}

TOpenDialog::~TOpenDialog() { delete files_; }

bool TOpenDialog::Execute() {
  TFileDialogForm form(*this, Saving());
  if (OnShow) OnShow(this);
  bool ok = form.ShowModal() == mrOk;
  if (OnClose) OnClose(this);
  return ok;
}

TFontDialog::TFontDialog(TComponent* AOwner) : TCommonDialog(AOwner), font_(new TFont) {}

TFontDialog::~TFontDialog() { delete font_; }

bool TFontDialog::Execute() {
  TForm form(nullptr);
  form.SetCaption(!title_.empty() ? title_ : "Font");
  form.SetBorderStyle(bsDialog);
  form.SetPosition(poScreenCenter);
  form.SetClientWidth(330);
  form.SetClientHeight(200);
  auto* name = new TComboBox(&form);
  name->SetName("Name");
  name->SetParent(&form);
  name->SetBounds(8, 8, 200, 21);
  for (const char* face : {"Arial", "Courier New", "MS Sans Serif", "Tahoma", "Times New Roman", "Verdana"})
    name->Items()->Add(face);
  name->SetText(font_->Name());
  TEdit* size = AddEdit(&form, "Size", "Size:", 216, 8, 20);
  size->SetLeft(276);
  size->SetWidth(46);
  size->SetText(std::to_string(font_->Size()));
  const char* styles[] = {"Bold", "Italic", "Underline", "StrikeOut"};
  const char* captions[] = {"&Bold", "&Italic", "&Underline", "Stri&keout"};
  TCheckBox* boxes[4];
  for (int i = 0; i < 4; ++i) {
    boxes[i] = new TCheckBox(&form);
    boxes[i]->SetName(styles[i]);
    boxes[i]->SetCaption(captions[i]);
    boxes[i]->SetParent(&form);
    boxes[i]->SetBounds(8, 40 + 22 * i, 150, 17);
    boxes[i]->SetChecked(font_->Style().Contains(static_cast<TFontStyle>(i)));
  }
  auto* sample = new TPanel(&form);
  sample->SetParent(&form);
  sample->SetBounds(170, 40, 152, 80);
  sample->SetBevelOuter(bvLowered);
  sample->SetCaption("АаБбYyZz");
  auto update = [&](TObject*) {
    sample->Font()->SetName(name->Text());
    sample->Font()->SetSize(std::max(1, StrToIntDef(size->Text(), font_->Size())));
    TFontStyles s;
    for (int i = 0; i < 4; ++i)
      if (boxes[i]->Checked()) s.Include(static_cast<TFontStyle>(i));
    sample->Font()->SetStyle(s);
  };
  update(nullptr);
  name->OnChange = update;
  size->OnChange = update;
  for (auto* b : boxes) b->OnClick = update;
  auto* ok = AddButton(&form, "OK", "OK", 166, 168);
  ok->SetDefault(true);
  ok->SetModalResult(mrOk);
  auto* cancel = AddButton(&form, "Cancel", "Cancel", 247, 168);
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  if (OnShow) OnShow(this);
  bool accepted = form.ShowModal() == mrOk;
  if (accepted) {
    update(nullptr);
    TColor colour = font_->Color();
    font_->Assign(sample->Font());
    font_->SetColor(colour);
  }
  if (OnClose) OnClose(this);
  return accepted;
}

bool TColorDialog::Execute() {
  static const TColor basic[] = {clBlack, clMaroon, clGreen, clOlive, clNavy,   clPurple, clTeal, clGray,
                                 clSilver, clRed,   clLime,  clYellow, clBlue, clFuchsia, clAqua, clWhite};
  TForm form(nullptr);
  form.SetCaption(!title_.empty() ? title_ : "Color");
  form.SetBorderStyle(bsDialog);
  form.SetPosition(poScreenCenter);
  form.SetClientWidth(250);
  form.SetClientHeight(190);
  COLORREF rgb = ColorToRGB(color_);
  TEdit* channels[3];
  const char* names[] = {"Red", "Green", "Blue"};
  const char* labels[] = {"Red:", "Green:", "Blue:"};
  int values[] = {GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)};
  for (int i = 0; i < 3; ++i) {
    channels[i] = AddEdit(&form, names[i], labels[i], 8, 72 + 26 * i, 50);
    channels[i]->SetText(std::to_string(values[i]));
  }
  for (int i = 0; i < 16; ++i) {
    auto* swatch = new TPanel(&form);
    swatch->SetParent(&form);
    swatch->SetBevelOuter(bvLowered);
    swatch->SetBounds(8 + (i % 8) * 29, 8 + (i / 8) * 29, 26, 26);
    swatch->SetColor(basic[i]);
    swatch->SetTag(basic[i]);
    swatch->OnClick = [&channels, swatch](TObject*) {
      COLORREF c = ColorToRGB(static_cast<TColor>(swatch->Tag()));
      channels[0]->SetText(std::to_string(GetRValue(c)));
      channels[1]->SetText(std::to_string(GetGValue(c)));
      channels[2]->SetText(std::to_string(GetBValue(c)));
    };
  }
  auto* ok = AddButton(&form, "OK", "OK", 86, 160);
  ok->SetDefault(true);
  ok->SetModalResult(mrOk);
  auto* cancel = AddButton(&form, "Cancel", "Cancel", 167, 160);
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  if (OnShow) OnShow(this);
  bool accepted = form.ShowModal() == mrOk;
  if (accepted) {
    int c[3];
    for (int i = 0; i < 3; ++i) c[i] = std::clamp(StrToIntDef(channels[i]->Text(), 0), 0, 255);
    color_ = static_cast<TColor>(RGB(c[0], c[1], c[2]));
  }
  if (OnClose) OnClose(this);
  return accepted;
}

bool SelectDirectory(const std::string& Caption, const std::string& Root, std::string& Directory) {
  return SelectDirectory(Caption, Root, Directory, TSelectDirectoryEvents{});
}

bool SelectDirectory(const std::string& Caption, const std::string& Root, std::string& Directory,
                     const TSelectDirectoryEvents& Events) {
  TForm form(nullptr);
  form.SetCaption(Caption.empty() ? "Browse for Folder" : Caption);
  form.SetBorderStyle(bsDialog);
  form.SetPosition(poScreenCenter);
  form.SetClientWidth(320);
  form.SetClientHeight(280);
  std::string root = Root.empty() ? "/" : Root;
  std::string folder = KindOf(Directory) == Kind::Folder ? Directory : root;
  auto* edit = new TEdit(&form);
  edit->SetName("Folder");
  edit->SetParent(&form);
  edit->SetBounds(8, 8, 304, 21);
  auto* list = new TListBox(&form);
  list->SetName("Folders");
  list->SetParent(&form);
  list->SetBounds(8, 36, 304, 200);
  bool shown = false;
  auto refresh = [&] {
    edit->SetText(folder);
    if (shown && Events.OnChanged) Events.OnChanged(folder);
    ListFolder(folder, "", true, list->Items());
    if (folder == root && list->Count() > 0 && list->Items()->Strings(0) == "[..]") list->Items()->Delete(0);
  };
  refresh();
  list->OnDblClick = [&](TObject*) {
    int i = list->ItemIndex();
    if (i < 0) return;
    std::string name = list->Items()->Strings(i);
    name = name.substr(1, name.size() - 2);
    folder = name == ".." ? ParentFolder(folder) : Join(folder, name);
    refresh();
  };
  auto* ok = AddButton(&form, "OK", "OK", 156, 248);
  ok->SetDefault(true);
  auto* cancel = AddButton(&form, "Cancel", "Cancel", 237, 248);
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  ok->OnClick = [&](TObject*) {
    std::string chosen = Trim(edit->Text());
    if (KindOf(chosen) != Kind::Folder) {
      ShowMessageBox(chosen + "\r\nFolder not found.", form.Caption(), MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    folder = chosen;
    form.SetModalResult(mrOk);
  };
  form.SetActiveControl(list);
  form.OnShow = [&](TObject*) {
    shown = true;
    if (Events.OnShown) Events.OnShown(form.Handle());
    if (Events.OnChanged) Events.OnChanged(folder);
  };
  if (form.ShowModal() != mrOk) return false;
  Directory = folder;
  return true;
}
