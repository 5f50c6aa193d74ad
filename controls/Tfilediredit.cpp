#include "controls/Tfilediredit.h"

#include "controls/Ctlsystem.h"
#include "controls/Fileutil.h"
#include "controls/Strutils.h"
#include "controls/Tbrowsefolderdlg.h"
#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Rtl.h"

namespace {

constexpr const char* kAllFilesFilter = "Все файлы (*.*)|*.*";
constexpr const char* kFileDialogTitle = "Список";

// A folder with a tab: the default glyph of file and folder edits.
TBitmap* FolderGlyph() {
  auto* b = new TBitmap;
  b->SetSize(12, 10);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clFuchsia);
  c->FillRect(RECT{0, 0, 12, 10});
  c->Brush()->SetColor(clOlive);
  c->FillRect(RECT{0, 2, 12, 10});
  c->FillRect(RECT{1, 0, 5, 2});
  c->Brush()->SetColor(clYellow);
  c->FillRect(RECT{1, 4, 11, 9});
  b->SetTransparentColor(clFuchsia);
  return b;
}

// An existing file that is no folder.
bool IsFile(const std::string& Name) {
  DWORD attributes = GetFileAttributesA(Name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string QuotedFileName(const std::string& Name) {
  if (Name.find(' ') != std::string::npos && (Name.empty() || Name[0] != '"')) return '"' + Name + '"';
  return Name;
}

std::string ClipFileName(const std::string& Text) {
  if (IsFile(Text)) return Text;
  std::string exe, params;
  SplitCommandLine(Text, exe, params);
  return exe;
}

// ---- TFileDirEdit

TFileDirEdit::TFileDirEdit(TComponent* AOwner) : TCustomComboEdit(AOwner) { SetGlyphKind(gkDefault); }

TBitmap* TFileDirEdit::GetDefaultBitmap(bool& DestroyNeeded) {
  DestroyNeeded = true;
  return FolderGlyph();
}

void TFileDirEdit::DoBeforeDialog(std::string& FileName, bool& Action) {
  if (OnBeforeDialog) OnBeforeDialog(this, FileName, Action);
}

void TFileDirEdit::DoAfterDialog(std::string& FileName, bool& Action) {
  if (OnAfterDialog) OnAfterDialog(this, FileName, Action);
}

void TFileDirEdit::DropFiles(const std::vector<std::string>& Names) {
  if (!acceptFiles_ || Names.empty()) return;
  ClearFileList();
  for (const std::string& name : Names) {
    ReceptFileDir(name.substr(0, 255));
    if (!multipleDirs_) break;
  }
  if (OnDropFiles) OnDropFiles(this);
}

// ---- TFilenameEdit

TFilenameEdit::TFilenameEdit(TComponent* AOwner) : TFileDirEdit(AOwner) { CreateEditDialog(); }

TFilenameEdit::~TFilenameEdit() { delete dialog_; }

void TFilenameEdit::CreateEditDialog() {
  TOpenDialog* fresh = dialogKind_ == dkSave || dialogKind_ == dkSavePicture ? new TSaveDialog(nullptr)
                                                                              : new TOpenDialog(nullptr);
  if (dialog_) {
    fresh->SetDefaultExt(dialog_->DefaultExt());
    fresh->SetFileName(dialog_->FileName());
    fresh->SetFilter(dialog_->Filter());
    fresh->SetFilterIndex(dialog_->FilterIndex());
    fresh->SetInitialDir(dialog_->InitialDir());
    fresh->Files()->Assign(dialog_->Files());
    fresh->SetOptions(dialog_->Options());
    fresh->SetTitle(dialog_->Title());
    delete dialog_;
  } else {
    fresh->SetTitle(kFileDialogTitle);
    fresh->SetFilter(kAllFilesFilter);
    fresh->SetOptions({ofHideReadOnly});
  }
  dialog_ = fresh;
}

void TFilenameEdit::SetDialogKind(TFileDialogKind Value) {
  if (Value == dialogKind_) return;
  dialogKind_ = Value;
  CreateEditDialog();
}

void TFilenameEdit::SetDialogOptions(TOpenOptions Value) {
  if (Value == dialog_->Options()) return;
  dialog_->SetOptions(Value);
  multipleDirs_ = Value.Contains(ofAllowMultiSelect);
  if (!multipleDirs_) ClearFileList();
}

bool TFilenameEdit::DialogTitleStored() const { return dialog_->Title() != kFileDialogTitle; }
bool TFilenameEdit::FilterStored() const { return dialog_->Filter() != kAllFilesFilter; }

std::string TFilenameEdit::FileName() { return ClipFileName(Text()); }

void TFilenameEdit::SetFileName(const std::string& Value) {
  if (!Value.empty() && !ValidFileName(ClipFileName(Value)))
    throw EComboEditError(Format("Invalid file name - %s", {Value}));
  SetText(QuotedFileName(Value));
  ClearFileList();
}

std::string TFilenameEdit::GetLongName() { return ShortToLongFileName(FileName()); }
std::string TFilenameEdit::GetShortName() { return LongToShortFileName(FileName()); }

void TFilenameEdit::ClearFileList() { dialog_->Files()->Clear(); }

void TFilenameEdit::ReceptFileDir(const std::string& AFileName) {
  if (multipleDirs_) {
    if (dialog_->Files()->Count() == 0) SetFileName(AFileName);
    dialog_->Files()->Add(AFileName);
  } else {
    SetFileName(AFileName);
  }
}

void TFilenameEdit::ButtonClick() {
  TCustomComboEdit::ButtonClick();
  std::string name = FileName();
  bool action = true;
  DoBeforeDialog(name, action);
  if (!action) return;
  if (!name.empty() && ValidFileName(name)) {
    std::string dir = ExcludeTrailingPathDelimiter(ExtractFilePath(name));
    if (!dir.empty() && DirExists(dir)) dialog_->SetInitialDir(dir);
    std::string part = ExtractFileName(name);
    if (part.empty() || !ValidFileName(part)) name.clear();
  }
  dialog_->SetFileName(name);
  if (dialog_->Execute()) name = dialog_->FileName();
  else action = false;
  if (CanFocus()) SetFocus();
  // The after-dialog event sees whether the dialog was confirmed and may change that.
  DoAfterDialog(name, action);
  if (!action) return;
  SetText(QuotedFileName(name));
  dialog_->SetInitialDir(ExcludeTrailingPathDelimiter(ExtractFilePath(dialog_->FileName())));
}

// ---- TDirectoryEdit

void TDirectoryEdit::ReceptFileDir(const std::string& AFileName) {
  std::string dir = IsFile(AFileName)
                        ? ExcludeTrailingPathDelimiter(ExtractFilePath(AFileName))
                        : AFileName;
  if (multipleDirs_ && !Text().empty()) SetText(Text() + ";" + dir);
  else SetText(dir);
}

std::string TDirectoryEdit::ConvertParts(std::string (*Convert)(const std::string&)) {
  if (!multipleDirs_) return Convert(Text());
  std::string result, text = Text();
  int pos = 1;
  while (pos <= static_cast<int>(text.size())) {
    std::string part = Convert(ExtractSubstr(text, pos, TCharSet(";")));
    if (part.empty()) continue;
    if (!result.empty()) result += ';';
    result += part;
  }
  return result;
}

std::string TDirectoryEdit::GetLongName() { return ConvertParts(&ShortToLongPath); }
std::string TDirectoryEdit::GetShortName() { return ConvertParts(&LongToShortPath); }

void TDirectoryEdit::ButtonClick() {
  TCustomComboEdit::ButtonClick();
  std::string dir = Text();
  bool action = true;
  DoBeforeDialog(dir, action);
  if (!action) return;
  if (dir.empty()) dir = initialDir_.empty() ? "/" : initialDir_;
  if (!DirExists(dir)) dir = "/";
  bool chosen = dialogKind_ == dkWin32 && NewStyleControls ? BrowseDirectory(dir, dialogText_, HelpContext())
                                                           : SelectDirectory(dialogText_, std::string(), dir);
  if (CanFocus()) SetFocus();
  if (!chosen) action = false;
  DoAfterDialog(dir, action);
  if (!action) return;
  SetSelLength(0);
  if (multipleDirs_ && !Text().empty()) SetText(Text() + ";" + dir);
  else SetText(dir);
  if (!dir.empty() && DirExists(dir)) initialDir_ = dir;
}
