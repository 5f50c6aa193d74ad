#pragma once
// Finds a caption on an X server's screen as a person's eye does: the caption is drawn
// here with the fonts the program draws with, and its shape is looked for in the screen's
// pixels, whatever the colours (black on grey, white on a highlight). Used to click menu
// entries and buttons of a program running in another process.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace screentext {

struct TSpot {
  int X = 0, Y = 0;  // the caption's centre on the screen
};

// A window's picture as it was on the screen, to tell when the window has gone from there.
struct TPicture {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  std::vector<uint32_t> Pixels;  // row by row
};

// The fonts of the program's captions: the browse windows' menus, the forms' controls and
// the texts of blocks.
enum class TFace { Menu, Form, BlockText };

class TScreenText {
 public:
  explicit TScreenText(const std::string& display);
  ~TScreenText();
  TScreenText(const TScreenText&) = delete;
  TScreenText& operator=(const TScreenText&) = delete;

  // Every place where the caption shows now, top to bottom, left to right.
  std::vector<TSpot> Find(const std::string& caption, TFace face);
  // The picture the screen shows at a place (clipped to the screen).
  TPicture Keep(int left, int top, int right, int bottom);
  // True while the picture still shows at its place: a good share of the small cells that
  // tell it apart (those of more than one colour) are there as they were. A window that
  // closed leaves its picture until the windows under it have painted over it.
  bool Shows(const TPicture& picture);
  // True while the X window is mapped and shown.
  bool Viewable(unsigned long window);
  // Saves the screen as a PNG file; false when it could not.
  bool Save(const std::string& path);

 private:
  struct TImpl;
  std::unique_ptr<TImpl> fImpl;
};

}  // namespace screentext
