#include "postoffice/Tpostfile.h"

#include "foundation/Commoncrypt.h"
#include "foundation/Fileroutines.h"
#include "foundation/Guihooks.h"
#include "foundation/Storedfields.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "model/Heldsending.h"
#include "model/Messagecomposer.h"
#include "model/Tcommandmessage.h"
#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Strutil.h"
#include "postoffice/Postarchives.h"
#include "postoffice/Postdates.h"
#include "postoffice/Signerkeys.h"
#include "postoffice/Tpost.h"
#include "postoffice/Tpostadaptor.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_set>

namespace {

// Times are stored as whole ten-thousandths of a day.
int32_t TimeToStored(TDateTime time) {
  const double scaled = std::trunc(time * 10000.0);
  if (!(scaled >= std::numeric_limits<int32_t>::min() && scaled <= std::numeric_limits<int32_t>::max())) return 0;
  return static_cast<int32_t>(scaled);
}

TDateTime StoredToTime(uint32_t stored) { return static_cast<int32_t>(stored) * 0.0001; }

// A time in a stored record: whole ten-thousandths of a day in 32 bits.
template <class Time>  // TDateTime, or const TDateTime for writing
struct StoredTime {
  Time& time;
  void SaveToBufWriter(TBufWriter& writer) const { writer.WriteDWord(static_cast<uint32_t>(TimeToStored(time))); }
  void LoadFromBufReader(TBufReader& reader) const { time = StoredToTime(reader.ReadDWord()); }
};
template <class Time>
StoredTime(Time&) -> StoredTime<Time>;

// A flag in a stored record: one byte, any value but 0 read as 1.
template <class Flag>  // uint8_t, or const uint8_t for writing
struct StoredFlag {
  Flag& flag;
  void SaveToBufWriter(TBufWriter& writer) const { writer.WriteByte(flag); }
  void LoadFromBufReader(TBufReader& reader) const { flag = reader.ReadByte() != 0 ? 1 : 0; }
};
template <class Flag>
StoredFlag(Flag&) -> StoredFlag<Flag>;

// A text of another participant as a record keeps it: no longer than a stored text.
TStr Clipped(const std::string& text) {
  return TStr(std::string_view(text).substr(0, TStr::kMaxStoredLength));
}

// "X.cab" followed by exactly one character: a leftover of the cabinet writer.
bool IsCabinetLeftover(const std::string& name) {
  const size_t at = name.rfind(".cab");
  return at != std::string::npos && name.size() == at + 5;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The gathering that tells what retiring post files met; null when none lives.
TRetireBoxes* gatheringBoxes = nullptr;

// "name: error" lines of files, as a box lists them.
std::string ListedErrors(const std::vector<std::pair<std::string, std::string>>& files) {
  std::vector<std::string> lines;
  for (const auto& [name, error] : files) lines.push_back(EscapeControlChars(name) + ": " + error);
  return ListedInBox(lines);
}

}  // namespace

std::string ListedInBox(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size() && i < MaxFilesInBox; ++i) text += (i ? "\n" : "") + lines[i];
  if (lines.size() > MaxFilesInBox) text += "\nand " + std::to_string(lines.size() - MaxFilesInBox) + " more";
  return text;
}

std::string MessageOfPostFile(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(0, dot);
}

std::vector<std::string> MessagesOfJoinedPart(const TPostFile& part) {
  if (!part.JoinedInto.empty()) return part.JoinedInto;
  const std::string message = MessageOfPostFile(part.Name.ToString());
  return message.empty() ? std::vector<std::string>() : std::vector<std::string>{message};
}

// The stored record's fields in their order, each with the first version of the post
// state file that has it; the writer writes them all, the reader those its version has.
template <class Self, class F>
void TPostFile::VisitStoredFields(Self& file, F&& field) {
  field(0, file.Name);
  field(0, file.Size);
  field(0, StoredTime{file.FileTime});
  field(0, StoredTime{file.ComposeTime});
  field(0, file.Sender);
  field(0, file.Receivers);
  field(4, file.Robots);
  field(0, file.DIdent);
  field(0, file.Command);
  field(0, StoredFlag{file.Processed});
  field(6, file.Reserved1);
  field(6, file.Reserved2);
  field(7, file.ReservedText);
  field(8, file.ReservedValue);
  field(9, file.AttachedFileName);
}

