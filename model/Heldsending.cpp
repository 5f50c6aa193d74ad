#include "model/Heldsending.h"

#include "foundation/Filereplace.h"
#include "foundation/Fileroutines.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "model/Discussionfileset.h"
#include "model/Messagecomposer.h"
#include "model/Tdiscussion.h"
#include "platform/kernel/Fileapi.h"

#include <map>

namespace {

// The generation line of a record that has decided that its messages go.
constexpr const char* SentMark = "sent";
constexpr const char* RecordSuffix = ".sending";
constexpr const char* Who = "THeldSending";

// Beside the Outbox whose messages the records name.
std::string RecordsFolder() {
  std::string outbox = TBrowseGlobal::Paths.Outbox;
  while (!outbox.empty() && outbox.back() == '/') outbox.pop_back();
  const size_t slash = outbox.rfind('/');
  return (slash == std::string::npos ? std::string() : outbox.substr(0, slash + 1)) + "Sending/";
}

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// A record's lines: the discussion's folder, the generation its save gives (or the sent
// mark), then the Outbox path of every message.
struct TRecord {
  std::string Folder;
  std::string Generation;
  std::vector<std::string> Messages;

  std::string Compose() const {
    std::string text = Folder + "\n" + Generation + "\n";
    for (const std::string& message : Messages) text += message + "\n";
    return text;
  }
  bool Read(const std::string& path) {
    std::string text;
    if (!ReadWholeFile(path, text)) return false;
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
      const size_t end = text.find('\n', at);
      if (end == std::string::npos) return false;  // written whole, or not at all
      lines.push_back(text.substr(at, end - at));
      at = end + 1;
    }
    if (lines.size() < 3) return false;
    Folder = lines[0];
    Generation = lines[1];
    Messages.assign(lines.begin() + 2, lines.end());
    return true;
  }
};

// This process's own records: a running sending's, and those a take-back left for the
// discussion's next save. Settling passes over them.
struct TOwnRecord {
  std::string Folder;
  bool Left = false;
};
std::map<std::string, TOwnRecord>& OwnRecords() {
  static std::map<std::string, TOwnRecord> records;
  return records;
}

enum class TVerdict { Sent, NotSent, Unknown };

// What the discussion's saved files say of a sending whose save gives them `generation`.
// A folder with no discussion files left says nothing was sent; one whose files are there
// but make no whole set cannot tell yet.
TVerdict SavedVerdict(const std::string& folder, const std::string& generation) {
  if (generation == SentMark) return TVerdict::Sent;
  TDiscussionFileSet set;
  std::string reason;
  if (!set.Choose(folder, reason)) return set.AnyFile ? TVerdict::Unknown : TVerdict::NotSent;
  return std::to_string(set.Generation) == generation ? TVerdict::Sent : TVerdict::NotSent;
}

void Log(const std::string& text) { TError::AppendToLog(std::string(Who) + " - " + text); }

void RemoveWaitingMessages(const TRecord& record) {
  for (const std::string& message : record.Messages) DeleteFileA((message + UnfinishedMessageSuffix).c_str());
}

// Moves the waiting messages into the Outbox; one moved already is passed over. False
// when one could not be moved (logged).
bool MoveWaitingMessages(const TRecord& record) {
  bool all = true;
  for (const std::string& message : record.Messages) {
    const std::string held = message + UnfinishedMessageSuffix;
    if (!IsFileExists(held)) continue;
    if (!MoveFileA(held.c_str(), message.c_str())) {
      Log("сообщение не перенесено в Outbox: " + message + ": " + platform::ErrorText(GetLastError()));
      all = false;
    }
  }
  return all && (record.Messages.empty() || platform::SyncFolderOf(platform::SystemPath(record.Messages.front())));
}

void Settle(const std::string& path) {
  TRecord record;
  if (!record.Read(path)) {
    Log("запись отправки не читается, удалена: " + path);
    DeleteFileA(path.c_str());
    return;
  }
  switch (SavedVerdict(record.Folder, record.Generation)) {
    case TVerdict::Unknown: Log("обсуждение " + record.Folder + " не читается; отправка ждёт: " + path); return;
    case TVerdict::NotSent: RemoveWaitingMessages(record); break;
    case TVerdict::Sent:
      if (record.Generation != SentMark) {
        record.Generation = SentMark;
        std::string failure;
        if (!ReplaceFileContents(path, record.Compose(), false, failure)) {
          Log(failure);
          return;
        }
      }
      if (!MoveWaitingMessages(record)) return;  // tried again at the next settling
      break;
  }
  DeleteFileA(path.c_str());
}

