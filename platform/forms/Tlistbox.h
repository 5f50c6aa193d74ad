#pragma once
// Lists: TListBox (single or multiple selection, owner drawing with fixed or variable
// heights, over the window system's list box) and TComboBox (an edit or a fixed text with a list
// that drops down below it and takes the mouse and the keyboard while it is open).

#include <memory>
#include <vector>

#include "platform/forms/Tedit.h"
#include "platform/gui/Listbox.h"
#include "platform/rtl/Tstringlist.h"

enum TOwnerDrawStateItem { odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odComboBoxEdit };
using TOwnerDrawState = TSet<TOwnerDrawStateItem>;
using TDrawItemEvent = std::function<void(TWinControl* Control, int Index, RECT Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

class TCustomListBox;

// The items of a list box: in its window while it has one, else kept aside until
// the window is made (and again while it is made anew). Data words, deletions and
// clearing go through the box, so that a box keeping something per item sees them.
class TListBoxStrings : public TStrings {
 public:
  explicit TListBoxStrings(TCustomListBox* ListBox) : listBox_(ListBox) {}
  TCustomListBox* ListBox() const { return listBox_; }
  int Add(const std::string& S) override;
  void Clear() override;
  void Delete(int Index) override;
  void Insert(int Index, const std::string& S) override;

 protected:
  std::string Get(int Index) const override;
  int GetCount() const override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  void SetUpdateState(bool Updating) override;

 private:
  TCustomListBox* listBox_;
};

// A list box of the window system's "LISTBOX" class.
class TCustomListBox : public TCustomControl {
 public:
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;

  TStrings* Items() const;
  void SetItems(TStrings* Value) { Items()->Assign(Value); }
  int ItemIndex();
  void SetItemIndex(int Value);
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool Value);
  bool ExtendedSelect() const { return extendedSelect_; }
  void SetExtendedSelect(bool Value);
  // Whether an item is selected; an index out of the items is an error.
  bool Selected(int Index);
  void SetSelected(int Index, bool Value);
  int SelCount();
  void ClearSelection();
  void SelectAll();
  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle Value);
  // The height of an item: the window's for the standard style, else the one set.
  int ItemHeight();
  void SetItemHeight(int Value);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  int TopIndex();
  void SetTopIndex(int Value);
  int Count() const { return Items()->Count(); }
  void Clear() { Items()->Clear(); }
  // The item at a client point; -1 (or the count with Existing false) when none.
  int ItemAtPos(POINT Pos, bool Existing);
  RECT ItemRect(int Index);
  // Draws an item of an owner-drawn list: OnDrawItem, else the text with the selection colours.
  virtual void DrawItem(int Index, RECT Rect, TOwnerDrawState State);
  // The data word of an item (LB_ERR when there is no such item), and the operations
  // that drop items: what the items' Objects, Delete and Clear come to.
  virtual LONG_PTR GetItemData(int Index);
  virtual void SetItemData(int Index, LONG_PTR AData);
  virtual void DeleteString(int Index);
  virtual void ResetContent();
  void WndProc(TMessage& Message) override;

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

 protected:
  // The item list, made on first use so that a descendant's own list is the one made.
  virtual TStrings* CreateItemList();
  // The height of an item of a variable owner-drawn list: OnMeasureItem's.
  virtual void MeasureItem(int Index, int& Height);
  // The colours an item is drawn in, on the canvas ready with the font and brush.
  virtual void ItemColours(TCanvas* Canvas, TOwnerDrawState State);
  // The text of an item within its rectangle, in the canvas's colours.
  virtual void DrawItemText(int Index, const RECT& Rect);
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void FontChanged() override;
  bool WantsKey(WORD Key) const override { return Key == VK_UP || Key == VK_DOWN || Key == VK_LEFT || Key == VK_RIGHT; }
  [[noreturn]] void ListIndexError(int Index) const;

 private:
  friend class TListBoxStrings;
  // Items with their data words, selection and top while there is no window.
  struct Saved {
    TStringList items;
    std::vector<bool> selected;
    int itemIndex = -1;
    int topIndex = 0;
  };
  void SaveState();
  void AdjustSaved(int Index, bool Inserted);
  void SortWindowItems();
  void DrawItemMessage(DRAWITEMSTRUCT& Draw);

  mutable std::unique_ptr<TStrings> items_;
  Saved saved_;
  bool multiSelect_ = false;
  bool extendedSelect_ = true;
  TListBoxStyle style_ = lbStandard;
  int itemHeight_ = 16;
  bool sorted_ = false;
};

class TListBox : public TCustomListBox {
 public:
  explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomComboBox : public TCustomControl {
 public:
  explicit TCustomComboBox(TComponent* AOwner);
  ~TCustomComboBox() override;

  TStrings* Items() const { return items_; }
  void SetItems(TStrings* Value) { items_->Assign(Value); }
  int ItemIndex() const { return itemIndex_; }
  // Selecting shows the item's text; -1 leaves the text of an editable box alone.
  void SetItemIndex(int Value);
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle Value);
  int DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int Value) { dropDownCount_ = Value; }
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int Value) { itemHeight_ = Value; }
  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int Value);
  bool DroppedDown() const { return droppedDown_; }
  // Opens the list and runs it until an item is chosen or it is closed.
  void SetDroppedDown(bool Value);
  TCustomEdit* Edit() const { return edit_; }
  void SelectAll();
  void WndProc(TMessage& Message) override;

  TNotifyEvent OnChange;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;
  TNotifyEvent OnSelect;
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void SetTextValue(const std::string& Value) override;
  std::string GetText() const override;
  bool WantsKey(WORD Key) const override { return Key == VK_UP || Key == VK_DOWN || (droppedDown_ && (Key == VK_RETURN || Key == VK_ESCAPE)); }
  void BoundsChanged(const RECT& Old) override;
  void EnabledChanged() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;

 private:
  friend class TComboBoxEdit;
  RECT ButtonRect();
  void Choose(int Index, bool ByUser);
  void Dropped();
  void PlaceEdit();
  void TextEdited();

  TStringList* items_;
  int itemIndex_ = -1;
  TComboBoxStyle style_ = csDropDown;
  int dropDownCount_ = 8;
  int itemHeight_ = 16;
  bool sorted_ = false;
  int maxLength_ = 0;
  bool droppedDown_ = false;
  std::string text_;
  TCustomEdit* edit_ = nullptr;
};

class TComboBox : public TCustomComboBox {
 public:
  explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
};
