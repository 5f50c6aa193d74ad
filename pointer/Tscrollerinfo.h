#pragma once
// What scroll emulation knows of the window under the pointer: the window itself with
// its scroll-bar controls (shared by both axes), and each axis's bar, its range,
// position and geometry on the screen.

#include <string>

#include "platform/gui/Gui.h"

struct TScrollTargetInfo {
  static constexpr int kMaxDescendants = 999;
  static constexpr int kMaxChildBars = 3;

  HWND window = nullptr;
  RECT windowRect{}, clientRect{};
  int clientWidth = 0, clientHeight = 0;
  LONG_PTR style = 0;
  int clientOffsetX = 0, clientOffsetY = 0;
  HWND childBars[kMaxChildBars] = {};
  RECT childBarRects[kMaxChildBars] = {};
  int childBarCount = 0;
  bool childrenCollected = false;
  HWND descendants[kMaxDescendants] = {};
  int descendantCount = 0;
  HWND verticalBar = nullptr, horizontalBar = nullptr;
  RECT verticalBarRect{}, horizontalBarRect{};

  void SetWindow(HWND Window);
  void CollectChildScrollBars();
  void AddChildScrollBar(HWND Bar);
};

struct TRectXYWH {
  int x = 0, y = 0, width = 0, height = 0;
};

struct TScrollerInfo {
  int kind = 0;  // 0 none, 2 a standard bar (flat bars have no counterpart here)
  bool isOwnBar = false;
  int axis = 1;  // 1 vertical, 2 horizontal
  int nMin = 0, nMax = 0, nPos = 0, nPage = 0;
  int maxPos = 0;
  int startPos = 0, lastAppliedPos = 0;
  bool scrollable = false, thumbFits = false;
  int buttonWidth = 0, buttonHeight = 0;
  TRectXYWH barRect, trackRect, thumbRect;
  TScrollTargetInfo* target = nullptr;
  HWND childBar = nullptr;
  RECT childBarRect{};
  double pixelsPerUnit = 0;

  void Init(int Axis, TScrollTargetInfo* Target);
  void Examine();
  void ReadScrollInfo();
  void ComputeGeometry();
  void UpdateThumbPosition();
  bool ResyncPosition();
  void ApplyPosition(int NewPos, int DragOffset, bool ButtonsSwapped, bool DragOnly);
  // A yellow patch over the thumb for three seconds (when the axis has a fitting thumb).
  void ShowThumbIndicator() const;
  double GetPages() const;
  std::string KindText() const;
  bool Active() const { return kind != 0 && scrollable; }

 private:
  bool Vertical() const { return axis == 1; }
  int Bar() const { return isOwnBar ? (Vertical() ? SB_VERT : SB_HORZ) : SB_CTL; }
  HWND BarWindow() const { return isOwnBar ? target->window : childBar; }
};
