#pragma once
// What the post state needs of the browser: where a discussion's folder lies, the
// spammers list, the post folders, the names of new post files and what becomes of a
// broadcast post file. The browser's implementation is TBrowsePostAdaptor.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"

#include <string>
#include <string_view>

class TPost;
class TPostFile;
class TPostFilesStorage;

// An address with a comment: a row of the spammers list and of the advised persons.
struct TEMailComment {
  TStr Address;
  TStr Comment;
};

class TPostAdaptor {
 public:
  virtual ~TPostAdaptor() = default;
  // The folder (ending with '/') of the discussion the file belongs to; false when the
  // discussion is not known here.
  virtual bool GetPostDiscussionPath(const TPostFile& file, std::string& path) = 0;
  virtual void GetSpammersList(TArray<TEMailComment>& list) = 0;
  // Sets the four folder descriptors of the post state.
  virtual void FillPostFolders(TPost& post) = 0;
  // The full path of a new post file in the folder.
  virtual std::string MakePostFileName(TPost& post, const std::string& folder, const std::string& partA,
                                       const std::string& partB) = 0;
  // Broadcast copy and history move of the broadcast files of a folder.
  virtual void PostFileHandled(TPostFilesStorage& storage) = 0;
};

// Rows "address comment" of a text, one a line; blanks before the address and between it
// and the comment are skipped. The list is cleared first.
void ParseEMailComments(std::string_view text, TArray<TEMailComment>& list);
