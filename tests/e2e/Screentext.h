#pragma once
// Finds a caption on an X server's screen as a person's eye does: the caption is drawn
// here with the fonts the program draws with, and its shape is looked for in the screen's
// pixels, whatever the colours (black on grey, white on a highlight). Used to click menu
// entries and buttons of a program running in another process.

#include <memory>
#include <string>
#include <vector>

namespace screentext {

struct TSpot {
  int X = 0, Y = 0;  // the caption's centre on the screen
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
  // Saves the screen as a PNG file; false when it could not.
  bool Save(const std::string& path);

 private:
  struct TImpl;
  std::unique_ptr<TImpl> fImpl;
};

}  // namespace screentext
