#include "postoffice/Tpost.h"

#include "foundation/Filereplace.h"
#include "foundation/Fileroutines.h"
#include "foundation/Keptfile.h"
#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "postoffice/Tpostadaptor.h"

#include <cmath>

namespace {

// The date part of a time, whole days.
double DayOf(TDateTime time) { return std::floor(time); }

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

bool TPost::LoadFrom(TBufReader& reader) {
  const uint16_t version = reader.ReadWord();
  if (reader.IsFailed()) return false;
  if (version == 0 || version > FileVersion) {
    TError::Report("TPost::Load - неизвестная версия файла " + CBSFileName.ToString() + ": " +
                   std::to_string(version));
    return false;
  }
  // Everything is read aside first: a damaged file changes nothing.
  TPostFilesStorage lists[4];
  for (TPostFilesStorage& list : lists)
    if (!list.LoadFromBufReader(reader, version)) return false;
  TArray<TStr> names;
  const uint16_t count = reader.ReadWord();
  for (uint16_t i = 0; i < count && !reader.IsFailed(); ++i) {
    TStr name;
    name.LoadFromBufReader(reader);
    names.AddItem(std::move(name));
  }
  TStr advertising, robotEMail, robotPattern;
  uint16_t groupSize = 8;
  uint8_t robotEnabled = 0;
  if (version >= 2) advertising.LoadFromBufReader(reader);
  if (version >= 3) {
    robotEMail.LoadFromBufReader(reader);
    robotPattern.LoadFromBufReader(reader);
  }
  if (version >= 5) {
    groupSize = reader.ReadWord();
    robotEnabled = reader.ReadByte() != 0 ? 1 : 0;
  }
  if (reader.IsFailed()) return false;

  for (uint8_t kind = PostKind_Inbox; kind <= PostKind_OutboxPost; ++kind)
    Storage(kind).Files = std::move(lists[kind - 1].Files);
  IssuedNames = std::move(names);
  AdvertisingList = std::move(advertising);
  RobotEMail = std::move(robotEMail);
  RobotPattern = std::move(robotPattern);
  RobotPatternGroupSize = groupSize;
  RobotEnabled = robotEnabled;
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
    for (uint8_t kind = PostKind_Inbox; kind <= PostKind_OutboxPost; ++kind)
      if (!Storage(kind).SaveToBufWriter(writer)) return false;
    // The count is 16 bits: the latest names are the ones worth keeping.
    const uint32_t count = std::min<uint32_t>(IssuedNames.Count(), 0xFFFF);
    writer.WriteWord(static_cast<uint16_t>(count));
    for (uint32_t i = IssuedNames.Count() - count; i < IssuedNames.Count(); ++i)
      IssuedNames[i].SaveToBufWriter(writer);
    AdvertisingList.SaveToBufWriter(writer);
    RobotEMail.SaveToBufWriter(writer);
    RobotPattern.SaveToBufWriter(writer);
    writer.WriteWord(RobotPatternGroupSize);
    writer.WriteByte(RobotEnabled);
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
