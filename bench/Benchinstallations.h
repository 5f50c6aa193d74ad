#pragma once
// Installations of the program for the benchmarks that carry a post from one to another:
// each with its data root, post folders, post state, register of discussions and login,
// windows that answer by default, and the shared discussion they both describe.

#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "postoffice/Tbrowsepostadaptor.h"
#include "postoffice/Tpost.h"
#include "postoffice/Tpostfileshandler.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace benchposts {

inline void Fail(const std::string& what) {
  std::fprintf(stderr, "benchmark: %s\n", what.c_str());
  std::exit(1);
}

// Message boxes take their default answer; a reported error ends the benchmark.
inline void QuietWindows() {
  TGuiHooks hooks;
  hooks.ShowErrorWindow = [](const std::string& text) { Fail("reported: " + text); };
  hooks.ShowMessageBox = [](const std::string&, const std::string&, const std::string&, const std::string&,
                            int defaultButton) { return defaultButton; };
  SetGuiHooks(hooks);
}

// A handling run without its progress window.
class TQuietRun : public TPostFilesHandler {
 public:
  using TPostFilesHandler::TPostFilesHandler;

 protected:
  void ShowProgress(const std::string&) override {}
  void CloseProgress() override {}
  void RefreshList() override {}
};

// Every file of a post folder, handled in one run.
inline void HandleAll(TPost& post, TPostFilesStorage& storage) {
  storage.Files.Clear();
  storage.Refresh(post);
  TArray<int32_t> indices;
  for (uint32_t i = 0; i < storage.Files.Count(); ++i) indices.AddItem(int32_t(i));
  TQuietRun run(post);
  int done = 0;
  if (indices.Count() == 0 || !run.HandlePostFiles(storage, indices, false, &done, "Perform"))
    Fail("nothing handled in " + storage.FolderPath.ToString());
}

inline const char* const DIdent = "D-BENCH";

inline void AddAuthor(TDiscussion& d, const char* lident, int adident, const char* email) {
  const int index = d.Authors.CreateAuthor(d, TStr(lident), adident, 0);
  if (index < 0) Fail("no author");
  d.Authors.Author(index).AutomaticEMail = email;
}

// The shared discussion as both installations know it: led by L-lead, written to by L-writer.
inline void Describe(TDiscussion& d) {
  d.Info.DIdent = DIdent;
  d.Info.Name = "Ecology";
  d.Info.ModelFolderName = "Ecology";
  d.Info.ModelAuthorLIdent = "L-lead";
  AddAuthor(d, "L-lead", 0, "posta@quillaran.test");
  AddAuthor(d, "L-writer", 3, "postb@quillaran.test");
}

// One installation: its data root with the post folders, its post state, its register of
// discussions and its login. Enter() makes it the process's installation.
class TInstallation {
 public:
  TInstallation(const std::filesystem::path& root, TModelLogin login)
      : Root(root.string() + "/"), fLogin(std::move(login)) {
    std::filesystem::create_directories(root);
    setenv("QUILLARAN_HOME", Root.c_str(), 1);
    TBrowseGlobal::SetSuitePaths();
    fPaths = TBrowseGlobal::Paths;
    Post.Init(TStr(), &fAdaptor);
    Post.SetCBSFileName(fPaths.PostFilesFile);
    if (!Post.Load()) Fail("no post state");
    std::string folder = fPaths.Root;
    folder.pop_back();
    if (!Manager.Init(folder)) Fail("no register of discussions");
  }

  void Enter() {
    setenv("QUILLARAN_HOME", Root.c_str(), 1);
    TBrowseGlobal::Paths = fPaths;
    DiscussionsManager() = &Manager;
    RegisterPostFileNaming(Post);
    const TModelLogin login = fLogin;
    ModelHooks().CurrentLogin = [login] { return login; };
    ModelHooks().PrivateMessageKey = [] { return TStr(); };
  }

  // A new discussion "Ecology" of this installation, described as both know it.
  TDiscussion& CreateDiscussion() {
    Enter();
    const int index = Manager.CreateNewDiscussion(Manager.DiscussedRoot, TStr("Ecology"), true, 0);
    if (index < 0) Fail("no discussion");
    TDiscussion& d = Manager.GetDiscussion(index);
    Describe(d);
    return d;
  }

  std::string Root;
  TPost Post;
  TDiscussionsManager Manager;

 private:
  TModelLogin fLogin;
  TSuitePaths fPaths;
  TBrowsePostAdaptor fAdaptor;
};

}  // namespace benchposts
