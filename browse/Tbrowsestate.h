#pragma once
// What a browse window shows, as one copyable value: the rows of the lower list, the
// current item, the selected row, the kind of list and the fields of a retrieval. A
// window keeps its current state and a Back history of earlier ones.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "model/Tbrowseitem.h"
#include "model/Tdiscblockindex.h"

#include <cstdint>

// Kinds of rows of the lower list.
enum : uint8_t {
  LowerListRow_Service = 1,   // the service line of an item: a click selects and opens it
  LowerListRow_Text = 2,      // the text lines of a block
  LowerListRow_FullText = 3,  // the unfolded full text of a block, under its other rows
};

// One row of the lower list.
struct TLowerListRow {
  uint8_t RowType = 0;
  int32_t Height = -1;         // painted height in pixels; -1 until measured
  TBrowseItemIndex ItemIndex;  // path from the current item to the item the row shows

  // The item the row shows, resolved against the current item; null (reported) when the
  // path leads nowhere.
  TBrowseItem* GetBrowseItem(TBrowseItem& current) const { return ItemIndex.GetBrowseItem(current); }
};

// Which caption a window shows, and so which list it keeps when refreshed.
enum : uint8_t {
  SpecCaption_None = 0,  // the item's own caption and list
  SpecCaption_Retrieval = 1,
  SpecCaption_Experts = 2,
  SpecCaption_ThesisDisputants = 3,
  SpecCaption_History = 4,
};

class TBrowseState {
 public:
  TArray<TLowerListRow> Rows;
  TBrowseItem CurrentItem;
  int SelectedRow = 0;
  uint8_t ListKind = 0;             // ListKind_*; also the relation the user's position is kept under
  uint16_t UpperPanelHeight = 100;  // of the upper panel when the state was stored
  uint8_t DisplayMode = DisplayMode_Brief;
  int16_t DiscussionIndex = -1;     // in the discussions manager; -1 none
  uint8_t Creating = 0;             // the discussion's creating flag when it was set
  uint8_t SpecCaptionType = 0;      // which caption the window shows
  uint8_t RetrievalKind = 0;        // Retrieval_*
  TDiscBlockIndex FirstBlock;       // the block a retrieval starts from
  int32_t RetrievalData = -1;
  uint8_t RetrievalCaseSensitive = 0;  // of a search, so that a refresh finds the same
  TStr Caption;                     // the retrieval text
  uint8_t ModerationType = 0;       // the experts' rating (ModerateType_*) a list of experts shows
  TDiscBlockIndex SecondBlock;      // the thesis of a list of disputants

  TBrowseState() { Init(); }

  // Every field to its default.
  void Init();
  // Forgets the item, the rows, both blocks and the caption; the plain fields stay.
  void Clear();
  // A block that disappears: the rows showing it (or an item below it) go, with hit set
  // when any went, and the items showing it become empty in their places, so that the
  // paths of the other rows still hold. currentHit tells that the current item showed it.
  void RemoveDiscBlock(TDiscBlockIndex block, bool& hit, bool& currentHit);

  // The rows by their int numbers (see TBrowse).
  int RowCount() const { return int(Rows.Count()); }
  bool HasRow(int row) const { return row >= 0 && row < RowCount(); }
  TLowerListRow& Row(int row) { return Rows[uint32_t(row)]; }
  const TLowerListRow& Row(int row) const { return Rows[uint32_t(row)]; }
  // False when the row could not be made or is not there (reported).
  bool InsertRow(int at) { return Rows.InsertEmpty(uint32_t(at)) >= 0; }
  bool DeleteRow(int row) { return Rows.Delete(uint32_t(row)); }
};