// Every file of the records' folder whose name ends so, by path.
std::vector<std::string> RecordPaths(const std::string& suffix) {
  std::vector<std::string> paths;
  const std::string folder = RecordsFolder();
  TFindEntry entry;
  if (!FindFirstEntry(folder + "*" + suffix, entry)) return paths;
  do {
    if (entry.Name.ends_with(suffix)) paths.push_back(folder + entry.Name);
  } while (FindNextEntry(entry));
  FindCloseEntry(entry);
  return paths;
}

bool FlushToDisk(const std::string& path) {
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool flushed = FlushFileBuffers(file);
  const DWORD why = GetLastError();
  CloseHandle(file);
  SetLastError(why);
  return flushed;
}

bool RecordFailed(const std::string& path) {
  TError::Report(std::string(Who) + "::Record - ошибка записи " + path + ": " + platform::ErrorText(GetLastError()));
  return false;
}

}  // namespace

THeldSending::~THeldSending() {
  if (!Path.empty()) OwnRecords().erase(Path);
}

bool THeldSending::Record(TDiscussion& discussion, const std::vector<std::string>& messages) {
  if (messages.empty()) return true;
  // The messages are on the disk before anything says they went.
  for (const std::string& message : messages)
    if (!FlushToDisk(message + UnfinishedMessageSuffix)) return RecordFailed(message + UnfinishedMessageSuffix);
  if (!platform::SyncFolderOf(platform::SystemPath(messages.front()))) return RecordFailed(messages.front());
  const std::string folder = RecordsFolder();
  if (!IsDirExists(folder) && !CreateFolderQuietly(folder)) {
    return RecordFailed(folder);
  }
  const TRecord record{discussion.Folder.ToString(), std::to_string(discussion.NextSaveGeneration()), messages};
  const std::string path = folder + BaseName(messages.front()) + RecordSuffix;
  if (!ReplaceFileContents(path, record.Compose(), false, std::string(Who) + "::Record")) return false;
  Path = path;
  OwnRecords()[Path] = {record.Folder, false};
  return true;
}

bool THeldSending::SavedAsSent() const {
  TRecord record;
  return Recorded() && record.Read(Path) && SavedVerdict(record.Folder, record.Generation) == TVerdict::Sent;
}

void THeldSending::Finish() {
  if (Path.empty()) return;
  DeleteFileA(Path.c_str());
  OwnRecords().erase(Path);
  Path.clear();
}

void THeldSending::Leave() {
  if (Path.empty()) return;
  OwnRecords()[Path].Left = true;
  Path.clear();
}

void SettleHeldSendings() {
  const std::map<std::string, TOwnRecord>& own = OwnRecords();
  for (const std::string& path : RecordPaths(RecordSuffix))
    if (own.find(path) == own.end()) Settle(path);
  // A record never written whole says nothing.
  for (const std::string& path : RecordPaths(std::string(RecordSuffix) + ".tmp")) DeleteFileA(path.c_str());
}

bool IsHeldForSending(const std::string& path) {
  const std::string name = BaseName(path);
  for (const std::string& recordPath : RecordPaths(RecordSuffix)) {
    TRecord record;
    if (!record.Read(recordPath)) continue;
    for (const std::string& message : record.Messages)
      if (BaseName(message) + UnfinishedMessageSuffix == name) return true;
  }
  return false;
}

void HeldSendingsSaved(const std::string& folder) {
  std::map<std::string, TOwnRecord>& own = OwnRecords();
  for (auto it = own.begin(); it != own.end();) {
    TRecord record;
    if (it->second.Left && it->second.Folder == folder) {
      if (record.Read(it->first)) RemoveWaitingMessages(record);
      DeleteFileA(it->first.c_str());
      it = own.erase(it);
    } else {
      ++it;
    }
  }
}
