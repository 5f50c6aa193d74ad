#include "model/Tdiscussionsmanager.h"

#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "model/Blocknames.h"
#include "model/Discussionfileset.h"
#include "model/Foldertree.h"

namespace {
// Folder entries are 16-bit; folders deeper than this are not looked into.
constexpr int MaxFolders = 0x7FFF;
constexpr int MaxFolderDepth = 16;
}  // namespace

TDiscussionsManager*& DiscussionsManager() {
  static TDiscussionsManager* manager = nullptr;
  return manager;
}

TDiscussionsManager::TDiscussionsManager() = default;
TDiscussionsManager::~TDiscussionsManager() = default;

void TDiscussionsManager::Clear() {
  Discussions.clear();
  Folders.Clear();
  RootFolder = DiscussedRoot = CreatedRoot = -1;
}

int16_t TDiscussionsManager::AddFolder(int16_t parent, const std::string& name) {
  if (int(Folders.Count()) >= MaxFolders) return -1;
  const int index = Folders.AddEmptyItem();
  if (index < 0) return -1;
  Folders[index].Parent = parent;
  Folders[index].Name = name;
  return int16_t(index);
}

int TDiscussionsManager::AddDiscussion(int16_t folder) {
  auto discussion = std::make_unique<TDiscussion>();
  discussion->FolderIndex = folder;
  discussion->Folder = GetFolderPath(folder);
  discussion->Manager = this;
  Discussions.push_back(std::move(discussion));
  return int(Discussions.size()) - 1;
}

bool TDiscussionsManager::Init(const TStr& dataFolder) {
  Clear();
  RootFolder = AddFolder(-1, dataFolder.ToString());
  DiscussedRoot = AddFolder(RootFolder, DiscussedFolderName);
  CreatedRoot = AddFolder(RootFolder, CreatedFolderName);
  for (int16_t root : {DiscussedRoot, CreatedRoot}) {
    const std::string path = GetFolderPath(root).ToString();
    if (!MakeFolder(path)) {
      TError::Report("TDiscussionsManager::Init - ошибка создания папки " + path);
      return false;
    }
    ScanFolder(root, 0);
  }
  return true;
}

void TDiscussionsManager::ScanFolder(int16_t folder, int depth) {
  const std::string path = GetFolderPath(folder).ToString();
  for (const std::string& name : ListSubFolders(path)) {
    if (name.starts_with(SetAsideFolderPrefix)) continue;  // what a damaged discussion left
    const int16_t entry = AddFolder(folder, name);
    if (entry < 0) return;
    if (TDiscussion::FolderHoldsDiscussion(path + "/" + name))
      AddDiscussion(entry);
    else if (depth < MaxFolderDepth)
      ScanFolder(entry, depth + 1);
  }
}

int TDiscussionsManager::CreateNewDiscussion(int16_t parentFolder, const TStr& folderName, bool withRootBlock,
                                             int flags) {
  (void)flags;
  if (parentFolder < 0 || parentFolder >= int(Folders.Count()) || !IsSafeFolderName(folderName.ToString())) {
    TError::Report("TDiscussionsManager::CreateNewDiscussion - недопустимое имя папки " + folderName.ToString());
    return -1;
  }
  const std::string path = GetFolderPath(parentFolder).ToString() + "/" + folderName.ToString();
  if (FolderHasDiscussion(path) || TDiscussion::FolderHoldsDiscussion(path)) {
    TError::Report("TDiscussionsManager::CreateNewDiscussion - в папке уже есть обсуждение " + path);
    return -1;
  }
  if (!MakeFolder(path)) {
    TError::Report("TDiscussionsManager::CreateNewDiscussion - ошибка создания папки " + path);
    return -1;
  }
  int16_t folder = -1;
  for (int i = 0; i < int(Folders.Count()) && folder < 0; ++i)
    if (Folders[i].Parent == parentFolder && Folders[i].Name == folderName) folder = int16_t(i);
  if (folder < 0) folder = AddFolder(parentFolder, folderName.ToString());
  if (folder < 0) {
    TError::Report("TDiscussionsManager::CreateNewDiscussion - слишком много папок");
    return -1;
  }
  const int index = AddDiscussion(folder);
  TDiscussion& discussion = GetDiscussion(index);
  discussion.Loaded = 1;
  discussion.Info.InfoRead = 1;
  if (!withRootBlock) return index;
  TBlocksStorage& model = discussion.Storages.Model;
  const int root = model.AppendBlock(discussion, TDiscBlockIndex());
  if (root >= 0) {
    TDiscBlock& block = model.Block(root);
    block.TextType = TextType_Heading;
    model.SetBlockName(root, RootBlockName);
    model.NewBlockAdded(discussion, root, 0);
  }
  if (root < 0 || !discussion.Save()) {
    Discussions.pop_back();
    return -1;
  }
  return index;
}

