// MODERATE_DLL: a new moderation library in a cabinet that came with the message. Nothing
// proves who built it, so nothing is installed without the user: the cabinet must be a
// plain file of the received cabinets' folder holding the library alone, the user compares
// its digest with the one the moderator published, and only then it replaces the library
// in one step, the previous one kept as ".old". The running program keeps the library it
// loaded until its next start.

#include "model/Postcommandnames.h"
#include "postoffice/Commandhandlers.h"

#include "foundation/Fileroutines.h"
#include "foundation/Gosthash.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "net/Tcabreader.h"
#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Library.h"
#include "platform/rtl/Strutil.h"
#include "postoffice/Postarchives.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tpostexchange.h"
#include "postoffice/Tpostfileshandler.h"

#include <exception>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr const char* Command = MessageCommand::ModerateDll.Name;
// A moderation library is no larger than this.
constexpr uint64_t MaxLibrarySize = uint64_t(64) << 20;

bool IsCabinetName(const std::string& name) {
  return name.size() > 4 && LowerCase(name.substr(name.size() - 4)) == ".cab";
}

// Our own failure: the message waits for a later run.
bool Fail(const std::string& text) {
  ShowMessageBox(Command, text + "\nNothing is installed.");
  return false;
}

// Refused for good: the message is set aside after the box.
bool Refuse(TPostFilesHandler& run, const std::string& text) {
  ShowMessageBox(Command, text + "\nNothing is installed.");
  run.RefuseMessage(text + " Nothing is installed.");
  return false;
}

std::string HexDigestOfFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  uint8_t digest[GostHashSize];
  TGostHash::Compute(bytes.data(), bytes.size(), digest);
  static const char* const hex = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : digest) {
    text += hex[byte >> 4];
    text += hex[byte & 15];
  }
  return text;
}

// Unpacks the cabinet into `work`; the names of its members, or false with the reason.
bool UnpackLibraryCabinet(const std::string& cabinet, const std::string& work, std::vector<std::string>& members,
                          std::string& error) {
  TCabReader reader(nullptr);
  reader.SetOutputLimit(MaxLibrarySize);
  reader.OnCopyFile = [&members](TObject*, const std::string& name, int32_t, uint16_t, uint16_t, uint16_t, uint16_t,
                                 std::string&, bool&) { members.push_back(name); };
  try {
    reader.Extract(cabinet, work);
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
  return true;
}

}  // namespace

bool HandleCommand_ModerateDLL(TPostFilesHandler& run, const std::string& path) {
  THandlerFrame frame("HandleCommand_ModerateDLL");
  if (!frame.Open(path, {Command})) return false;
  const std::string attached = frame.Field("ATTACHED_FILENAME");
  const std::string sender = frame.Field("FROM_USER_EMAIL");
  frame.Close();

  const TSuitePaths& paths = TBrowseGlobal::Paths;
  if (attached.empty() || SafeAttachmentName(attached) != attached || !IsCabinetName(attached))
    return Refuse(run, "The moderation library must come as a cabinet of a plain file name; \"" + ShownText(attached) +
                  "\" is none.");
  const std::string cabinet = paths.InboxAttached + attached;
  if (!IsFileExists(cabinet)) return Refuse(run, "The cabinet " + attached + " has not come with the post.");

  std::string libraryFolder, library;
  SplitFilePath(platform::LibraryFilePath(paths.ModerationLibrary), libraryFolder, library);
  const std::string work = libraryFolder + ".incoming/";
  if (!CreateFolder(work)) return Fail("Can't create the folder " + work + ".");
  RemoveFolderFiles(work);
  std::vector<std::string> members;
  std::string error;
  const bool unpacked = UnpackLibraryCabinet(cabinet, work, members, error);
  const auto cleanUp = [&work] { RecourseDelete(work); };
  if (!unpacked) {
    cleanUp();
    return Refuse(run, "The cabinet " + attached + " cannot be unpacked (" + error + ").");
  }
  if (members.size() != 1 || members[0] != library) {
    cleanUp();
    std::string names;
    for (const std::string& member : members) names += (names.empty() ? "" : ", ") + ShownText(member);
    return Refuse(run, "The cabinet " + attached + " must hold the file " + library + " alone; it holds " +
                  (names.empty() ? std::string("nothing") : names) + ".");
  }
  const std::string fresh = work + library;
  const std::string question = "A new moderation library " + library + " has come from " + ShownText(sender) +
                               ".\nIts GOST R 34.11-94 digest is\n" + HexDigestOfFile(fresh) +
                               "\nInstall it only when this is the digest its moderator published.\nInstall it?";
  if (ShowMessageBox(Command, question, "", "Yes|No", 1) != 0) {
    cleanUp();
    ShowMessageBox(Command, "The moderation library " + library + " is not installed.");
    return false;
  }
  const std::string target = libraryFolder + library, old = target + ".old";
  if (IsFileExists(target)) {
    DeleteFileA(old.c_str());
    if (!CopyFileA(target.c_str(), old.c_str(), TRUE)) {
      cleanUp();
      return Fail("Can't keep the present library as " + old + ".");
    }
  }
  if (!MoveFileExA(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    cleanUp();
    return Fail("Can't put the new library in place as " + target + ".");
  }
  cleanUp();
  if (!DeleteFileA(cabinet.c_str()) && IsFileExists(cabinet))
    ShowMessageBox("DELETING ERROR", "Can't delete file " + cabinet + " - delete it manually!");
  ShowMessageBox(Command, library + " received!", "It is used from the next start of the program.");
  return true;
}
