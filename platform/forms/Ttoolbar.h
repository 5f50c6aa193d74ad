#pragma once
// Tool bars: TToolBar lays its TToolButtons out in a row (flat or raised, pictures from
// an image list, captions below or beside them), and TToolButton is a button, a check
// button (grouped ones exclude each other), a separator, or a button with a drop-down
// menu behind an arrow. Disabled buttons draw their picture embossed.

#include <vector>

#include "platform/forms/Tcustomcontrol.h"
#include "platform/forms/Timagelist.h"
#include "platform/forms/Tmenu.h"

class TToolBar;

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

class TToolButton : public TGraphicControl {
 public:
  explicit TToolButton(TComponent* AOwner);
  ~TToolButton() override;
  TToolButtonStyle Style() const { return style_; }
  void SetStyle(TToolButtonStyle Value);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int Value) { imageIndex_ = Value; Invalidate(); }
  bool Down() const { return down_; }
  void SetDown(bool Value);
  bool Grouped() const { return grouped_; }
  void SetGrouped(bool Value) { grouped_ = Value; }
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool Value) { allowAllUp_ = Value; }
  TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
  void SetDropdownMenu(TPopupMenu* Value);
  TMenuItem* MenuItem() const { return menuItem_; }
  void SetMenuItem(TMenuItem* Value) { menuItem_ = Value; }
  int Index() const;
  bool CheckMenuDropdown();
  // Its menu has closed: the button is drawn released before the chosen item runs (which
  // may open a window for long).
  void MenuClosed();
  void SetParent(TWinControl* AParent) override;
  void Click() override;
  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  void Paint() override;

 private:
  friend class TToolBar;
  TToolBar* Bar() const;
  bool OnArrow(int X) const;
  TToolButtonStyle style_ = tbsButton;
  int imageIndex_ = -1;
  bool down_ = false;
  bool grouped_ = false;
  bool allowAllUp_ = false;
  bool pressed_ = false;
  bool hot_ = false;
  TPopupMenu* dropdownMenu_ = nullptr;
  TMenuItem* menuItem_ = nullptr;
};

class TToolBar : public TCustomControl {
 public:
  explicit TToolBar(TComponent* AOwner);
  int ButtonCount() const;
  TToolButton* Buttons(int Index) const;
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* Value);
  TImageList* DisabledImages() const { return disabledImages_; }
  void SetDisabledImages(TImageList* Value) { disabledImages_ = Value; Invalidate(); }
  bool Flat() const { return flat_; }
  void SetFlat(bool Value) { flat_ = Value; Invalidate(); }
  bool ShowCaptions() const { return showCaptions_; }
  void SetShowCaptions(bool Value) { showCaptions_ = Value; ArrangeButtons(); }
  bool List() const { return list_; }
  void SetList(bool Value) { list_ = Value; ArrangeButtons(); }
  int ButtonWidth() const { return buttonWidth_; }
  void SetButtonWidth(int Value) { buttonWidth_ = Value; ArrangeButtons(); }
  int ButtonHeight() const { return buttonHeight_; }
  void SetButtonHeight(int Value) { buttonHeight_ = Value; ArrangeButtons(); }
  int Indent() const { return indent_; }
  void SetIndent(int Value) { indent_ = Value; ArrangeButtons(); }
  // Places the buttons in their order; a rebuild asked for while placing waits for it.
  void ArrangeButtons();
  // The keyboard's way into the bar's menus: opens the menu of the button at Index (a
  // command button is pressed), and Left and Right walk on to the menus beside it.
  // False when there is no such button.
  bool OpenMenuByKeyboard(int Index);
  // The enabled button whose caption underlines the letter, or -1.
  int ButtonOfHotkey(char Key) const;
  // The first enabled button, or -1.
  int FirstEnabledButton() const;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  void Paint() override;
  void AlignControls(TControl* AControl, RECT& Rect) override;

 private:
  friend class TToolButton;
  std::vector<TToolButton*> Ordered() const;
  TImageList* images_ = nullptr;
  TImageList* disabledImages_ = nullptr;
  bool flat_ = false;
  bool showCaptions_ = false;
  bool list_ = false;
  int buttonWidth_ = 23;
  int buttonHeight_ = 22;
  int indent_ = 0;
  bool arranging_ = false;
};
