#include "postoffice/Tpost.h"

#include "foundation/Crc32.h"
#include "foundation/Filereplace.h"
#include "foundation/Fileroutines.h"
#include "foundation/Keptfile.h"
#include "foundation/Storedfields.h"
#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "postoffice/Tpostadaptor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The date part of a time, whole days.
double DayOf(TDateTime time) { return std::floor(time); }

// How the state's fields are stored. A folder's list holds records of the file's version;
// the issued names are a u16 count and the names; the one byte, the robot switch, is a
// flag that any value but 0 turns on.
template <class T>
void WriteStored(TBufWriter& writer, const T& field) {
  storedfields::Write(writer, field);
}
void WriteStored(TBufWriter& writer, const TArray<TStr>& names) {
  // The count is 16 bits: the latest names are the ones worth keeping.
  const uint32_t count = std::min<uint32_t>(names.Count(), 0xFFFF);
  writer.WriteWord(static_cast<uint16_t>(count));
  for (uint32_t i = names.Count() - count; i < names.Count(); ++i) names[i].SaveToBufWriter(writer);
}

template <class T>
bool ReadStored(TBufReader& reader, uint16_t, T& field) {
  storedfields::Read(reader, field);
  return !reader.IsFailed();
}
bool ReadStored(TBufReader& reader, uint16_t version, TPostFilesStorage& list) {
  return list.LoadFromBufReader(reader, version);
}
bool ReadStored(TBufReader& reader, uint16_t, TArray<TStr>& names) {
  const uint16_t count = reader.ReadWord();
  for (uint16_t i = 0; i < count && !reader.IsFailed(); ++i) {
    TStr name;
    name.LoadFromBufReader(reader);
    names.AddItem(std::move(name));
  }
  return !reader.IsFailed();
}
bool ReadStored(TBufReader& reader, uint16_t, uint8_t& flag) {
  flag = reader.ReadByte() != 0 ? 1 : 0;
  return !reader.IsFailed();
}

// The names of the waiting sets told follow the fields every build reads, in files of this
// version on.
constexpr uint16_t ToldSetsSince = 9;
void WriteToldSets(TBufWriter& writer, const std::set<std::string>& sets) {
  const uint16_t count = static_cast<uint16_t>(std::min<size_t>(sets.size(), 0xFFFF));
  writer.WriteWord(count);
  auto set = sets.begin();
  for (uint16_t i = 0; i < count; ++i, ++set) TStr(*set).SaveToBufWriter(writer);
}
bool ReadToldSets(TBufReader& reader, std::set<std::string>& sets) {
  if (reader.IsEof()) return true;
  const uint16_t count = reader.ReadWord();
  for (uint16_t i = 0; i < count && !reader.IsFailed(); ++i) {
    TStr name;
    name.LoadFromBufReader(reader);
    sets.insert(name.ToString());
  }
  return !reader.IsFailed();
}

// A folder keeps its place on disk; only its list is taken from the file.
template <class T>
void TakeStored(T& target, T& staged) {
  target = std::move(staged);
}
void TakeStored(TPostFilesStorage& target, TPostFilesStorage& staged) { target.Files = std::move(staged.Files); }

// The section after the told sets that tells which messages the joined parts of InboxPost
// were joined into: a tag byte, a u32 count of parts, each a name, a u16 count of messages
// and their names. Written only when a part has one; a build that knows no such section
// stops reading before it.
constexpr uint8_t JoinedPartsSection = 0x4A;

bool IsJoinedPart(const TPostFile& file) { return !file.JoinedInto.empty(); }
bool HasJoinedParts(const TPostFilesStorage& parts) {
  return std::any_of(parts.Files.begin(), parts.Files.end(), IsJoinedPart);
}

void WriteJoinedParts(TBufWriter& writer, const TPostFilesStorage& parts) {
  const uint32_t count = uint32_t(std::count_if(parts.Files.begin(), parts.Files.end(), IsJoinedPart));
  if (count == 0) return;
  writer.WriteByte(JoinedPartsSection);
  writer.WriteDWord(count);
  for (const TPostFile& file : parts.Files) {
    if (!IsJoinedPart(file)) continue;
    file.Name.SaveToBufWriter(writer);
    const uint16_t messages = uint16_t(std::min<size_t>(file.JoinedInto.size(), 0xFFFF));
    writer.WriteWord(messages);
    for (uint16_t i = 0; i < messages; ++i) TStr(file.JoinedInto[i]).SaveToBufWriter(writer);
  }
}

bool ReadJoinedParts(TBufReader& reader, TPostFilesStorage& parts) {
  if (reader.IsEof()) return !reader.IsFailed();
  if (reader.ReadByte() != JoinedPartsSection) return false;
  const uint32_t count = reader.ReadDWord();
  for (uint32_t i = 0; i < count && !reader.IsFailed(); ++i) {
    TStr name;
    name.LoadFromBufReader(reader);
    std::vector<std::string> messages(reader.ReadWord());
    for (std::string& message : messages) {
      TStr text;
      text.LoadFromBufReader(reader);
      message = text.ToString();
    }
    const int32_t at = parts.FindPostFile(name.View());
    if (at >= 0) parts.Files[uint32_t(at)].JoinedInto = std::move(messages);
  }
  return !reader.IsFailed();
}

}  // namespace

TPost::TPost() {
  Inbox.Kind = PostKind_Inbox;
  InboxPost.Kind = PostKind_InboxPost;
  Outbox.Kind = PostKind_Outbox;
  OutboxPost.Kind = PostKind_OutboxPost;
}

