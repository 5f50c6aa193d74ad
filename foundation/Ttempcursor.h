#pragma once
// A scope that shows a cursor over every window (the hourglass by default) and puts the
// earlier one back when it ends.

#include "platform/forms/Controlmessages.h"

class TTempCursor {
 public:
  explicit TTempCursor(TCursor cursor = crHourGlass);
  ~TTempCursor();
  TTempCursor(const TTempCursor&) = delete;
  TTempCursor& operator=(const TTempCursor&) = delete;

 private:
  TCursor fSaved;
};
