#include "model/Discussionfileset.h"

#include "foundation/Crc32.h"
#include "foundation/Tbufreader.h"
#include "foundation/Fileroutines.h"
#include "foundation/Tmemmanager.h"
#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Tdatetime.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <map>

const char* const TDiscussionFileSet::Names[TDiscussionFileSet::Count] = {
    "Model.cbs",       "Model.cbt",       "Annotations.cbs",          "Annotations.cbt",
    "Notes.cbs",       "Notes.cbt",       "ModeratedAnnotations.cbs", "ModeratedAnnotations.cbt",
    "Authors.cbs",     "ReadProps.cbs",   "UserInfo.cbs",             "DiscussionInfo.cbs",
};

const char* const TDiscussionFileSet::Suffixes[TDiscussionFileSet::Places] = {"", ".old", ".tmp"};

uint16_t TDiscussionFileSet::Version(int file) { return file < 8 ? BlockFileVersion : DiscussionFileVersion; }

namespace {

constexpr size_t HeaderSize = 2 + 4 + 1;

// Reads the header of a file without reporting: a file left half-written by an
// interrupted save is expected here.
TDiscussionFileSet::THeader PeekHeader(const std::string& path, int file) {
  TDiscussionFileSet::THeader result;
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return result;
  result.Exists = true;
  DWORD high = 0;
  const DWORD low = GetFileSize(handle, &high);
  if (low != INVALID_FILE_SIZE) result.Size = uint64_t(high) << 32 | low;
  unsigned char header[HeaderSize] = {};
  DWORD read = 0;
  const bool ok = ReadFile(handle, header, sizeof header, &read, nullptr);
  CloseHandle(handle);
  const unsigned version = header[0] | (header[1] << 8);
  result.Generation = uint32_t(header[2]) | (uint32_t(header[3]) << 8) | (uint32_t(header[4]) << 16) |
                      (uint32_t(header[5]) << 24);
  if (!ok) result.Fault = "ошибка чтения файла";
  else if (read < sizeof header) result.Fault = "файл обрезан (" + std::to_string(read) + " байт)";
  else if (version != TDiscussionFileSet::Version(file)) result.Fault = "неверная версия формата " + std::to_string(version);
  else if (header[6] != file) result.Fault = "чужой файл (номер " + std::to_string(header[6]) + ")";
  return result;
}

}  // namespace

void TDiscussionFileSet::Survey(const std::string& folder) {
  Folder = folder;
  Generation = 0;
  HighestGeneration = 0;
  AnyFile = false;
  for (int file = 0; file < Count; ++file) {
    Paths[file].clear();
    for (int place = 0; place < Places; ++place) {
      THeader& header = Headers[file][place];
      header = PeekHeader(PathOf(file, place), file);
      if (header.Sound()) HighestGeneration = std::max(HighestGeneration, header.Generation);
      if (place != Temporary) AnyFile = AnyFile || header.Exists;
    }
  }
}

std::vector<uint32_t> TDiscussionFileSet::CompleteGenerations() const {
  std::vector<uint32_t> complete;
  const auto has = [&](int file, uint32_t generation) {
    for (int place : {Current, Previous})
      if (Headers[file][place].Sound() && Headers[file][place].Generation == generation) return true;
    return false;
  };
  for (int place : {Current, Previous}) {
    const THeader& first = Headers[0][place];
    if (!first.Sound()) continue;
    bool all = true;
    for (int file = 1; file < Count && all; ++file) all = has(file, first.Generation);
    if (all) complete.push_back(first.Generation);
  }
  std::sort(complete.rbegin(), complete.rend());
  complete.erase(std::unique(complete.begin(), complete.end()), complete.end());
  return complete;
}

void TDiscussionFileSet::Take(uint32_t generation) {
  Generation = generation;
  for (int file = 0; file < Count; ++file) {
    const THeader& current = Headers[file][Current];
    Paths[file] = PathOf(file, current.Sound() && current.Generation == generation ? Current : Previous);
  }
}

bool TDiscussionFileSet::TakePrevious(int file) {
  const THeader& previous = Headers[file][Previous];
  if (Paths[file] != PathOf(file, Current) || !previous.Sound() || previous.Generation != Generation) return false;
  Paths[file] = PathOf(file, Previous);
  return true;
}

uint64_t TDiscussionFileSet::TakenBytes(int file) const {
  for (int place : {Current, Previous})
    if (Paths[file] == PathOf(file, place)) return Headers[file][place].Size;
  return 0;
}

