#pragma once
// The loop of an open menu: the windows of its levels, their drawing, and the mouse
// and keyboard while it is open; and the bar of a form's main menu.

#include <functional>

class TCustomForm;
class TMainMenu;
class TPopupMenu;

namespace platform::menus {

void TrackPopupMenu(TPopupMenu* Menu, int X, int Y);
// Runs Open, which pops up a menu, as opened from the keyboard: its first item is
// selected, and Left or Right at its top level ends it; -1 or +1 for the menu beside
// it that was asked for, 0 when it ended otherwise.
int OpenPopupByKeyboard(const std::function<void()>& Open);
void TrackMainMenu(TMainMenu* Menu, TCustomForm* Form, int Index, bool ByKeyboard);
void RedrawBar(TCustomForm* Form);

}  // namespace platform::menus
