#include "postoffice/Postarchives.h"

#include "foundation/Fileroutines.h"
#include "foundation/Terror.h"
#include "net/Tcabreader.h"
#include "net/Tcabwriter.h"
#include "platform/kernel/Fileapi.h"

#include <memory>

namespace {

// A free name in the folder: the name itself, else with "#N" before its first '.'.
std::string FreeName(const std::string& folder, const std::string& name) {
  if (!IsFileExists(folder + name)) return name;
  const size_t dot = name.find('.');
  for (unsigned n = 2;; ++n) {
    std::string candidate = name;
    candidate.insert(dot == std::string::npos ? candidate.size() : dot, "#" + std::to_string(n));
    if (!IsFileExists(folder + candidate)) return candidate;
  }
}

}  // namespace

bool PackMessageCabinet(const std::string& folder, const std::string& name, const std::string& cabinet,
                        std::string& error) {
  try {
    auto writer = std::make_unique<TCabWriter>(nullptr);
    // Post files are MSZIP cabinets, whatever the writer's own default.
    writer->SetCompressionType(cctMsZip);
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

bool UnpackReceivedCabinet(const std::string& cabinet, const std::string& folder, std::vector<std::string>& names,
                           std::string& error) {
  names.clear();
  const std::string work = folder + ".unpack/";
  if (!RecourseDelete(work) || !CreateFolder(work)) {
    error = "the work folder " + work + " cannot be made";
    return false;
  }
  try {
    auto reader = std::make_unique<TCabReader>(nullptr);
    reader->Extract(cabinet, work);
  } catch (const std::exception& e) {
    error = e.what();
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
  // Only when every file came out do they move, each by one rename.
  for (size_t i = 0; error.empty() && i < unpacked.size(); ++i) {
    const std::string name = FreeName(folder, unpacked[i]);
    if (MoveFileA((work + unpacked[i]).c_str(), (folder + name).c_str())) {
      names.push_back(name);
    } else {
      error = "cannot move " + unpacked[i] + " into " + folder + ": " + platform::ErrorText(GetLastError());
      for (size_t j = 0; j < names.size(); ++j) MoveFileA((folder + names[j]).c_str(), (work + unpacked[j]).c_str());
      names.clear();
    }
  }
  RecourseDelete(work);
  return error.empty();
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
