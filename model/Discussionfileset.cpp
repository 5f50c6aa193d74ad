#include "model/Discussionfileset.h"

#include "foundation/Tbufreader.h"
#include "platform/kernel/Fileapi.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <set>

const char* const TDiscussionFileSet::Names[TDiscussionFileSet::Count] = {
    "Model.cbs",       "Model.cbt",       "Annotations.cbs",          "Annotations.cbt",
    "Notes.cbs",       "Notes.cbt",       "ModeratedAnnotations.cbs", "ModeratedAnnotations.cbt",
    "Authors.cbs",     "ReadProps.cbs",   "UserInfo.cbs",             "DiscussionInfo.cbs",
};

uint16_t TDiscussionFileSet::Version(int file) { return file < 8 ? BlockFileVersion : DiscussionFileVersion; }

namespace {

constexpr size_t HeaderSize = 2 + 4 + 1;

// Reads the header of a file without reporting: a file left half-written by an
// interrupted save is expected here. False when it is missing or not of that file.
bool PeekHeader(const std::string& path, int file, uint32_t& generation) {
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  unsigned char header[HeaderSize] = {};
  DWORD read = 0;
  const bool ok = ReadFile(handle, header, sizeof header, &read, nullptr) && read == sizeof header;
  CloseHandle(handle);
  if (!ok) return false;
  const unsigned version = header[0] | (header[1] << 8);
  generation = uint32_t(header[2]) | (uint32_t(header[3]) << 8) | (uint32_t(header[4]) << 16) |
               (uint32_t(header[5]) << 24);
  return version == TDiscussionFileSet::Version(file) && header[6] == file;
}

}  // namespace

bool TDiscussionFileSet::Choose(const std::string& folder, std::string& reason) {
  std::array<std::set<uint32_t>, Count> found;
  Generation = 0;
  HighestGeneration = 0;
  AnyFile = false;
  for (int file = 0; file < Count; ++file) {
    const std::string base = folder + "/" + Names[file];
    for (const char* suffix : {"", ".old", ".tmp"}) {
      uint32_t generation = 0;
      if (!PeekHeader(base + suffix, file, generation)) continue;
      HighestGeneration = std::max(HighestGeneration, generation);
      if (std::string(suffix) == ".tmp") continue;  // a temporary file is never part of a set
      AnyFile = true;
      found[file].insert(generation);
    }
  }
  // The newest generation that every file has.
  for (auto it = found[0].rbegin(); it != found[0].rend(); ++it) {
    const uint32_t candidate = *it;
    bool complete = true;
    for (int file = 1; file < Count && complete; ++file) complete = found[file].count(candidate) > 0;
    if (!complete) continue;
    Generation = candidate;
    for (int file = 0; file < Count; ++file) {
      const std::string base = folder + "/" + Names[file];
      uint32_t generation = 0;
      Paths[file] = PeekHeader(base, file, generation) && generation == candidate ? base : base + ".old";
    }
    return true;
  }
  reason = AnyFile ? "нет полного набора файлов обсуждения" : "файлы обсуждения не найдены";
  return false;
}

namespace {

// CRC-32 (the polynomial of zip files), eight bytes a step.
uint32_t Crc32(const char* data, size_t size, uint32_t crc = 0) {
  static const auto tables = [] {
    std::array<std::array<uint32_t, 256>, 8> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[0][n] = c;
    }
    for (uint32_t n = 0; n < 256; ++n)
      for (int k = 1; k < 8; ++k) t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
    return t;
  }();
  const auto* p = reinterpret_cast<const unsigned char*>(data);
  crc ^= 0xFFFFFFFFu;
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    const uint32_t low = crc ^ (uint32_t(p[i]) | uint32_t(p[i + 1]) << 8 | uint32_t(p[i + 2]) << 16 |
                                uint32_t(p[i + 3]) << 24);
    crc = tables[7][low & 0xFF] ^ tables[6][(low >> 8) & 0xFF] ^ tables[5][(low >> 16) & 0xFF] ^
          tables[4][low >> 24] ^ tables[3][p[i + 4]] ^ tables[2][p[i + 5]] ^ tables[1][p[i + 6]] ^
          tables[0][p[i + 7]];
  }
  for (; i < size; ++i) crc = tables[0][(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

uint32_t GetLE32(const std::string& data, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[at + i]);
  return v;
}

void PutLE(std::string& data, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) data += char((value >> (8 * i)) & 0xFF);
}

}  // namespace

bool WriteDiscussionFile(const std::string& path, int file, uint32_t generation, const std::string& content) {
  std::string header;
  PutLE(header, TDiscussionFileSet::Version(file), 2);
  PutLE(header, generation, 4);
  PutLE(header, uint32_t(file), 1);
  std::string trailer;
  PutLE(trailer, Crc32(content.data(), content.size(), Crc32(header.data(), header.size())), 4);
  PutLE(trailer, DiscussionFileEndMarker, 4);
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (const std::string* part : std::initializer_list<const std::string*>{&header, &content, &trailer}) {
    for (size_t at = 0; ok && at < part->size();) {
      const DWORD chunk = DWORD(std::min<size_t>(part->size() - at, 1u << 30));
      DWORD written = 0;
      ok = WriteFile(handle, part->data() + at, chunk, &written, nullptr) && written == chunk;
      at += chunk;
    }
  }
  ok = ok && FlushFileBuffers(handle);
  return CloseHandle(handle) && ok;
}

std::string ReadDiscussionFile(const std::string& path, int file, uint32_t generation, std::string& data,
                               std::string_view& content) {
  content = {};
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return "файл не открывается";
  DWORD high = 0;
  const DWORD low = GetFileSize(handle, &high);
  data.clear();
  bool ok = low != INVALID_FILE_SIZE && high == 0 && low < 0x7FFFFFFFu;
  if (ok) {
    data.resize(low);
    for (size_t at = 0; ok && at < data.size();) {
      DWORD read = 0;
      ok = ReadFile(handle, data.data() + at, DWORD(data.size() - at), &read, nullptr) && read > 0;
      at += read;
    }
  }
  CloseHandle(handle);
  if (!ok) return "ошибка чтения файла";
  if (data.size() < HeaderSize + 8 || GetLE32(data, data.size() - 4) != DiscussionFileEndMarker)
    return "файл обрезан";
  if (GetLE32(data, data.size() - 8) != Crc32(data.data(), data.size() - 8)) return "неверная контрольная сумма";
  TBufReader reader{std::string_view(data.data(), HeaderSize)};
  const uint16_t version = reader.ReadWord();
  const uint32_t stored = reader.ReadDWord();
  const uint8_t number = reader.ReadByte();
  if (version != TDiscussionFileSet::Version(file)) return "неверная версия формата " + std::to_string(version);
  if (number != file) return "чужой файл";
  if (stored != generation) return "файл из другого сохранения";
  content = std::string_view(data).substr(HeaderSize, data.size() - HeaderSize - 8);
  return {};
}