TDiscussionFileSet::TGap TDiscussionFileSet::FindGap() const {
  TGap gap;
  if (!AnyFile) {
    gap.What = TGap::NoFiles;
    return gap;
  }
  // The set the current files were saved as: the generation most of them have.
  std::map<uint32_t, int> votes;
  for (int place : {Current, Previous}) {
    for (int file = 0; file < Count; ++file)
      if (Headers[file][place].Sound()) ++votes[Headers[file][place].Generation];
    if (!votes.empty()) break;
  }
  int most = 0;
  for (const auto& [generation, count] : votes)
    if (count >= most) gap.Expected = generation, most = count;
  for (int file = 0; file < Count; ++file) {
    const THeader& current = Headers[file][Current];
    const THeader& previous = Headers[file][Previous];
    if (current.Sound() && current.Generation == gap.Expected) continue;
    gap.Path = PathOf(file, Current);
    if (!current.Exists) {
      if (previous.Sound() && previous.Generation == gap.Expected) continue;
      if (previous.Exists && !previous.Sound()) {
        gap.What = TGap::Damaged;
        gap.Path = PathOf(file, Previous);
        gap.Fault = previous.Fault;
      } else {
        gap.What = TGap::Missing;
      }
      return gap;
    }
    gap.What = current.Sound() ? TGap::OtherSave : TGap::Damaged;
    gap.Fault = current.Fault;
    gap.Generation = current.Generation;
    return gap;
  }
  gap.Path.clear();
  return gap;
}

std::string TDiscussionFileSet::WhyIncomplete() const {
  const TGap gap = FindGap();
  const std::string lead = "нет полного набора файлов обсуждения: ";
  switch (gap.What) {
    case TGap::None: return {};
    case TGap::NoFiles: return "файлы обсуждения не найдены: " + Folder;
    case TGap::Missing: return lead + "нет файла " + gap.Path;
    case TGap::Damaged: return lead + "файл " + gap.Path + " повреждён: " + gap.Fault;
    case TGap::OtherSave: break;
  }
  return lead + "файл " + gap.Path + " из другого сохранения (поколение " + std::to_string(gap.Generation) +
         " вместо " + std::to_string(gap.Expected) + ")";
}

std::vector<std::string> TDiscussionFileSet::Displaced(bool temporaries) const {
  std::vector<std::string> paths;
  for (int file = 0; file < Count; ++file) {
    // When loading, a current file that is sound and older than the taken set (the
    // generations swapped places) holds no later save: the next save replaces it.
    const THeader& current = Headers[file][Current];
    const bool older = current.Sound() && current.Generation < Generation;
    if (current.Exists && Paths[file] != PathOf(file, Current) && !(temporaries && older))
      paths.push_back(PathOf(file, Current));
    const THeader& previous = Headers[file][Previous];
    if (previous.Sound() && previous.Generation > Generation && Paths[file] != PathOf(file, Previous))
      paths.push_back(PathOf(file, Previous));
  }
  // What an interrupted newer save left under temporary names belongs with its other files.
  for (int file = 0; temporaries && !paths.empty() && file < Count; ++file) {
    const THeader& temporary = Headers[file][Temporary];
    if (temporary.Sound() && temporary.Generation > Generation) paths.push_back(PathOf(file, Temporary));
  }
  return paths;
}

bool TDiscussionFileSet::Choose(const std::string& folder, std::string& reason) {
  Survey(folder);
  const std::vector<uint32_t> complete = CompleteGenerations();
  if (complete.empty()) {
    reason = WhyIncomplete();
    return false;
  }
  Take(complete.front());
  return true;
}

bool SetAsideFiles(const std::string& folder, const std::vector<std::string>& paths, std::string& aside) {
  const std::string stamp = folder + "/" + std::string(SetAsideFolderPrefix) + FormatDateTime("yyyymmdd_hhnnss", Now());
  aside = stamp;
  for (int n = 2; IsDirExists(aside) || IsFileExists(aside); ++n) aside = stamp + "_" + std::to_string(n);
  if (!CreateDirectoryA(aside.c_str(), nullptr)) return false;
  for (const std::string& path : paths) {
    const std::string target = aside + path.substr(path.find_last_of('/'));
    if (!MoveFileExA(path.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) return false;
  }
  return true;
}

namespace {

uint32_t GetLE32(std::string_view data, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[at + i]);
  return v;
}

void PutLE(std::string& data, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) data += char((value >> (8 * i)) & 0xFF);
}

}  // namespace

TDiscussionFileWriter::~TDiscussionFileWriter() {
  for (HANDLE handle : Written) CloseHandle(handle);
}

bool TDiscussionFileWriter::Write(const std::string& path, int file, uint32_t generation, const std::string& content) {
  std::string header;
  PutLE(header, TDiscussionFileSet::Version(file), 2);
  PutLE(header, generation, 4);
  PutLE(header, uint32_t(file), 1);
  std::string trailer;
  PutLE(trailer, Crc32(content.data(), content.size(), Crc32(header.data(), header.size())), 4);
  PutLE(trailer, DiscussionFileEndMarker, 4);
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  Written.push_back(handle);
  bool ok = true;
  for (const std::string* part : std::initializer_list<const std::string*>{&header, &content, &trailer}) {
    for (size_t at = 0; ok && at < part->size();) {
      const DWORD chunk = DWORD(std::min<size_t>(part->size() - at, 1u << 30));
      DWORD written = 0;
      ok = WriteFile(handle, part->data() + at, chunk, &written, nullptr) && written == chunk;
      at += chunk;
    }
  }
  if (ok) platform::StartWriteBack(handle);
  return ok;
}

bool TDiscussionFileWriter::Sync() {
  bool ok = true;
  for (HANDLE handle : Written) {
    ok = FlushFileBuffers(handle) && ok;
    ok = CloseHandle(handle) && ok;
  }
  Written.clear();
  return ok;
}

