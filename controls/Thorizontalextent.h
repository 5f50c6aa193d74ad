#pragma once
// Keeps the horizontal scroll extent of a list box equal to its widest item while
// items come and go and the font changes. The list box's window procedure hands
// it the list-box messages; it runs the default handling itself, around which it
// measures.

#include <functional>

#include "platform/forms/Twincontrol.h"

class THorizontalExtent {
 public:
  using TItemWidth = std::function<int(int Index)>;

  // True when the message was one that changes the extent (and it was handled).
  bool Track(TWinControl* Box, TMessage& Message, const std::function<void()>& Default, const TItemWidth& ItemWidth);
  // The widest item measured again and sent to the window.
  void Recompute(TWinControl* Box, const TItemWidth& ItemWidth);
  // No extent at all (keeping none).
  void Clear(TWinControl* Box);
  int MaxWidth() const { return maxWidth_; }

 private:
  void Send(TWinControl* Box);
  int maxWidth_ = 0;
};

// Scrolls a list box back to its left end.
void ScrollToLeft(TWinControl* Box);
