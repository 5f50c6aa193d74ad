#include "controls/Thorizontalextent.h"

#include <algorithm>

#include "platform/gui/Gui.h"

void ScrollToLeft(TWinControl* Box) {
  if (Box->HandleAllocated()) SendMessage(Box->Handle(), WM_HSCROLL, SB_TOP, 0);
}

void THorizontalExtent::Send(TWinControl* Box) {
  if (Box->HandleAllocated()) SendMessage(Box->Handle(), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(maxWidth_), 0);
}

void THorizontalExtent::Recompute(TWinControl* Box, const TItemWidth& ItemWidth) {
  maxWidth_ = 0;
  if (!Box->HandleAllocated()) return;
  int count = static_cast<int>(SendMessage(Box->Handle(), LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) maxWidth_ = std::max(maxWidth_, ItemWidth(i));
  Send(Box);
}

void THorizontalExtent::Clear(TWinControl* Box) {
  maxWidth_ = 0;
  Send(Box);
}

bool THorizontalExtent::Track(TWinControl* Box, TMessage& Message, const std::function<void()>& Default,
                              const TItemWidth& ItemWidth) {
  switch (Message.Msg) {
    case WM_SETFONT:
      Default();
      Recompute(Box, ItemWidth);
      return true;
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
      Default();
      auto index = static_cast<int>(Message.Result);
      if (index >= 0) {
        int width = ItemWidth(index);
        if (width > maxWidth_) {
          maxWidth_ = width;
          Send(Box);
        }
      }
      return true;
    }
    case LB_DELETESTRING: {
      int index = static_cast<int>(Message.WParam);
      int count = Box->HandleAllocated() ? static_cast<int>(SendMessage(Box->Handle(), LB_GETCOUNT, 0, 0)) : 0;
      if (index >= 0 && index < count && ItemWidth(index) >= maxWidth_) {
        ScrollToLeft(Box);
        Default();
        Recompute(Box, ItemWidth);
      } else {
        Default();
      }
      return true;
    }
    case LB_RESETCONTENT:
      maxWidth_ = 0;
      Send(Box);
      ScrollToLeft(Box);
      Default();
      return true;
    default:
      return false;
  }
}
