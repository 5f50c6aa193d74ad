#pragma once
// What the menus of a browse window are built from: the facts about the item a menu is
// built for and about the state of its window.

#include "model/Tbrowseitem.h"

#include <cstdint>
#include <vector>

class TBrowse;
class TDiscussion;
struct TDiscBlock;

struct TSmartMenuFacts {
  TSmartMenuFacts(TBrowse& browse, const TBrowseItem& item, const TBrowseItem* rootItem,
                  const TBrowseItemIndex& index, bool mainMenu);

  uint8_t Kind = 0;                     // the item's kind
  bool Current = false;                 // the item is the window's current item
  TDiscussion* Discussion = nullptr;    // the window's discussion, or null
  bool BlockItem = false;               // a block item with a window discussion
  bool AuthorItem = false;              // an author item with a window discussion
  const TDiscBlock* Block = nullptr;    // the block of a block item
  TDiscBlockIndex BlockIndex;
  bool Root = false;                    // the current item is the model's root block
  bool Moderator = false;
  bool LostUpper = false;               // the block's upper block is lost
  bool CreatingWindow = false;          // the window's state is a created one
  uint8_t ListKind = 0;                 // ListKind_None for disputants without a discussion
  bool RetrievalList = false;
  uint8_t RetrievalKind = 0;
  bool ModerationMode = false;
  bool Manager = false;                 // the current login is the manager's
  bool UnderDiscussed = false;          // a folder row at or directly under the discussed root
  bool UnderCreated = false;            // ... under the root of created discussions
  bool FolderHasParent = false;         // a folder row whose folder is not a root
  bool UpperPanelShown = false;
  bool MainMenu = false;
  bool CreatingDiscussion = false;      // the window discussion is being created
  bool Leader = false;
  bool ModelAuthor = false;
  uint16_t MyADIdent = 0xFFFF;          // the current login's author identifier in the discussion
  // Popup mode: a block item whose row stands for the login's posted note (Standinnotes.h):
  // the note, which "Edit" amends. The row's other entries are those of the comment it
  // shows.
  TDiscBlockIndex StoodNote;
  // Popup mode: the marked blocks of the lower list, else the item's own block; false
  // when a marked item is not a block.
  std::vector<TDiscBlockIndex> Marked;
  bool MarkedAreBlocks = true;
  // Of an item's entries.
  bool DisputantsList = false;       // the list of a thesis's disputants, where nothing is edited
  bool ErasedOrDeletedList = false;  // a retrieval of erased or of deleted blocks
  bool NoteItem = false;             // a block item of a note
  bool UnlinkedItem = false;         // a block item that lost a link

  using TMarkedTest = bool (*)(TDiscBlockIndex index, const TDiscBlock& block);
  // Whether one of the marked blocks passes the test; whether every one does (true when
  // none is marked).
  bool AnyMarked(TMarkedTest test) const;
  bool EveryMarked(TMarkedTest test) const;

 private:
  void CollectMarked(TBrowse& browse, const TBrowseItem* rootItem, const TBrowseItemIndex& index);
};
