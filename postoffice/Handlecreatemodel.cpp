#include "postoffice/Commandhandlers.h"

#include "foundation/Fileroutines.h"
#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "foundation/Tlogin.h"
#include "foundation/Ttempcursor.h"
#include "model/Blocknames.h"
#include "model/Blockrecord.h"
#include "model/Foldertree.h"
#include "model/Modelhooks.h"
#include "model/Postcommandnames.h"
#include "model/Privateaccess.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/kernel/Fileapi.h"
#include "postoffice/Postdates.h"
#include "postoffice/Thandlerframe.h"

#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr const char* Command = MessageCommand::FormNewModel.Name;
constexpr const char* Who = "HandleCommand_CreateModel";
// Questions and messages about missing links asked for one message; the rest are counted.
constexpr int MaxLinkQuestions = 20;

// The model blocks of the message, read and checked before anything is made.
bool ReadModelBlocks(THandlerFrame& frame, std::string_view key, std::vector<TDiscBlockRecord>& records) {
  const unsigned before = TError::Instance().ReportCount();
  std::set<std::string> names{std::string(RootBlockName)};
  TDiscBlockRecord record;
  while (DiscBlockFromBufReader(frame.Reader(), record, key)) {
    if (record.StorageType != StorageType_Model) {
      TError::Report(std::string(Who) + " - обнаружен не блок монографии");
      return false;
    }
    // One block a name, and no more than the model storage holds beside the root.
    if (!names.insert(record.Name.ToString()).second || records.size() + 2 > size_t(MaxBlocksInStorage)) {
      TError::Report(std::string(Who) + " - ошибка формата файла " + frame.Path);
      return false;
    }
    records.push_back(std::move(record));
    record = TDiscBlockRecord();
  }
  return TError::Instance().ReportCount() == before;
}

// Upper blocks are looked up at once, so each must come before the blocks beneath it. The
// user is asked about each one that does not, before anything is made.
bool AcceptMissingUppers(const std::vector<TDiscBlockRecord>& records) {
  std::set<std::string> seen{std::string(RootBlockName)};
  int asked = 0;
  for (const TDiscBlockRecord& record : records) {
    const std::string upper = record.UpperName.ToString();
    if (!upper.empty() && !seen.count(upper) && asked++ < MaxLinkQuestions &&
        ShowMessageBox(Command, "Upper blocks (" + ShownText(upper) + ") not found.\nContinue creating model?", "",
                       "Yes|No", 0) != 0)
      return false;
    seen.insert(record.Name.ToString());
  }
  return true;
}

// Asks for the new discussion's folder and makes it with its post history folders; the
// folder's name, or "" when the user gave up or the folders cannot be made.
std::string MakeDiscussionFolder(TDiscussionsManager& manager, const std::string& proposal) {
  const std::string root = manager.GetFolderPath(manager.DiscussedRoot).ToString() + "/";
  std::string name = proposal;
  for (;;) {
    std::string entered;
    if (!InputString("Forming new model", "Type folder name for new discussion:", name, entered)) return "";
    name = entered;
    if (!name.empty() && (name.back() == '\\' || name.back() == '/')) name.pop_back();
    if (!IsLegalDiscussionFolderName(name)) {
      ShowMessageBox("ILLEGAL FOLDER NAME", "This folder name contain illegal characters;\nplease reenter it.");
      continue;
    }
    const std::string folder = root + name;
    if (IsDirExists(folder)) {
      if (manager.FolderHasDiscussion(TStr(folder))) {
        ShowMessageBox("NEW FOLDER NAME", "This folder name already exists. Enter another name.\n(You can "
                                          "delete/rename any discussion folder after Quillaran exit)");
        continue;
      }
      if (ShowMessageBox("FOLDER ALREADY EXISTS", "Subfolder '" + name + "' already exists in " + root +
                                                      ";\ndo you want to reenter discussion folder name?",
                         "", "Yes|No", 0) == 0)
        continue;
      return "";
    }
    if (!MakeFolder(folder)) {
      if (ShowMessageBox("ERROR CREATING FOLDER", "Error creating subfolder '" + name + "' in " + root +
                                                      ";\ndo you want to reenter discussion folder name?",
                         "", "Yes|No", 0) == 0)
        continue;
      return "";
    }
    for (size_t i = 0; i < std::size(DiscussionHistoryFolders); ++i) {
      if (MakeFolder(folder + "/" + DiscussionHistoryFolders[i])) continue;
      ShowMessageBox("ERROR CREATING FOLDER",
                     "Error creating subfolder '" + std::string(DiscussionHistoryFolders[i]) + "' in " + folder + "/");
      // Nothing of a discussion that cannot be made stays behind.
      while (i-- > 0) RemoveDirectoryA((folder + "/" + DiscussionHistoryFolders[i]).c_str());
      RemoveDirectoryA(folder.c_str());
      return "";
    }
    return name;
  }
}

