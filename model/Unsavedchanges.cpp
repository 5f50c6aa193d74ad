#include "model/Unsavedchanges.h"

#include "model/Discussionfileset.h"
#include "model/Tdiscussion.h"

bool HasUnsavedChanges(const TDiscussion& discussion, bool contentOnly) {
  if (!discussion.Loaded) return false;
  TDiscussionFileSet set;
  std::string reason;
  if (!set.Choose(discussion.Folder.ToString(), reason)) return true;
  TReadBuffer data;
  for (int file = 0; file < TDiscussionFileSet::Count; ++file) {
    if (contentOnly && TDiscussionFileSet::IsReaderState(file)) continue;
    std::string_view saved;
    if (!ReadDiscussionFile(set.Paths[file], file, set.Generation, data, saved).empty()) return true;
    if (discussion.ComposeFile(file) != saved) return true;
  }
  return false;
}
