#pragma once
// Browse windows over the browse fixture's discussions with the command dispatcher
// installed, a small tree of model blocks in the first discussion, and a way to run a
// command on a window's item as its menus do.

#include "tests/browse/Browsetest.h"

#include "browse/Tbrowse.h"
#include "model/Tdiscblockindex.h"
#include "platform/display/X11display.h"
#include "tests/support/Xvfbserver.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class TSmartMenu;

namespace commandstest {

class CommandsTest : public browsetest::BrowseTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Gives the first discussion the model blocks
  //   * -> A, B, C;  A -> A1, A2;  A1 -> A1a
  // saved, and opens a window on its root.
  TFormBrowse* OpenTree();
  // Runs a command on the item at a path below the window's current item (empty: the
  // current item), as a chosen menu entry does.
  void Run(TBrowse& browse, uint8_t code, std::initializer_list<uint16_t> path = {}, const std::string& text = "",
           int32_t data1 = -1, int32_t data2 = -1);
  // The composed name of a block of the first discussion.
  std::string Name(TDiscBlockIndex block);
  // The block the window shows, empty when it shows no block.
  static TDiscBlockIndex Shown(const TBrowse& browse);
  // The block of the selected row, empty when it shows none.
  static TDiscBlockIndex SelectedBlock(TBrowse& browse);
  int Beeps() const { return screen->Beeps(); }
  // Chooses an entry of the window menu (no item given) or of the popup of an item at a
  // path below the current item, through its submenus by their captions, as a click does.
  // False when the entry is not offered.
  bool Choose(TBrowse& browse, std::initializer_list<std::string> captions);
  bool ChooseInPopup(TBrowse& browse, std::initializer_list<uint16_t> path, std::initializer_list<std::string> captions);
  // The window opened last.
  TFormBrowse* Newest() const;
  // The blocks of the service rows of a window's lower list, in order.
  static std::vector<TDiscBlockIndex> ListedBlocks(TBrowse& browse);

  bool ChooseIn(TSmartMenu& menu, std::initializer_list<std::string> captions);
  // True when a text drawn in a browse font shows in an area of a window (client
  // coordinates): somewhere there the pixels are exactly those of the text drawn alone on
  // a colour that fills much of the area. Told apart letter by letter with the system's fonts in use
  // (UseSystemFonts).
  bool ShowsText(HWND window, RECT area, const std::string& text, const TBrowseFont& font);
  // The same in a row of a window's lower list, painted first as the idle handler paints.
  bool RowShowsText(TFormBrowse& form, int row, const std::string& text, const TBrowseFont& font);
  // Draws with the system's fonts, as the program does, for the rest of the test.
  void UseSystemFonts();
  // Puts an X server of the test's own (Xvfb) in place of the headless screen for the rest
  // of the test; false when it does not start or cannot be reached.
  bool UseXServer();
  // Pumps the windows and the X server's events until `done` holds; false after a minute,
  // which only a fault takes.
  bool PumpX(const std::function<bool()>& done);

  std::unique_ptr<xvfbtest::XvfbServer> xServer;
  bool systemFonts = false;
  std::unique_ptr<platform::X11Display> xDisplay;

  TDiscussion* d = nullptr;
  TDiscBlockIndex root, a, b, c, a1, a2, a1a;
};

}  // namespace commandstest
