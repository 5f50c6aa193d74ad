#include "commands/Creationcommands.h"

#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "browse/Tformbrowsemanager.h"
#include "commands/Tbrowsecommands.h"
#include "foundation/Commoncrypt.h"
#include "foundation/Filereplace.h"
#include "foundation/Fileroutines.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "foundation/Tbufreader.h"
#include "foundation/Tlisteners.h"
#include "foundation/Ttempcursor.h"
#include "model/Blocknames.h"
#include "model/Blockrecord.h"
#include "model/Foldertree.h"
#include "model/Modelhooks.h"
#include "model/Postcommandnames.h"
#include "model/Tcommandmessage.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tcommondialog.h"

#include <set>
#include <string>
#include <vector>

namespace {

constexpr const char* ImportWho = "TBrowse::ProcessCommand, ECommand_Browse_CreateDiscussion - ";
constexpr const char* CreatingCaption = "CREATING NEW MODEL";

struct TFolderQuestion {
  const char* Caption;
  const char* Prompt;
  std::string Proposal;
  bool AskAboutExisting;  // a folder that is there already is asked about
};

// Asks for the name of a new discussion's folder under `start` until one is accepted; the
// folder exists afterwards. "" when the user gave up.
std::string AskDiscussionFolder(TDiscussionsManager& manager, const std::string& start, TFolderQuestion question) {
  for (;;) {
    std::string name;
    if (!InputString(question.Caption, question.Prompt, question.Proposal, name)) return "";
    question.Proposal = name;
    if (!name.empty() && (name.back() == '\\' || name.back() == '/')) name.pop_back();
    const std::string folder = start + "/" + name;
    // A link is no folder of ours: what it points to may lie anywhere.
    if (!IsLegalDiscussionFolderName(name) || IsLinkPath(folder)) {
      ShowMessageBox("ILLEGAL FOLDER NAME", "This folder name contain illegal characters;\nplease reenter it.");
      continue;
    }
    const bool existed = IsDirExists(folder);
    if (!existed && !MakeFolder(folder)) {
      if (ShowMessageBox("ERROR CREATING FOLDER", "Error creating subfolder '" + name + "' in " + start +
                                                      "/;\ndo you want to reenter discussion folder name?",
                         "", "Yes|No", 0) == 0)
        continue;
      return "";
    }
    if (manager.FolderHasDiscussion(TStr(folder))) {
      ShowMessageBox("NEW FOLDER NAME", "This folder name already exists. Enter another name.\n(You can "
                                        "delete/rename any discussion folder after Quillaran exit)");
      continue;
    }
    if (question.AskAboutExisting && existed) {
      if (ShowMessageBox("FOLDER ALREADY EXISTS", "Subfolder '" + name + "' already exists in " + start +
                                                      "/;\ndo you want to reenter discussion folder name?",
                         "", "Yes|No", 0) == 0)
        continue;
      return "";
    }
    return name;
  }
}

bool HoldsReceivedSeal(const std::string& path, const TCommandMessageHeader& header) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool sealed = VerifyReceivedFileSign(file, header);
  CloseHandle(file);
  return sealed;
}

// The model blocks of a block file, every one checked before the first is added: model
// blocks only, names unique, each upper block the root or a block before it, as many as
// the header says. False (reported) otherwise.
bool ReadModelBlockFile(const std::string& path, std::vector<TDiscBlockRecord>& records, bool& cancelled) {
  std::string data;
  if (!ReadWholeFile(path, data)) {
    TError::Report(ImportWho + std::string("ошибка открытия файла ") + path);
    return false;
  }
  TTempCursor hourglass;
  TBufReader reader{std::string_view(data)};
  TCommandMessageHeader header;
  if (!header.Read(reader)) return false;
  if (header.GetFieldValue("COMMAND") != MessageCommand::FormNewModel.Name) {
    TError::Report(ImportWho + std::string("команда должна быть FORM_NEW_MODEL"));
    return false;
  }
  // Checked as a received message is: a private file's sender key is asked once and kept
  // for its texts; an altered or unsealed file adds nothing.
  if (!HoldsReceivedSeal(path, header)) return ShowVerifyingError();
  const std::string count = header.GetFieldValue("BLOCKSCOUNT");
  if (ShowMessageBox(CreatingCaption, "Add " + count + " blocks to model?", "", "OK|Cancel", 0) != 0) {
    cancelled = true;
    return true;
  }
  const std::string key = header.IsPrivateMessage() ? header.SenderKey() : std::string();
  const unsigned reportsBefore = TError::Instance().ReportCount();
  std::set<std::string> names{std::string(RootBlockName)};
  TDiscBlockRecord record;
  while (DiscBlockFromBufReader(reader, record, key)) {
    if (record.StorageType != StorageType_Model) {
      TError::Report(ImportWho + std::string("обнаружен не блок монографии"));
      return false;
    }
    if (!names.count(record.UpperName.ToString())) {
      TError::Report(ImportWho + std::string("верхний блок (") + record.UpperName.ToString() + ") не найден");
      return false;
    }
    if (!names.insert(record.Name.ToString()).second || records.size() + 2 > size_t(MaxBlocksInStorage)) {
      TError::Report(ImportWho + std::string("ошибка формата файла ") + path);
      return false;
    }
    records.push_back(std::move(record));
    record = TDiscBlockRecord();
  }
  if (TError::Instance().ReportCount() != reportsBefore) return false;
  if (count != std::to_string(records.size())) {
    TError::Report(ImportWho + std::string("ошибка формата файла ") + path);
    return false;
  }
  return true;
}