bool TPostFile::SaveToBufWriter(TBufWriter& writer) const {
  VisitStoredFields(*this, [&](uint16_t, const auto& field) { storedfields::Write(writer, field); });
  return !writer.IsFailed();
}

bool TPostFile::LoadFromBufReader(TBufReader& reader, uint16_t version) {
  VisitStoredFields(*this, [&](uint16_t since, auto&& field) {
    if (version >= since) storedfields::Read(reader, field);
  });
  return !reader.IsFailed();
}

void TPostFile::CopyMessageData(const TPostFile& source) {
  Sender = source.Sender;
  Receivers = source.Receivers;
  Robots = source.Robots;
  DIdent = source.DIdent;
  Command = source.Command;
  AttachedFileName = source.AttachedFileName;
  ComposeTime = source.ComposeTime;
  ReservedText = source.ReservedText;
  ReservedValue = source.ReservedValue;
  ReservedFlag1 = source.ReservedFlag1;
  ReservedFlag2 = source.ReservedFlag2;
  Reserved1 = source.Reserved1;
  Reserved2 = source.Reserved2;
}

bool TPostFilesStorage::SaveToBufWriter(TBufWriter& writer) const {
  const uint32_t count = std::min(Files.Count(), MaxFiles);
  writer.WriteWord(static_cast<uint16_t>(count));
  if (writer.IsFailed()) {
    TError::Report("TPostFilesStorage::SaveToBufWriter - ошибка сохранения");
    return false;
  }
  for (uint32_t i = 0; i < count; ++i)
    if (!Files[i].SaveToBufWriter(writer)) {
      TError::Report("TPostFilesStorage::SaveToBufWriter - ошибка сохранения TPostFile");
      return false;
    }
  return true;
}

bool TPostFilesStorage::LoadFromBufReader(TBufReader& reader, uint16_t version) {
  Files.Clear();
  const uint16_t count = reader.ReadWord();
  if (reader.IsFailed()) {
    TError::Report("TPostFilesStorage::LoadFromBufReader - ошибка загрузки");
    return false;
  }
  for (uint16_t i = 0; i < count; ++i) {
    TPostFile file;
    if (!file.LoadFromBufReader(reader, version) || Files.AddItem(std::move(file)) < 0) {
      TError::Report("TPostFilesStorage::LoadFromBufReader - ошибка сохранения TPostFile");
      Files.Clear();
      return false;
    }
  }
  return true;
}

int32_t TPostFilesStorage::FindPostFile(std::string_view name) const {
  // The remembered place is only a hint, checked against the list: files that left it
  // move the others, and a name found elsewhere has every place learnt again.
  if (const auto hint = fWhereNameStood.find(std::string(name));
      hint != fWhereNameStood.end() && hint->second < Files.Count() && Files[hint->second].Name == name)
    return static_cast<int32_t>(hint->second);
  for (uint32_t i = 0; i < Files.Count(); ++i) {
    if (Files[i].Name != name) continue;
    fWhereNameStood.clear();
    for (uint32_t j = 0; j < Files.Count(); ++j) fWhereNameStood.emplace(Files[j].Name.ToString(), j);
    return static_cast<int32_t>(i);
  }
  return -1;
}

void TPostFilesStorage::ReadMessageData(TPostFile& file, const std::string& path) const {
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  // A message that does not read is listed with defaults; its refusal is only logged.
  TErrorCapture capture;
  TCommandMessageHeader header;
  bool read;
  {
    TBufReader reader(handle);
    read = header.Read(reader) && !capture.Caught();
  }
  if (read) {
    const std::string receivers = header.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED");
    // A private message that no Key kept here opens (none is kept for its sender yet, or the
    // kept one fails it) cannot be checked now: it is listed by its header, and its handler
    // asks for the Key and checks the seal before anything of it is applied.
    const bool trusted =
        (!receivers.empty() && receivers[0] == '$') || VerifyFileSign(handle, header) || header.IsPrivateMessage();
    if (trusted && !capture.Caught()) {
      if (header.HasField("FROM_USER_EMAIL")) file.Sender = Clipped(header.GetFieldValue("FROM_USER_EMAIL"));
      if (header.HasField("TO_USERS_EMAILS_CRYPTED")) file.Receivers = Clipped(receivers);
      if (header.HasField("TO_ROBOTS_EMAILS_CRYPTED"))
        file.Robots = Clipped(header.GetCryptedFieldValue("TO_ROBOTS_EMAILS_CRYPTED"));
      if (header.HasField("DIDENT")) file.DIdent = Clipped(header.GetFieldValue("DIDENT"));
      if (header.HasField("COMPOSE_DATETIME")) file.ComposeTime = ParseComposeDateTime(header.GetFieldValue("COMPOSE_DATETIME"));
      if (header.HasField("COMMAND")) file.Command = Clipped(header.GetFieldValue("COMMAND"));
      if (header.HasField("ATTACHED_FILENAME"))
        file.AttachedFileName = Clipped(header.GetFieldValue("ATTACHED_FILENAME"));
      if (capture.Caught()) file.CopyMessageData(TPostFile());
    }
  }
  CloseHandle(handle);
}

