#include "postoffice/Postarchives.h"

#include "foundation/Fileroutines.h"
#include "foundation/Gostpassword.h"
#include "foundation/Tbufreader.h"
#include "foundation/Terror.h"
#include "model/Tcommandmessage.h"
#include "net/Ecabinet.h"
#include "net/Enetexception.h"
#include "net/Netsystem.h"
#include "net/Tcabreader.h"
#include "net/Tcabwriter.h"
#include "platform/cab/Fdi.h"
#include "platform/kernel/Codepage.h"
#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Strutil.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// Watches what a received post unpacks to: the first bytes are its message's header, which
// sets how much may follow; more is refused before it is written.
class TPostBound {
 public:
  // Sees a piece before it is written; false (with the reason) when the post would hold more.
  bool Take(const uint8_t* data, size_t size) {
    produced_ += size;
    if (!known_) {
      head_.append(reinterpret_cast<const char*>(data),
                   std::min<size_t>(size, size_t(MaxMessageHeaderBytes - std::min<uint64_t>(head_.size(), MaxMessageHeaderBytes))));
      Settle(head_.size() >= MaxMessageHeaderBytes);
    }
    const uint64_t bound = known_ ? bound_ : MaxMessageHeaderBytes;
    if (produced_ > bound || (known_ && declared_ > bound_)) {
      reason_ = "the post unpacks to more than the " + std::to_string(bound) + " bytes its message can hold";
      return false;
    }
    return true;
  }
  void Declare(int64_t size) { declared_ += uint64_t(std::max<int64_t>(size, 0)); }
  // At the end: a post too short for a header holds no message of blocks.
  const std::string& Reason() const { return reason_; }

 private:
  void Settle(bool last) {
    TCommandMessageHeader header;
    bool read;
    {
      TErrorCapture capture;
      TBufReader reader(head_);
      read = header.Read(reader) && !capture.Caught();
    }
    if (!read && !last) return;  // more of the header is to come
    known_ = true;
    bound_ = std::min<uint64_t>(MaxUnpackedPostSize, MaxMessageHeaderBytes + MessageDataRoom);
    if (!read || !header.HasField("BLOCKSCOUNT")) return;
    const std::string count = header.GetFieldValue("BLOCKSCOUNT");
    if (count.empty() || count.size() > 6 || count.find_first_not_of("0123456789") != std::string::npos) return;
    bound_ = std::min<uint64_t>(MaxUnpackedPostSize, MaxMessageHeaderBytes + MessageDataRoom + std::stoull(count) * MaxBlockRecordBytes);
  }

  std::string head_, reason_;
  uint64_t produced_ = 0, declared_ = 0, bound_ = 0;
  bool known_ = false;
};

// "#" and twelve digits of the system's random source: a mark no sender can foretell.
std::string ChosenMark() {
  uint64_t value = 0;
  RandomBytes(reinterpret_cast<uint8_t*>(&value), sizeof value);
  std::string digits = std::to_string(value % 1'000'000'000'000);
  return "#" + std::string(12 - digits.size(), '0') + digits;
}

}  // namespace

std::string FreeFileName(const std::string& folder, const std::string& name, bool beforeLastDot) {
  const size_t room = platform::MaxNameBytes(folder);
  const size_t at = std::min(beforeLastDot ? name.rfind('.') : name.find('.'), name.size());
  const std::string head = name.substr(0, at), tail = name.substr(at);
  const size_t headBytes = platform::AnsiToUtf8(head).size();
  for (unsigned n = 1; n <= MaxCountedNames + MaxChosenNameTries; ++n) {
    const std::string mark = n == 1 ? std::string() : n <= MaxCountedNames ? "#" + std::to_string(n) : ChosenMark();
    // The mark and the tail come first; the tail leaves the head a character at least.
    const size_t left = room > mark.size() + 3 ? room - mark.size() : 3;
    const std::string end = FitFileName(tail, left - std::min<size_t>(headBytes, 3));
    const std::string candidate = FitFileName(head, left - platform::AnsiToUtf8(end).size()) + mark + end;
    switch (PathState(folder + candidate)) {
      case TPathState::Absent: return candidate;
      case TPathState::Present: break;
      case TPathState::Unknown: return {};
    }
  }
  SetLastError(ERROR_FILE_EXISTS);
  return {};
}

