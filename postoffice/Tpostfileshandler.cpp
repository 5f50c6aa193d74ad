#include "postoffice/Tpostfileshandler.h"

#include "foundation/Commoncrypt.h"
#include "foundation/Fileroutines.h"
#include "foundation/Guihooks.h"
#include "foundation/Tformprogress.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "foundation/Textroutines.h"
#include "foundation/Tlogin.h"
#include "model/Tdiscussionsmanager.h"
#include "model/Unsavedchanges.h"
#include "platform/kernel/Fileapi.h"
#include "postoffice/Packandsplit.h"
#include "postoffice/Postarchives.h"
#include "postoffice/Postcommands.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tmoderatecaller.h"
#include "postoffice/Tpost.h"
#include "postoffice/Tpostadaptor.h"

#include <algorithm>
#include <vector>

namespace {

constexpr const char* Caption = "HANDLING POST FILE";
constexpr const char* LeftUnhandled = "So the command message is left unhandled.";

int CompareByDates(const TPostFile& a, const TPostFile& b) {
  if (a.ComposeTime != b.ComposeTime) return a.ComposeTime < b.ComposeTime ? -1 : 1;
  // Within one second a message that forms a discussion comes first: its sender's other
  // messages of that moment (the authors' data that follows a model) need the discussion.
  const bool aForms = a.Command.View() == "FORM_NEW_MODEL", bForms = b.Command.View() == "FORM_NEW_MODEL";
  if (aForms != bForms) return aForms ? -1 : 1;
  if (a.FileTime != b.FileTime) return a.FileTime < b.FileTime ? -1 : 1;
  return 0;
}

bool IsDecimal(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The file of the run whose row is k, -1 when it already left the list.
int32_t FileWithRow(const TPostFilesStorage& storage, uint32_t k) {
  for (uint32_t i = 0; i < storage.Files.Count(); ++i)
    if (storage.Files[i].ListRow == k) return static_cast<int32_t>(i);
  return -1;
}

void ClearKeyPasswordVerified() {
  if (TLoginsStorage* logins = LoginsStorage())
    if (TLogin* login = logins->GetCurrentLogin()) login->KeyPasswordVerified = 0;
}

int FindDiscussion(const TStr& dident, const char* command) {
  TDiscussionsManager* manager = DiscussionsManager();
  if (!manager) return -1;
  return manager->FindDiscussionByDIdent(dident, true, TStr(LeftUnhandled), TStr(command));
}

}  // namespace

TPostFilesHandler::TPostFilesHandler(TPost& post) : Post(post) {}

TPostFilesHandler::~TPostFilesHandler() = default;

void TPostFilesHandler::ShowProgress(const std::string& status) {
  if (!fProgress) {
    fProgress = std::make_unique<TFormProgress>(nullptr);
    fProgress->ShowCentered();
  }
  fProgress->SetStatus(status);
}

void TPostFilesHandler::CloseProgress() { fProgress.reset(); }

void TPostFilesHandler::RefreshList() {}

void TPostFilesHandler::Refuse(const std::string& text) {
  TError::AppendToLog(std::string(Caption) + ": " + text);
  ShowMessageBox(Caption, text);
}

bool TPostFilesHandler::HandlePostFiles(TPostFilesStorage& storage, TArray<int32_t>& indices, bool interactive,
                                        int* done, const std::string& caption) {
  // Indices that name no file, and repeats, take no part.
  std::vector<int32_t> order;
  for (int32_t index : indices)
    if (index >= 0 && uint32_t(index) < storage.Files.Count() &&
        std::find(order.begin(), order.end(), index) == order.end())
      order.push_back(index);
  std::stable_sort(order.begin(), order.end(), [&storage](int32_t a, int32_t b) {
    return CompareByDates(storage.Files[uint32_t(a)], storage.Files[uint32_t(b)]) < 0;
  });
  indices.Clear();
  for (int32_t index : order) indices.AddItem(index);
  for (TPostFile& file : storage.Files) file.ListRow = 0xFFFF;
  for (uint32_t k = 0; k < order.size(); ++k) storage.Files[uint32_t(order[k])].ListRow = uint16_t(k);

  Stop = 0;
  ModelRequests.Clear();
  BlockNameRequests.Clear();
  AddedBlocks = 0;
  if (done) *done = 0;
  bool progress = false;
  const uint32_t count = static_cast<uint32_t>(order.size());
  for (uint32_t k = 0; k < count && !Stop; ++k) {
    const int32_t index = FileWithRow(storage, k);
    // Retired together with an earlier file; a processed part of a set that was joined
    // waits for its discussion to take it into its history.
    if (index < 0 || storage.Files[uint32_t(index)].Processed) continue;
    progress = true;
    fSetAside = false;
    ShowProgress(caption + " - " + std::to_string(k + 1) + " of " + std::to_string(count) + " messages...");
    switch (storage.Kind) {
      case PostKind_Inbox: HandleInboxFile(storage, uint32_t(index), interactive); break;
      case PostKind_InboxPost: JoinReceivedParts(storage, uint32_t(index), interactive); break;
      case PostKind_Outbox: PackOutgoingMessage(storage, uint32_t(index), interactive); break;
      default: break;
    }
    if (!Stop && !fSetAside && done) ++*done;
  }

  if (&storage == &Post.Outbox) {
    if (Post.Adaptor) Post.Adaptor->PostFileHandled(Post.OutboxPost);
    Post.Save();
  }
  AnswerRequests(ModelRequests, true);
  AnswerRequests(BlockNameRequests, false);
  SaveAndDeleteHandled(storage);
  if (AddedBlocks != 0) ShowMessageBox("New blocks", "There are " + std::to_string(AddedBlocks) + " blocks added.");
  if (progress) CloseProgress();
  RefreshList();
  return true;
}

void TPostFilesHandler::HandleInboxFile(TPostFilesStorage& storage, uint32_t index, bool interactive) {
  const std::string path = storage.FilePath(index);
  const std::string command = storage.Files[index].Command.ToString();
  const std::string name = storage.Files[index].Name.ToString();
  const std::string dident = storage.Files[index].DIdent.ToString();
  const std::string folder = storage.FolderName.ToString();
  bool handled = false;
  {
    // What another participant sent is refused, never a fault of the program: a message
    // that cannot be read, verified or applied is set aside and the run goes on.
    TErrorCapture capture;
    if (!HoldsItsSeal(path)) {
      ShowVerifyingError();
      SetAside(storage, name, "The " + folder + " file " + ShownText(name) +
                                  " is no sealed command message or was altered on its way; the file is set aside.");
    } else if (!IsSealedForItsDiscussion(path)) {
      ShowVerifyingError();
      SetAside(storage, name, "The " + folder + " file " + ShownText(name) +
                                  " is about a secret discussion but not sealed with its sender's key; the file is "
                                  "set aside.");
    } else if (!FindPostCommand(command)) {
      SetAside(storage, name, "Unknown command (" + ShownText(command) + ") - can't handle " + folder + " file " +
                                  ShownText(name) + "; the file is set aside.");
    } else if (command == "GENERATE_AUTHOR_IDENTS") {
      HandleGenerateAuthorIdents(storage, index, handled);
    } else if (const TPostCommandHandler* handler = FindPostCommandHandler(command)) {
      handled = (*handler)(*this, path);
    } else {
      SetAside(storage, name, "The command " + command + " of " + folder + " file " + name +
                                  " can't be handled yet. The file is set aside.");
    }
    if (capture.Caught()) {
      handled = false;
      SetAside(storage, name, ShownText(name) + ": " + capture.First() + "\nThe file is set aside.");
    }
  }
  if (handled) {
    // Handlers may have refreshed the list: the file is found again by its name. It is
    // deleted once its discussion is saved, at the end of the run.
    const int32_t at = storage.FindPostFile(name);
    if (at >= 0) {
      storage.Files[uint32_t(at)].Processed = 1;
      fHandled.push_back({name, dident});
    }
  }
  if (interactive) RefreshList();
  ClearKeyPasswordVerified();
}

void TPostFilesHandler::SetAside(TPostFilesStorage& storage, const std::string& name, const std::string& text) {
  Refuse(text);
  fSetAside = true;
  const int32_t at = storage.FindPostFile(name);
  if (at >= 0) storage.Files[uint32_t(at)].Sendable = 0;
}

void TPostFilesHandler::SaveAndDeleteHandled(TPostFilesStorage& storage) {
  if (fHandled.empty()) return;
  std::vector<std::string> unsaved;
  if (TDiscussionsManager* manager = DiscussionsManager()) {
    std::vector<std::string> didents;
    for (const auto& [name, dident] : fHandled)
      if (std::find(didents.begin(), didents.end(), dident) == didents.end()) didents.push_back(dident);
    for (int i = 0; i < manager->GetDiscussionsCount(); ++i) {
      TDiscussion& d = manager->GetDiscussion(i);
      const std::string dident = d.Info.DIdent.ToString();
      if (!d.Loaded || std::find(didents.begin(), didents.end(), dident) == didents.end()) continue;
      if (HasUnsavedChanges(d) && !d.Save()) unsaved.push_back(dident);
    }
  }
  for (const auto& [name, dident] : fHandled) {
    if (std::find(unsaved.begin(), unsaved.end(), dident) == unsaved.end()) continue;
    // Its effect is not on the disk: the message stays to be handled again.
    const int32_t at = storage.FindPostFile(name);
    if (at >= 0) storage.Files[uint32_t(at)].Processed = 0;
  }
  fHandled.clear();
  storage.DeleteProcessedFiles();
}

void TPostFilesHandler::HandleGenerateAuthorIdents(TPostFilesStorage& storage, uint32_t index, bool& handled) {
  const std::string path = storage.FilePath(index);
  const int discussion = FindDiscussion(storage.Files[index].DIdent, "GENERATE_AUTHOR_IDENTS");
  if (discussion < 0) {
    // The user was told; the request waits unmarked and the run goes on.
    fSetAside = true;
    storage.Files[index].Sendable = 0;
    return;
  }
  if (!DiscussionsManager()->GetDiscussion(discussion).Info.IsModerated()) {
    if (const TPostCommandHandler* handler = FindPostCommandHandler("GENERATE_AUTHOR_IDENTS")) {
      handled = (*handler)(*this, path);
    } else {
      SetAside(storage, storage.Files[index].Name.ToString(),
               "The command GENERATE_AUTHOR_IDENTS of " + storage.FolderName.ToString() + " file " +
                   storage.Files[index].Name.ToString() + " can't be handled yet. The file is set aside.");
    }
    return;
  }
  TModerateCaller* caller = ModerateCaller();
  if (!TBrowseGlobal::Moderation || !caller) {
    ShowMessageBox(Caption, "Can't call moderation function -\ncurrent user don't have Moderate permission.");
    Stop = 1;
    return;
  }
  {
    // The moderation library takes only what was checked as every other message is.
    THandlerFrame frame("HandleCommand_GenerateAuthorIdents");
    if (!frame.Open(path, {"GENERATE_AUTHOR_IDENTS"})) return;
  }
  uint16_t adident = 0xFFFF;
  std::string agident;
  const uint8_t code = caller->HandleCommand_GenerateAuthorIdents(path, adident, agident);
  if (code == 1) {
    ShowMessageBox(Caption, "Error calling moderation function.");
    Stop = 1;
  } else if (code != 3) {
    if (const TRefreshAuthorData* refresh = FindRefreshAuthorData()) {
      handled = (*refresh)(*this, path, adident, agident);
    } else {
      Refuse("The author identifiers given by the moderation library for " + storage.Files[index].Name.ToString() +
             " can't be stored yet. The file is left unhandled.");
      Stop = 1;
    }
  }
}

void TPostFilesHandler::JoinReceivedParts(TPostFilesStorage& storage, uint32_t index, bool interactive) {
  const std::string name = storage.Files[index].Name.ToString();
  const size_t dot = name.rfind('.');
  const std::string base = dot == std::string::npos ? std::string() : name.substr(0, dot + 1);
  const std::string tail = dot == std::string::npos ? name : name.substr(dot + 1);
  const size_t underscore = tail.find('_');
  const std::string countText = underscore == std::string::npos ? std::string() : tail.substr(underscore + 1);
  if (!IsDecimal(countText) || countText.find_first_not_of('0') == std::string::npos) {
    ShowMessageBox(Caption, "Handling " + storage.FolderName.ToString() + " files - can't find postfix; skipped");
    return;
  }
  TPostFilesStorage& inbox = Post.Inbox;
  // A set cannot have more parts than the folder has files.
  const uint64_t count = countText.size() > 5 ? uint64_t(MaxJoinedCabinetSize) : std::stoull(countText);
  std::vector<uint32_t> parts;
  std::vector<std::string> paths;
  uint64_t total = 0;
  for (uint64_t i = 1; i <= count; ++i) {
    const int32_t at = i <= storage.Files.Count()
                           ? storage.FindPostFile(PostPartName(base, static_cast<uint32_t>(i), countText))
                           : -1;
    if (at < 0) {
      ShowMessageBox(Caption, "Not enough message parts!");
      Stop = 1;
      break;
    }
    parts.push_back(uint32_t(at));
    paths.push_back(storage.FilePath(uint32_t(at)));
    total += storage.Files[uint32_t(at)].Size;
  }
  if (!Stop && total > MaxJoinedCabinetSize) {
    Refuse("The parts of " + ShownText(base) + "cab are larger than " + std::to_string(MaxJoinedCabinetSize) +
           " bytes together; they are left in " + storage.FolderName.ToString() + ".");
    Stop = 1;
  }
  if (!Stop) {
    const std::string work = inbox.FolderPath.ToString() + ".join/";
    const std::string cabinet = work + base + "cab";
    std::vector<std::string> unpacked;
    std::string error;
    if (!CreateFolder(work) || !JoinPostParts(paths, cabinet, storage.FolderName.ToString(), inbox.FolderName.ToString())) {
      Stop = 1;
    } else {
      const bool extracted = UnpackReceivedCabinet(cabinet, inbox.FolderPath.ToString(), unpacked, error);
      if (!DeleteFileA(cabinet.c_str()) && IsFileExists(cabinet))
        ShowMessageBox("DELETING ERROR", "Can't delete file " + cabinet + " - delete it manually!");
      if (!extracted) {
        Refuse("Can't unpack " + ShownText(base) + "cab: " + error);
        Stop = 1;
      } else {
        for (uint32_t part : parts) storage.Files[part].Processed = 1;
        inbox.Refresh(Post);
      }
    }
    RemoveDirectoryA(work.c_str());
  }
  storage.MoveProcessedToHistory(Post);
  if (interactive) RefreshList();
}

void TPostFilesHandler::PackOutgoingMessage(TPostFilesStorage& storage, uint32_t index, bool interactive) {
  const std::string folder = storage.FolderPath.ToString();
  const std::string name = storage.Files[index].Name.ToString();
  // The cabinet and its parts are made in a work folder that no scan lists, so that a
  // crash leaves no cabinet among the messages and no incomplete set among the post files.
  const std::string work = folder + ".pack/", parts = work + "parts/";
  const std::string cabinet = work + name + ".cab";
  const unsigned reportsBefore = TError::Instance().ReportCount();
  if (!CreateFolder(parts)) {
    Stop = 1;
    return;
  }
  RemoveFolderFiles(parts);
  std::string error;
  if (!PackMessageCabinet(folder, name, cabinet, error)) {
    Refuse("Can't pack " + storage.FolderName.ToString() + " file " + name + ": " + error);
    return;
  }
  const bool split =
      PackAndSplit(work, name + ".cab", parts, uint64_t(std::max(PostPartSizeKB, 1)) * 1024) &&
      PublishFolderFiles(parts, Post.OutboxPost.FolderPath.ToString());
  if (!DeleteFileA(cabinet.c_str()) && IsFileExists(cabinet) && split)
    TError::Report("Can't delete file " + cabinet + " - delete it manually!");
  if (!split || TError::Instance().ReportCount() != reportsBefore) {
    RemoveFolderFiles(parts);
    Stop = 1;
    return;
  }
  storage.Files[index].Processed = 1;
  Post.OutboxPost.Refresh(Post);
  storage.DeleteProcessedFiles();
  if (interactive) RefreshList();
}

void TPostFilesHandler::AnswerRequests(TArray<TStr>& requests, bool models) {
  const char* command = models ? "GIVE_MODEL" : "GIVE_EXISTING_BLOCKS_LIST";
  while (!requests.IsEmpty()) {
    const TStr dident = requests[0];
    int fresh = 0;
    for (uint32_t i = requests.Count(); i-- > 0;)
      if (requests[i] == dident) {
        requests.Delete(i);
        ++fresh;
      }
    const int index = FindDiscussion(dident, command);
    if (index < 0) continue;
    TDiscussion& discussion = DiscussionsManager()->GetDiscussion(index);
    if (!discussion.Loaded && !discussion.Load()) continue;
    TArray<TStr> pending;
    SplitToStrArray((models ? discussion.Info.ModelRequesters : discussion.Info.BlockNamesRequesters).View(), "; ",
                    pending);
    const std::string head = "Discussion: " + discussion.GetName().ToString() + "\nThere are " + std::to_string(fresh);
    const std::string all = std::to_string(pending.Count());
    if (models) {
      if (ShowMessageBox("GIVE_MODEL", head + " new / " + all + " in all GIVE_MODEL requests.\nPost FORM_NEW_MODEL message?",
                         "", "Yes|No", 0) == 0)
        discussion.SendCommandsForNewModel();
    } else {
      if (ShowMessageBox("Existing blocks list",
                         head + " new (" + all + " total) EXISTING_BLOCKS_LIST requests.\nPost existing blocks list?", "",
                         "Yes|No", 0) == 0)
        discussion.SendPendingExistingBlockNames();
    }
  }
}