void TPostFilesStorage::Refresh(TPost& post) {
  const std::string folder = FolderPath.ToString();
  // Messages that waited for a key the user trusts now are received again.
  if (Kind == PostKind_Inbox) ReleaseTrustedMessages(folder);
  // Messages a sending left waiting go in, or are removed, as their discussion's save says.
  if (Kind == PostKind_Outbox) SettleHeldSendings();
  for (uint32_t i = Files.Count(); i-- > 0;)
    if (!IsFileExists(folder + Files[i].Name.ToString())) Files.Delete(i);

  TFindEntry entry;
  if (!FindFirstEntry(folder + "*.*", entry)) {
    if (!IsDirExists(folder)) TError::Report("Post catalog not found: " + folder);
    return;
  }
  // Found by name at once: a folder of thousands of waiting files is listed in one pass.
  std::unordered_set<std::string> listed;
  for (const TPostFile& file : Files) listed.insert(file.Name.ToString());
  do {
    const std::string name = entry.Name;
    if (!listed.insert(name).second) continue;
    if (IsCabinetLeftover(name) || name.ends_with(UnfinishedMessageSuffix)) {
      if (!IsHeldForSending(folder + name)) DeleteFileA((folder + name).c_str());
      continue;
    }
    if (Files.Count() >= MaxFiles) continue;  // listed once others have left
    TPostFile file;
    file.Name = name;
    file.Size = entry.Size > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<uint32_t>(entry.Size);
    file.FileTime = DosDateTimeToDateTime(entry);
    post.IssuedNames.AddItem(TStr(name));
    if (Kind == PostKind_Inbox || Kind == PostKind_Outbox) {
      ReadMessageData(file, folder + name);
      if (Kind == PostKind_Inbox) {
        // The received parts of this message take its data: those joined into it, or by
        // their names ("X.cab", "X.1_3" ...) those not joined yet.
        const std::string prefix = name + ".";
        for (TPostFile& part : post.InboxPost.Files) {
          const bool joined = !part.JoinedInto.empty();
          if (joined ? std::find(part.JoinedInto.begin(), part.JoinedInto.end(), name) != part.JoinedInto.end()
                     : StartsWith(part.Name.View(), prefix))
            part.CopyMessageData(file);
        }
      }
    } else {
      const std::string message = MessageOfPostFile(name);
      if (!message.empty()) {
        const TPostFilesStorage& messages = Kind == PostKind_InboxPost ? post.Inbox : post.Outbox;
        const int32_t found = messages.FindPostFile(message);
        if (found >= 0) file.CopyMessageData(messages.Files[uint32_t(found)]);
      }
    }
    if (Files.AddItem(std::move(file)) < 0) break;
  } while (FindNextEntry(entry));
  FindCloseEntry(entry);
}

void TPostFilesStorage::ListUnprocessed(TArray<TPostsListItem>& list) {
  for (uint32_t i = 0; i < Files.Count(); ++i) {
    if (Files[i].Processed) {
      Files[i].ListRow = 0xFFFF;
    } else {
      list.AddItem(TPostsListItem{static_cast<int32_t>(i)});
    }
  }
}

void TPostFilesStorage::ListByCommand(TArray<TPostsListItem>& list, std::string_view command) {
  for (uint32_t i = 0; i < Files.Count(); ++i) {
    if (Files[i].Command == command) {
      list.AddItem(TPostsListItem{static_cast<int32_t>(i)});
    } else {
      Files[i].ListRow = 0xFFFF;
    }
  }
}