// The moderator may be a user of this installation: then the copy is moderated here.
uint16_t ModeratorLogin(const std::string& email, const std::string& lident) {
  TLoginsStorage* logins = ModelHooks().Logins;
  const int index = logins ? logins->FindOrAddLoginOf(TStr(lident), TStr(email)) : -1;
  return index < 0 ? 0xFFFF : logins->GetLogin(index).Ident;
}

// The whole days of a date "mm/dd/yyyy"; 0 when it is no date.
int32_t ShareDays(const std::string& text) {
  if (text.empty() || text.find(' ') != std::string::npos) return 0;
  const double date = double(ParseComposeDateTime(text + " 00:00:00"));
  return date > 0 && date < 2e6 ? int32_t(std::floor(date)) : 0;
}

void KeepLostName(TDiscussion& d, int index, bool upper, const TStr& name) {
  TDiscBlock& block = d.Storages.Model.Block(index);
  if (block.UnlinkedIndex == NoUnlinkedBlockInfo) {
    const int record = AddUnlinkedBlockInfo(d.UnlinkedBlockInfos, d, block.GetDiscBlockCode());
    if (record < 0) return;
    block.UnlinkedIndex = uint16_t(record);
  }
  TUnlinkedBlockInfo& info = d.UnlinkedBlockInfos[block.UnlinkedIndex];
  if (upper) {
    info.LostParent = 1;
    info.ParentName = name;
  } else {
    info.LostConclusion = 1;
    info.ConclusionName = name;
  }
}

void AppendBlocks(TDiscussion& d, const std::vector<TDiscBlockRecord>& records) {
  TBlocksStorage& model = d.Storages.Model;
  std::vector<std::pair<int, TStr>> formulas;
  for (const TDiscBlockRecord& record : records) {
    const int upper = record.UpperName.IsEmpty() ? -1 : model.FindByName(record.UpperName.ToString());
    // Room was checked before anything was applied.
    const int index =
        model.AppendBlock(d, upper >= 0 ? TDiscBlockIndex{StorageType_Model, uint16_t(upper)} : TDiscBlockIndex());
    if (index < 0) break;
    TDiscBlock& block = model.Block(index);
    CopyReceivedValues(block, record);
    if (!record.UpperName.IsEmpty() && upper < 0) KeepLostName(d, index, true, record.UpperName);
    model.Block(index).Name = record.Name;
    if (record.TextType == TextType_Formula && !record.ConclusionName.IsEmpty())
      formulas.push_back({index, record.ConclusionName});
    TStrHashItem& texts = model.Texts(index);
    texts.Str = record.Texts;
    texts.Save(model.Block(index));
    model.NewBlockAdded(d, index, 1);
  }
  int shown = 0;
  for (const auto& [index, name] : formulas) {
    const int conclusion = model.FindByName(name.ToString());
    if (conclusion >= 0 && conclusion != index) {
      model.Block(index).Conclusion = {StorageType_Model, uint16_t(conclusion)};
      model.Block(index).ConclusionCode = model.Block(conclusion).GetDiscBlockCode();
      continue;
    }
    if (shown++ < MaxLinkQuestions)
      ShowMessageBox(Command, "Formula conclusion block (" + ShownText(name.View()) + ") not found.");
    KeepLostName(d, index, false, name);
  }
  for (int i = 0; i < model.Count(); ++i) {
    model.CheckFormula(d, i, 1);
    model.CheckReferences(d, i, 1, 1);
  }
}

}  // namespace

