#include "postoffice/Tpostfileshandler.h"

#include "dialogs/Tformprogress.h"
#include "foundation/Commoncrypt.h"
#include "foundation/Filereplace.h"
#include "foundation/Fileroutines.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "foundation/Textroutines.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussionsmanager.h"
#include "model/Unsavedchanges.h"
#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Tdatetime.h"
#include "postoffice/Appliedmessages.h"
#include "postoffice/Commandhandlers.h"
#include "postoffice/Keyquestions.h"
#include "postoffice/Packandsplit.h"
#include "postoffice/Postarchives.h"
#include "postoffice/Postcommands.h"
#include "postoffice/Signerkeys.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tmoderatecaller.h"
#include "postoffice/Tpost.h"
#include "postoffice/Tpostadaptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

constexpr const char* Caption = "HANDLING POST FILE";
constexpr const char* LeftUnhandled = "So the command message is left unhandled.";

int CompareByDates(const TPostFile& a, const TPostFile& b) {
  if (a.ComposeTime != b.ComposeTime) return a.ComposeTime < b.ComposeTime ? -1 : 1;
  // Within one second a message that forms a discussion comes first: its sender's other
  // messages of that moment (the authors' data that follows a model) need the discussion.
  const bool aForms = a.Command.View() == MessageCommand::FormNewModel.Name,
             bForms = b.Command.View() == MessageCommand::FormNewModel.Name;
  if (aForms != bForms) return aForms ? -1 : 1;
  if (a.FileTime != b.FileTime) return a.FileTime < b.FileTime ? -1 : 1;
  return 0;
}

bool IsDecimal(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Files named in one summary of what a run set aside; the rest are counted.
constexpr size_t MaxShownSetAside = 10;

// Files named in a box: the first few, then how many more.
std::string ListedNames(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size() && i < MaxShownSetAside; ++i) text += (i ? ", " : "") + ShownText(names[i]);
  if (names.size() > MaxShownSetAside) text += " and " + std::to_string(names.size() - MaxShownSetAside) + " more";
  return text;
}

// A received part's name: the base up to and including its last '.', the part number and
// the part count. A copy kept beside a part of the same name ("X#2.1_3") belongs to the
// set of the plain name. `Member`: the number has the count's width and lies in 1..count.
struct TPartName {
  std::string Base, CountText;
  uint64_t Number = 0;
  bool Member = false;
};

bool ParsePartName(const std::string& name, TPartName& part) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string base = name.substr(0, dot);
  const std::string tail = name.substr(dot + 1);
  const size_t underscore = tail.find('_');
  if (underscore == std::string::npos) return false;
  const std::string number = tail.substr(0, underscore), count = tail.substr(underscore + 1);
  if (!IsDecimal(count) || count.size() > 5 || count.find_first_not_of('0') == std::string::npos) return false;
  const size_t hash = base.rfind('#');
  if (hash != std::string::npos && IsDecimal(std::string_view(base).substr(hash + 1))) base.erase(hash);
  part.Base = base + ".";
  part.CountText = count;
  part.Member = IsDecimal(number) && number.size() == count.size();
  part.Number = part.Member ? std::stoull(number) : 0;
  part.Member = part.Member && part.Number >= 1 && part.Number <= std::stoull(count);
  return true;
}

// The set a part belongs to: the parts of one post share it.
std::string SetOf(const TPartName& part) { return part.Base + "_" + part.CountText; }

// The file of the run whose row is k, -1 when it already left the list. `at` remembers
// where each row's file was, looked for again only when files left the list before it.
int32_t FileWithRow(const TPostFilesStorage& storage, uint32_t k, std::vector<int32_t>& at) {
  const auto holds = [&](int32_t i) {
    return i >= 0 && uint32_t(i) < storage.Files.Count() && storage.Files[uint32_t(i)].ListRow == k;
  };
  if (k < at.size() && holds(at[k])) return at[k];
  std::fill(at.begin(), at.end(), -1);
  for (uint32_t i = 0; i < storage.Files.Count(); ++i)
    if (storage.Files[i].ListRow < at.size()) at[storage.Files[i].ListRow] = int32_t(i);
  return k < at.size() ? at[k] : -1;
}

void ClearKeyPasswordVerified() {
  if (TLoginsStorage* logins = ModelHooks().Logins)
    if (TLogin* login = logins->GetCurrentLogin()) login->KeyPasswordVerified = 0;
}

