#pragma once
// TExCustomListBox: a list box over the window system's "LISTBOX" class with its own
// item list, fixed or variable owner drawing, a horizontal scroll extent kept equal
// to the widest item, an item-width callback, and gray selection (the selected items
// of an unfocused box drawn in button colours). Its items live in the window:
// TExListBoxStrings passes every operation to it.

#include <functional>
#include <memory>
#include <string>

#include "controls/Thorizontalextent.h"
#include "platform/forms/Tcustomcontrol.h"
#include "platform/forms/Tlistbox.h"
#include "platform/gui/Listbox.h"
#include "platform/rtl/Tstringlist.h"

class TExCustomListBox;

using TGetItemWidthEvent = std::function<void(TWinControl* Control, int Index, int& Width)>;

class TExListBoxStrings : public TStrings {
 public:
  explicit TExListBoxStrings(TExCustomListBox* ListBox) : listBox_(ListBox) {}
  TExCustomListBox* ListBox() const { return listBox_; }
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
  TExCustomListBox* listBox_;
};

class TExCustomListBox : public TWinControl {
 public:
  explicit TExCustomListBox(TComponent* AOwner);
  ~TExCustomListBox() override;

  TStrings* Items();
  virtual void SetItems(TStrings* Value);
  TCanvas* Canvas() const { return canvas_.get(); }
  void Clear() { Items()->Clear(); }

  int ItemIndex();
  void SetItemIndex(int Value);
  int SelCount();
  int TopIndex();
  void SetTopIndex(int Value);
  bool Selected(int Index);
  void SetSelected(int Index, bool Value);
  // The item under a client point: -1 outside the client area; past the items -1
  // when Existing, else the item count.
  int ItemAtPos(POINT Pos, bool Existing);
  // An item's rectangle; for the index after the last one, the place below it.
  RECT ItemRect(int Index);

  virtual int GetItemHeight();
  int ItemHeight() { return GetItemHeight(); }
  void SetItemHeight(int Value);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle Value);
  int Columns() const { return columns_; }
  void SetColumns(int Value);
  bool ExtendedSelect() const { return extendedSelect_; }
  void SetExtendedSelect(bool Value);
  bool IntegralHeight() const { return integralHeight_; }
  void SetIntegralHeight(bool Value);
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool Value);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle Value);
  int TabWidth() const { return tabWidth_; }
  void SetTabWidth(int Value);
  bool AutoScroll() const { return autoScroll_; }
  void SetAutoScroll(bool Value);
  bool GraySelection() const { return graySelection_; }
  void SetGraySelection(bool Value);
  const TDrawItemEvent& OnDrawItem() const { return onDrawItem_; }
  void SetOnDrawItem(TDrawItemEvent Value);
  const TGetItemWidthEvent& OnGetItemWidth() const { return onGetItemWidth_; }
  void SetOnGetItemWidth(TGetItemWidthEvent Value);
  TMeasureItemEvent OnMeasureItem;

  // The data word of an item, and the window operations that drop items.
  virtual LONG_PTR GetItemData(int Index);
  virtual void SetItemData(int Index, LONG_PTR AData);
  virtual void DeleteString(int Index);
  virtual void ResetContent();

  void WndProc(TMessage& Message) override;

 protected:
  virtual TStrings* CreateItemList();
  // Width of an item for the horizontal extent.
  virtual int GetItemWidth(int Index);
  virtual void DrawItem(int Index, RECT Rect, TOwnerDrawState State);
  virtual void MeasureItem(int Index, int& Height);
  // An item's text at a point of the canvas, tabbed when a tab width is set.
  void DefaultDrawText(int X, int Y, const std::string& S);
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void FontChanged() override;
  void BoundsChanged(const RECT& Old) override;
  bool WantsKey(WORD Key) const override { return Key == VK_UP || Key == VK_DOWN || Key == VK_LEFT || Key == VK_RIGHT; }
  // Auto-scroll applies to boxes without columns.
  bool EffectiveAutoScroll() const { return autoScroll_ && columns_ == 0; }
  // Scrolls to the left end and keeps the extent (or none) as auto-scroll says.
  void ResetHorizontalExtent();
  void DrawItemMessage(DRAWITEMSTRUCT& Draw);
  void MeasureItemMessage(MEASUREITEMSTRUCT& Measure);
  [[noreturn]] void ListIndexError(int Index) const;

 private:
  void SetColumnWidth();
  int TabStopPixels();
  void PaintOnContext(HDC DC);

  TStrings* items_ = nullptr;
  std::unique_ptr<TControlCanvas> canvas_;
  TBorderStyle borderStyle_ = bsSingle;
  int columns_ = 0;
  int itemHeight_ = 16;
  TListBoxStyle style_ = lbStandard;
  bool integralHeight_ = false;
  bool multiSelect_ = false;
  bool sorted_ = false;
  bool extendedSelect_ = true;
  int tabWidth_ = 0;
  std::unique_ptr<TStringList> saveItems_;
  int saveTopIndex_ = 0;
  int saveItemIndex_ = -1;
  bool autoScroll_ = false;
  bool graySelection_ = false;
  THorizontalExtent extent_;
  TDrawItemEvent onDrawItem_;
  TGetItemWidthEvent onGetItemWidth_;
};
