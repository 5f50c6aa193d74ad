#pragma once
// The loop of an open menu: the windows of its levels, their drawing, and the mouse
// and keyboard while it is open; and the bar of a form's main menu.

class TCustomForm;
class TMainMenu;
class TPopupMenu;

namespace platform::menus {

void TrackPopupMenu(TPopupMenu* Menu, int X, int Y);
void TrackMainMenu(TMainMenu* Menu, TCustomForm* Form, int Index, bool ByKeyboard);
void RedrawBar(TCustomForm* Form);

}  // namespace platform::menus
