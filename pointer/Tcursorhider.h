#pragma once
// Hides the pointer while it is in scope: the system arrow becomes a blank cursor, and
// the arrow comes back when the guard ends. Thumb drags use it so that the user does
// not see the pointer jump to the thumb and back.

#include <memory>

#include "platform/gui/Gui.h"

// The two cursors the guards swap, made once while the engine lives: a copy of the
// arrow as it was when the engine started, and a blank cursor of the system size.
class TCursorHiderStatic {
 public:
  TCursorHiderStatic();
  ~TCursorHiderStatic();
  TCursorHiderStatic(const TCursorHiderStatic&) = delete;
  TCursorHiderStatic& operator=(const TCursorHiderStatic&) = delete;
  HCURSOR Arrow() const { return arrow_; }
  HCURSOR Blank() const { return blank_; }

  // The holder of the process while an engine lives, else null.
  static TCursorHiderStatic* Current();
  static void SetCurrent(std::unique_ptr<TCursorHiderStatic> Holder);

 private:
  HCURSOR arrow_ = nullptr;
  HCURSOR blank_ = nullptr;
};

class TCursorHider {
 public:
  TCursorHider();
  ~TCursorHider();
  TCursorHider(const TCursorHider&) = delete;
  TCursorHider& operator=(const TCursorHider&) = delete;

 private:
  // Made for this guard alone when no engine holds the cursors.
  std::unique_ptr<TCursorHiderStatic> own_;
  const TCursorHiderStatic* cursors_;
};
