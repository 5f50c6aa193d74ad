#include "platform/kernel/Programfiles.h"

#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Process.h"

namespace {

// "../share/quillaran" from "/usr/bin" is "/usr/share/quillaran": the path the user sees.
std::string Joined(std::string folder, std::string relative) {
  while (relative.rfind("../", 0) == 0) {
    const size_t cut = folder.rfind('/');
    if (cut == std::string::npos) break;
    folder.erase(cut);
    relative.erase(0, 3);
  }
  return folder + "/" + relative;
}

// The installed folder (relative to the executable's) when it is there, else the
// executable's own folder: one place for all files of a kind, never a mix of both.
std::string InstalledOrBeside(const std::string& relative) {
  const std::string beside = platform::ProgramFolder();
  const std::string installed = Joined(beside, relative);
  const DWORD attributes = GetFileAttributesA(installed.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? installed : beside;
}

}  // namespace

namespace platform {

std::string ProgramDataFolder() { return InstalledOrBeside(QUILLARAN_INSTALLED_DATA); }

std::string ProgramLibraryFolder() { return InstalledOrBeside(QUILLARAN_INSTALLED_LIBRARIES); }

}  // namespace platform