// Appends checked records to the model storage; each takes a new block number of the
// storage and finds its upper block (and a formula its conclusion) by name.
void AddModelBlocks(TDiscussion& d, const std::vector<TDiscBlockRecord>& records) {
  TBlocksStorage& model = d.Storages.Model;
  std::vector<std::pair<int, const TDiscBlockRecord*>> added;
  for (const TDiscBlockRecord& record : records) {
    const int upper = model.FindByName(record.UpperName.ToString());
    const int index = model.AppendBlock(d, {StorageType_Model, uint16_t(upper)});
    if (index < 0) return;
    TDiscBlock& block = model.Block(index);
    block.Num = record.Num;
    block.TextType = record.TextType;
    block.Novelty = record.Novelty;
    block.Importance = record.Importance;
    block.Possibility = record.Possibility;
    model.SetBlockName(index, record.Name);
    model.Texts(index).Str = record.Texts;
    model.Texts(index).Save(model.Block(index));
    model.NewBlockAdded(d, index, 0);
    added.push_back({index, &record});
  }
  for (const auto& [index, record] : added) {
    if (record->ConclusionName.IsEmpty()) continue;
    const int conclusion = model.FindByName(record->ConclusionName.ToString());
    if (conclusion < 0 || conclusion == index) continue;
    model.Block(index).Conclusion = {StorageType_Model, uint16_t(conclusion)};
    model.Block(index).ConclusionCode = model.Block(conclusion).GetDiscBlockCode();
  }
  for (const auto& [index, record] : added) {
    model.CheckFormula(d, index, 1);
    model.CheckReferences(d, index, 1, 1);
  }
}

void OpenNewWindowOnRoot(TCommand& command, int discussion) {
  TDiscussionsManager& manager = *DiscussionsManager();
  if (TFormBrowseManager* windows = FormBrowseManager())
    windows->NewFormBrowseOnBlock(discussion, manager.GetDiscussion(discussion).Storages.GetRootBlockIndex(),
                                  command.Browse.Form, 0, true);
  TListeners::SendPair(Notify_FoldersChanged, 0, 0, false);
}

// The file of blocks the user picks; "" when cancelled. The dialog starts, at its first
// use in a run, in the post folder where the program writes its own command messages.
std::string PickModelBlockFile(TCommand& command) {
  TOpenDialog* dialog = command.Browse.Form ? command.Browse.Form->OpenDialogCreateModel : nullptr;
  if (!dialog) return "";
  static const std::string firstFolder = TBrowseGlobal::Paths.Outbox;
  if (dialog->InitialDir().empty()) dialog->SetInitialDir(firstFolder);
  // The program names its command messages without an extension: such a file can be
  // seen and chosen as it is named.
  static const char* const allFiles = "|All files (*)|*";
  if (dialog->Filter().find(allFiles) == std::string::npos) dialog->SetFilter(dialog->Filter() + allFiles);
  dialog->SetDefaultExt("");
  return dialog->Execute() ? dialog->FileName() : std::string();
}

}  // namespace

