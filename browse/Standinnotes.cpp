#include "browse/Standinnotes.h"

#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {

bool IsListed(const TDiscBlock& block) {
  return block.DeleteFlag != DeleteFlag_Erased && block.DeleteFlag != DeleteFlag_Recycled;
}

TDiscBlockStr Texts(const TDiscBlockStorages& storages, TDiscBlockIndex block) {
  const TStrHashItem* item = storages.GetStrHashItem(block);
  return item ? item->Str : TDiscBlockStr();
}

}  // namespace

std::vector<TStandIn> CollectStandIns(const TDiscussion& discussion) {
  std::vector<TStandIn> pairs;
  const TDiscBlockStorages& storages = discussion.Storages;
  const TBlocksStorage& notes = storages.Notes;
  std::vector<int> posted;
  std::vector<bool> holdsNotes(size_t(notes.Count()), false);
  for (int i = 0; i < notes.Count(); ++i) {
    const TDiscBlock& note = notes.Block(i);
    if (!IsListed(note)) continue;
    if (note.Posted) posted.push_back(i);
    if (note.Upper.StorageType == StorageType_Notes && note.Upper.Index < holdsNotes.size())
      holdsNotes[note.Upper.Index] = true;
  }
  if (posted.empty()) return pairs;
  const int own = discussion.Authors.FindAuthorByLIdent(CurrentModelLogin().LIdent);
  if (own < 0) return pairs;
  const uint16_t me = discussion.Authors.Author(own).ADIdent;
  // The login's comments under each block, in storage order; a taken one leaves its list.
  std::map<std::pair<uint8_t, uint16_t>, std::vector<int>> mine;
  const TBlocksStorage& comments = storages.Comments;
  for (int i = 0; i < comments.Count(); ++i) {
    const TDiscBlock& comment = comments.Block(i);
    if (comment.ADIdent == me && IsListed(comment)) mine[{comment.Upper.StorageType, comment.Upper.Index}].push_back(i);
  }
  for (const int n : posted) {
    const TDiscBlock& note = notes.Block(n);
    const auto group = mine.find({note.Upper.StorageType, note.Upper.Index});
    if (group == mine.end()) continue;
    const TDiscBlockIndex noteIndex{StorageType_Notes, uint16_t(n)};
    std::vector<int>& candidates = group->second;
    for (auto it = candidates.begin(); it != candidates.end(); ++it) {
      const TDiscBlockIndex comment{StorageType_Comments, uint16_t(*it)};
      if (comments.Block(*it).TextType != note.TextType || !(Texts(storages, comment) == Texts(storages, noteIndex)))
        continue;
      if (!holdsNotes[size_t(n)]) {
        pairs.push_back({noteIndex, comment});
        candidates.erase(it);
      }
      break;
    }
  }
  return pairs;
}

TDiscBlockIndex NoteStoodFor(const TDiscussion& discussion, TDiscBlockIndex block) {
  if (block.StorageType != StorageType_Comments) return {};
  for (const TStandIn& pair : CollectStandIns(discussion))
    if (pair.Comment == block) return pair.Note;
  return {};
}

TDiscBlockIndex RowBlockOfNote(const TDiscussion& discussion, TDiscBlockIndex note) {
  if (note.StorageType != StorageType_Notes) return note;
  for (const TStandIn& pair : CollectStandIns(discussion))
    if (pair.Note == note) return pair.Comment;
  return note;
}

void LeaveOutStoodNotes(const TDiscussion& discussion, TArray<TDiscBlockIndex>& blocks) {
  const auto posted = [&](TDiscBlockIndex index) {
    return index.StorageType == StorageType_Notes && discussion.Storages.GetDiscBlock(index)->Posted != 0;
  };
  if (std::none_of(blocks.begin(), blocks.end(), posted)) return;
  const std::vector<TStandIn> pairs = CollectStandIns(discussion);
  std::vector<TStandIn> shown;
  for (const TStandIn& pair : pairs)
    if (std::find(blocks.begin(), blocks.end(), pair.Comment) != blocks.end()) shown.push_back(pair);
  if (shown.empty()) return;
  const auto stood = [&](TDiscBlockIndex block) {
    return std::any_of(shown.begin(), shown.end(), [&](const TStandIn& pair) { return pair.Note == block; });
  };
  TArray<TDiscBlockIndex> kept;
  for (const TDiscBlockIndex block : blocks)
    if (!stood(block) && kept.AddItem(block) < 0) return;
  blocks = std::move(kept);
}
