#include "browse/Thorzmenupopup.h"

#include "browse/Tbrowse.h"
#include "browse/Tsmartmenu.h"
#include "platform/forms/Tmenu.h"

THorzMenuPopup::THorzMenuPopup() = default;
THorzMenuPopup::THorzMenuPopup(THorzMenuPopup&&) noexcept = default;
THorzMenuPopup& THorzMenuPopup::operator=(THorzMenuPopup&&) noexcept = default;
THorzMenuPopup::~THorzMenuPopup() { Clear(); }

void THorzMenuPopup::Init() {
  Filled = 0;
  Menu = nullptr;
  Item = nullptr;
}

void THorzMenuPopup::Create(TSmartMenu* menu, TSmartMenuItem* item, TBrowse* browse) {
  if (!Popup) Popup = std::make_unique<TPopupMenu>(nullptr);
  Menu = menu;
  Item = item;
  Filled = 0;
  TPopupMenu* popup = Popup.get();
  // Records move when the engine's array grows: the handler finds its record by the popup.
  Popup->OnPopup = [browse, popup](TObject*) {
    for (THorzMenuPopup& record : browse->Popups) {
      if (record.Popup.get() != popup) continue;
      if (!record.Filled && record.Item && record.Menu) {
        FreeShedMenuItems();
        ShedMenuItems(popup->Items());
        record.Menu->FillMenuItems(*record.Item, popup->Items());
        record.Filled = 1;
      }
      return;
    }
  };
}

void THorzMenuPopup::Reset() {
  if (Popup) ShedMenuItems(Popup->Items());
  Init();
}

void THorzMenuPopup::Clear() {
  if (Popup) ShedMenuItems(Popup->Items());
  Init();
  Popup.reset();
}