bool HandleCommand_CreateModel(TPostFilesHandler& run, const std::string& path) {
  TDiscussionsManager* manager = DiscussionsManager();
  THandlerFrame frame(Who);
  if (!manager || !frame.Open(path, {Command})) return false;
  const std::string dident = frame.Field("DIDENT");
  if (manager->FindDiscussionByDIdent(TStr(dident), false, TStr(), TStr()) >= 0) {
    frame.Close();
    if (ShowMessageBox(Command,
                       std::string("The discussion with the same ident already exists.\nDo you want to handle "
                                   "this ") +
                           Command + " command as " + MessageCommand::RequestedBlocks.Name + " command?",
                       "", "OK|Cancel", 0) != 0)
      return false;
    return HandleCommand_NewBlocks(run, path);
  }
  // Every text the new discussion keeps must fit where it is stored, before anything is made.
  for (const char* field : {"MODEL_NAME", "MODEL_NICK", "AUTHOR_DATA", "MODEL_AUTHOR_LIDENT", "MODERATOR_EMAIL",
                            "MODERATOR_LIDENT", "AGIDENT1", "SHARE_DATE"})
    if (frame.Field(field).size() > TStr::kMaxStoredLength) {
      TError::Report(std::string(Who) + " - поле " + field + " длиннее " + std::to_string(TStr::kMaxStoredLength) +
                     " символов: " + path);
      return false;
    }
  if (frame.Header.GetAnnotationField().size() > TStr::kMaxStoredLength || dident.size() > TStr::kMaxStoredLength) {
    TError::Report(std::string(Who) + " - ошибка формата файла " + path);
    return false;
  }
  const std::string modelName = frame.Field("MODEL_NAME");
  const std::string count = frame.Field("BLOCKSCOUNT");
  const bool moderated = frame.Field("MODERATED") != "0" && !frame.Field("MODERATED").empty();
  if (ShowMessageBox(Command, "Create model '" + ShownText(modelName) + "' (" + ShownText(count) + " blocks)?", "",
                     "OK|Cancel", 0) != 0)
    return false;
  const bool privately = frame.Header.IsPrivateMessage();
  std::vector<TDiscBlockRecord> records;
  if (!ReadModelBlocks(frame, privately ? frame.Header.SenderKey() : std::string(), records) ||
      !AcceptMissingUppers(records))
    return false;
  frame.Close();

  const std::string folderName = MakeDiscussionFolder(*manager, frame.Field("MODEL_NICK"));
  if (folderName.empty()) return false;
  TTempCursor hourglass;
  const int index = manager->CreateNewDiscussion(manager->DiscussedRoot, TStr(folderName), true, 0);
  if (index < 0) return false;
  TDiscussion& d = manager->GetDiscussion(index);
  d.Info.GenerateMIdent();
  if (!d.User.PostLists.AddNewItem(d)) return false;
  TDiscussionInfo& info = d.Info;
  info.DIdent = dident;
  info.ModeratorLoginIdent =
      moderated ? ModeratorLogin(frame.Field("MODERATOR_EMAIL"), frame.Field("MODERATOR_LIDENT")) : 0xFFFF;
  info.Annotation = frame.Header.GetAnnotationField();
  info.Name = modelName;
  info.ModelFolderName = frame.Field("MODEL_NICK");
  info.Secret = privately ? 1 : 0;
  info.ShareDate = ShareDays(frame.Field("SHARE_DATE"));
  info.ModelAuthorLIdent = frame.Field("MODEL_AUTHOR_LIDENT");

  const int author = d.Authors.CreateAuthor(d, TStr(), ModelAuthorADIdent, 1);
  if (author < 0) return false;
  d.Authors.Author(author).DecodeAuthorDataStr(frame.Field("AUTHOR_DATA"));
  d.Authors.Author(author).Subscriber = 1;
  d.AutoFillMyData();
  if (moderated && d.IsModerator()) {
    const int me = d.Authors.FindAuthorByLIdent(CurrentModelLogin().LIdent);
    if (me >= 0) {
      d.Authors.Author(me).ADIdent = 1;
      d.Authors.Author(me).AGIdent = frame.Field("AGIDENT1");
    }
  }
  const TDiscBlockIndex root = d.Storages.GetRootBlockIndex();
  if (!root.IsEmpty()) {
    TStrHashItem& texts = d.Storages.Model.Texts(root.Index);
    texts.Str.Text = modelName;
    texts.Save(d.Storages.Model.Block(root.Index));
  }
  AppendBlocks(d, records);
  if (frame.Header.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED") != "*") {
    d.Undo.AddIntFieldChange(UndoObject_DiscussionInfo, InfoField_Subscribed, info.Subscribed);
    info.Subscribed = 1;
  }
  d.RepairUserBlockRelations();
  if ((privately && !KeepPrivateAccess(d)) || !d.Save()) return false;
  d.UpdateModeratedCommentsCount();
  ShowMessageBox("MODEL IS CREATED", "Model '" + ShownText(modelName) + "' is created");
  TListeners::SendPair(Notify_FoldersChanged, 0, 0, false);
  return true;
}
