#include "model/Tdiscussion.h"

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Fileroutines.h"
#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "foundation/Textroutines.h"
#include "foundation/Ttextpool.h"
#include "model/Blocklinks.h"
#include "model/Discussionfileset.h"
#include "model/Foldertree.h"
#include "model/Heldsending.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Tdatetime.h"
#include "platform/rtl/Ttaskgroup.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <random>

int TDiscussion::CrashBeforeSaveStep = 0;

namespace {

// Every move of a save is on the disk before the next step, so that a power cut leaves
// what a crash at that step would.
constexpr DWORD Durably = MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;

// Most authors, reader properties, themes and unlinked-block records a file may hold.
constexpr uint32_t MaxRecords = 1u << 20;

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool g_checkingDuplicates = false;

}  // namespace

TDiscussion::TDiscussion() = default;
TDiscussion::~TDiscussion() = default;

void TDiscussion::ClearContent() {
  Graph.reset();
  Storages.Clear();
  Authors.Clear();
  ReaderProperties.Clear();
  User.Clear();
  Themes.Clear();
  UnlinkedBlockInfos.Clear();
  HyperRefBlocks.Clear();
  Undo.Clear();
}

void TDiscussion::Unload() {
  ClearContent();
  Loaded = 0;
}

bool TDiscussion::FolderHoldsDiscussion(const TStr& folder) {
  const std::string info = folder.ToString() + "/" + TDiscussionFileSet::Names[TDiscussionFileSet::Count - 1];
  return IsFileExists(info) || IsFileExists(info + ".old");
}

std::string TDiscussion::ComposeFile(int file) const {
  std::string content;
  {
    TBufWriter w(content);
    if (file < 8) {
      const TBlocksStorage& storage = *Storages.GetStorage(uint8_t(file / 2 + 1));
      if (file % 2 == 0)
        storage.SaveBlocks(w);
      else
        storage.SaveTexts(w);
    } else if (file == 8) {
      // Authors: u32 count, the author records.
      w.WriteDWord(Authors.Authors.Count());
      for (const TAuthor& author : Authors.Authors) author.SaveToBufWriter(w);
    } else if (file == 9) {
      // Reader properties: u32 count, the property records.
      w.WriteDWord(ReaderProperties.Items.Count());
      for (const TReaderProperty& property : ReaderProperties.Items) property.SaveToBufWriter(w);
    } else if (file == 10) {
      User.SaveToBufWriter(*this, w);
    } else {
      // Discussion information: the information record, u32 count and the unlinked-block
      // records, u32 count and the themes, then the applied switches when there are any
      // (files written before they were kept end with the themes).
      Info.SaveToBufWriter(w);
      w.WriteDWord(UnlinkedBlockInfos.Count());
      for (const TUnlinkedBlockInfo& info : UnlinkedBlockInfos) info.SaveToBufWriter(w);
      w.WriteDWord(Themes.Count());
      for (const TTheme& theme : Themes) theme.SaveToBufWriter(w);
      if (!Info.Switches.IsEmpty()) Info.SaveSwitches(w);
    }
    w.Flush();
  }
  return content;
}