TPostFilesStorage& TPost::Storage(uint8_t kind) {
  switch (kind) {
    case PostKind_Inbox: return Inbox;
    case PostKind_InboxPost: return InboxPost;
    case PostKind_Outbox: return Outbox;
    default: return OutboxPost;
  }
}

std::string TPost::DefaultRobotPattern() { return std::string("%") + "email" + " <" + "%" + "name" + ">"; }

void TPost::Init(const TStr& rootPath, TPostAdaptor* adaptor) {
  RootPath = rootPath;
  Adaptor = adaptor;
  if (Adaptor) Adaptor->FillPostFolders(*this);
  for (uint8_t kind = PostKind_Inbox; kind <= PostKind_OutboxPost; ++kind) {
    const TStr& folder = Storage(kind).FolderPath;
    if (!folder.IsEmpty()) CreateFolder(RootPath.ToString() + folder.ToString());
  }
}

// The state file's fields in their order, each with the first version that has it: the
// writer writes them all, the reader those its version has. Two states are visited side by
// side, so that the reader can take over, field by field, what it read into a staged copy.
template <class F>
void TPost::VisitStoredFields(TPost& a, TPost& b, F&& field) {
  for (uint8_t kind = PostKind_Inbox; kind <= PostKind_OutboxPost; ++kind) field(1, a.Storage(kind), b.Storage(kind));
  field(1, a.IssuedNames, b.IssuedNames);
  field(2, a.AdvertisingList, b.AdvertisingList);
  field(3, a.RobotEMail, b.RobotEMail);
  field(3, a.RobotPattern, b.RobotPattern);
  field(5, a.RobotPatternGroupSize, b.RobotPatternGroupSize);
  field(5, a.RobotEnabled, b.RobotEnabled);
}

bool TPost::LoadFrom(TBufReader& reader) {
  const uint16_t version = reader.ReadWord();
  if (reader.IsFailed()) return false;
  if (version == 0 || version > FileVersion) {
    TError::Report("TPost::Load - неизвестная версия файла " + CBSFileName.ToString() + ": " +
                   std::to_string(version));
    return false;
  }
  // Everything is read aside first: a damaged file changes nothing.
  TPost staged;
  bool read = true;
  VisitStoredFields(staged, *this, [&](uint16_t since, auto& field, auto&) {
    if (read && version >= since) read = ReadStored(reader, version, field);
  });
  if (read && version >= ToldSetsSince) read = ReadToldSets(reader, staged.ToldSets);
  if (!read || reader.IsFailed() || !ReadJoinedParts(reader, staged.InboxPost)) return false;
  VisitStoredFields(staged, *this, [](uint16_t, auto& field, auto& target) { TakeStored(target, field); });
  ToldSets = std::move(staged.ToldSets);
  return true;
}

bool TPost::Load() {
  if (CBSFileName.IsEmpty()) {
    TError::Report("TPost::Load - попытка загрузки при неоткрытых файлах");
    return false;
  }
  // No file at the first start; a damaged one gives way to its previous copy, else to
  // folders listed anew.
  const std::string taken = LoadKeptFile(CBSFileName.ToString(), [this](std::string_view data) {
    TBufReader reader(data);
    if (LoadFrom(reader)) return true;
    TError::Report("TPost::Load - файл повреждён: " + CBSFileName.ToString());
    return false;
  }, {"LOADING POST STATE", "post state file", "The post folders are listed anew from the files they hold."});
  TFindEntry entry;
  if (!taken.empty() && FindFirstEntry(taken, entry)) {
    // Names are issued per day: those of an earlier day are free again.
    if (DayOf(DosDateTimeToDateTime(entry)) < DayOf(Date())) IssuedNames.Clear();
    FindCloseEntry(entry);
  }
  if (RobotPattern.IsEmpty()) RobotPattern = DefaultRobotPattern();
  Opened = 1;
  return true;
}

bool TPost::Save() {
  if (!Opened) return true;
  if (CBSFileName.IsEmpty()) {
    TError::Report("TPost::Save - попытка сохранения при неоткрытых файлах");
    return false;
  }
  std::string data;
  {
    TBufWriter writer(data);
    writer.WriteWord(FileVersion);
    VisitStoredFields(*this, *this, [&](uint16_t, const auto& field, const auto&) { WriteStored(writer, field); });
    // The told sets come first, as a count of none when only joined parts follow.
    if (!ToldSets.empty() || HasJoinedParts(InboxPost)) WriteToldSets(writer, ToldSets);
    WriteJoinedParts(writer, InboxPost);
    if (!writer.Flush()) {
      TError::Report("TPost::Save - ошибка создания TBufWriter");
      return false;
    }
  }
  return ReplaceKeptFile(CBSFileName.ToString(), data, false, "TPost::Save");
}

TPost*& PostState() {
  static TPost* post = nullptr;
  return post;
}

bool TPost::TellOfWaitingSet(const std::string& set, std::vector<std::string> members) {
  std::sort(members.begin(), members.end());
  uint32_t digest = 0;
  for (const std::string& member : members) digest = Crc32(member.c_str(), member.size() + 1, digest);
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08x", digest);
  const std::string entry = set + "\n" + hex + "/" + std::to_string(members.size());
  if (ToldSets.count(entry)) return false;
  ForgetToldSet(set);
  ToldSets.insert(entry);
  return true;
}

void TPost::ForgetToldSet(const std::string& set) {
  std::erase_if(ToldSets, [&set](const std::string& entry) { return ToldSetName(entry) == set; });
}

std::string TPost::ToldSetName(const std::string& entry) { return entry.substr(0, entry.rfind('\n')); }
