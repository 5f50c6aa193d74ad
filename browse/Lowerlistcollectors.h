#pragma once
// What the lower list of a browse window shows for each kind of relation: the collectors
// gather the related blocks, authors or folder entries of a discussion and sort them in
// the fixed order of their list.

#include "foundation/Tarray.h"
#include "model/Tdiscblockindex.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

class TDiscussion;
class TDiscussionsManager;

// Kinds of the lower list; a kind is also the relation under which the user's last
// selected row for an item is kept.
enum : uint8_t {
  ListKind_None = 0,  // no list built yet
  ListKind_Children = 1,
  ListKind_Formulas = 2,
  ListKind_FolderChildren = 4,
  ListKind_ThesisDisputants = 6,
  ListKind_BlocksOfAuthor = 7,
  ListKind_Chain = 8,
  ListKind_Retrieval = 9,
  ListKind_History = 10,
  ListKind_Experts = 11,
  ListKind_ModerationChildren = 13,
};

// One entry of a folder list.
struct TMonoGroupIndex {
  int16_t Folder = -1;      // the folder entry of the discussions manager
  uint8_t Moderated = 0;    // an entry of the moderation listing
  int16_t Discussion = -1;  // moderation listing only
  uint8_t Separator = 0;    // the last plain folder: a line is drawn below it
  bool operator==(const TMonoGroupIndex&) const = default;
};

struct TAuthorADIdent {
  uint16_t ADIdent = 0xFFFF;
  bool operator==(const TAuthorADIdent&) const = default;
};

// What the moderation library and the post office tell the moderation listing of
// folders; an empty member answers nothing.
struct TModerationSources {
  // The counts of trustworthy and doubtful moderated comments waiting in a discussion;
  // ModerationCall_Done when the library answered.
  std::function<uint8_t(const std::string& dident, int32_t& trustworthy, int32_t& doubtful)> GetModeratedCommentsCount;
  // A received NEW_BLOCKS post file of the discussion waits unhandled in the Inbox.
  std::function<bool(const std::string& dident)> NewBlocksInInbox;
};
// What the model's hooks lend: the moderation library's and the post office's answers.
TModerationSources DefaultModerationSources();

// The blocks under each block of a discussion, found in one pass, for walks of whole
// trees; it also remembers which blocks a walk has met.
class TLowerBlocks {
 public:
  explicit TLowerBlocks(const TDiscussion& discussion);
  // The blocks whose upper block it is, storage by storage (model blocks, comments,
  // moderated comments, notes), each storage in index order.
  std::span<const TDiscBlockIndex> Lower(TDiscBlockIndex block) const {
    const std::vector<uint32_t>& first = fFirst[block.StorageType];
    return {fBlocks.data() + first[block.Index], first[size_t(block.Index) + 1] - first[block.Index]};
  }
  // True the first time it is asked for a block: a cycle in damaged data is walked once.
  bool FirstVisit(TDiscBlockIndex block);
  bool Visited(TDiscBlockIndex block) const { return fSeen[block.StorageType][block.Index]; }

 private:
  // The lower blocks of every block in one array, grouped by their upper block; per storage
  // and block, where its group begins (and, one past the last block, where the storage ends).
  std::vector<TDiscBlockIndex> fBlocks;
  std::vector<uint32_t> fFirst[5];
  std::vector<bool> fSeen[5];
};

// Orders: negative, zero or positive.
// Plain folders before discussions; discussions by name, then folders by name.
int CompareFolderEntries(TDiscussionsManager& manager, const TMonoGroupIndex& a, const TMonoGroupIndex& b);
// Notes, model blocks, moderated comments, comments; comments by date, author and number,
// model blocks and notes by number. Unknown storage types are reported.
int LowerDiscBlocksCompare(const TDiscussion& discussion, TDiscBlockIndex a, TDiscBlockIndex b);
// Ascending as signed 16-bit values, 0xFFFF last.
int CompareAuthorIdents(uint16_t a, uint16_t b);

// Whether a block of the child storage may hang under a block of the parent storage in
// a list: model blocks under model blocks, comments under model blocks and comments of
// both kinds, notes under anything.
bool IsListedChildStorage(uint8_t parentStorage, uint8_t childStorage);

// The children of a block that are neither erased nor recycled, sorted.
void CollectChildBlocks(TDiscussion& discussion, TDiscBlockIndex parent, TArray<TDiscBlockIndex>& result);
// Moderated comments, neither erased nor recycled, whose authors the moderation library
// rates doubtful (the moderator's root list), sorted.
void CollectDoubtfulModeratedComments(TDiscussion& discussion, TArray<TDiscBlockIndex>& result);
// The comments (unless moderation), moderated comments and, for the login's own author
// outside moderation, the notes of an author; neither erased nor recycled; sorted.
void CollectBlocksOfAuthor(TDiscussion& discussion, uint16_t adident, bool moderation, TArray<TDiscBlockIndex>& result);
// The block and its upper blocks up to the first model block, topmost first; returns the
// model block where the walk stopped, or the empty reference.
TDiscBlockIndex CollectChain(const TDiscussion& discussion, TDiscBlockIndex block, TArray<TDiscBlockIndex>& result);
// The formula blocks, neither erased nor recycled, that compute the block; sorted.
void CollectFormulasForText(const TDiscussion& discussion, TDiscBlockIndex block, TArray<TDiscBlockIndex>& result);
// The blocks visited in the discussion, in the order of their first visit.
void CollectHistory(const TDiscussion& discussion, TArray<TDiscBlockIndex>& result);
// The thesis's author and every author of a block below it; sorted.
void CollectThesisDisputants(TDiscussion& discussion, TDiscBlockIndex thesis, TArray<TAuthorADIdent>& result);
// The discussion's authors of that trust (0: all), with ofModerated only authors of a
// moderated comment; sorted.
void CollectExperts(TDiscussion& discussion, uint8_t trust, bool ofModerated, TArray<TAuthorADIdent>& result);
// The sub-folders and discussions of a folder the login may open, sorted, the last plain
// folder marked; with moderation the discussions the login moderates that wait for it
// (or all of them with showAll), in the manager's order. False (reported) when a
// discussion's information cannot be read.
bool CollectMonoGroupChilds(TDiscussionsManager& manager, int16_t folder, bool moderation, bool showAll,
                            const TModerationSources& sources, TArray<TMonoGroupIndex>& result);
