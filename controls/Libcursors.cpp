#include "controls/Libcursors.h"

#include <array>
#include <cstdint>
#include <vector>

#include "platform/forms/Tscreen.h"
#include "platform/gui/Cursor.h"

namespace {

// 32 x 32 pictures: '#' black, 'o' white, anything else shows what is beneath.
using TPicture = std::array<const char*, 20>;

constexpr TPicture kHand = {
    "     ##         ",
    "    #oo#        ",
    "    #oo#        ",
    "    #oo#        ",
    "    #oo###      ",
    "    #oo#oo###   ",
    "    #oo#oo#oo## ",
    " ## #oo#oo#oo#o#",
    "#oo##oooooooo#o#",
    "#ooo#oooooooooo#",
    " #oo#oooooooooo#",
    "  #oooooooooooo#",
    "  #ooooooooooo# ",
    "   #oooooooooo# ",
    "   #ooooooooo#  ",
    "    #oooooooo#  ",
    "    #oooooooo#  ",
    "    ##########  ",
    "                ",
    "                ",
};

constexpr TPicture kDragHand = {
    "                ",
    "                ",
    "                ",
    "                ",
    "     ## ## ##   ",
    "    #oo#oo#oo## ",
    "    #oo#oo#oo#o#",
    "  ###oooooooo#o#",
    " #oo#oooooooooo#",
    " #ooooooooooooo#",
    "  #oooooooooooo#",
    "  #ooooooooooo# ",
    "   #oooooooooo# ",
    "   #ooooooooo#  ",
    "    #oooooooo#  ",
    "    #oooooooo#  ",
    "    ##########  ",
    "                ",
    "                ",
    "                ",
};

HCURSOR MakeCursor(const TPicture& picture, int hotX, int hotY) {
  constexpr int size = 32, rowBytes = size / 8;
  std::vector<std::uint8_t> andMask(size * rowBytes, 0xFF), xorMask(size * rowBytes, 0);
  for (int y = 0; y < static_cast<int>(picture.size()); ++y)
    for (int x = 0; picture[y][x]; ++x) {
      char c = picture[y][x];
      if (c != '#' && c != 'o') continue;
      std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x % 8));
      andMask[y * rowBytes + x / 8] &= static_cast<std::uint8_t>(~bit);
      if (c == 'o') xorMask[y * rowBytes + x / 8] |= bit;
    }
  return CreateCursor(nullptr, hotX, hotY, size, size, andMask.data(), xorMask.data());
}

}  // namespace

void InstallLibraryCursors() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  Screen->SetCursors(crHand, MakeCursor(kHand, 5, 0));
  Screen->SetCursors(crDragHand, MakeCursor(kDragHand, 8, 8));
}
