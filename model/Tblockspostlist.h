#pragma once
// The user's post lists: named, numbered lists of block codes collected for sending.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "model/Tdiscblockindex.h"
#include "platform/rtl/Tdatetime.h"

#include <cstdint>
#include <string>

class TDiscussion;
class TBufReader;
class TBufWriter;

inline constexpr const char* NewPostListName = "Postlist";

struct TBlocksPostListItem {
  uint16_t Number = 0xFFFF;
  TStr Name;
  TDateTime CreationDate = 0;
  TDateTime SentDate = 0;
  TArray<TDiscBlockCode> Blocks;
  // The listed comments the list took for the blocks under them, which the user did not
  // list: withdrawing those blocks takes them back. Always codes of Blocks.
  TArray<TDiscBlockCode> Brought;

  TBlocksPostListItem();
  bool operator==(const TBlocksPostListItem& other) const;

  // Index of the code, -1 when absent.
  int FindBlock(TDiscBlockCode code) const;
  // Index of the appended code, -1 when it was there already. The first block added to a
  // list still named "Postlist" names it after today's date.
  int AddBlock(TDiscBlockCode code);
  // The removed code's former index, -1 when absent.
  int DeleteBlock(TDiscBlockCode code);
  bool IsBrought(TDiscBlockCode code) const;
  // Marks a listed code brought (or the user's own).
  void SetBrought(TDiscBlockCode code, bool brought);
};

class TBlocksPostList {
public:
  TBlocksPostList();

  uint16_t Counter = 0;  // the number of the last list created
  TArray<TBlocksPostListItem> Items;

  // Appends a list "Postlist" with the next number and today's date; false (reported) when
  // the numbers are used up.
  bool AddNewItem(TDiscussion& discussion);
  // Appends the code (brought: for a block under it); a code listed as brought that the
  // user lists is the user's own from then on. The code's index when the list changed,
  // else -1.
  int AddBlockToItem(TDiscussion& discussion, int item, TDiscBlockCode code, bool brought = false);
  int DeleteBlockFromItem(TDiscussion& discussion, int item, TDiscBlockCode code);

  // Stored form: u16 counter, u16 item count; per item u16 number, text name, i32 creation
  // day, i32 sent day, u16 code count, codes. Only codes of blocks that still exist and are
  // not erased are written. When a list holds brought codes, a section follows (files
  // without it read every code as the user's own): u8 BroughtSection, then per item u16
  // count and the brought codes.
  void SaveToBufWriter(const TDiscussion& discussion, TBufWriter& writer) const;
  std::string LoadFromBufReader(TBufReader& reader);
  void Clear() { Counter = 0; Items.Clear(); }
};
