#pragma once
// Holds the program-wide automatic saving of discussions off while it lives, and gives
// the switch its earlier value back when it ends (so a nested holder leaves it off for
// the outer one).

#include <cstdint>

class TAutoSaveDiscussionDisabler {
 public:
  TAutoSaveDiscussionDisabler();
  ~TAutoSaveDiscussionDisabler();
  TAutoSaveDiscussionDisabler(const TAutoSaveDiscussionDisabler&) = delete;
  TAutoSaveDiscussionDisabler& operator=(const TAutoSaveDiscussionDisabler&) = delete;

 private:
  uint8_t fSaved;
};
