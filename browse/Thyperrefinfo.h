#pragma once
// Where the references and links drawn in a browse window's texts lie, so that the
// pointer can hover and click them; the text layout records them while it draws (until
// it does, the list stays empty).

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"

#include <cstdint>

class TBrowse;

// Owners of areas: the upper panel's item, or a row of the lower list (0 and above).
inline constexpr int16_t HyperRefOwner_Upper = -1;
inline constexpr int16_t HyperRefOwner_Cleared = int16_t(0xFFFE);

enum : uint8_t { HyperRef_Reference = 1, HyperRef_Link = 2 };

struct THyperRefInfoItem {
  int16_t Owner = HyperRefOwner_Cleared;
  int16_t X = 0, Y = 0;  // relative to the rectangle the text was drawn in
  int16_t Width = 0, Height = 0;
  TStr Text;             // a reference: the block name; a link: the link text
  uint8_t Kind = 0;
};

class THyperRefInfo {
 public:
  TArray<THyperRefInfoItem> Items;
  int16_t Hovered = -1;
  TBrowse* Browse = nullptr;

  // No area hovered any more.
  void DropHover() { Hovered = -1; }
  void Clear() {
    Items.Clear();
    Hovered = -1;
  }
};