bool PackMessageCabinet(const std::string& folder, const std::string& name, const std::string& cabinet,
                        std::string& error, uint32_t linkArea) {
  try {
    auto writer = std::make_unique<TCabWriter>(nullptr);
    // Post files are MSZIP cabinets, whatever the writer's own default.
    writer->SetCompressionType(cctMsZip);
    writer->SetReservePerCabinetSize(linkArea);
    writer->Open(cabinet);
    writer->AddFile(folder + name, name, false);
    writer->Close(true);
    return true;
  } catch (const std::exception& e) {
    error = e.what();
  }
  DeleteFileA(cabinet.c_str());
  return false;
}

uint64_t CabinetSizeOf(const std::string& path) {
  HANDLE in =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (in == INVALID_HANDLE_VALUE) return 0;
  uint8_t head[12] = {};
  DWORD got = 0;
  const bool read = ReadFile(in, head, sizeof head, &got, nullptr) && got == sizeof head;
  CloseHandle(in);
  if (!read || std::memcmp(head, "MSCF", 4) != 0) return 0;
  return uint64_t(head[8]) | uint64_t(head[9]) << 8 | uint64_t(head[10]) << 16 | uint64_t(head[11]) << 24;
}

bool JoinPostParts(const std::vector<std::string>& parts, const std::string& target,
                   const std::string& sourceFolderName, const std::string& targetFolderName) {
  HANDLE out = CreateFileA(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    TError::Report("Can't open " + targetFolderName + " destination file - " + target);
    return false;
  }
  std::string buffer;
  bool ok = true;
  uint64_t total = 0;
  for (const std::string& part : parts) {
    HANDLE in = CreateFileA(part.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (in == INVALID_HANDLE_VALUE) {
      TError::Report("Can't open " + sourceFolderName + " source file - " + part);
      ok = false;
      break;
    }
    DWORD high = 0;
    const DWORD size = GetFileSize(in, &high);
    DWORD got = 0;
    total += size;
    if (high != 0 || size == INVALID_FILE_SIZE || total > MaxJoinedCabinetSize) {
      ok = false;
    } else {
      if (buffer.size() < size) buffer.resize(size);
      ok = ReadFile(in, buffer.data(), size, &got, nullptr) && got == size;
    }
    CloseHandle(in);
    if (!ok) {
      TError::Report("Can't read " + sourceFolderName + " source file - " + part);
      break;
    }
    DWORD written = 0;
    if (!WriteFile(out, buffer.data(), size, &written, nullptr) || written != size) {
      TError::Report("Can't write " + targetFolderName + " destination file - " + target);
      ok = false;
      break;
    }
  }
  CloseHandle(out);
  if (!ok) DeleteFileA(target.c_str());
  return ok;
}

namespace {

// A cabinet the reader failed on: true when this computer failed (the cabinet just joined
// was not found, memory ran out, a member could not be written for another reason than its
// name), not the cabinet.
bool IsLocalCabinetFault(const std::exception& e) {
  const auto* cabinet = dynamic_cast<const ECabinet*>(&e);
  if (!cabinet) return true;  // memory, a file of this computer
  switch (cabinet->ErrorCode()) {
    case FDIERROR_CABINET_NOT_FOUND:
    case FDIERROR_ALLOC_FAIL: return true;
    case FDIERROR_TARGET_FILE: return !ENetAttachmentSaveError::IsNameRefusal(uint32_t(cabinet->SystemErrorCode()));
    default: return false;
  }
}

}  // namespace

TUnpackOutcome UnpackReceivedCabinet(const std::string& cabinet, const std::string& folder,
                                     std::vector<std::string>& names, std::string& error,
                                     const std::function<bool(const std::string& path)>& accept) {
  names.clear();
  const std::string work = folder + ".unpack/";
  if (!RecourseDelete(work) || !CreateFolder(work)) {
    error = "the work folder " + work + " cannot be made";
    return TUnpackOutcome::Failed;
  }
  TPostBound bound;
  std::string crossing;  // the post's own fault, found before the reader failed
  bool local = false;
  try {
    auto reader = std::make_unique<TCabReader>(nullptr);
    reader->SetOutputLimit(MaxUnpackedPostSize);
    reader->OnCopyFile = [&bound](TObject*, const std::string&, int32_t size, uint16_t, uint16_t, uint16_t, uint16_t,
                                  std::string&, bool&) { bound.Declare(size); };
    reader->OnOutput = [&bound](const uint8_t* data, size_t size) { return bound.Take(data, size); };
    // A post is one cabinet: one that goes on into another opens no other file.
    reader->OnNextCabinet = [&crossing](TObject*, const std::string&, const std::string&, std::string&, FDIERROR,
                                        bool& abort) {
      crossing = "it goes on into another cabinet, which no post does";
      abort = true;
    };
    reader->Extract(cabinet, work);
  } catch (const std::exception& e) {
    error = !crossing.empty() ? crossing : bound.Reason().empty() ? e.what() : bound.Reason();
    local = crossing.empty() && bound.Reason().empty() && IsLocalCabinetFault(e);
  }
  std::vector<std::string> unpacked;
  if (error.empty()) {
    TFindEntry entry;
    for (bool more = FindFirstEntry(work + "*.*", entry); more; more = FindNextEntry(entry)) {
      if (unpacked.size() == MaxUnpackedFiles) {
        error = "more than " + std::to_string(MaxUnpackedFiles) + " files in the cabinet";
        FindCloseEntry(entry);
        break;
      }
      unpacked.push_back(entry.Name);
    }
  }
  for (size_t i = 0; error.empty() && accept && i < unpacked.size(); ++i)
    if (!accept(work + unpacked[i]))
      error = "the message " + EscapeControlChars(unpacked[i]) + " is not sealed or was altered";
  // Only when every file came out do they move, each by one rename.
  bool unplaced = false;
  for (size_t i = 0; error.empty() && i < unpacked.size(); ++i) {
    const std::string name = FreeFileName(folder, unpacked[i]);
    if (!name.empty() && MoveFileA((work + unpacked[i]).c_str(), (folder + name).c_str())) {
      names.push_back(name);
      continue;
    }
    const DWORD code = GetLastError();
    error = (name.empty() ? "no free name for " : "cannot move ") + EscapeControlChars(unpacked[i]) +
            (name.empty() ? " in " : " into ") + folder + ": " + platform::SystemReason(code);
    // No name the folder takes now; any other fault is this computer's. Neither is the
    // post's: another run may place it.
    unplaced = code == ERROR_FILE_EXISTS || ENetAttachmentSaveError::IsNameRefusal(code);
    local = !unplaced;
    for (size_t j = 0; j < names.size(); ++j) MoveFileA((folder + names[j]).c_str(), (work + unpacked[j]).c_str());
    names.clear();
  }
  RecourseDelete(work);
  if (error.empty()) return TUnpackOutcome::Unpacked;
  return unplaced ? TUnpackOutcome::Unplaced : local ? TUnpackOutcome::Failed : TUnpackOutcome::Refused;
}

void RemoveFolderFiles(const std::string& folder) {
  TFindEntry entry;
  for (bool more = FindFirstEntry(folder + "*.*", entry); more; more = FindNextEntry(entry))
    DeleteFileA((folder + entry.Name).c_str());
}

bool PublishFolderFiles(const std::string& from, const std::string& to) {
  std::vector<std::string> names;
  TFindEntry entry;
  for (bool more = FindFirstEntry(from + "*.*", entry); more; more = FindNextEntry(entry)) names.push_back(entry.Name);
  for (const std::string& name : names)
    if (!MoveFileExA((from + name).c_str(), (to + name).c_str(), MOVEFILE_REPLACE_EXISTING)) {
      TError::Report("Can't move file " + from + name + " to " + to + ": " + platform::ErrorText(GetLastError()));
      return false;
    }
  return true;
}
