#pragma once
// Retrieval lists: the blocks below a block (and those cut off from their upper blocks)
// that meet a retrieval kind, or every block of the discussion for the erased and the
// deleted ones, or the blocks of a post list; ordered by their names.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "model/Tdiscblockindex.h"

#include <cstdint>
#include <string_view>

class TDiscussion;
class TFormProgress;

// Names compared with the numbers in them read as numbers: after an equal beginning,
// ".10" follows ".9". Negative, zero or positive.
int NaturalCompare(std::string_view a, std::string_view b);
// Two blocks by their composed names.
int CompareBlocksByName(const TDiscussion& discussion, TDiscBlockIndex a, TDiscBlockIndex b);

// Gathers the blocks that meet the kind (1..18; data: a theme index, a day number or a
// post-list number) and sorts them; each block is listed once. The progress window, when
// given, tells what is being searched.
void CollectRetrieval(TDiscussion& discussion, TDiscBlockIndex start, TArray<TDiscBlockIndex>& result, uint8_t kind,
                      int32_t data, const TStr& text, bool caseSensitive, TFormProgress* progress);