// Parses one file's content into `into` (a texts file's into `texts`); an empty text when
// it is sound.
std::string TDiscussion::ParseFile(int file, TBufReader& r, TDiscussion& into, bool infoOnly, TTextPool& pool,
                                   TReadTexts& texts) {
  std::string fault;
  if (file < 8) {
    TBlocksStorage& storage = *into.Storages.GetStorage(uint8_t(file / 2 + 1));
    fault = file % 2 == 0 ? storage.LoadBlocks(r, pool) : storage.ReadTexts(r, pool, texts);
  } else if (file == 8) {
    const uint32_t count = r.ReadDWord();
    if (count > 0xFFFF) return "неверное число авторов";
    for (uint32_t i = 0; i < count && !r.IsFailed(); ++i) {
      const int index = into.Authors.Authors.AddEmptyItem();
      if (index < 0) return "нет памяти";
      TAuthor& author = into.Authors.Authors[index];
      author.LoadFromBufReader(r);
      if (author.Deleted > 1 || author.Subscriber > 1 || author.Unsubscribed > 1 || author.IdentsGiven > 1 ||
          author.Robot > 1)
        return "неверный флаг автора " + std::to_string(i);
      // Authors are found by these identifiers: each names one author.
      if ((author.ADIdent != NoADIdent && into.Authors.FindAuthorByADIdent(author.ADIdent) != index) ||
          into.Authors.FindAuthorByLIdent(author.LIdent) != (author.LIdent.IsEmpty() ? -1 : index))
        return "повторный идентификатор автора " + std::to_string(i);
    }
  } else if (file == 9) {
    const uint32_t count = r.ReadDWord();
    if (count > MaxRecords) return "неверное число свойств";
    for (uint32_t i = 0; i < count && !r.IsFailed(); ++i) {
      const int index = into.ReaderProperties.Items.AddEmptyItem();
      if (index < 0) return "нет памяти";
      TReaderProperty& property = into.ReaderProperties.Items[index];
      property.LoadFromBufReader(r);
      if (!IsValidStorageType(property.Code.StorageType) || property.Mark > Mark_Trite || property.Read > 1 ||
          property.Possibility > 100)
        return "неверное свойство " + std::to_string(i);
    }
  } else if (file == 10) {
    fault = into.User.LoadFromBufReader(r);
  } else {
    fault = into.Info.LoadFromBufReader(r);
    if (!fault.empty() || infoOnly) return fault;
    const uint32_t unlinked = r.ReadDWord();
    if (unlinked > 0xFFFF) return "неверное число потерянных связей";
    for (uint32_t i = 0; i < unlinked && !r.IsFailed(); ++i) {
      const int index = into.UnlinkedBlockInfos.AddEmptyItem();
      if (index < 0) return "нет памяти";
      TUnlinkedBlockInfo& info = into.UnlinkedBlockInfos[index];
      info.LoadFromBufReader(r);
      if (!IsValidStorageType(info.Code.StorageType) || info.LostParent > 1 || info.LostConclusion > 1 ||
          info.FormulaError > 1 || info.LostHyperRefs > 1)
        return "неверная запись потерянной связи " + std::to_string(i);
    }
    const uint32_t themes = r.ReadDWord();
    if (themes > MaxRecords) return "неверное число тем";
    for (uint32_t i = 0; i < themes && !r.IsFailed() && fault.empty(); ++i) {
      const int index = into.Themes.AddEmptyItem();
      if (index < 0) return "нет памяти";
      fault = into.Themes[index].LoadFromBufReader(r);
    }
    if (fault.empty() && !r.IsFailed() && !r.IsEof()) fault = into.Info.LoadSwitches(r);
  }
  if (!fault.empty()) return fault;
  if (r.IsFailed()) return "файл обрезан";
  if (!r.IsEof()) return "лишние данные в файле";
  return {};
}

// Finds the positions of one storage's linked blocks again from their codes, through the
// number indices loading made.
std::string TDiscussion::ResolveLinks(uint8_t type) {
  TBlocksStorage& storage = *Storages.GetStorage(type);
  const TBlocksStorage* const byType[] = {nullptr, &Storages.Model, &Storages.Comments, &Storages.Notes,
                                          &Storages.ModeratedComments};
  // Every code's storage type was checked as its block was read.
  const auto find = [&](TDiscBlockCode code) {
    const int found = byType[code.StorageType]->FindLoadedBlockNum(code.BlockNum);
    return found < 0 ? TDiscBlockIndex{} : TDiscBlockIndex{code.StorageType, uint16_t(found)};
  };
  for (int i = 0; i < storage.Count(); ++i) {
    TDiscBlock& block = storage.Block(i);
    if (!block.UpperCode.IsEmpty()) {
      block.Upper = find(block.UpperCode);
      if (block.Upper.IsEmpty()) return "верхний блок не найден (блок " + std::to_string(i) + ")";
    }
    if (!block.ConclusionCode.IsEmpty()) {
      block.Conclusion = find(block.ConclusionCode);
      if (block.Conclusion.IsEmpty()) return "блок вывода не найден (блок " + std::to_string(i) + ")";
    }
    if (block.UnlinkedIndex != NoUnlinkedBlockInfo && block.UnlinkedIndex >= int(UnlinkedBlockInfos.Count()))
      return "неверная ссылка на потерянную связь (блок " + std::to_string(i) + ")";
  }
  return {};
}