// This installation moderates the discussion: its manager login is the moderator, whoever
// runs the post office now.
bool ModeratesHere(const TDiscussion& discussion) {
  TLoginsStorage* logins = ModelHooks().Logins;
  const int manager = logins ? logins->GetManagerLoginIndex() : -1;
  return discussion.Info.IsModerated() && manager >= 0 &&
         logins->GetLogin(manager).Ident == discussion.Info.ModeratorLoginIdent;
}

int FindDiscussion(const TStr& dident, const char* command) {
  TDiscussionsManager* manager = DiscussionsManager();
  if (!manager) return -1;
  return manager->FindDiscussionByDIdent(dident, true, TStr(LeftUnhandled), TStr(command));
}

}  // namespace

std::string SetOfPartName(const std::string& name) {
  TPartName part;
  return ParsePartName(name, part) ? SetOf(part) : std::string();
}

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
  std::vector<bool> taken(storage.Files.Count());
  for (int32_t index : indices)
    if (index >= 0 && uint32_t(index) < storage.Files.Count() && !taken[uint32_t(index)]) {
      taken[uint32_t(index)] = true;
      order.push_back(index);
    }
  std::stable_sort(order.begin(), order.end(), [&storage](int32_t a, int32_t b) {
    return CompareByDates(storage.Files[uint32_t(a)], storage.Files[uint32_t(b)]) < 0;
  });
  if (storage.Kind == PostKind_Inbox) AskKnownSendersFirst(storage, order);
  indices.Clear();
  for (int32_t index : order) indices.AddItem(index);
  for (TPostFile& file : storage.Files) file.ListRow = 0xFFFF;
  for (uint32_t k = 0; k < order.size(); ++k) storage.Files[uint32_t(order[k])].ListRow = uint16_t(k);

  if (storage.Kind == PostKind_InboxPost) ForgetLearntOfGoneFiles(storage);
  const TKeyQuestionsRun keyQuestions(ModelHooks().Logins);  // a sender's Key asked once a run
  // The parts and copies the run retires tell of themselves once, at its end.
  TRetireBoxes retireBoxes;
  Stop = 0;
  fJoined = false;
  fToldModerationWaits = false;
  fSetAsideFiles.clear();
  fNotAsked.clear();
  fPassedSets.clear();
  fSets = {};
  fWaitingTold.clear();
  ModelRequests.Clear();
  BlockNameRequests.Clear();
  StrangerRequests = 0;
  RequestKeys.clear();
  UnprovenRefusalsText();  // none of an earlier run stays
  AddedBlocks = 0;
  if (done) *done = 0;
  bool progress = false;
  const uint32_t count = static_cast<uint32_t>(order.size());
  std::vector<int32_t> rows(count, -1);
  for (uint32_t k = 0; k < count && !Stop; ++k) {
    const int32_t index = FileWithRow(storage, k, rows);
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
  if (storage.Kind == PostKind_InboxPost) {
    // Once for the run, however many posts were joined: the unpacked messages are listed,
    // their parts take their discussions from them and go into their histories.
    if (fJoined) Post.Inbox.Refresh(Post);
    storage.MoveProcessedToHistory(Post);
    ForgetGoneSets(storage);
    ForgetLearntOfGoneFiles(storage);
  }
  AnswerRequests(ModelRequests, true);
  AnswerRequests(BlockNameRequests, false);
  SaveAndDeleteHandled(storage);
  TellWaitingSets();
  TellSetAside(storage.FolderPath.ToString());
  if (!fNotAsked.empty()) {
    const TLoginsStorage* logins = ModelHooks().Logins;
    ShowMessageBox(Caption,
                   WaitingForKeysText(fNotAsked, storage.FolderPath.ToString(), logins && logins->AskedNoMore()));
    fNotAsked.clear();
  }
  if (const std::string unproven = UnprovenRefusalsText(); !unproven.empty())
    ShowMessageBox(MessageCommand::YourCommandIgnored.Name, unproven);
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
    TakeReceivedMessageRefusal();  // none of an earlier message stays
    TakeReceivedMessageUnasked();
    TCommandMessageHeader header;
    TMessageSigner signer;
    const TSealState screened = ScreenSeal(path, header, signer);
    if (const std::string otherKey = OtherKeyRefusal(path, screened, header, signer); !otherKey.empty()) {
      SetAside(storage, name, otherKey, OtherKeysFolderName);
    } else if (!HoldsItsSeal(screened)) {
      SetAside(storage, name, "The " + folder + " file " + ShownText(name) +
                                  " is no sealed command message or was altered on its way; the file is set aside.");
    } else if (const std::string elsewhere = NotForThisLoginRefusal(path); !elsewhere.empty()) {
      SetAside(storage, name, elsewhere);
    } else if (const std::string secret = SecretDiscussionRefusal(path, signer); !secret.empty()) {
      SetAside(storage, name, secret);
    } else if (!FindPostCommand(command)) {
      SetAside(storage, name, "Unknown command (" + ShownText(command) + ") - can't handle " + folder + " file " +
                                  ShownText(name) + "; the file is set aside.");
    } else if (command == MessageCommand::GenerateAuthorIdents.Name) {
      HandleGenerateAuthorIdents(storage, index, handled);
    } else if (const TPostCommandHandler* handler = FindPostCommandHandler(command)) {
      fRefusal.clear();
      handled = (*handler)(*this, path);
      // A seal that failed may be a key password mistyped: only a handler's own refusal
      // sets its message aside.
      if (!handled && !capture.Caught() && !fRefusal.empty()) SetAside(storage, name, fRefusal);
    } else {
      SetAside(storage, name,
               "The command " + command + " of " + folder + " file " + ShownText(name) +
                   " can't be handled yet. The file is set aside.");
    }
    // Its sender's Key was not asked in this run: it stays for the next.
    if (const TLoginsStorage::TKeyWait wait = TakeReceivedMessageUnasked();
        wait != TLoginsStorage::TKeyWait::None && !handled && !capture.Caught()) {
      fNotAsked.emplace_back(name, wait);
      fSetAside = true;
    }
    // A handler's refusal for good, told in plain words.
    if (const std::string refused = TakeReceivedMessageRefusal(); !handled && !refused.empty())
      SetAside(storage, name, refused);
    if (capture.Caught()) {
      handled = false;
      if (capture.Local()) {
        // The fault is this computer's (a full disk ...), not the message's: it stays where
        // it is and the next run handles it again; this run ends here.
        fSetAside = true;
        Stop = 1;
        ShowMessageBox(Caption, "The " + folder + " file " + ShownText(name) +
                                    " could not be handled because of a fault on this computer (" + capture.First() +
                                    "). The file stays in " + folder + " and is handled again in the next run.");
      } else {
        SetAside(storage, name, capture.First());
      }
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

void TPostFilesHandler::SetAside(TPostFilesStorage& storage, const std::string& name, const std::string& text,
                                 const std::string& subfolder) {
  fSetAside = true;
  const int32_t at = storage.FindPostFile(name);
  if (at < 0) return;
  // A file that stayed is tried once a run: a second refusal of it adds nothing to tell.
  for (const TSetAsideFile& told : fSetAsideFiles)
    if (told.Name == name && !told.Moved) return;
  std::string outcome;
  const bool moved = storage.SetAsideFile(uint32_t(at), text, subfolder, outcome);
  fSetAsideFiles.push_back({name, text, outcome, moved});
  // The parts that were joined into a refused message go aside with it; those of one that
  // waits for a key lie beside the folder of waiting messages, which holds messages only.
  if (moved && &storage == &Post.Inbox)
    Post.InboxPost.SetAsidePartsOf(name, storage.FolderPath.ToString() + SetAsideFolderName + "/");
}

void TPostFilesHandler::TellSetAside(const std::string& folder) {
  std::vector<std::string> aside, stayed;
  for (const TSetAsideFile& file : fSetAsideFiles) {
    const std::string line = ShownText(file.Name) + ": ";
    if (!file.Moved) stayed.push_back(line + file.Outcome);
    else if (file.Outcome != file.Name)
      aside.push_back(line + file.Reason + " (kept as " + ShownText(file.Outcome) + ")");
    else aside.push_back(line + file.Reason);
  }
  fSetAsideFiles.clear();
  if (aside.empty() && stayed.empty()) return;
  const auto files = [](size_t count) { return std::to_string(count) + (count == 1 ? " file" : " files"); };
  std::string text;
  if (!aside.empty())
    text = files(aside.size()) + " set aside:\n" + ListedInBox(aside) + "\nThey are kept in " + folder +
           SetAsideFolderName + "; errors.log tells why.";
  // What they were refused for would say "set aside" of a file that stayed: errors.log has it.
  if (!stayed.empty())
    text += (text.empty() ? "" : "\n") + files(stayed.size()) + " refused could not be set aside and stay in " +
            folder + ":\n" + ListedInBox(stayed) + "\nThe next run refuses them again; errors.log tells why.";
  ShowMessageBox(Caption, text);
}

void TPostFilesHandler::PassOverSet(TPostFilesStorage& storage, const std::string& set,
                                    const std::vector<std::string>& names, const std::string& text) {
  fSetAside = true;
  fPassedSets.insert(set);
  TDateTime newest = 0;
  for (const std::string& name : names) {
    const int32_t at = storage.FindPostFile(name);
    if (at < 0) continue;
    TPostFile& file = storage.Files[uint32_t(at)];
    newest = std::max(newest, file.FileTime);
    file.Sendable = 0;
  }
  if (double(Now()) - double(newest) > TPost::SetKeepDays) {
    for (const std::string& name : names)
      SetAside(storage, name, text + " (no part came for " + std::to_string(TPost::SetKeepDays) + " days)");
    Post.ForgetToldSet(set);
    return;
  }
  if (Post.TellOfWaitingSet(set, names)) {
    TError::AppendToLog(std::string(Caption) + ": " + text);
    fWaitingTold.push_back(text);
  }
}

void TPostFilesHandler::TellWaitingSets() {
  if (fWaitingTold.empty()) return;
  const std::string keeping = "it is set aside when none came for " + std::to_string(TPost::SetKeepDays) + " days.";
  if (fWaitingTold.size() == 1) {
    ShowMessageBox(Caption, fWaitingTold[0] + "\nThe set waits for its parts; " + keeping);
  } else {
    // One line a set.
    std::vector<std::string> lines;
    for (std::string text : fWaitingTold) {
      std::replace(text.begin(), text.end(), '\n', ' ');
      lines.push_back(text);
    }
    ShowMessageBox(Caption, std::to_string(lines.size()) + " sets of received parts wait:\n" + ListedInBox(lines) +
                                "\nEach set waits for its parts; " + keeping);
  }
  fWaitingTold.clear();
}

void TPostFilesHandler::ForgetLearntOfGoneFiles(const TPostFilesStorage& storage) {
  std::set<std::string> present;
  for (const TPostFile& file : storage.Files) present.insert(file.Name.ToString());
  TPartChoice::KeepLearntOf(storage.FolderPath.ToString(), present);
}

void TPostFilesHandler::ForgetGoneSets(const TPostFilesStorage& storage) {
  std::set<std::string> present;
  for (const TPostFile& file : storage.Files) present.insert(SetOfPartName(file.Name.ToString()));
  std::erase_if(Post.ToldSets,
                [&present](const std::string& entry) { return !present.count(TPost::ToldSetName(entry)); });
}

void TPostFilesHandler::SaveAndDeleteHandled(TPostFilesStorage& storage) {
  // The applied messages are written down as such only when their effect is on the disk,
  // before their files go: the others are handled again, not refused.
  const auto settle = [&storage] {
    TAppliedMessages::Instance().Settle(
        [&storage](const std::string& path) {
          for (uint32_t i = 0; i < storage.Files.Count(); ++i)
            if (storage.Files[i].Processed && storage.FilePath(i) == path) return true;
          return false;
        },
        Now());
  };
  // Joined parts wait in InboxPost, marked, for their messages: the mark is kept at once, so
  // that a start after a crash does not join them again. Those joined into handled messages
  // follow them into history.
  const auto retireParts = [this, &storage] {
    if (&storage == &Post.InboxPost) Post.Save();
    if (&storage == &Post.Inbox) Post.InboxPost.MoveProcessedToHistory(Post);
  };
  if (fHandled.empty()) {
    settle();
    retireParts();
    return;
  }
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
  // What the handlers recorded in the post state (the advised persons ...) is kept before
  // the messages that brought it go; unsaved, they stay to be handled again.
  if (!Post.Save())
    for (TPostFile& file : storage.Files) file.Processed = 0;
  settle();
  storage.DeleteProcessedFiles();
  retireParts();
}

void TPostFilesHandler::HandleGenerateAuthorIdents(TPostFilesStorage& storage, uint32_t index, bool& handled) {
  const std::string path = storage.FilePath(index);
  const int discussion = FindDiscussion(storage.Files[index].DIdent, MessageCommand::GenerateAuthorIdents.Name);
  if (discussion < 0) {
    // The user was told; the request waits unmarked and the run goes on.
    fSetAside = true;
    storage.Files[index].Sendable = 0;
    return;
  }
  if (!DiscussionsManager()->GetDiscussion(discussion).Info.IsModerated()) {
    if (const TPostCommandHandler* handler = FindPostCommandHandler(MessageCommand::GenerateAuthorIdents.Name)) {
      handled = (*handler)(*this, path);
    } else {
      SetAside(storage, storage.Files[index].Name.ToString(),
               "The command GENERATE_AUTHOR_IDENTS of " + storage.FolderName.ToString() + " file " +
                   storage.Files[index].Name.ToString() + " can't be handled yet. The file is set aside.");
    }
    return;
  }
  TDiscussion& discussed = DiscussionsManager()->GetDiscussion(discussion);
  if (!ModeratesHere(discussed)) {
    // Another installation moderates the discussion: the request is not for this one.
    SetAside(storage, storage.Files[index].Name.ToString(),
             "Can't call moderation function -\ncurrent user don't have Moderate permission.");
    return;
  }
  TModerateCaller* caller = ModerateCaller();
  if (!TBrowseGlobal::Moderation || !caller || !caller->ModerateInit()) {
    // This installation moderates the discussion but cannot reach its moderation library
    // now (switched off, another login runs the post office, the library did not load):
    // the request waits unmarked for a run that can answer it.
    fSetAside = true;
    storage.Files[index].Sendable = 0;
    if (!fToldModerationWaits)
      ShowMessageBox(Caption, "The author identifier request " + ShownText(storage.Files[index].Name.ToString()) +
                                  " of the discussion " + discussed.GetName().ToString() + " waits in " +
                                  storage.FolderName.ToString() +
                                  ": the moderation library cannot be called now (it is switched off, did not load, "
                                  "or this login may not moderate). The request is answered in a later run.");
    fToldModerationWaits = true;
    return;
  }
  // Held as applied as every other handled message is, so that the same request
  // delivered again is refused.
  TApplyingScope scope(path);
  {
    // The moderation library takes only what was checked as every other message is.
    THandlerFrame frame("HandleCommand_GenerateAuthorIdents");
    if (!frame.Open(path, {MessageCommand::GenerateAuthorIdents.Name})) return;
  }
  uint16_t adident = 0xFFFF;
  std::string agident;
  const uint8_t code = caller->HandleCommand_GenerateAuthorIdents(path, adident, agident);
  if (code == ModerationCall_NotDone) {
    // The library failed, not the message: it waits unmarked for a later run.
    ShowMessageBox(Caption, "Error calling moderation function.");
    fSetAside = true;
    storage.Files[index].Sendable = 0;
  } else if (code != ModerationCall_LeaveUnhandled) {
    // The moderator's library admitted the author: the request's key is the author's.
    TApplyingScope::Vouch();
    if (const TRefreshAuthorData* refresh = FindRefreshAuthorData()) {
      handled = (*refresh)(*this, path, adident, agident);
    } else {
      Refuse("The author identifiers given by the moderation library for " +
             ShownText(storage.Files[index].Name.View()) + " can't be stored yet. The file is left unhandled.");
      fSetAside = true;
    }
  }
  if (handled) scope.Commit();
}

// The files under one post's names that are not joined yet, and for each part number the
// files that may be it: the part of that name first, then copies kept beside it because
// the name was taken.
struct TPostFilesHandler::TReceivedSet {
  TPartName Me;
  std::string Set, Cabinet;  // the set's name, the name its cabinet is told by
  std::vector<std::string> Members;
  std::vector<std::vector<TPartChoice::TFile>> Candidates;
  std::vector<std::vector<std::string>> Joined;  // the files of each post joined
  std::string Unplaced;                          // why a post found no name in the Inbox
};

void TPostFilesHandler::GatherSet(const TPostFilesStorage& storage, TReceivedSet& set) const {
  if (fSets.Of != &storage || storage.Files.Count() > fSets.Files) {
    fSets = {&storage, storage.Files.Count(), {}};
    for (const TPostFile& file : storage.Files) {
      TPartName part;
      if (ParsePartName(file.Name.ToString(), part)) fSets.Members[SetOf(part)].push_back(file.Name.ToString());
    }
  }
  set.Members.clear();
  set.Candidates.assign(std::stoull(set.Me.CountText), {});
  const auto members = fSets.Members.find(set.Set);
  if (members == fSets.Members.end()) return;
  for (const std::string& name : members->second) {
    const int32_t at = storage.FindPostFile(name);
    TPartName part;
    if (at < 0 || storage.Files[uint32_t(at)].Processed || !ParsePartName(name, part) || part.Base != set.Me.Base ||
        part.CountText != set.Me.CountText)
      continue;
    const TPostFile& file = storage.Files[uint32_t(at)];
    set.Members.push_back(name);
    if (part.Member) set.Candidates[part.Number - 1].push_back({name, file.Size, double(file.FileTime)});
  }
  for (std::vector<TPartChoice::TFile>& files : set.Candidates)
    std::stable_sort(files.begin(), files.end(), [](const TPartChoice::TFile& a, const TPartChoice::TFile& b) {
      const bool aCopy = a.Name.find('#') != std::string::npos, bCopy = b.Name.find('#') != std::string::npos;
      return aCopy != bCopy ? !aCopy : a.Name < b.Name;
    });
}

TUnpackOutcome TPostFilesHandler::JoinChoice(TPostFilesStorage& storage, TReceivedSet& set,
                                             const std::vector<std::string>& chosen, std::string& error, bool& forged) {
  TPostFilesStorage& inbox = Post.Inbox;
  const std::string work = inbox.FolderPath.ToString() + ".join/", cabinet = work + set.Me.Base + "cab";
  // A whole cabinet whose message does not hold its seal was altered or forged.
  forged = false;
  const auto sealed = [&forged](const std::string& path) { return HoldsItsSeal(path) || !(forged = true); };
  std::vector<std::string> paths;
  uint64_t total = 0;
  for (const std::string& part : chosen) {
    paths.push_back(storage.FolderPath.ToString() + part);
    if (const int32_t at = storage.FindPostFile(part); at >= 0) total += storage.Files[uint32_t(at)].Size;
  }
  error.clear();
  if (total > MaxJoinedCabinetSize) {
    error = "its parts are larger than " + std::to_string(MaxJoinedCabinetSize) + " bytes together";
    return TUnpackOutcome::Refused;
  }
  if (!CreateFolder(work) ||
      !JoinPostParts(paths, cabinet, storage.FolderName.ToString(), inbox.FolderName.ToString())) {
    Stop = 1;
    return TUnpackOutcome::Failed;
  }
  std::vector<std::string> unpacked;
  const TUnpackOutcome outcome = UnpackReceivedCabinet(cabinet, inbox.FolderPath.ToString(), unpacked, error, sealed);
  if (!DeleteFileA(cabinet.c_str()) && IsFileExists(cabinet))
    ShowMessageBox("DELETING ERROR", "Can't delete file " + cabinet + " - delete it manually!");
  RemoveDirectoryA(work.c_str());
  if (outcome == TUnpackOutcome::Unpacked) {
    // The parts share the fate of the messages they were joined into, whatever other
    // messages bear their names.
    for (const std::string& part : chosen) {
      TPostFile& file = storage.Files[uint32_t(storage.FindPostFile(part))];
      file.Processed = 1;
      file.JoinedInto = unpacked;
    }
    set.Joined.push_back(chosen);
    fJoined = true;
  } else if (outcome == TUnpackOutcome::Unplaced) {
    set.Unplaced = error;
  } else if (outcome == TUnpackOutcome::Failed && !Stop) {
    // This computer failed, not the post: its parts stay for the next run, which ends here.
    Stop = 1;
    Refuse("The post " + set.Cabinet + " could not be unpacked because of a fault on this computer (" + error +
           "). Its parts stay in " + storage.FolderName.ToString() + " and are joined again in the next run.");
  }
  return outcome;
}

void TPostFilesHandler::JoinReceivedParts(TPostFilesStorage& storage, uint32_t index, bool interactive) {
  const std::string name = storage.Files[index].Name.ToString();
  TReceivedSet set;
  if (!ParsePartName(name, set.Me)) {
    SetAside(storage, name, "Handling " + storage.FolderName.ToString() + " files - can't find postfix");
    return;
  }
  set.Set = SetOf(set.Me);
  if (fPassedSets.count(set.Set)) {
    fSetAside = true;
    return;
  }
  set.Cabinet = ShownText(set.Me.Base) + "cab";
  GatherSet(storage, set);
  if (set.Candidates.size() == 1) JoinEachAlone(storage, set);
  else JoinLinkedSet(storage, set);
  // A post joined counts the file as gone through, whatever waits beside it.
  if (!set.Joined.empty()) fSetAside = false;
  if (interactive) RefreshList();
}

void TPostFilesHandler::JoinEachAlone(TPostFilesStorage& storage, TReceivedSet& set) {
  // A post of one part is each file alone: one that is no post of ours goes aside at
  // once, freeing its name.
  for (size_t i = 0; i < set.Candidates[0].size() && !Stop && set.Unplaced.empty(); ++i) {
    const std::string& file = set.Candidates[0][i].Name;
    std::string error;
    bool forged = false;
    if (JoinChoice(storage, set, {file}, error, forged) != TUnpackOutcome::Refused) continue;
    SetAside(storage, file,
             forged ? "The post " + set.Cabinet + " came whole, but " + error +
                          " on its way: nobody can tell who wrote it. Nothing of it was applied."
                    : "Can't unpack " + set.Cabinet + ": " + error + ". Nothing of it was applied.");
  }
  TellWhatWaits(storage, set, nullptr, "");
}

void TPostFilesHandler::JoinLinkedSet(TPostFilesStorage& storage, TReceivedSet& set) {
  const std::string folder = storage.FolderPath.ToString();
  const TPartChoice::TReader read = [&folder](const std::string& file, std::string& bytes) {
    return ReadWholeFile(folder + file, bytes);
  };
  auto learnt = std::make_unique<TPartChoice>(set.Candidates, read, folder);
  if (!learnt->WholeListsAsLearnt()) {
    // A file changed under its name since it was read: nothing kept of the folder holds.
    TPartChoice::KeepLearntOf(folder, {});
    learnt = std::make_unique<TPartChoice>(set.Candidates, read, folder);
  }
  const TPartChoice& choice = *learnt;
  std::set<TPartDigest> joinedFirsts;
  for (const TPartChoice::TList& list : choice.Lists()) {
    if (!list.Whole() || Stop || !set.Unplaced.empty() || joinedFirsts.count(*choice.DigestOf(list.First))) continue;
    std::string error;
    bool forged = false;
    const TUnpackOutcome outcome = JoinChoice(storage, set, list.Parts, error, forged);
    if (outcome == TUnpackOutcome::Unpacked) joinedFirsts.insert(*choice.DigestOf(list.First));
    if (outcome != TUnpackOutcome::Refused) continue;
    // The list fails alone: the parts it links stay for any other post that links them.
    std::vector<std::string> linked(list.Parts.begin() + 1, list.Parts.end());
    SetAside(storage, list.First,
             "the first part of a post " + set.Cabinet + " that links " + ListedNames(linked) + ": " +
                 (forged ? "it came whole, but " + error + " on its way: nobody can tell who wrote it"
                         : "it cannot be unpacked: " + error) +
                 ". Nothing of it was applied; the parts it links stay for any other post that links them.");
  }
  std::string unlinkedError;
  if (!choice.Unlinked().empty() && !Stop && set.Unplaced.empty()) {
    bool forged = false;
    if (const std::string* refused = choice.UnlinkedRefusedBefore())
      unlinkedError = *refused;  // the same bytes as a run before: they make no post
    else if (JoinChoice(storage, set, choice.Unlinked(), unlinkedError, forged) != TUnpackOutcome::Refused)
      unlinkedError.clear();
    else choice.UnlinkedRefused(unlinkedError);
  }
  if (!set.Joined.empty()) SetAsideCopiesOf(storage, set, choice);
  TellWhatWaits(storage, set, &choice, unlinkedError);
}

void TPostFilesHandler::SetAsideCopiesOf(TPostFilesStorage& storage, TReceivedSet& set, const TPartChoice& choice) {
  // A file is another copy of a joined part only when its bytes are that part's: any other
  // file under the name may be a part of another post, and waits for it.
  std::map<TPartDigest, std::string> joined;
  for (const std::vector<std::string>& post : set.Joined)
    for (const std::string& part : post)
      if (const TPartDigest* digest = choice.DigestOf(part)) joined.emplace(*digest, part);
  GatherSet(storage, set);
  for (const std::string& member : set.Members) {
    const TPartDigest* digest = choice.DigestOf(member);
    const auto found = digest ? joined.find(*digest) : joined.end();
    if (found != joined.end())
      SetAside(storage, member, "another copy of " + ShownText(found->second) + ", which was joined");
  }
}

void TPostFilesHandler::TellWhatWaits(TPostFilesStorage& storage, TReceivedSet& set, const TPartChoice* choice,
                                      const std::string& unlinkedError) {
  if (Stop) return;  // the run ends; what was joined is retired below
  GatherSet(storage, set);
  if (set.Members.empty()) {
    Post.ForgetToldSet(set.Set);
    return;
  }
  if (!set.Unplaced.empty()) {
    // No name the Inbox takes now: the post is sound and waits, for a later run.
    PassOverSet(storage, set.Set, set.Members,
                "The post " + set.Cabinet + " cannot be placed in " + Post.Inbox.FolderName.ToString() + " now (" +
                    set.Unplaced + ")");
    return;
  }
  // What waits is told by whose it is: a post that links its parts and lacks some, or
  // files that no post that came links, which nobody can tell as anybody's post.
  std::vector<std::string> lines, strangers;
  const auto waits = [&storage](const std::string& file) {
    const int32_t at = storage.FindPostFile(file);
    return at >= 0 && !storage.Files[uint32_t(at)].Processed;
  };
  bool lists = false;
  if (choice)
    for (const TPartChoice::TList& list : choice->Lists())
      if (waits(list.First) && !list.Whole()) {
        lists = true;
        lines.push_back("Not enough message parts!\n" + set.Cabinet + " linked by " + ShownText(list.First) +
                        " lacks part(s) " + list.Missing());
      }
  for (const std::string& member : set.Members)
    if (!choice || !choice->Linked(member)) strangers.push_back(member);
  std::string missing;
  for (size_t i = 0; i < set.Candidates.size() && missing.size() < 60; ++i)
    if (set.Candidates[i].empty()) missing += (missing.empty() ? "" : ",") + std::to_string(i + 1);
  if (!unlinkedError.empty())
    lines.push_back("Can't unpack " + set.Cabinet + ": " + unlinkedError + " (" + ListedNames(choice->Unlinked()) +
                    ", linked by no post that came: nobody can tell whose they are)");
  else if (!lists && !missing.empty() && set.Joined.empty())
    lines.push_back("Not enough message parts!\n" + set.Cabinet + " lacks part(s) " + missing);
  else if (!strangers.empty())
    lines.push_back(std::to_string(strangers.size()) + " file(s) under the names of " + set.Cabinet +
                    " that no post that came links, so nobody can tell whose they are: " + ListedNames(strangers));
  if (lines.empty())
    lines.push_back(std::to_string(set.Members.size()) + " file(s) under the names of " + set.Cabinet +
                    " wait for a post that links them: " + ListedNames(set.Members));
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  PassOverSet(storage, set.Set, set.Members, text);
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
  // A request that goes out awaits its answer: that answer may vouch for its sender's key.
  TAppliedMessages::Instance().AwaitAnswer(folder + name, Now());
  std::string error;
  if (!PackMessageCabinet(folder, name, cabinet, error)) {
    Refuse("Can't pack " + storage.FolderName.ToString() + " file " + name + ": " + error);
    return;
  }
  // The cabinet is packed again with room for the links of its parts, which the size of
  // the bare one tells.
  const uint64_t limit = uint64_t(std::max(PostPartSizeKB, 1)) * 1024, bare = CabinetSizeOf(cabinet);
  TPostCut cut;
  if (!PostLinkFits(bare, limit, cut)) {
    DeleteFileA(cabinet.c_str());
    Refuse("Can't send " + storage.FolderName.ToString() + " file " + name + " in parts of at most " +
           std::to_string(std::max(PostPartSizeKB, 1)) + " KB: its " + std::to_string(cut.PartCount) +
           " parts would be more than its first part can link. Set \"Largest post part\" to at least " +
           std::to_string(SmallestLinkedPartKB(bare)) + " KB and perform again; the message waits in " +
           storage.FolderName.ToString() + ".");
    return;
  }
  if (cut.LinkArea > 0 && !PackMessageCabinet(folder, name, cabinet, error, uint32_t(cut.LinkArea))) {
    Refuse("Can't pack " + storage.FolderName.ToString() + " file " + name + ": " + error);
    return;
  }
  const bool split = PackAndSplit(work, name + ".cab", parts, limit) &&
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
  const char* command = models ? MessageCommand::GiveModel.Name : MessageCommand::GiveExistingBlocksList.Name;
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
      // The waiting requesters are shown; the user may drop them all instead of answering.
      std::string waiting;
      for (uint32_t i = 0; i < pending.Count() && i < MaxShownSetAside; ++i)
        waiting += (i ? ", " : "") + ShownText(pending[i].View());
      if (pending.Count() > MaxShownSetAside) waiting += ", ...";
      const int choice =
          ShowMessageBox(MessageCommand::GiveModel.Name,
                         head + " new / " + all + " in all GIVE_MODEL requests.\nPost FORM_NEW_MODEL message?" +
                             "\nWaiting: " + waiting + "\n\"Drop\" forgets the waiting requests unanswered.",
                         "", "Yes|No|Drop", 0);
      if (choice == 0) {
        discussion.SendCommandsForNewModel();
      } else if (choice == 2) {
        discussion.Undo.AddStrFieldChange(UndoObject_InfoRequesters, InfoField_ModelRequesters,
                                          discussion.Info.ModelRequesters);
        discussion.Info.ModelRequesters.Clear();
        TError::AppendToLog("GIVE_MODEL: the requests waiting for the model of " + discussion.GetName().ToString() +
                            " were dropped: " + waiting);
      }
    } else {
      if (ShowMessageBox("Existing blocks list",
                         head + " new (" + all + " total) EXISTING_BLOCKS_LIST requests.\nPost existing blocks list?", "",
                         "Yes|No", 0) == 0)
        discussion.SendPendingExistingBlockNames();
    }
  }
}
