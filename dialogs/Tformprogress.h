#pragma once
// A small window without buttons that tells what a long operation is doing. Its creator
// shows it, sets its status as the work goes on and frees it.

#include "platform/forms/Tform.h"

#include <string>

class TLabel;

class TFormProgress : public TForm {
 public:
  explicit TFormProgress(TComponent* owner);

  // Centres the window over the window that is active (the one whose work it tells of),
  // else over the screen, and shows it.
  void ShowCentered();
  // Shows the status text at once (the window is repainted before this returns),
  // widened and centred again when the text needs more room.
  void SetStatus(const std::string& text);
  const std::string& Status() const { return fStatus; }

 private:
  void Centre();
  TLabel* fLabel;
  std::string fStatus;
  HWND fOver = nullptr;
};
