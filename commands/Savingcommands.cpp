#include "commands/Savingcommands.h"

#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "commands/Tbrowsecommands.h"
#include "foundation/Filereplace.h"
#include "foundation/Fileroutines.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Terror.h"
#include "foundation/Tshellregistry.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Tcommondialog.h"
#include "platform/shell/Shellfolders.h"

#include <vector>

namespace {

constexpr const char* LastPrintedPath = "LastPrintedPath";

void AppendBlock(TCommand& command, TDiscussion& discussion, TDiscBlockIndex index, std::string& out) {
  const TDiscBlock* block = discussion.Storages.GetDiscBlock(index);
  const TStrHashItem* texts = discussion.Storages.GetStrHashItem(index);
  if (!block || !texts) return;
  const TDiscBlock* upper = block->Upper.IsEmpty() ? nullptr : discussion.Storages.GetDiscBlock(block->Upper);
  out += "\r\n" + command.Browse.GetDiscBlockSummary(index) + "   " +
         (upper ? upper->GetBlockName(discussion).ToString() : std::string());
  out += "\r\n" + texts->Str.Text.ToString();
  if (!texts->Str.URL.IsEmpty()) out += "\r\n" + texts->Str.URL.ToString();
  if (!texts->Str.FormulaText.IsEmpty()) out += "\r\n" + texts->Str.FormulaText.ToString();
}

void AppendAuthor(const TDiscussion& discussion, const TAuthor& author, std::string& out) {
  std::vector<std::string> lines;
  if (!discussion.Info.IsModerated()) lines.push_back("automatic " + author.AutomaticEMail.ToString());
  lines.push_back(author.GetFullName().ToString());
  lines.push_back("private " + author.PrivateEMail.ToString());
  for (const TStr* text : {&author.WebPage, &author.Organisation, &author.Address, &author.Phones})
    lines.push_back(text->ToString());
  lines.push_back(std::to_string(author.BirthYear));
  lines.push_back(author.Degree.ToString());
  lines.push_back(author.OtherText.ToString());
  for (size_t i = 0; i < lines.size(); ++i) out += (i ? "\r\n" : "") + lines[i];
  out += "\r\n\r\n";
}

// The text of the items; false (reported) for an item of another kind.
bool ComposePickOut(TCommand& command, TDiscussion& discussion, std::string& out) {
  // The marked rows, else the command's item. A marked row of another kind than a block
  // makes the collection answer false; what it collected is written all the same.
  TArray<TBrowseItemIdent> idents;
  if (command.Path && command.Root) command.Browse.GetMarkedBrowseItemIdents(*command.Path, *command.Root, idents);
  for (const TBrowseItemIdent& ident : idents) {
    out += "\r\n";
    if (ident.Kind == BrowseItem_Block) {
      AppendBlock(command, discussion, ident.Index, out);
    } else if (ident.Kind == BrowseItem_Author) {
      // Writing out only reads: an author the discussion does not know is passed over.
      const int index = discussion.Authors.FindAuthorByADIdent(ident.ADIdent);
      if (index >= 0) AppendAuthor(discussion, discussion.Authors.Author(index), out);
    } else {
      TError::Report("TBrowse::ProcessCommand,ECommand_Browse_PrintTofile - неизвестный тип элемента просмотра");
      return false;
    }
  }
  out += "\r\n";
  return true;
}

// Appends to an existing file and flushes it; a failure cuts the file back to its old
// length, so that it stays whole.
bool AppendToFile(const std::string& path, const std::string& data) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  const DWORD low = GetFileSize(file, &high);
  LONG moveHigh = 0;
  SetLastError(0);
  bool ok = SetFilePointer(file, 0, &moveHigh, FILE_END) != INVALID_SET_FILE_POINTER || GetLastError() == 0;
  DWORD written = 0;
  ok = ok && WriteFile(file, data.data(), DWORD(data.size()), &written, nullptr) && written == data.size() &&
       FlushFileBuffers(file);
  if (!ok) {
    LONG backHigh = LONG(high);
    SetFilePointer(file, LONG(low), &backHigh, FILE_BEGIN);
    SetEndOfFile(file);
  }
  CloseHandle(file);
  return ok;
}

void SaveWindowDiscussion(TCommand& command) {
  command.Browse.SaveUserPosition();
  command.Discussion->Save();
}

}  // namespace

void SaveCommand(TCommand& command) {
  if (command.Discussion) SaveWindowDiscussion(command);
}

void SaveDatabaseCommand(TCommand& command) {
  if (!command.Discussion) return;
  static bool warned = false;  // the missing folder is told once a run
  if (const TBrowsePars* pars = command.Browse.Settings; pars && pars->AutoBackup) {
    if (!pars->AutoBackupFolder.IsEmpty()) {
      if (!command.Discussion->Backup(pars->AutoBackupFolder, pars->BackupCopies)) return;
    } else if (!warned) {
      warned = true;
      ShowMessageBox("AUTO-BACKUP", "Auto-backup folder is not specified.\nPlease specify it in Customize window.");
    }
  }
  SaveWindowDiscussion(command);
}

void ManualBackupCommand(TCommand& command) {
  const TBrowsePars* pars = command.Browse.Settings;
  if (!command.Discussion || !pars) return;
  if (pars->ManualBackupFolder.IsEmpty()) {
    ShowMessageBox("MANUAL BACKUP", "Manual backup folder is not specified.\nPlease specify it in Customize window.");
    return;
  }
  command.Discussion->Backup(pars->ManualBackupFolder, pars->BackupCopies);
}

void PickOutCommand(TCommand& command) {
  TFormBrowse* form = command.Browse.Form;
  if (!command.Discussion || !form) return;
  TSaveDialog& dialog = *form->SaveDialogPrint;
  // The folder of the last pick-out, else the user's documents (not wherever the program
  // happened to be started).
  std::string folder = TShellRegistry::ReadString(LastPrintedPath);
  if (folder.empty()) SHGetSpecialFolderPath(CSIDL_PERSONAL, folder, false);
  if (!folder.empty()) dialog.SetInitialDir(folder);
  if (!dialog.Execute()) return;
  const std::string path = dialog.FileName();
  std::string name;
  SplitFilePath(path, folder, name);
  TShellRegistry::WriteString(LastPrintedPath, folder);

  enum { Append = 0, Overwrite = 1 };
  int how = Overwrite;
  if (IsFileExists(path)) {
    how = ShowMessageBox("Pick out data to file", "File " + path + " already exists.", "", "Append|Overwrite|Cancel", 0);
    if (how != Append && how != Overwrite) return;
  }
  // The whole text is made before the file is touched: nothing is written when an item
  // cannot be read.
  std::string text;
  if (!ComposePickOut(command, *command.Discussion, text)) return;
  std::string failure;
  const bool written = how == Append ? AppendToFile(path, text) : ReplaceFileContents(path, text, false, failure);
  if (!written) ShowMessageBox("Print error", "Error printing data to " + path);
}
