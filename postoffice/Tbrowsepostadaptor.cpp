#include "postoffice/Tbrowsepostadaptor.h"

#include "foundation/Postfilename.h"
#include "foundation/Tbrowseglobal.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussionsmanager.h"
#include "postoffice/Tmoderatecaller.h"
#include "postoffice/Tpost.h"

namespace {

// The discussion of that identifier, -1 when it is not known here.
int FindDiscussion(const TStr& dident) {
  TDiscussionsManager* manager = DiscussionsManager();
  if (!manager || dident.IsEmpty()) return -1;
  return manager->FindDiscussionByDIdent(dident, false, TStr(), TStr());
}

void FillFolder(TPostFilesStorage& storage, uint8_t kind, const char* name, const std::string& path,
                const std::string& historyPath, const char* historyName) {
  storage.Kind = kind;
  storage.FolderName = name;
  storage.FolderPath = path;
  storage.HistoryPath = historyPath;
  storage.HistoryName = historyName;
}

}  // namespace

bool TBrowsePostAdaptor::GetPostDiscussionPath(const TPostFile& file, std::string& path) {
  const int index = FindDiscussion(file.DIdent);
  if (index < 0) return false;
  path = DiscussionsManager()->GetDiscussion(index).Folder.ToString() + "/";
  return true;
}

void TBrowsePostAdaptor::GetSpammersList(TArray<TEMailComment>& list) {
  if (!TBrowseGlobal::Moderation) return;
  std::string text;
  if (TModerateCaller* caller = ModerateCaller()) caller->GetEditSpammersList(text);
  ParseEMailComments(text, list);
}

void TBrowsePostAdaptor::FillPostFolders(TPost& post) {
  const TSuitePaths& paths = TBrowseGlobal::Paths;
  FillFolder(post.Inbox, PostKind_Inbox, "Inbox", paths.Inbox, "", "");
  FillFolder(post.InboxPost, PostKind_InboxPost, "InboxPost", paths.InboxPost, paths.InboxPostHistory,
             "InboxPostHistory");
  FillFolder(post.Outbox, PostKind_Outbox, "Outbox", paths.Outbox, "", "");
  FillFolder(post.OutboxPost, PostKind_OutboxPost, "OutboxPost", paths.OutboxPost, paths.OutboxPostHistory,
             "OutboxPostHistory");
}

std::string TBrowsePostAdaptor::MakePostFileName(TPost& post, const std::string& folder, const std::string& partA,
                                                 const std::string& partB) {
  return ::MakePostFileName("", partA, folder, partB, post.IssuedNames);
}

void TBrowsePostAdaptor::PostFileHandled(TPostFilesStorage& storage) {
  const TSuitePaths& paths = TBrowseGlobal::Paths;
  for (uint32_t i = storage.Files.Count(); i-- > 0;) {
    const TPostFile& file = storage.Files[i];
    if (!file.IsBroadcast()) continue;
    std::string copies = paths.Root + "OutboxPostBroadcast/", history = paths.OutboxPostHistory;
    if (!file.DIdent.IsEmpty()) {
      const int index = FindDiscussion(file.DIdent);
      if (index < 0) {
        // Listed again by the next refresh of the folder.
        storage.Files.Delete(i);
        continue;
      }
      const std::string folder = DiscussionsManager()->GetDiscussion(index).Folder.ToString() + "/";
      copies = folder + "OutboxPostBroadcast/";
      history = folder + "OutboxPostHistory/";
    }
    if (RetirePostFile(storage.FilePath(i), file.Name.ToString(), copies, history)) storage.Files.Delete(i);
  }
}

void RegisterPostFileNaming(TPost& post) {
  ModelHooks().PostFileName = [&post](const std::string& folder, const std::string& partA,
                                      const std::string& shortCode) {
    if (!post.Adaptor) return ::MakePostFileName("", partA, folder, shortCode, post.IssuedNames);
    return post.Adaptor->MakePostFileName(post, folder, partA, shortCode);
  };
}
