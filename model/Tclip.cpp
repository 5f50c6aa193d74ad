#include "model/Tclip.h"

#include "model/Tdiscussionsmanager.h"

void TClip::Reset(uint8_t cut) {
  Items.Clear();
  Cut = cut;
}

bool TClip::Add(TDiscussionsManager& manager, int discussionIndex, TDiscBlockIndex block) {
  if (discussionIndex < 0 || discussionIndex >= manager.GetDiscussionsCount()) return false;
  TDiscussion& discussion = manager.GetDiscussion(discussionIndex);
  if (!discussion.Loaded || !discussion.Storages.IsValidIndex(block)) return false;
  const TDiscBlock& record = *discussion.Storages.GetDiscBlock(block);
  for (const TClipItem& item : Items)
    if (item.DiscussionIndex == discussionIndex && item.Code == record.GetDiscBlockCode()) return true;
  const int index = Items.AddEmptyItem();
  if (index < 0) return false;
  Items[index].DiscussionIndex = int16_t(discussionIndex);
  Items[index].Owner = &discussion;
  Items[index].Code = record.GetDiscBlockCode();
  Items[index].Name = record.Name;
  return true;
}

bool TClip::Resolve(TDiscussionsManager& manager, int i, TDiscussion*& discussion, TDiscBlockIndex& block) const {
  discussion = nullptr;
  block.Clear();
  if (i < 0 || i >= Count()) return false;
  const TClipItem& item = Items[i];
  if (item.DiscussionIndex < 0 || item.DiscussionIndex >= manager.GetDiscussionsCount()) return false;
  TDiscussion& owner = manager.GetDiscussion(item.DiscussionIndex);
  if (&owner != item.Owner || !owner.Loaded) return false;
  const TDiscBlockIndex found = owner.Storages.FindDiscBlockIndex(item.Code);
  if (found.IsEmpty()) return false;
  const TDiscBlock& record = *owner.Storages.GetDiscBlock(found);
  if (!(record.Name == item.Name) || record.DeleteFlag == DeleteFlag_Erased) return false;
  discussion = &owner;
  block = found;
  return true;
}

int TClip::DropStale(TDiscussionsManager& manager) {
  int dropped = 0;
  for (int i = Count() - 1; i >= 0; --i) {
    TDiscussion* discussion = nullptr;
    TDiscBlockIndex block;
    if (!Resolve(manager, i, discussion, block)) {
      Items.Delete(uint32_t(i));
      ++dropped;
    }
  }
  return dropped;
}

void TClip::Listen(const TListenMessage& message) {
  if (message.Code != Notify_BlockGone) return;
  const auto* discussion = reinterpret_cast<const TDiscussion*>(message.Word1);
  const TDiscBlockIndex gone = UnpackDiscBlockIndex(message.Word2);
  // The block is still in place while the notification runs.
  if (discussion == nullptr || !discussion->Storages.IsValidIndex(gone)) return;
  const TDiscBlockCode code = discussion->Storages.GetDiscBlock(gone)->GetDiscBlockCode();
  for (int i = Count() - 1; i >= 0; --i)
    if (Items[i].Owner == discussion && Items[i].Code == code) Items.Delete(uint32_t(i));
}

TClip*& BlockClipboard() {
  static TClip* clipboard = nullptr;
  return clipboard;
}
