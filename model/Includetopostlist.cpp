#include "model/Includetopostlist.h"

#include "foundation/Guihooks.h"
#include "model/Tdiscussion.h"

#include <algorithm>
#include <vector>

namespace {

// The comments a block hangs under, through its upper blocks and a formula's conclusion,
// upper ones first. A comment that reached only the leader is missing at every other
// participant, and the block would be erased there without it.
void AddRelatedComments(TDiscussion& discussion, TDiscBlockIndex block, std::vector<TDiscBlockIndex>& related) {
  const TDiscBlock* record = discussion.Storages.GetDiscBlock(block);
  if (!record) return;
  const TDiscBlockIndex links[] = {record->TextType == TextType_Formula ? record->Conclusion : TDiscBlockIndex(),
                                   record->Upper};
  for (TDiscBlockIndex at : links) {
    std::vector<TDiscBlockIndex> chain;
    while (at.StorageType == StorageType_Comments && discussion.Storages.IsValidIndex(at) && !(at == block) &&
           std::find(related.begin(), related.end(), at) == related.end() &&
           std::find(chain.begin(), chain.end(), at) == chain.end()) {
      chain.push_back(at);
      at = discussion.Storages.GetDiscBlock(at)->Upper;
    }
    related.insert(related.end(), chain.rbegin(), chain.rend());
  }
}

// Includes the block (brought: for a block under it) or excludes it; whether the list
// changed.
bool ChangeInList(TDiscussion& discussion, int postList, TDiscBlockIndex block, bool include, bool brought = false) {
  TBlocksPostList& lists = discussion.User.PostLists;
  const TDiscBlockCode code = discussion.Storages.GetDiscBlock(block)->GetDiscBlockCode();
  const int changed = include ? lists.AddBlockToItem(discussion, postList, code, brought)
                              : lists.DeleteBlockFromItem(discussion, postList, code);
  if (changed < 0) return false;
  SendBlockNotification(Notify_BlockChanged, discussion, block, false);
  return true;
}

// The moderated comment that is the block or lies above it; empty when none.
TDiscBlockIndex ModeratedCommentAbove(TDiscussion& discussion, TDiscBlockIndex at) {
  // A chain longer than the storages hold has a loop.
  for (int step = 0; step < 4 * MaxBlocksInStorage && discussion.Storages.IsValidIndex(at); ++step) {
    if (at.StorageType == StorageType_ModeratedComments) return at;
    at = discussion.Storages.GetDiscBlock(at)->Upper;
  }
  return {};
}

// The moderated comment a formula computes (its conclusion or one above it); empty when none.
TDiscBlockIndex ModeratedCommentComputed(TDiscussion& discussion, TDiscBlockIndex block) {
  const TDiscBlock* record = discussion.Storages.GetDiscBlock(block);
  return record && record->TextType == TextType_Formula ? ModeratedCommentAbove(discussion, record->Conclusion)
                                                        : TDiscBlockIndex{};
}

// Takes out of the list the comments above the block that the list brought (the user did
// not list them) and no other block of the list hangs under: a withdrawn answer must not
// carry the comments it answered to everyone, and a comment the user listed stays.
void TakeBackRelatedComments(TDiscussion& discussion, int postList, TDiscBlockIndex block) {
  const TBlocksPostListItem& list = discussion.User.PostLists.Items[uint32_t(postList)];
  std::vector<TDiscBlockIndex> brought;
  AddRelatedComments(discussion, block, brought);
  std::erase_if(brought, [&](TDiscBlockIndex comment) {
    return !list.IsBrought(discussion.Storages.GetDiscBlock(comment)->GetDiscBlockCode());
  });
  if (brought.empty()) return;
  std::vector<TDiscBlockIndex> needed;
  for (const TDiscBlockCode& code : list.Blocks) {
    const TDiscBlockIndex other = discussion.Storages.FindDiscBlockIndex(code);
    if (other.IsEmpty() || other == block || std::find(brought.begin(), brought.end(), other) != brought.end())
      continue;
    AddRelatedComments(discussion, other, needed);
  }
  for (auto it = brought.rbegin(); it != brought.rend(); ++it)
    if (std::find(needed.begin(), needed.end(), *it) == needed.end()) ChangeInList(discussion, postList, *it, false);
}

}  // namespace

bool IncludeToPostList(TDiscBlockStorages& storages, TDiscussion& discussion, int include, int postList,
                       TDiscBlockIndex block) {
  TBlocksPostList& lists = discussion.User.PostLists;
  if (postList < 0 || postList >= int(lists.Items.Count()) || !storages.IsValidIndex(block)) return false;
  if (!include) {
    if (!ChangeInList(discussion, postList, block, false)) return false;
    TakeBackRelatedComments(discussion, postList, block);
    return true;
  }
  // A moderated comment is the moderator's until published: neither it nor an answer under
  // it can reach the others before.
  const TDiscBlockIndex above = ModeratedCommentAbove(discussion, block);
  const bool answers = !above.IsEmpty();
  if (const TDiscBlockIndex waiting = answers ? above : ModeratedCommentComputed(discussion, block);
      !waiting.IsEmpty()) {
    const std::string name = storages.GetDiscBlock(block)->GetBlockName(discussion).ToString();
    const std::string comment = storages.GetDiscBlock(waiting)->GetBlockName(discussion).ToString();
    ShowMessageBox(
        "NOT PUBLISHED",
        (waiting == block ? "Moderated comment <" + name + "> is not published yet"
         : answers ? "Block <" + name + "> answers moderated comment <" + comment + ">, which is not published yet"
                   : "Formula block <" + name + "> computes moderated comment <" + comment +
                         ">, which is not published yet") +
            ";\nit can't be posted. Publish the comment first (\"Publish embedded comments\"),\n"
            "then post again.");
    return false;
  }
  // Only the leader sends to everyone; the others send to the leader, who holds every
  // comment they hold.
  if (discussion.IsLeader()) {
    std::vector<TDiscBlockIndex> related;
    AddRelatedComments(discussion, block, related);
    for (const TDiscBlockIndex comment : related) ChangeInList(discussion, postList, comment, true, true);
  }
  return ChangeInList(discussion, postList, block, true);
}