bool WriteDiscussionFile(const std::string& path, int file, uint32_t generation, const std::string& content) {
  TDiscussionFileWriter writer;
  return writer.Write(path, file, generation, content) && writer.Sync();
}

void TReadBuffer::TFree::operator()(char* bytes) const { TMemManager::Free(bytes); }

char* TReadBuffer::Take(size_t size) {
  if (size > Capacity) {
    // Not cleared: every byte is read into before it is looked at.
    Bytes.reset();
    Capacity = 0;
    Bytes.reset(static_cast<char*>(TMemManager::Alloc(size)));
    if (!Bytes) throw std::bad_alloc();
    Capacity = size;
  }
  Size = size;
  return Bytes.get();
}

namespace {

// What is wrong with a sound file's header for this place of the set; empty when nothing.
std::string HeaderFault(uint16_t version, uint32_t stored, uint8_t number, int file, uint32_t generation) {
  if (version != TDiscussionFileSet::Version(file)) return "неверная версия формата " + std::to_string(version);
  if (number != file) return "чужой файл";
  if (stored != generation)
    return "файл из другого сохранения (поколение " + std::to_string(stored) + " вместо " + std::to_string(generation) +
           ")";
  return {};
}

}  // namespace

std::string ReadDiscussionFile(const std::string& path, int file, uint32_t generation, TReadBuffer& buffer,
                               std::string_view& content) {
  content = {};
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return "файл не открывается";
  DWORD high = 0;
  const DWORD low = GetFileSize(handle, &high);
  bool ok = low != INVALID_FILE_SIZE && high == 0 && low < 0x7FFFFFFFu;
  if (ok) {
    char* bytes = buffer.Take(low);
    for (size_t at = 0; ok && at < low;) {
      DWORD read = 0;
      ok = ReadFile(handle, bytes + at, DWORD(low - at), &read, nullptr) && read > 0;
      at += read;
    }
  }
  CloseHandle(handle);
  if (!ok) return "ошибка чтения файла";
  const std::string_view data = buffer.View();
  if (data.size() < HeaderSize + 8 || GetLE32(data, data.size() - 4) != DiscussionFileEndMarker)
    return "файл обрезан";
  if (GetLE32(data, data.size() - 8) != Crc32(data.data(), data.size() - 8)) return "неверная контрольная сумма";
  TBufReader reader{std::string_view(data.data(), HeaderSize)};
  const uint16_t version = reader.ReadWord();
  const uint32_t stored = reader.ReadDWord();
  const uint8_t number = reader.ReadByte();
  std::string fault = HeaderFault(version, stored, number, file, generation);
  if (fault.empty()) content = data.substr(HeaderSize, data.size() - HeaderSize - 8);
  return fault;
}

namespace {
// The piece read at a time: small enough to stay in the cache while it is summed and parsed.
constexpr size_t ReadPiece = 128 * 1024;
}  // namespace

TDiscussionFileReader::TDiscussionFileReader(const std::string& path, int file, uint32_t generation,
                                             TReadBuffer& buffer) {
  Handle =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (Handle == INVALID_HANDLE_VALUE) {
    Fault = "файл не открывается";
    return;
  }
  DWORD high = 0;
  const DWORD low = GetFileSize(Handle, &high);
  if (low == INVALID_FILE_SIZE || high != 0 || low >= 0x7FFFFFFFu) {
    Fault = "ошибка чтения файла";
    return;
  }
  if (low < HeaderSize + 8) {
    Fault = "файл обрезан";
    return;
  }
  Expected = low - 8;
  Reader = std::make_unique<TBufReader>(
      Handle, buffer.Take(ReadPiece), ReadPiece, Expected,
      [this](std::string_view piece) {
        Sum = Crc32(piece.data(), piece.size(), Sum);
        Summed += piece.size();
      },
      true);
  const uint16_t version = Reader->ReadWord();
  const uint32_t stored = Reader->ReadDWord();
  const uint8_t number = Reader->ReadByte();
  HeaderFault = ::HeaderFault(version, stored, number, file, generation);
}

TDiscussionFileReader::~TDiscussionFileReader() {
  if (Handle != INVALID_HANDLE_VALUE) CloseHandle(Handle);
}

TBufReader* TDiscussionFileReader::Content() { return Fault.empty() && HeaderFault.empty() ? Reader.get() : nullptr; }

std::string TDiscussionFileReader::Finish(const std::string& parseFault) {
  if (!Fault.empty()) return Fault;
  Reader->SkipToEnd();
  char trailer[8] = {};
  DWORD read = 0;
  if (Summed != Expected || !ReadFile(Handle, trailer, sizeof trailer, &read, nullptr) || read != sizeof trailer)
    return "ошибка чтения файла";
  const std::string_view end(trailer, sizeof trailer);
  if (GetLE32(end, 4) != DiscussionFileEndMarker) return "файл обрезан";
  if (GetLE32(end, 0) != Sum) return "неверная контрольная сумма";
  return HeaderFault.empty() ? parseFault : HeaderFault;
}