void TDiscussionsManager::ForgetLastDiscussion(int index) {
  if (index < 0 || index != GetDiscussionsCount() - 1) return;
  const int16_t folder = Discussions.back()->FolderIndex;
  Discussions.pop_back();
  if (folder >= 0 && folder == int(Folders.Count()) - 1) Folders.Delete(uint32_t(folder));
}

void TDiscussionsManager::SetAsideUnreadable() {
  for (size_t i = Discussions.size(); i-- > 0;)
    if (!Discussions[i]->LoadOrSetAside(true)) Discussions.erase(Discussions.begin() + std::ptrdiff_t(i));
}

bool TDiscussionsManager::LoadOrSetAside(int index) {
  if (index < 0 || index >= GetDiscussionsCount()) return false;
  if (Discussions[size_t(index)]->LoadOrSetAside(false)) return true;
  Discussions.erase(Discussions.begin() + index);
  return false;
}

bool TDiscussionsManager::FolderHasDiscussion(const TStr& path) const {
  for (const auto& discussion : Discussions)
    if (discussion->Folder == path) return true;
  return false;
}

TStr TDiscussionsManager::GetFolderPath(int16_t folder) const {
  std::string path;
  for (int steps = 0; folder >= 0 && folder < int(Folders.Count()) && steps <= int(Folders.Count()); ++steps) {
    const TMonoGroup& entry = Folders[folder];
    path = entry.Name.ToString() + (path.empty() ? "" : "/" + path);
    folder = entry.Parent;
  }
  return path;
}

int16_t TDiscussionsManager::GetParentFolder(int16_t folder) const {
  if (folder < 0 || folder >= int(Folders.Count())) return -1;
  return Folders[folder].Parent < 0 ? folder : Folders[folder].Parent;
}

int TDiscussionsManager::FindDiscussionByFolder(int16_t folder) const {
  for (size_t i = 0; i < Discussions.size(); ++i)
    if (Discussions[i]->FolderIndex == folder) return int(i);
  return -1;
}

int TDiscussionsManager::FindDiscussionByMIdent(const TStr& mident) {
  int found = -1;
  if (mident.IsEmpty()) return -1;
  for (int i = 0; i < GetDiscussionsCount(); ++i) {
    TDiscussion& discussion = GetDiscussion(i);
    if (!discussion.Load(true) || !(discussion.Info.MIdent == mident)) continue;
    if (found >= 0) return -2;
    found = i;
  }
  return found;
}

int TDiscussionsManager::FindDiscussionByDIdent(const TStr& dident, bool showMessage, const TStr& messageTail,
                                                const TStr& caption) {
  for (int i = 0; i < GetDiscussionsCount() && !dident.IsEmpty(); ++i) {
    TDiscussion& discussion = GetDiscussion(i);
    if (discussion.Load(true) && discussion.Info.DIdent == dident) return i;
  }
  if (showMessage)
    ShowMessageBox(caption.ToString(), "The discussion with identifier '" + dident + "' is not found.\n" + messageTail);
  return -1;
}

TStr TDiscussionsManager::MakeUniqueDIdent(TDiscussion& discussion) {
  for (;;) {
    const TStr dident = MakeRandomIdent("D");
    bool taken = false;
    for (int i = 0; i < GetDiscussionsCount() && !taken; ++i) {
      TDiscussion& other = GetDiscussion(i);
      taken = &other != &discussion && other.Load(true) && other.Info.DIdent == dident;
    }
    if (!taken) {
      discussion.Info.DIdent = dident;
      return dident;
    }
  }
}
