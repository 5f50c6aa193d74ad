#pragma once
// What a test does as the person in front of the headless screen: moving and clicking
// the mouse, dragging, pressing keys and typing; it pumps the message queue until
// nothing is left to do and moves the virtual clock.

#include <string>

#include "platform/gui/Wintypes.h"

namespace platform {

enum class MouseButton { Left, Right, Middle };

class ScreenDriver {
 public:
  // Runs the message loop (translate and dispatch) until the queue is empty; false when
  // the limit of messages was reached first (a window that keeps asking to be painted).
  bool Pump(int limit = 100000);
  // Moves the clock forward, stopping at every timer due on the way and pumping.
  void Advance(unsigned milliseconds);

  void MoveTo(int x, int y);
  void Press(MouseButton button = MouseButton::Left);
  void Release(MouseButton button = MouseButton::Left);
  void Click(int x, int y, MouseButton button = MouseButton::Left);
  void DoubleClick(int x, int y);
  // Press at one point, move there in steps, release.
  void Drag(int fromX, int fromY, int toX, int toY, int steps = 4);
  void Wheel(int delta);

  void KeyDown(int vk);
  void KeyUp(int vk);
  // A key pressed and released, with Shift, Ctrl and Alt held around it as asked.
  void PressKey(int vk, bool shift = false, bool ctrl = false, bool alt = false);
  // Types text in the program's code page: keys where the keyboard has them, the other
  // characters as typed characters.
  void Type(const std::string& text);
};

}  // namespace platform
