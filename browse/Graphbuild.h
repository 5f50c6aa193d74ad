#pragma once
// The order in which a graph's build adds the blocks of one storage: by the level their
// names tell, so that an upper block comes before the blocks under it.

#include "model/Tdiscblockindex.h"

#include <cstdint>
#include <string>
#include <string_view>

class TDiscussion;
struct TDiscBlock;

// The name without parenthesised groups, innermost first: "3.2(12-7)" gives "3.2".
std::string StripParenthesized(std::string_view name);
// The level of a composed name: the dots of the name without parenthesised groups and
// without a heading's ".*", the last character not counted.
int GraphBuildLevel(std::string_view name);

// Where a block goes in the order: fewer levels first, then the smaller number used in
// the name.
struct TGraphBuildKey {
  int Level = 0;
  uint16_t Num = 0;
  bool operator<(const TGraphBuildKey& other) const {
    return Level != other.Level ? Level < other.Level : Num < other.Num;
  }
};
TGraphBuildKey GraphBuildKey(const TDiscBlock& block);

// Negative, 0 or positive as block a goes before, with or after block b.
int CompareGraphBuildOrder(const TDiscussion& discussion, TDiscBlockIndex a, TDiscBlockIndex b);
