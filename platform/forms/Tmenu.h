#pragma once
// Menus: TMenuItem (a caption with "&" marking its access key, "-" for a separator,
// checks, radio groups, short cuts, nested items), TMainMenu (the bar of a form,
// drawn in its frame) and TPopupMenu (Popup(x, y) at a screen point). An open menu
// runs its own loop that takes the mouse and the keyboard until an item is chosen
// or the menu is cancelled; the chosen item is clicked after the menu has closed. An
// item with a submenu has its OnClick run just before the submenu opens.

#include <functional>
#include <string>
#include <vector>

#include "platform/forms/Controlmessages.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Tcomponent.h"

RTL_EXCEPTION(EMenuError, Exception);

class TCustomForm;
class TImageList;

using TShortCut = WORD;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
inline constexpr TShortCut scNone = 0;
TShortCut ShortCut(WORD Key, TShiftState Shift);
std::string ShortCutToText(TShortCut ShortCut);
TShortCut TextToShortCut(const std::string& Text);
// The access key of a caption ("&Файл" -> 'Ф' uppercased), or 0.
char GetHotkey(const std::string& Caption);
// The caption without its "&" marks ("&&" stays one "&").
std::string StripHotkey(const std::string& Caption);

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& Value) { caption_ = Value; Changed(); }
  bool Checked() const { return checked_; }
  void SetChecked(bool Value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value) { enabled_ = Value; Changed(); }
  bool Visible() const { return visible_; }
  void SetVisible(bool Value) { visible_ = Value; Changed(); }
  bool Default() const { return default_; }
  void SetDefault(bool Value) { default_ = Value; Changed(); }
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool Value) { radioItem_ = Value; }
  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool Value) { autoCheck_ = Value; }
  BYTE GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(BYTE Value) { groupIndex_ = Value; }
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut Value) { shortCut_ = Value; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& Value) { hint_ = Value; }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int Value) { imageIndex_ = Value; Changed(); }
  bool IsLine() const { return caption_ == "-"; }

  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int Index) const { return items_[Index]; }
  TMenuItem* operator[](int Index) const { return items_[Index]; }
  TMenuItem* Parent() const { return parent_; }
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  void Delete(int Index);
  void Remove(TMenuItem* Item);
  void Clear();
  int IndexOf(TMenuItem* Item) const;
  int MenuIndex() const { return parent_ ? parent_->IndexOf(const_cast<TMenuItem*>(this)) : -1; }
  // The item of this caption (without "&"), or null.
  TMenuItem* Find(const std::string& ACaption) const;
  // Runs OnClick (auto-checking first when asked).
  virtual void Click();
  // The menu this item belongs to.
  class TMenu* GetParentMenu() const;

  TNotifyEvent OnClick;

 private:
  friend class TMenu;
  void Changed();
  std::string caption_;
  bool checked_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  bool default_ = false;
  bool radioItem_ = false;
  bool autoCheck_ = false;
  BYTE groupIndex_ = 0;
  TShortCut shortCut_ = 0;
  std::string hint_;
  int imageIndex_ = -1;
  TMenuItem* parent_ = nullptr;
  class TMenu* menu_ = nullptr;
  std::vector<TMenuItem*> items_;
};

class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  TMenuItem* Items() const { return items_; }
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* Value) { images_ = Value; }
  // Clicks the enabled, visible item with this short cut; true when there was one.
  bool IsShortCut(WORD Key, TShiftState Shift);
  // Called when an item changed (the bar of a main menu is drawn again).
  virtual void MenuChanged() {}

 private:
  TMenuItem* items_;
  TImageList* images_ = nullptr;
};

class TMainMenu : public TMenu {
 public:
  explicit TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}
  void MenuChanged() override;
  // Alt or F10 on the form: opens the first menu of the bar.
  bool ActivateByKeyboard(TCustomForm* Form);
  // Alt with a letter: opens the menu of the bar with that access key.
  bool DialogChar(TCustomForm* Form, char Key);
  // The bar in window coordinates of the form, and the item at a window point.
  RECT BarRect(TCustomForm* Form) const;
  int ItemAt(TCustomForm* Form, POINT WindowPoint) const;
  RECT ItemRect(TCustomForm* Form, int Index) const;
  void PaintBar(TCustomForm* Form, HDC WindowDc, int Selected) const;
  // Opens the menu of a bar item and runs the menu loop.
  void TrackBar(TCustomForm* Form, int Index, bool ByKeyboard);
  int Height() const;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
 public:
  explicit TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}
  // Shows the menu with its top-left corner at a screen point and runs it to its end.
  virtual void Popup(int X, int Y);
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* Value) { popupComponent_ = Value; }
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool Value) { autoPopup_ = Value; }
  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment Value) { alignment_ = Value; }
  TNotifyEvent OnPopup;

 private:
  TComponent* popupComponent_ = nullptr;
  bool autoPopup_ = true;
  TPopupAlignment alignment_ = paLeft;
};

namespace platform {
// The windows of open menus, the deepest level last; empty when no menu is open.
std::vector<HWND> OpenMenuWindows();
// Called by an open menu's loop whenever it has no message to handle (tests drive the
// menu from here); the default does nothing and the loop waits.
void SetMenuLoopIdleHook(std::function<void()> Hook);
}  // namespace platform