namespace {

constexpr int InfoFile = TDiscussionFileSet::Count - 1;
constexpr int StorageCount = StorageType_ModeratedComments;
// Files smaller than this are read one after another by one task: a task costs a thread's
// waking, about what reading such a file does.
constexpr uint64_t SmallFile = 64 * 1024;
constexpr size_t LargeTextChunk = size_t(1) << 20;

bool IsTextsFile(int file) { return file < 2 * StorageCount && file % 2 == 1; }
// The files the links are found from: the blocks files and the information (the unlinked
// block records).
bool IsLinksInput(int file) { return (file < 2 * StorageCount && file % 2 == 0) || file == InfoFile; }

// What reading one file gave. A texts file's verdict waits for its storage's blocks.
struct TFileRead {
  std::string Why;         // the file's fault, else its content's (a texts file: its own fault only)
  std::string TextsFault;  // a texts file's content's fault, outweighed by counts that differ
  TReadTexts Texts;
  std::vector<TErrorHold::THeld> Reports;
};

}  // namespace

int TDiscussion::ReadFiles(const TDiscussionFileSet& set, uint32_t generation, bool infoOnly, TDiscussion& into,
                           std::string& why) {
  TFileRead reads[TDiscussionFileSet::Count];
  const auto readFile = [&](int file) {
    TFileRead& read = reads[file];
    TErrorHold hold;
    // Each thread reads through a buffer of its own, kept for its next file.
    thread_local TReadBuffer buffer;
    // A text in memory takes its length, a terminator and alignment beside its characters.
    // A large file's texts take a megabyte at least: memory the memory manager keeps for
    // the next load rather than memory the system must clear again.
    const size_t bytes = size_t(set.TakenBytes(file)) / 4 * 5;
    TTextPool pool(bytes < SmallFile ? bytes : std::max(bytes, LargeTextChunk));
    TDiscussionFileReader reader(set.Paths[file], file, generation, buffer);
    TBufReader* content = reader.Content();
    const std::string parsed = content ? ParseFile(file, *content, into, infoOnly, pool, read.Texts) : std::string();
    if (IsTextsFile(file)) {
      read.TextsFault = parsed;
      read.Why = reader.Finish({});
    } else {
      read.Why = reader.Finish(parsed);
    }
    read.Reports = hold.Take();
  };
  if (infoOnly) {
    readFile(InfoFile);
    TErrorHold::ReportHeld(reads[InfoFile].Reports);
    why = reads[InfoFile].Why;
    return why.empty() ? -1 : InfoFile;
  }

  // Every file at once; the links as soon as every storage's blocks and the information
  // are read, by the thread that read the last of them (they take a few nanoseconds a block).
  TTaskGroup tasks;
  std::string linksFault;
  int linksFile = -1;
  std::vector<TErrorHold::THeld> linksReports;
  std::atomic<int> linksInputs = 0;
  std::atomic<bool> linksHopeless = false;
  const auto linksInputRead = [&](int file) {
    if (!reads[file].Why.empty()) linksHopeless.store(true, std::memory_order_relaxed);
    if (linksInputs.fetch_sub(1, std::memory_order_acq_rel) != 1 || linksHopeless.load(std::memory_order_relaxed))
      return;
    TErrorHold hold;
    for (uint8_t type = StorageType_Model; type <= StorageType_ModeratedComments && linksFault.empty(); ++type) {
      linksFault = into.ResolveLinks(type);
      linksFile = 2 * (type - 1);
    }
    linksReports = hold.Take();
  };
  const auto readFiles = [&](const std::vector<int>& files) {
    for (const int file : files) {
      readFile(file);
      if (IsLinksInput(file)) linksInputRead(file);
    }
  };
  // A task for each large file, the links' inputs first and the largest first, and one
  // for the small ones together after the first large one.
  std::vector<int> large, small;
  for (int file = 0; file < TDiscussionFileSet::Count; ++file) {
    (set.TakenBytes(file) < SmallFile ? small : large).push_back(file);
    if (IsLinksInput(file)) ++linksInputs;
  }
  std::stable_sort(large.begin(), large.end(), [&](int a, int b) {
    return IsLinksInput(a) != IsLinksInput(b) ? IsLinksInput(a) : set.TakenBytes(a) > set.TakenBytes(b);
  });
  std::vector<std::vector<int>> order;
  for (const int file : large) order.push_back({file});
  if (!small.empty()) order.insert(order.begin() + std::min<size_t>(order.size(), 1), small);
  for (const std::vector<int>& files : order) tasks.Run([&] { readFiles(files); });
  tasks.Wait();

  // The first damaged file in the set's order, as reading one file after another finds it;
  // what its reading and those before it reported is reported now, on this thread.
  for (int file = 0; file < TDiscussionFileSet::Count; ++file) {
    TFileRead& read = reads[file];
    TErrorHold::ReportHeld(read.Reports);
    why = read.Why;
    if (why.empty() && IsTextsFile(file)) {
      why = into.Storages.GetStorage(uint8_t(file / 2 + 1))->TakeTexts(read.Texts, into.Referring);
      if (why.empty()) why = read.TextsFault;
    }
    if (!why.empty()) return file;
  }
  TErrorHold::ReportHeld(linksReports);
  why = linksFault;
  if (!why.empty()) return linksFile;
  // The links are positions only now.
  for (uint8_t type = StorageType_Model; type <= StorageType_ModeratedComments; ++type)
    into.Storages.GetStorage(type)->ClearLowerIndex();
  into.User.ResolveIndices(into.Storages);
  return -1;
}

