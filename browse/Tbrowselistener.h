#pragma once
// A browse window's listener: how the window reacts to the program's change
// notifications. It ignores everything while its window closes.

#include "foundation/Tlisteners.h"

class TBrowse;

// Codes of the notifications the browse windows send and take.
enum : uint8_t {
  Notify_WindowsChanged = 5,
  Notify_WindowClosed = 7,
  Notify_Drop = 11,
  Notify_SettingsChanged = 14,
  Notify_MousePressed = 15,
  Notify_GraphInvalid = 16,
  Notify_DragMoves = 18,
};

class TBrowseListener : public TListener {
 public:
  explicit TBrowseListener(TBrowse* browse) : Browse(browse) {}
  TBrowse* Browse;
  void Listen(const TListenMessage& message) override;
};
