#pragma once
// TTextListBox: the class library's list box with a horizontal scroll bar whose
// extent always covers the widest item.

#include "controls/Thorizontalextent.h"
#include "platform/forms/Tlistbox.h"

class TTextListBox : public TCustomListBox {
 public:
  explicit TTextListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
  int MaxItemWidth() const { return extent_.MaxWidth(); }
  void WndProc(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  // The text of the item and one character more, in the box's font.
  int ItemWidth(int Index);

 private:
  THorizontalExtent extent_;
};