std::unique_ptr<TDiscussion> TDiscussion::ReadGeneration(TDiscussionFileSet& set, uint32_t generation,
                                                         bool infoOnly, std::string& path, std::string& fault) {
  set.Take(generation);
  for (;;) {
    auto fresh = std::make_unique<TDiscussion>();
    std::string why;
    const int failed = ReadFiles(set, generation, infoOnly, *fresh, why);
    if (failed < 0) return fresh;
    if (path.empty()) path = set.Paths[failed], fault = why;
    if (!set.TakePrevious(failed)) return nullptr;
  }
}

bool TDiscussion::Load(bool infoOnly) { return LoadSet(infoOnly, false); }

bool TDiscussion::LoadOrSetAside(bool infoOnly) { return LoadSet(infoOnly, true); }

bool TDiscussion::LoadSet(bool infoOnly, bool setAside) {
  if (Loaded || (infoOnly && Info.InfoRead)) return true;
  TDiscussionFileSet set;
  set.Survey(Folder.ToString());
  // The newest set whose every file is sound; the first fault met names the damaged file.
  std::string damaged, fault;
  std::unique_ptr<TDiscussion> fresh;
  for (const uint32_t generation : set.CompleteGenerations())
    if ((fresh = ReadGeneration(set, generation, infoOnly, damaged, fault))) break;
  const std::string why = damaged.empty() ? set.WhyIncomplete() : "файл " + damaged + " повреждён: " + fault;
  if (!fresh) {
    if (setAside)
      SetAsideUnreadable(set, damaged, why);
    else
      TError::Report("TDiscussion::Load - " + why);
    return false;
  }
  Info = fresh->Info;
  Info.InfoRead = 1;
  if (infoOnly) return true;
  Storages = std::move(fresh->Storages);
  Authors = std::move(fresh->Authors);
  ReaderProperties = std::move(fresh->ReaderProperties);
  User = std::move(fresh->User);
  Themes = std::move(fresh->Themes);
  UnlinkedBlockInfos = std::move(fresh->UnlinkedBlockInfos);
  HyperRefBlocks.Clear();
  Undo.Clear();
  Graph.reset();
  // The next save goes above every generation found, the passed-over ones included.
  Generation = std::max(set.Generation, set.HighestGeneration);
  LastSaveTime = Now();
  Loaded = 1;
  SetAsideNewerFiles(set, damaged, why);
  RebuildHyperRefBlocks(*this, fresh->Referring);
  CheckDuplicatedMIdent();
  return true;
}