void CreateModelCommand(TCommand& command) {
  TDiscussionsManager* manager = DiscussionsManager();
  if (!manager) return;
  const std::string start = manager->GetFolderPath(manager->CreatedRoot).ToString();
  const std::string name =
      AskDiscussionFolder(*manager, start, {"Enter Nickname", "", "NewDiscussionNickName", false});
  if (name.empty()) return;
  const std::string folder = start + "/" + name;
  if (TDiscussion::FolderHoldsDiscussion(TStr(folder)) || IsFileExists(folder + "/DiscussionInfo.cbs")) {
    if (ShowMessageBox("FOLDER ALREADY EXISTS",
                       "Discussion already exists;\nDo you want to clear discussion folder to recreate discussion?",
                       "Everything in " + folder + " will be deleted.", "Yes|No", 0) != 0)
      return;
    if (!RecourseDelete(folder, true)) return;
  }
  for (const char* subfolder : DiscussionHistoryFolders) {
    if (MakeFolder(folder + "/" + subfolder)) continue;
    ShowMessageBox("ERROR CREATING FOLDER", "Error creating subfolder '" + std::string(subfolder) + "' in " + folder);
    return;
  }
  const int index = manager->CreateNewDiscussion(manager->CreatedRoot, TStr(name), true, 0);
  if (index < 0) return;
  TDiscussion& d = manager->GetDiscussion(index);
  d.Info.Creating = 1;
  d.Info.GenerateMIdent();
  d.Info.Annotation = "Model annotation";
  const TStr lident = CurrentModelLogin().LIdent;
  const int author = d.Authors.CreateAuthor(d, lident, ModelAuthorADIdent, 0);
  if (author < 0) return;
  const int source = d.Authors.CopyAuthorDataFromModel(*manager, d, author);
  if (IsErrorReported()) return;
  if (source >= 0) {
    // A model still unnamed is known by its folder.
    const TDiscussion& from = manager->GetDiscussion(source);
    const TStr shown = from.GetName().IsEmpty() ? manager->Folders[from.FolderIndex].Name : from.GetName();
    ShowMessageBox(CreatingCaption, "Model author data filled from model '" + shown.ToString() + "'");
  }
  // Participants write to the model's author at the login's address.
  if (d.Authors.Author(author).AutomaticEMail.IsEmpty()) d.Authors.Author(author).AutomaticEMail = CurrentModelLogin().EMail;
  d.Info.ModelAuthorLIdent = lident;
  if (!d.User.PostLists.AddNewItem(d)) return;

  if (command.Data1 == 1) {
    const std::string path = PickModelBlockFile(command);
    // The empty model is kept whole whatever becomes of the file.
    if (!d.Save()) return;
    if (path.empty()) {
      OpenNewWindowOnRoot(command, index);
      ShowMessageBox("", "Model is created; no blocks added.");
      return;
    }
    std::vector<TDiscBlockRecord> records;
    bool cancelled = false;
    if (!ReadModelBlockFile(path, records, cancelled)) return;
    AddModelBlocks(d, records);
    if (IsErrorReported()) return;
  }
  if (!d.Save()) return;
  OpenNewWindowOnRoot(command, index);
}

void FormPublishedModelCommand(TCommand& command) {
  TDiscussionsManager* manager = DiscussionsManager();
  TDiscussion* source = command.Discussion;
  if (!manager || !source || !source->Save()) return;
  const std::string start = manager->GetFolderPath(manager->DiscussedRoot).ToString();
  const std::string sourceFolder = source->Folder.ToString();
  const std::string name = AskDiscussionFolder(*manager, start,
                                               {"Forming Model", "Type folder name for discussed model copy:",
                                                manager->Folders[source->FolderIndex].Name.ToString(), true});
  if (name.empty()) return;
  const std::string folder = start + "/" + name;
  TTempCursor hourglass;
  const int index = manager->CreateNewDiscussion(manager->DiscussedRoot, TStr(name), false, 0);
  if (index < 0) {
    RecourseDelete(folder);
    return;
  }
  TDiscussion& copy = manager->GetDiscussion(index);
  // The copy takes a model identifier of its own when it is first read, instead of the
  // user being asked which of the two folders gets one.
  TModelHooks& hooks = ModelHooks();
  const auto ask = hooks.AskRegenerateMIdent;
  hooks.AskRegenerateMIdent = [&copy](const TStr& path1, const TStr&) { return path1 == copy.Folder ? 1 : 0; };
  bool made = RecourseCopy(sourceFolder, folder);
  if (made) {
    copy.Unload();
    made = copy.Load();
  }
  hooks.AskRegenerateMIdent = ask;
  if (made) {
    copy.Info.Creating = 0;
    copy.Storages.EraseMarkedBlocks(copy);
    manager->MakeUniqueDIdent(copy);
    int author = copy.Authors.FindAuthorByADIdent(copy, ModelAuthorADIdent, true);
    uint16_t adident = 0;
    TStr agident;
    made = author >= 0 && copy.GenerateAuthorIdent(adident, agident);
    if (made) copy.Authors.Author(author).AGIdent = agident;
    made = made && copy.Save();
    if (made) {
      copy.Unload();
      made = copy.Load();
    }
  }
  if (!made) {
    // Nothing of a half-made copy stays: its folder goes and the register forgets it.
    manager->ForgetLastDiscussion(index);
    RecourseDelete(folder);
    return;
  }
  copy.RepairUserBlockRelations();
  OpenNewWindowOnRoot(command, index);
}
