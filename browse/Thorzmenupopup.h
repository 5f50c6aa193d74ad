#pragma once
// The drop-down popup of a submenu button of the horizontal menu. The tool-bar layout
// gives each submenu button a record (reused by position across rebuilds); the popup is
// filled from its submenu entry once, when it first opens.

#include <cstdint>
#include <memory>

class TBrowse;
class TPopupMenu;
class TSmartMenu;
struct TSmartMenuItem;

struct THorzMenuPopup {
  std::unique_ptr<TPopupMenu> Popup;  // no owner; kept while the record lives
  uint8_t Filled = 0;
  TSmartMenu* Menu = nullptr;
  TSmartMenuItem* Item = nullptr;  // the submenu entry whose sub-items the popup shows

  THorzMenuPopup();
  THorzMenuPopup(THorzMenuPopup&&) noexcept;
  THorzMenuPopup& operator=(THorzMenuPopup&&) noexcept;
  ~THorzMenuPopup();

  void Init();
  // Binds the record to a submenu entry of a menu of the engine; the popup fills itself
  // from the entry at its first opening.
  void Create(TSmartMenu* menu, TSmartMenuItem* item, TBrowse* browse);
  // Empties the popup and unbinds the record.
  void Reset();
  // Unbinds the record and destroys the popup.
  void Clear();
};