namespace {

// Which file kept the last save from loading, and why, in the user's words.
std::string WhyNotLoaded(const TDiscussionFileSet& set, const std::string& damaged, const std::string& firstNewer) {
  if (!damaged.empty()) return "the file " + damaged + " is damaged";
  using TGap = TDiscussionFileSet::TGap;
  const TGap gap = set.FindGap();
  switch (gap.What) {
    case TGap::Missing: return "the file " + gap.Path + " is missing";
    case TGap::Damaged: return "the file " + gap.Path + " is damaged";
    case TGap::OtherSave: return "the file " + gap.Path + " is of another save";
    default: return "the file " + firstNewer + " is not of the saved set";
  }
}

}  // namespace

void TDiscussion::SetAsideUnreadable(const TDiscussionFileSet& set, const std::string& damaged,
                                     const std::string& why) {
  TError::AppendToLog("TDiscussion::Load - " + why);
  std::vector<std::string> files;
  for (int file = 0; file < TDiscussionFileSet::Count; ++file)
    for (int place = 0; place < TDiscussionFileSet::Places; ++place)
      if (set.Headers[file][place].Exists) files.push_back(set.PathOf(file, place));
  std::string aside;
  const bool moved = SetAsideFiles(set.Folder, files, aside);
  const std::string named = WhyNotLoaded(set, damaged, files.empty() ? set.Folder : files.front());
  const std::string kept = moved ? "Its files were moved to the folder " + aside + "."
                                 : "Its files could not be moved to the folder " + aside + " (" +
                                       platform::ErrorText(GetLastError()) + "); they were left in place.";
  ShowMessageBox("LOADING DISCUSSION", "The discussion in the folder " + set.Folder + " could not be read: " + named +
                                           ".\nNo save of it is whole; it is left out.\n" + kept);
}

void TDiscussion::SetAsideNewerFiles(const TDiscussionFileSet& set, const std::string& damaged,
                                     const std::string& why) {
  const std::vector<std::string> newer = set.Displaced(true);
  if (newer.empty()) return;
  if (!why.empty()) TError::AppendToLog("TDiscussion::Load - " + why);
  std::string aside;
  const bool moved = SetAsideFiles(set.Folder, newer, aside);
  const std::string named = WhyNotLoaded(set, damaged, newer.front());
  const std::string kept = moved ? "The files of the last save were moved to the folder " + aside + "."
                                 : "The files of the last save could not be moved to the folder " + aside + " (" +
                                       platform::ErrorText(GetLastError()) + "); they were left in place.";
  ShowMessageBox("LOADING DISCUSSION", "The last save of the discussion " + set.Folder + " was not loaded: " + named +
                                           ".\nThe previous save was loaded.\n" + kept);
}

bool TDiscussion::Save() {
  if (!Loaded) {
    TError::Report("TDiscussion::Save - обсуждение не загружено: " + Folder.ToString());
    return false;
  }
  const std::string folder = Folder.ToString();
  int step = 0;
  const auto crash = [&] { return ++step == CrashBeforeSaveStep; };
  TDiscussionFileSet set;
  std::string reason;
  const bool haveSet = set.Choose(folder, reason);
  // Files outside the saved set (a newer set that broke after loading) are kept aside.
  const std::vector<std::string> displaced = haveSet ? set.Displaced(false) : std::vector<std::string>{};
  if (!displaced.empty()) {
    if (crash()) return false;
    std::string aside;
    if (!SetAsideFiles(folder, displaced, aside)) return SaveFailed(aside);
  }
  // A set taken from the previous versions is put back in place first, so that moving the
  // present files aside can never overwrite the only complete set.
  for (int file = 0; haveSet && file < TDiscussionFileSet::Count; ++file) {
    const std::string path = folder + "/" + TDiscussionFileSet::Names[file];
    if (set.Paths[file] == path) continue;
    if (crash()) return false;
    if (!MoveFileExA(set.Paths[file].c_str(), path.c_str(), Durably)) return SaveFailed(path);
  }
  const uint32_t generation = NextGeneration(set);
  const auto dropTemporaries = [&](int upTo) {
    for (int done = 0; done <= upTo; ++done) DeleteFileA((folder + "/" + TDiscussionFileSet::Names[done] + ".tmp").c_str());
  };
  TDiscussionFileWriter writer;
  for (int file = 0; file < TDiscussionFileSet::Count; ++file) {
    const std::string path = folder + "/" + TDiscussionFileSet::Names[file] + ".tmp";
    if (crash()) return false;
    if (!writer.Write(path, file, generation, ComposeFile(file))) {
      const DWORD error = GetLastError();
      writer.Sync();
      dropTemporaries(file);
      SetLastError(error);
      return SaveFailed(path);
    }
  }
  if (crash()) return false;
  if (!writer.Sync()) {
    const DWORD error = GetLastError();
    dropTemporaries(TDiscussionFileSet::Count - 1);
    SetLastError(error);
    return SaveFailed(folder);
  }
  // Every new file is on the disk already; each rename keeps a whole set under the current
  // or the previous names at any instant, and one sync of the folder makes them all durable.
  for (int file = 0; file < TDiscussionFileSet::Count; ++file) {
    const std::string path = folder + "/" + TDiscussionFileSet::Names[file];
    const std::string old = path + ".old";
    if (IsFileExists(path)) {
      if (crash()) return false;
      if (IsFileExists(old) && !DeleteFileA(old.c_str())) return SaveFailed(old);
      if (crash()) return false;
      if (!MoveFileExA(path.c_str(), old.c_str(), MOVEFILE_COPY_ALLOWED)) return SaveFailed(path);
    }
    if (crash()) return false;
    if (!MoveFileExA((path + ".tmp").c_str(), path.c_str(), MOVEFILE_COPY_ALLOWED)) return SaveFailed(path);
  }
  if (crash()) return false;
  if (!platform::SyncFolderOf(folder + "/" + TDiscussionFileSet::Names[0])) return SaveFailed(folder);
  Generation = generation;
  LastSaveTime = Now();
  HeldSendingsSaved(folder);
  return true;
}

