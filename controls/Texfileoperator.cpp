#include "controls/Texfileoperator.h"

#include <cctype>
#include <cstdlib>

#include "controls/Dateutil.h"
#include "controls/Fileutil.h"
#include "platform/forms/Messagebox.h"
#include "platform/kernel/Codepage.h"
#include "platform/kernel/Datafolders.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Strutil.h"

namespace {

bool Exists(const std::string& name) {
  WIN32_FIND_DATAA info;
  return platform::GetEntryInfo(name, info);
}

// A folder itself, not a link to one.
bool RealFolder(const std::string& name) {
  WIN32_FIND_DATAA info;
  return platform::GetEntryInfo(name, info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool HasWildcards(const std::string& name) {
  return ExtractFileName(name).find_first_of("*?") != std::string::npos;
}

// The names a source stands for: itself, or the entries its pattern matches.
std::vector<std::string> Expand(const std::string& source, bool filesOnly) {
  if (!HasWildcards(source)) return {source};
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA(source.c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return names;
  const std::string dir = ExtractFilePath(source);
  do {
    if (filesOnly && (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    names.push_back(dir + fd.cFileName);
  } while (FindNextFileA(find, &fd));
  FindClose(find);
  return names;
}

// "Copy of name", "Copy (2) of name" ... in the same folder.
std::string FreeCopyName(const std::string& target) {
  const std::string dir = ExtractFilePath(target), name = ExtractFileName(target);
  for (int n = 1;; ++n) {
    std::string candidate = dir + (n == 1 ? "Copy of " : "Copy (" + std::to_string(n) + ") of ") + name;
    if (!Exists(candidate)) return candidate;
  }
}

// The target lies in the folder or is the folder.
bool IsInside(const std::string& target, const std::string& folder) {
  std::string t = RemoveBackSlash(target), f = RemoveBackSlash(folder);
  return t == f || t.compare(0, f.size() + 1, f + "/") == 0;
}

// A link to a folder: never followed into.
bool FolderLink(const std::string& name) {
  WIN32_FIND_DATAA info;
  return platform::GetEntryInfo(name, info) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         DirExists(name);
}

// A path as the trash record keeps it: UTF-8, percent-encoded but for '/'.
std::string UriPath(const std::string& path) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : platform::AnsiToUtf8(path)) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> SplitFileList(const std::string& List) {
  std::vector<std::string> names;
  std::string current;
  for (char c : List) {
    if (c == ';' || c == '|') {
      if (!current.empty()) names.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) names.push_back(current);
  return names;
}

bool MoveToTrash(const std::string& Name) {
  if (!Exists(Name) || Name.empty() || Name[0] != '/') return false;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  const std::string base = xdg && *xdg ? platform::ProgramPath(xdg)
                                       : platform::ProgramPath(home && *home ? home : "/tmp") + "/.local/share";
  const std::string files = base + "/Trash/files/", info = base + "/Trash/info/";
  if (!ForceDirectories(files) || !ForceDirectories(info)) return false;
  const std::string name = ExtractFileName(RemoveBackSlash(Name));
  std::string unique = name;
  for (int n = 2; Exists(files + unique) || Exists(info + unique + ".trashinfo"); ++n)
    unique = name + "." + std::to_string(n);
  // The record first, as readers of the trash expect; made exclusively.
  const std::string record = info + unique + ".trashinfo";
  HANDLE h = CreateFileA(record.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const std::string text = "[Trash Info]\nPath=" + UriPath(RemoveBackSlash(Name)) +
                           "\nDeletionDate=" + FormatDateTime("yyyy-mm-dd\"T\"hh:nn:ss", Now()) + "\n";
  DWORD written = 0;
  bool ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
  CloseHandle(h);
  if (ok && MoveFileExA(RemoveBackSlash(Name).c_str(), (files + unique).c_str(), MOVEFILE_COPY_ALLOWED)) return true;
  DeleteFileA(record.c_str());
  return false;
}

// ---- TExFileOperator

bool TExFileOperator::Fail(const std::string& Text) {
  if (!options_.Contains(flNoErrorUI) && !options_.Contains(flSilent))
    ShowMessageBox(Text, progressTitle_.empty() ? std::string("File operation") : progressTitle_, MB_OK | MB_ICONERROR);
  return false;
}

bool TExFileOperator::MayReplace(std::string& Target) {
  if (!Exists(Target)) return true;
  if (options_.Contains(flRenameOnCollision)) {
    Target = FreeCopyName(Target);
    return true;
  }
  if (options_.Contains(flNoConfirmation)) return true;
  int answer = ShowMessageBox("This folder already contains a file named '" + ExtractFileName(Target) +
                                  "'.\r\n\r\nWould you like to replace the existing file?",
                              "Confirm File Replace", MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDCANCEL) aborted_ = true;
  return answer == IDYES;
}

bool TExFileOperator::Transfer(const std::string& From, const std::string& To, bool Move) {
  if (aborted_) return false;
  if (!Exists(From)) return Fail("Cannot find " + From + ".");
  if (FolderLink(From)) return Fail("Cannot copy " + From + ": it is a link to a folder.");
  if (RealFolder(From)) {
    if (RealFolder(To) || ForceDirectories(To)) {
      bool ok = true;
      WIN32_FIND_DATAA fd;
      HANDLE find = FindFirstFileA((NormalDir(From) + "*").c_str(), &fd);
      if (find != INVALID_HANDLE_VALUE) {
        do ok = Transfer(NormalDir(From) + fd.cFileName, NormalDir(To) + fd.cFileName, Move) && ok;
        while (!aborted_ && FindNextFileA(find, &fd));
        FindClose(find);
      }
      if (ok && Move && !aborted_) ok = RemoveDirectoryA(From.c_str());
      return ok && !aborted_;
    }
    return Fail("Cannot create the folder " + To + ".");
  }
  std::string target = To;
  if (RemoveBackSlash(target) == RemoveBackSlash(From)) {
    if (Move) return true;
    // Copied onto itself the file would be emptied before it is read.
    if (!options_.Contains(flRenameOnCollision)) return Fail("Cannot copy " + From + " onto itself.");
  }
  if (!MayReplace(target)) return !aborted_;
  try {
    if (Move) MoveFile(From, target);
    else CopyFileEx(From, target, true, nullptr, false);
  } catch (const Exception& e) {
    return Fail(e.Message());
  }
  return Exists(target) && (!Move || !Exists(From));
}

bool TExFileOperator::Remove(const std::string& Name) {
  if (options_.Contains(flAllowUndo)) return MoveToTrash(Name) || Fail("Cannot move " + Name + " to the trash.");
  if (RealFolder(Name)) return ClearDir(Name, true) || Fail("Cannot delete the folder " + Name + ".");
  return DeleteFileA(Name.c_str()) || Fail("Cannot delete " + Name + ".");
}

bool TExFileOperator::Execute() {
  aborted_ = false;
  std::vector<std::string> sources, destinations = SplitFileList(destination_);
  for (const std::string& s : SplitFileList(source_))
    for (const std::string& name : Expand(s, options_.Contains(flFilesOnly))) sources.push_back(name);
  if (sources.empty()) return false;
  bool ok = true;
  switch (operation_) {
    case foDelete:
      for (const std::string& s : sources) ok = Remove(s) && ok;
      break;
    case foRename:
      if (sources.size() != 1 || destinations.size() != 1 || Exists(destinations[0])) return Fail("Cannot rename " + source_ + ".");
      ok = MoveFileExA(sources[0].c_str(), destinations[0].c_str(), 0) || Fail("Cannot rename " + source_ + ".");
      break;
    case foCopy:
    case foMove: {
      const bool move = operation_ == foMove;
      if (options_.Contains(flMultiDest)) {
        if (destinations.size() != sources.size()) return Fail("The lists of sources and destinations differ.");
        for (size_t i = 0; i < sources.size() && !aborted_; ++i) ok = Transfer(sources[i], destinations[i], move) && ok;
        break;
      }
      if (destinations.size() != 1) return Fail("One destination is needed.");
      const std::string& dest = destinations[0];
      // Several sources, or a folder that exists, take the sources into it.
      bool into = sources.size() > 1 || RealFolder(dest) || HasWildcards(SplitFileList(source_)[0]);
      if (into && !RealFolder(dest) && !ForceDirectories(dest)) return Fail("Cannot create the folder " + dest + ".");
      for (const std::string& s : sources) {
        if (aborted_) break;
        std::string target = into ? NormalDir(dest) + ExtractFileName(RemoveBackSlash(s)) : dest;
        if (RealFolder(s) && IsInside(target, s)) {
          ok = Fail("Cannot copy " + s + " into itself.");
          continue;
        }
        ok = Transfer(s, target, move) && ok;
      }
      break;
    }
  }
  return ok && !aborted_;
}
