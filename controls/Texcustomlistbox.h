#pragma once
// TExCustomListBox: the forms library's list box extended with a horizontal scroll
// extent kept equal to the widest item, an item-width callback, columns, tab stops,
// integral height, a choice of border, painting onto a caller's context, and gray
// selection (the selected items of an unfocused box drawn in button colours).

#include <functional>
#include <string>

#include "controls/Thorizontalextent.h"
#include "platform/forms/Tlistbox.h"

using TGetItemWidthEvent = std::function<void(TWinControl* Control, int Index, int& Width)>;

class TExCustomListBox : public TCustomListBox {
 public:
  explicit TExCustomListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}

  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle Value);
  int Columns() const { return columns_; }
  void SetColumns(int Value);
  bool IntegralHeight() const { return integralHeight_; }
  void SetIntegralHeight(bool Value);
  int TabWidth() const { return tabWidth_; }
  void SetTabWidth(int Value);
  bool AutoScroll() const { return autoScroll_; }
  void SetAutoScroll(bool Value);
  bool GraySelection() const { return graySelection_; }
  void SetGraySelection(bool Value);
  // The owner-drawing handler; setting it measures the extent anew.
  const TDrawItemEvent& OnDrawItem() const { return TCustomListBox::OnDrawItem; }
  void SetOnDrawItem(TDrawItemEvent Value);
  const TGetItemWidthEvent& OnGetItemWidth() const { return onGetItemWidth_; }
  void SetOnGetItemWidth(TGetItemWidthEvent Value);

  void WndProc(TMessage& Message) override;

 protected:
  // Width of an item for the horizontal extent.
  virtual int GetItemWidth(int Index);
  void DrawItemText(int Index, const RECT& Rect) override;
  void ItemColours(TCanvas* Canvas, TOwnerDrawState State) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void BoundsChanged(const RECT& Old) override;
  // Auto-scroll applies to boxes without columns.
  bool EffectiveAutoScroll() const { return autoScroll_ && columns_ == 0; }
  // Scrolls to the left end and keeps the extent (or none) as auto-scroll says.
  void ResetHorizontalExtent();

 private:
  void SetColumnWidth();
  int TabStopPixels();
  void PaintOnContext(HDC DC);

  TBorderStyle borderStyle_ = bsSingle;
  int columns_ = 0;
  bool integralHeight_ = false;
  int tabWidth_ = 0;
  bool autoScroll_ = false;
  bool graySelection_ = false;
  THorizontalExtent extent_;
  TGetItemWidthEvent onGetItemWidth_;
};
