#include "model/Includetopostlist.h"

#include "model/Tdiscussion.h"

bool IncludeToPostList(TDiscBlockStorages& storages, TDiscussion& discussion, int include, int postList,
                       TDiscBlockIndex block) {
  TBlocksPostList& lists = discussion.User.PostLists;
  if (postList < 0 || postList >= int(lists.Items.Count()) || !storages.IsValidIndex(block)) return false;
  const TDiscBlockCode code = storages.GetDiscBlock(block)->GetDiscBlockCode();
  const int changed = include ? lists.AddBlockToItem(discussion, postList, code)
                              : lists.DeleteBlockFromItem(discussion, postList, code);
  if (changed < 0) return false;
  SendBlockNotification(Notify_BlockChanged, discussion, block, false);
  return true;
}
