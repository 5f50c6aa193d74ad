// The menus of a browse window at work: the right-click popups of the engine, and the
// form's handlers of chosen entries and tool buttons.

#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "foundation/Terror.h"
#include "platform/forms/Tmenu.h"
#include "platform/forms/Ttoolbar.h"
#include "platform/gui/Gui.h"

namespace {

void PopUp(TBrowse& browse) {
  if (!browse.Form || IsErrorReported()) return;
  POINT at{};
  GetCursorPos(&at);
  TPopupMenu* popup = browse.Form->PopupMenuRightClick;
  FreeShedMenuItems();
  ShedMenuItems(popup->Items());
  browse.PopupMenu.FillMenuItems(browse.PopupMenu.Root, popup->Items());
  popup->Popup(at.x, at.y);
}

}  // namespace

void TBrowse::ShowItemPopup(const TBrowseItemIndex& index, const TBrowseItem& root) {
  PopupMenu.Build(index, root, 0);
  PopUp(*this);
}

void TBrowse::ShowReferencePopup(const std::string& name) {
  PopupMenu.BuildNamePopup(name);
  PopUp(*this);
}

void TFormBrowse::SmartMenuItemClick(TObject* sender) {
  auto* component = dynamic_cast<TComponent*>(sender);
  auto* item = component ? reinterpret_cast<const TSmartMenuItem*>(component->Tag()) : nullptr;
  if (!item) {
    if (dynamic_cast<TToolButton*>(sender)) MessageBeep(0);
    return;
  }
  if (item->Code == Command_None || !item->Owner) return;
  // The command may rebuild the menu that holds the entry: what it needs is copied first.
  const TSmartMenu& menu = *item->Owner;
  const TBrowseItemIndex path = menu.Index;
  const std::string text = menu.Text.ToString();
  Browse.ProcessCommand(&path, menu.RootItem, text, item->Code, TShiftState(), item->Data1, item->Data2);
}

void TFormBrowse::ToolButtonMouseMove(TObject* sender, TShiftState, int x, int y) {
  auto* button = dynamic_cast<TControl*>(sender);
  if (button && (x < 0 || y < 0 || x >= button->Width() || y > button->Height())) button->SetMouseCapture(false);
}
