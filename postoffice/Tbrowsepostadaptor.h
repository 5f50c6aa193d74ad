#pragma once
// The browser's post adaptor: discussions are found through the discussions manager, the
// spammers list comes from the moderation library, the post folders from the suite's path
// table, and new post files are named after the manager login's e-mail, the model folder,
// the date, the command's short code and a counter.

#include "postoffice/Tpostadaptor.h"

class TBrowsePostAdaptor : public TPostAdaptor {
 public:
  bool GetPostDiscussionPath(const TPostFile& file, std::string& path) override;
  void GetSpammersList(TArray<TEMailComment>& list) override;
  void FillPostFolders(TPost& post) override;
  std::string MakePostFileName(TPost& post, const std::string& folder, const std::string& partA,
                               const std::string& partB) override;
  void PostFileHandled(TPostFilesStorage& storage) override;
};

// Names the model's new command messages through the post state's adaptor.
void RegisterPostFileNaming(TPost& post);