uint32_t TDiscussion::NextGeneration(const TDiscussionFileSet& set) const {
  return std::max(set.HighestGeneration, Generation) + 1;
}

uint32_t TDiscussion::NextSaveGeneration() const {
  TDiscussionFileSet set;
  std::string reason;
  set.Choose(Folder.ToString(), reason);
  return NextGeneration(set);
}

bool TDiscussion::SaveFailed(const std::string& path) {
  TError::Report("TDiscussion::Save - ошибка записи файла " + path + ": " + platform::ErrorText(GetLastError()));
  return false;
}

bool TDiscussion::Backup(const TStr& backupFolder, int maxCopies) {
  TDiscussionFileSet set;
  std::string reason;
  if (!set.Choose(Folder.ToString(), reason)) {
    TError::Report("TDiscussion::Backup - " + reason);
    return false;
  }
  // The model folder name may have come with a received message.
  const std::string prefix = MakeSafeFolderName(GetModelFolderName().ToString()) + "_";
  const std::string stamp = prefix + FormatDateTime("yyyymmdd_hhnnss", Now());
  std::string target = backupFolder.ToString() + "/" + stamp;
  for (int n = 2; IsDirExists(target); ++n) target = backupFolder.ToString() + "/" + stamp + "_" + std::to_string(n);
  if (!MakeFolder(backupFolder.ToString()) || !MakeFolder(target)) {
    TError::Report("TDiscussion::Backup - ошибка создания папки " + target);
    return false;
  }
  for (int file = 0; file < TDiscussionFileSet::Count; ++file) {
    const std::string to = target + "/" + TDiscussionFileSet::Names[file];
    if (!CopyFileA(set.Paths[file].c_str(), to.c_str(), 1)) {
      TError::Report("TDiscussion::Backup - ошибка копирования файла " + set.Paths[file] + " в " + to);
      return false;
    }
  }
  if (maxCopies > 0) {
    // Backups of this discussion are the sub-folders named with its prefix and a time stamp;
    // names sort by their time.
    std::vector<std::string> backups;
    for (const std::string& name : ListSubFolders(backupFolder.ToString()))
      if (name.compare(0, prefix.size(), prefix) == 0 && name.size() > prefix.size() &&
          std::isdigit(static_cast<unsigned char>(name[prefix.size()])))
        backups.push_back(name);
    std::sort(backups.begin(), backups.end());
    for (size_t i = 0; i + size_t(maxCopies) < backups.size(); ++i) {
      const std::string old = backupFolder.ToString() + "/" + backups[i];
      for (int file = 0; file < TDiscussionFileSet::Count; ++file)
        DeleteFileA((old + "/" + TDiscussionFileSet::Names[file]).c_str());
      RemoveDirectoryA(old.c_str());
    }
  }
  return true;
}

