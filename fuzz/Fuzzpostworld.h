#pragma once
// A participant's installation in the sandbox's data root, as the post office sees it: the
// post folders and their state, the command handlers, and the participant's copy of the
// discussion "Ecology" (D-1, led by L-lead) saved in the discussions manager. The
// targets of the Inbox and InboxPost handling runs make one a run, so that each input meets
// the same installation; the seed maker makes one to compose messages with the leader's
// copy (Leader), as they would arrive.

#include <cstdlib>
#include <filesystem>
#include <string>

#include "foundation/Tbrowseglobal.h"
#include "fuzz/Fuzzsandbox.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/rtl/Tdatetime.h"
#include "postoffice/Commandhandlers.h"
#include "postoffice/Tbrowsepostadaptor.h"
#include "postoffice/Tpostfileshandler.h"
#include "postoffice/Tpost.h"
#include "tests/model/Discussionfill.h"

namespace fuzzing {

// The login the model sees: the participant who receives, or the leader who composes.
inline TModelLogin& WorldLogin() {
  static TModelLogin login;
  return login;
}
inline void AsParticipant() { WorldLogin() = {2, TStr("L-me"), TStr("me@x")}; }
inline void AsLeader() { WorldLogin() = {1, TStr("L-lead"), TStr("lead@x")}; }

// The identity both copies of the discussion share.
inline void DescribeEcology(TDiscussion& d) {
  d.Info.DIdent = "D-1";
  d.Info.Name = "Ecology";
  d.Info.ModelFolderName = "Ecology";
  d.Info.ModelAuthorLIdent = "L-lead";
  const auto author = [&d](const char* lident, int adident, const char* email) {
    const int index = d.Authors.CreateAuthor(d, TStr(lident), adident, 0);
    if (index < 0) std::abort();
    d.Authors.Author(index).AutomaticEMail = email;
  };
  author("L-lead", 0, "lead@x");
  author("L-me", 3, "me@x");
}

// Writes a received file into a post folder; its path.
inline std::string WriteReceived(const TPostFilesStorage& storage, const std::string& name, const uint8_t* data,
                                 size_t size) {
  return WriteBytes(storage.FolderPath.ToString() + name, data, size);
}

class TPostWorld {
 public:
  TPostWorld() {
    std::error_code ignored;
    std::filesystem::remove_all(Sandbox() + "/home", ignored);
    TBrowseGlobal::SetSuitePaths();
    static const bool registered = (RegisterCommandHandlers(), true);
    (void)registered;
    platform::SetNowSource([] { return EncodeDate(2005, 12, 19) + EncodeTime(14, 5, 9, 0); });
    TModelHooks& hooks = ModelHooks();
    hooks.CurrentLogin = [] { return WorldLogin(); };
    hooks.PrivateMessageKey = [] { return TStr(); };
    AsParticipant();
    Post.Init(TStr(), &Adaptor);
    Post.SetCBSFileName(TBrowseGlobal::Paths.PostFilesFile);
    std::string root = TBrowseGlobal::Paths.Root;
    root.pop_back();
    if (!Post.Load() || !Manager.Init(TStr(root))) std::abort();
    RegisterPostFileNaming(Post);
    DiscussionsManager() = &Manager;
    const int index = Manager.CreateNewDiscussion(Manager.DiscussedRoot, TStr("Ecology"), true, 0);
    if (index < 0) std::abort();
    TDiscussion& mine = Manager.GetDiscussion(index);
    DescribeEcology(mine);
    if (!mine.Save()) std::abort();
    mine.Unload();

    Leader.Folder = TBrowseGlobal::Paths.Root + "LeaderCopy";
    modeltest::MakeRoot(Leader, Leader.Folder.ToString());
    DescribeEcology(Leader);
  }
  ~TPostWorld() {
    DiscussionsManager() = nullptr;
    ModelHooks() = TModelHooks();
    platform::SetNowSource(nullptr);
  }
  TPostWorld(const TPostWorld&) = delete;
  TPostWorld& operator=(const TPostWorld&) = delete;

  // One non-interactive handling run over every file of a folder.
  void HandleAll(TPostFilesStorage& storage) {
    storage.Files.Clear();
    storage.Refresh(Post);
    TArray<int32_t> indices;
    for (uint32_t i = 0; i < storage.Files.Count(); ++i) indices.AddItem(int32_t(i));
    TPostFilesHandler run(Post);
    run.PostPartSizeKB = 1000;
    int done = 0;
    run.HandlePostFiles(storage, indices, false, &done, "Handling");
  }

  TBrowsePostAdaptor Adaptor;
  TPost Post;
  TDiscussionsManager Manager;
  TDiscussion Leader;
};

}  // namespace fuzzing
