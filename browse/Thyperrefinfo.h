#pragma once
// Where the references and links drawn in a browse window's texts lie, so that the
// pointer can hover and click them. The text layout records them while it draws; each
// draw of a text replaces the areas of its owner.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "platform/forms/Controlmessages.h"

#include <cstdint>

class TBrowse;

// Owners of areas: the upper panel's item, or a row of the lower list (0 and above).
// A text drawn for "no owner" records nothing and highlights nothing.
inline constexpr int HyperRefOwner_Upper = -1;
inline constexpr int HyperRefOwner_None = -2;
inline constexpr int HyperRefOwner_Cleared = int16_t(0xFFFE);

enum : uint8_t { HyperRef_Reference = 1, HyperRef_Link = 2 };

struct THyperRefInfoItem {
  int Owner = HyperRefOwner_Cleared;
  int16_t X = 0, Y = 0;  // relative to the rectangle the text was drawn in
  int16_t Width = 0, Height = 0;
  TStr Text;             // a reference: the block name; a link: the link text
  uint8_t Kind = 0;

  bool Holds(int x, int y) const { return X <= x && x < X + Width && Y <= y && y < Y + Height; }
};

class THyperRefInfo {
 public:
  TArray<THyperRefInfoItem> Items;
  int16_t Hovered = -1;
  TBrowse* Browse = nullptr;

  // Whether the texts drawn now record their areas (not while an area is repainted alone).
  bool Recording() const { return fRecording; }
  void Add(uint8_t kind, int owner, int x, int y, int width, int height, const TStr& text);
  // Forgets the areas of an owner, about to be drawn again; a hovered one with them.
  void RemoveOwner(int owner);
  // Whether an area is hovered and it is exactly this one.
  bool IsHovered(int owner, int x, int y, int width, int height) const;
  // The first area of the owner holding the point; -1 when none.
  int FindArea(int owner, int x, int y) const;
  // The area under the point becomes the hovered one (true), or the hover ends (false).
  bool HitTest(int owner, int x, int y);
  // Makes an area the hovered one: repainted highlighted, with the hand cursor.
  void SetHovered(int area);
  // Repaints an area at once where its owner shows it, recording nothing.
  void InvalidateArea(int area);
  // A press on the texts of an owner: on a reference the left button goes to the block it
  // names and the right button offers its popup; the left button opens a link in the
  // Internet browser. False when no area holds the point.
  bool Click(TMouseButton button, int owner, int x, int y);
  // No area hovered any more: the one that was is repainted plain, the cursor default.
  void DropHover();
  void Clear() {
    Items.Clear();
    Hovered = -1;
  }

 private:
  bool fRecording = true;
};