bool TDiscussion::IsModerator() const {
  return Info.IsModerated() && CurrentModelLogin().Ident == Info.ModeratorLoginIdent;
}

bool TDiscussion::IsModelAuthor() {
  const int author = Authors.FindAuthorByLIdent(CurrentModelLogin().LIdent);
  return author >= 0 && Authors.Author(author).ADIdent == ModelAuthorADIdent;
}

bool TDiscussion::IsLeader() { return Info.IsModerated() ? IsModerator() : IsModelAuthor(); }

bool TDiscussion::IsLeaderLIdent(const TStr& lident) {
  if (lident.IsEmpty()) return false;
  if (Info.IsModerated()) {
    const TModelHooks& hooks = ModelHooks();
    return hooks.LoginLIdent && hooks.LoginLIdent(Info.ModeratorLoginIdent) == lident;
  }
  const int author = Authors.FindAuthorByADIdent(ModelAuthorADIdent);
  const TStr leader = author >= 0 && !Authors.Author(author).LIdent.IsEmpty() ? Authors.Author(author).LIdent
                                                                              : Info.ModelAuthorLIdent;
  return leader == lident;
}

bool TDiscussion::HasAuthorWithLIdent(const TStr& lident) const { return Authors.FindAuthorByLIdent(lident) >= 0; }

int TDiscussion::FindReaderProperty(TDiscBlockIndex block, bool create) {
  const TDiscBlock* record = Storages.GetDiscBlock(block);
  if (record == nullptr) return -1;
  const int found = ReaderProperties.Find(record->GetDiscBlockCode());
  if (found >= 0 || !create) return found;
  const int added = ReaderProperties.Add(*record);
  if (added >= 0) Undo.AddReaderPropertyCreation(added);
  return added;
}

TStr TDiscussion::GetModelFolderName() {
  if (Info.ModelFolderName.IsEmpty()) {
    Undo.AddStrFieldChange(UndoObject_DiscussionInfo, InfoField_ModelFolderName, Info.ModelFolderName);
    Info.ModelFolderName = BaseName(Folder.ToString());
  }
  return Info.ModelFolderName;
}

TStr TDiscussion::GetCurrentLoginEMail() const { return CurrentModelLogin().EMail; }

bool TDiscussion::GenerateAuthorIdent(uint16_t& adident, TStr& agident) {
  const int highest = Authors.GetMaxADIdent();
  if (highest >= 0xFFFE) {
    TError::Report("TDiscussion::GenerateAuthorIdent - идентификаторы авторов исчерпаны");
    return false;
  }
  adident = uint16_t(highest + 1);
  static std::mt19937 random{std::random_device{}()};
  const std::string tail = MakeUpperIdent(GetCurrentLoginEMail().ToString()) + "_AGP";
  for (;;) {
    char number[8];
    std::snprintf(number, sizeof number, "%06u", unsigned(random() % 1000000));
    agident = std::string(number) + tail;
    bool taken = false;
    for (const TAuthor& author : Authors.Authors) taken = taken || author.AGIdent == agident;
    if (!taken) return true;
  }
}

void TDiscussion::CheckDuplicatedMIdent() {
  if (Manager == nullptr || Info.MIdent.IsEmpty() || g_checkingDuplicates) return;
  g_checkingDuplicates = true;
  for (int d = 0; d < Manager->GetDiscussionsCount(); ++d) {
    TDiscussion& other = Manager->GetDiscussion(d);
    if (&other == this || !other.Load(true) || !(other.Info.MIdent == Info.MIdent)) continue;
    const TModelHooks& hooks = ModelHooks();
    const int answer = hooks.AskRegenerateMIdent ? hooks.AskRegenerateMIdent(Folder, other.Folder) : 0;
    if (answer == 1) {
      Info.GenerateMIdent();
      Save();
    } else if (answer == 2) {
      const bool wasLoaded = other.Loaded;
      if (other.Load()) {
        other.Info.GenerateMIdent();
        other.Save();
        if (!wasLoaded) other.Unload();
      }
    }
    break;
  }
  g_checkingDuplicates = false;
}
