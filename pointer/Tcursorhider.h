#pragma once
// Hides the pointer while it is in scope: the system arrow becomes a blank cursor, and
// the standard arrow comes back when the guard ends. Thumb drags use it so that the
// user does not see the pointer jump to the thumb and back.

class TCursorHider {
 public:
  TCursorHider();
  ~TCursorHider();
  TCursorHider(const TCursorHider&) = delete;
  TCursorHider& operator=(const TCursorHider&) = delete;
};
