#pragma once
// The texts of a block, kept in the storage's block text file.

#include "foundation/Tstr.h"

#include <cstdint>

struct TDiscBlock;

// The three texts of a block: the text, the URL and the formula text.
struct TDiscBlockStr {
  TStr Text;
  TStr URL;
  TStr FormulaText;

  bool operator==(const TDiscBlockStr& other) const;
};

// A block's text item: its texts and where they were found in the content of the block
// text file when it was loaded (0 for texts not loaded from a file).
struct TStrHashItem {
  TDiscBlockStr Str;
  uint32_t Place = 0;

  bool operator==(const TStrHashItem& other) const { return Str == other.Str; }

  // Accepts the item's texts for the block. The block text file is rewritten as a whole
  // with the other files of the discussion on its next save, so the texts become durable
  // together with the block record that refers to them.
  bool Save(const TDiscBlock& block);
};
