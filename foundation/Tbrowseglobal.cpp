#include "foundation/Tbrowseglobal.h"

#include "platform/kernel/Datafolders.h"
#include "platform/kernel/Fileapi.h"

namespace {

// The path without its last `levels` components.
std::string Up(std::string path, int levels) {
  for (int i = 0; i < levels; ++i) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return "/";
    path.erase(slash);
  }
  return path;
}

}  // namespace

void TBrowseGlobal::SetSuitePaths() {
  std::string dataRoot = platform::ProgramPath(platform::DataRoot());
  std::string root = DebugRun ? Up(dataRoot, 2) : dataRoot;
  if (root.back() != '/') root += '/';
  TSuitePaths& p = Paths;
  p.Root = root;
  p.Inbox = root + "Inbox/";
  p.InboxPost = root + "InboxPost/";
  p.Outbox = root + "Outbox/";
  p.OutboxPost = root + "OutboxPost/";
  p.InboxPostHistory = root + "InboxPostHistory" + "/";
  p.OutboxPostHistory = root + "OutboxPostHistory" + "/";
  p.PostFilesFile = root + "PostFiles.cbs";
  p.InboxAttached = p.InboxPost + "Attached/";
  // Code is never loaded from the data root itself, where received files could land.
  p.LibraryFolder = root + "Library/";
  p.ModerationLibrary = DebugRun ? Up(dataRoot, 1) + "/Leafguard/Leafguard.dll" : p.LibraryFolder + "Leafguard.dll";
  p.DiscussionsRoot = root + "Discussed/";
}
