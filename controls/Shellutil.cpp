#include "controls/Shellutil.h"

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "controls/Exconst.h"
#include "platform/forms/Shellabout.h"
#include "platform/forms/Tapplication.h"
#include "platform/forms/Tform.h"
#include "platform/gui/Gui.h"
#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Process.h"
#include "platform/rtl/Tfilestream.h"

namespace {

constexpr int kStillActive = 259;
constexpr int kNotFound = 2, kPathNotFound = 3, kNoAssociation = 31;

struct TStatus {
  bool exists = false, folder = false, executable = false;
};

TStatus StatusOf(const std::string& Name) {
  TStatus s;
  const DWORD attributes = GetFileAttributesA(Name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return s;
  s.exists = true;
  s.folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
  s.executable = platform::MayRun(Name);
  return s;
}

// Parameters split as a command line splits them: blanks separate, double quotes group.
std::vector<std::string> SplitParams(const std::string& Params) {
  std::vector<std::string> out;
  std::string current;
  bool quoted = false, any = false;
  for (char c : Params) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (any) out.push_back(current);
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) out.push_back(current);
  return out;
}

struct TStart {
  std::string program;
  std::vector<std::string> arguments;
  int error = 0;
};

// What to start for a file: the program itself, or the desktop's opener for a document.
TStart Resolve(const std::string& FileName, const std::string& Params, const std::string& StartDir) {
  TStart s;
  if (!StartDir.empty() && !StatusOf(StartDir).folder) {
    s.error = kPathNotFound;
    return s;
  }
  TStatus status = StatusOf(FileName);
  if (!status.exists) {
    if (platform::FoundOnPath(FileName)) {
      s.program = FileName;
      s.arguments = SplitParams(Params);
    } else {
      s.error = kNotFound;
    }
    return s;
  }
  if (status.executable) {
    s.program = FileName.find('/') == std::string::npos ? "./" + FileName : FileName;
    s.arguments = SplitParams(Params);
    return s;
  }
  if (!platform::FoundOnPath("xdg-open")) {
    s.error = kNoAssociation;
    return s;
  }
  s.program = "xdg-open";
  s.arguments = {FileName};
  return s;
}

bool LooksExecutable(const std::string& FileName) {
  std::string head;
  try {
    TFileStream f(FileName, fmOpenRead | fmShareDenyNone);
    head.resize(4);
    head.resize(static_cast<size_t>(f.Read(head.data(), 4)));
  } catch (Exception&) {
    return false;
  }
  return head.rfind("\x7f" "ELF", 0) == 0 || head.rfind("MZ", 0) == 0 || head.rfind("#!", 0) == 0;
}

}  // namespace

int ShowCommandOf(TExecState State) {
  switch (State) {
    case esMinimized: return SW_MINIMIZE;
    case esMaximized: return SW_SHOWMAXIMIZED;
    case esHidden: return SW_HIDE;
    default: return SW_SHOWNORMAL;
  }
}

void WinAbout(const std::string& AppName, const std::string& Stuff) {
  HWND owner = Application->MainForm() && Application->MainForm()->HandleAllocated() ? Application->MainForm()->Handle()
                                                                                     : nullptr;
  ShellAbout(owner, AppName, Stuff, nullptr);
}

TIcon* IconExtract(const std::string& FileName, int Id) {
  std::string name = FileName.substr(0, 255);
  auto icon = std::make_unique<TIcon>();
  try {
    icon->LoadFromFile(name);
    // An icon file holds one picture here.
    return Id == 0 ? icon.release() : nullptr;
  } catch (Exception&) {
  }
  if (LooksExecutable(name)) return nullptr;
  throw EResNotFound(SFileNotExec);
}

HINSTANCE FileExecute(const std::string& FileName, const std::string& Params, const std::string& StartDir,
                      TExecState InitialState) {
  (void)ShowCommandOf(InitialState);  // the window manager places the program's windows
  TStart s = Resolve(FileName, Params, StartDir);
  if (s.error) return reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(s.error));
  if (platform::StartProgramIn(s.program, s.arguments, StartDir, true) < 0)
    return reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(kNotFound));
  return reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(42));
}

int FileExecuteWait(const std::string& FileName, const std::string& Params, const std::string& StartDir,
                    TExecState InitialState) {
  (void)ShowCommandOf(InitialState);
  TStart s = Resolve(FileName, Params, StartDir);
  if (s.error) return -1;
  long process = platform::StartProgramIn(s.program, s.arguments, StartDir, false);
  if (process < 0) return -1;
  int code = kStillActive;
  while (!platform::ProgramEnded(process, code)) {
    if (Application->Terminated()) {
      // Left to end by itself, and reaped when it does.
      std::thread([process] { platform::WaitProgram(process); }).detach();
      return kStillActive;
    }
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return code;
}