bool TPostFilesStorage::HasUnhandledPostFile(std::string_view dident, std::string_view command) const {
  for (const TPostFile& file : Files)
    if (!file.Processed && file.DIdent == dident && file.Command == command) return true;
  return false;
}

void TPostFilesStorage::DeleteProcessedFiles() {
  for (uint32_t i = Files.Count(); i-- > 0;) {
    if (!Files[i].Processed) continue;
    const std::string path = FilePath(i);
    // A file that will not go stays listed, so that it is not met again as a new one.
    if (DeleteFileA(path.c_str()) || !IsFileExists(path)) Files.Delete(i);
  }
}

void TPostFilesStorage::MoveProcessedToHistory(TPost& post) {
  TRetireBoxes boxes;
  for (uint32_t i = Files.Count(); i-- > 0;) {
    const TPostFile& file = Files[i];
    const bool broadcast = Kind == PostKind_OutboxPost && file.IsBroadcast();
    if (!file.Processed && !broadcast) continue;
    // A joined part follows its message: aside with it when it is refused, to history only
    // once it was handled. A stranger's refused post so never fills a discussion's history.
    if (Kind == PostKind_InboxPost) {
      const std::vector<std::string> messages = MessagesOfJoinedPart(file);
      if (std::any_of(messages.begin(), messages.end(),
                      [&post](const std::string& message) { return post.Inbox.FindPostFile(message) >= 0; }))
        continue;
    }
    std::string history, copies;
    if (file.DIdent.IsEmpty()) {
      history = HistoryPath.ToString();
      copies = TBrowseGlobal::Paths.Root + "OutboxPostBroadcast/";
    } else {
      std::string discussion;
      if (!post.Adaptor || !post.Adaptor->GetPostDiscussionPath(file, discussion)) continue;
      if (HistoryName.IsEmpty()) continue;
      history = discussion + HistoryName.ToString() + "/";
      copies = discussion + "OutboxPostBroadcast/";
    }
    if (history.empty()) continue;  // Inbox and Outbox keep no history
    if (RetirePostFile(FilePath(i), file.Name.ToString(), broadcast ? copies : std::string(), history))
      Files.Delete(i);
  }
}

std::string TPostFilesStorage::MoveAside(uint32_t index, const std::string& folder, const std::string& reason,
                                         std::string& error) {
  const std::string name = Files[index].Name.ToString();
  const std::string target = CreateFolderQuietly(folder) ? FreeFileName(folder, name) : std::string();
  if (target.empty() || !MoveFileA(FilePath(index).c_str(), (folder + target).c_str())) {
    error = platform::ErrorText(GetLastError());
    TError::AppendToLog("SET ASIDE: " + FolderName.ToString() + " file " + EscapeControlChars(name) +
                        " could not be set aside (" + error + "): " + reason);
    return {};
  }
  TError::AppendToLog("SET ASIDE: " + FolderName.ToString() + " file " + EscapeControlChars(name) + " set aside as " +
                      folder + EscapeControlChars(target) + ": " + reason);
  Files.Delete(index);
  return target;
}

bool TPostFilesStorage::SetAsideFile(uint32_t index, const std::string& reason, const std::string& subfolder,
                                     std::string& outcome) {
  outcome.clear();
  if (index >= Files.Count()) return false;
  const std::string within = subfolder.empty() ? std::string() : subfolder + "/";
  std::string error;
  const std::string target = MoveAside(index, FolderPath.ToString() + SetAsideFolderName + "/" + within, reason, error);
  if (target.empty()) {
    Files[index].Sendable = 0;
    outcome = error;
    return false;
  }
  outcome = within + target;
  return true;
}

void TPostFilesStorage::SetAsidePartsOf(const std::string& message, const std::string& folder) {
  for (uint32_t i = Files.Count(); i-- > 0;) {
    const std::vector<std::string> messages = MessagesOfJoinedPart(Files[i]);
    if (!Files[i].Processed || std::find(messages.begin(), messages.end(), message) == messages.end()) continue;
    std::string error;
    MoveAside(i, folder, "a part of " + EscapeControlChars(message) + ", which was set aside", error);
  }
}

TRetireBoxes::TRetireBoxes() {
  if (!gatheringBoxes) gatheringBoxes = this;
}

TRetireBoxes::~TRetireBoxes() {
  if (gatheringBoxes != this) return;
  gatheringBoxes = nullptr;
  Show();
}

void TRetireBoxes::Taken(const std::string& path) {
  TRetireBoxes here;
  gatheringBoxes->fTaken.push_back(path);
}

void TRetireBoxes::NotMoved(const std::string& name, const std::string& error) {
  TRetireBoxes here;
  gatheringBoxes->fNotMoved.push_back({name, error});
}

void TRetireBoxes::NotCopied(const std::string& name, const std::string& error) {
  TRetireBoxes here;
  gatheringBoxes->fNotCopied.push_back({name, error});
}

void TRetireBoxes::Show() const {
  constexpr const char* moving = "MOVING MESSAGE FILE TO HISTORY FOLDER";
  if (fTaken.size() == 1) {
    ShowMessageBox(moving, "The message file " + EscapeControlChars(fTaken[0]) +
                               " already exists.\nThe handled message will be placed to " +
                               EscapeControlChars(FolderOf(fTaken[0])) +
                               " folder with suffix #N appended to its name.");
  } else if (!fTaken.empty()) {
    std::vector<std::string> paths;
    for (const std::string& path : fTaken) paths.push_back(EscapeControlChars(path));
    ShowMessageBox(moving, "The message files\n" + ListedInBox(paths) +
                               "\nalready exist.\nThe handled messages will be placed to the same folders with suffix "
                               "#N appended to their names.");
  }
  if (fNotMoved.size() == 1) {
    ShowMessageBox(moving, "Error moving file " + EscapeControlChars(fNotMoved[0].first) +
                               " to history.\nError: " + fNotMoved[0].second + "\nIt will be moving next time.");
  } else if (!fNotMoved.empty()) {
    ShowMessageBox(moving, "Error moving " + std::to_string(fNotMoved.size()) + " files to history:\n" +
                               ListedErrors(fNotMoved) + "\nThey will be moving next time.");
  }
  constexpr const char* copying = "COPYING POST FILE TO BROADCAST FOLDER";
  if (fNotCopied.size() == 1) {
    ShowMessageBox(copying, "Error copying file " + EscapeControlChars(fNotCopied[0].first) +
                                " to broadcast folder.\nError:" + fNotCopied[0].second);
  } else if (!fNotCopied.empty()) {
    ShowMessageBox(copying, "Error copying " + std::to_string(fNotCopied.size()) + " files to broadcast folder:\n" +
                                ListedErrors(fNotCopied));
  }
}

bool MakeHistoryPathUnique(std::string& path) {
  if (PathState(path) != TPathState::Present) return true;
  TRetireBoxes::Taken(path);
  std::string folder, name;
  SplitFilePath(path, folder, name);
  const std::string free = FreeFileName(folder, name);
  if (free.empty()) return false;
  path = folder + free;
  return true;
}

bool RetirePostFile(const std::string& source, const std::string& name, const std::string& broadcastFolder,
                    const std::string& historyFolder) {
  if (!broadcastFolder.empty()) {
    const std::string copy = broadcastFolder + name;
    // An existing copy is the copy of an earlier attempt. The bytes go under a
    // temporary name first, so that a copy is either whole or absent.
    if (!CreateFolderQuietly(broadcastFolder)) {
      TRetireBoxes::NotCopied(name, platform::ErrorText(GetLastError()));
    } else if (!IsFileExists(copy)) {
      const std::string temporary = copy + ".tmp";
      DeleteFileA(temporary.c_str());
      if (!CopyFileA(source.c_str(), temporary.c_str(), 1) || !MoveFileA(temporary.c_str(), copy.c_str())) {
        const std::string error = platform::ErrorText(GetLastError());
        DeleteFileA(temporary.c_str());
        TRetireBoxes::NotCopied(name, error);
      }
    }
  }
  std::string target = historyFolder + name;
  bool moved = CreateFolderQuietly(historyFolder);
  if (moved) moved = MakeHistoryPathUnique(target) && MoveFileA(source.c_str(), target.c_str()) != 0;
  if (!moved) TRetireBoxes::NotMoved(name, platform::ErrorText(GetLastError()));
  return moved;
}
