#include "pointer/Tscrollerinfo.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "pointer/Tcursorhider.h"
#include "pointer/Tformindicator.h"

namespace {

BOOL CollectDescendant(HWND Window, LPARAM Param) {
  auto* info = reinterpret_cast<TScrollTargetInfo*>(Param);
  char name[20] = {};
  GetClassNameA(Window, name, sizeof name);
  std::string upper(name);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "TSCROLLBAR" || upper == "SCROLLBAR") info->AddChildScrollBar(Window);
  if (info->descendantCount < TScrollTargetInfo::kMaxDescendants) info->descendants[info->descendantCount++] = Window;
  return TRUE;
}

int Trunc(double Value) { return static_cast<int>(Value); }

}  // namespace

void TScrollTargetInfo::SetWindow(HWND Window) {
  window = Window;
  GetWindowRect(Window, &windowRect);
  GetClientRect(Window, &clientRect);
  clientWidth = clientRect.right - clientRect.left + 1;
  clientHeight = clientRect.bottom - clientRect.top + 1;
  POINT origin{0, 0};
  ClientToScreen(Window, &origin);
  clientOffsetX = origin.x - windowRect.left;
  clientOffsetY = origin.y - windowRect.top;
  style = GetWindowLong(Window, GWL_STYLE);
  childrenCollected = false;
  verticalBar = horizontalBar = nullptr;
  verticalBarRect = horizontalBarRect = RECT{};
  childBarCount = descendantCount = 0;
}

void TScrollTargetInfo::AddChildScrollBar(HWND Bar) {
  if (childBarCount >= kMaxChildBars) return;
  RECT r{};
  GetWindowRect(Bar, &r);
  // Small controls are the little arrows of spin buttons, not bars to scroll with.
  if (r.right - r.left <= 2 * GetSystemMetrics(SM_CXHSCROLL) && r.bottom - r.top <= 2 * GetSystemMetrics(SM_CYVSCROLL))
    return;
  childBars[childBarCount] = Bar;
  childBarRects[childBarCount++] = r;
}

void TScrollTargetInfo::CollectChildScrollBars() {
  if (childrenCollected) return;
  childrenCollected = true;
  EnumChildWindows(window, CollectDescendant, reinterpret_cast<LPARAM>(this));
  auto assign = [this](int Vertical, int Horizontal) {
    verticalBar = childBars[Vertical];
    verticalBarRect = childBarRects[Vertical];
    horizontalBar = childBars[Horizontal];
    horizontalBarRect = childBarRects[Horizontal];
  };
  if (childBarCount == 2) {
    if (childBarRects[0].left >= childBarRects[1].right)
      assign(0, 1);
    else if (childBarRects[1].left >= childBarRects[0].right)
      assign(1, 0);
  } else if (childBarCount == 1) {
    const RECT& r = childBarRects[0];
    if (r.right - r.left <= r.bottom - r.top) {
      verticalBar = childBars[0];
      verticalBarRect = r;
    } else {
      horizontalBar = childBars[0];
      horizontalBarRect = r;
    }
  }
}

void TScrollerInfo::Init(int Axis, TScrollTargetInfo* Target) {
  axis = Axis;
  target = Target;
  childBar = nullptr;
}

void TScrollerInfo::Examine() {
  kind = 0;
  isOwnBar = scrollable = thumbFits = false;
  nMin = nMax = nPos = nPage = 0;
  buttonWidth = buttonHeight = 0;
  barRect = trackRect = thumbRect = TRectXYWH{};
  const LONG_PTR bit = Vertical() ? WS_VSCROLL : WS_HSCROLL;
  if (target->style & bit) {
    isOwnBar = true;
    kind = 2;
    return;
  }
  target->CollectChildScrollBars();
  HWND bar = Vertical() ? target->verticalBar : target->horizontalBar;
  if (bar) {
    kind = 2;
    childBar = bar;
    childBarRect = Vertical() ? target->verticalBarRect : target->horizontalBarRect;
  }
}

void TScrollerInfo::ReadScrollInfo() {
  if (kind == 0) return;
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  if (!GetScrollInfo(BarWindow(), Bar(), &info)) {
    kind = 0;
    return;
  }
  nMin = info.nMin;
  nMax = info.nMax;
  nPage = static_cast<int>(info.nPage);
  nPos = info.nPos;
  if (Vertical()) {
    barRect.width = buttonWidth = thumbRect.width = GetSystemMetrics(SM_CXVSCROLL);
    buttonHeight = GetSystemMetrics(SM_CYVSCROLL);
  } else {
    barRect.height = buttonHeight = thumbRect.height = GetSystemMetrics(SM_CYHSCROLL);
    buttonWidth = GetSystemMetrics(SM_CXHSCROLL);
  }
  scrollable = nPage < nMax - nMin + 1 && nMin != nMax;
  startPos = lastAppliedPos = nPos;
}

void TScrollerInfo::ComputeGeometry() {
  if (!Active()) return;
  const TScrollTargetInfo& t = *target;
  const double range = static_cast<double>(nMax) - nMin + 1;
  maxPos = nPage == 0 ? nMax : nMax - nPage + 1;
  if (Vertical()) {
    if (isOwnBar) {
      barRect.x = t.windowRect.left + t.clientOffsetX + t.clientWidth - 1;
      barRect.y = t.windowRect.top + t.clientOffsetY;
      barRect.height = t.clientHeight - 1;
    } else {
      barRect.x = childBarRect.left;
      barRect.y = childBarRect.top;
      barRect.height = childBarRect.bottom - childBarRect.top;
    }
    trackRect = barRect;
    trackRect.y += buttonHeight;
    trackRect.height -= 2 * buttonHeight;
    thumbRect.height = nPage != 0 ? std::max(Trunc(trackRect.height * nPage / range + 0.5), 8)
                                  : GetSystemMetrics(SM_CYVTHUMB);
    thumbRect.x = trackRect.x;
    thumbFits = trackRect.height >= thumbRect.height;
    // A bar with nothing to move over has no pixels per unit (and no division by zero).
    pixelsPerUnit = maxPos > 0 ? static_cast<double>(trackRect.height - thumbRect.height) / maxPos : 0;
  } else {
    if (isOwnBar) {
      barRect.x = t.windowRect.left + t.clientOffsetX;
      barRect.y = t.windowRect.top + t.clientOffsetY + t.clientHeight - 1;
      barRect.width = t.clientWidth - 1;
    } else {
      barRect.x = childBarRect.left;
      barRect.y = childBarRect.top;
      barRect.width = childBarRect.right - childBarRect.left;
    }
    trackRect = barRect;
    trackRect.x += buttonWidth;
    trackRect.width -= 2 * buttonWidth;
    thumbRect.width = nPage != 0 ? std::max(Trunc(trackRect.width * nPage / range + 0.5), 8)
                                 : GetSystemMetrics(SM_CXHTHUMB);
    thumbRect.y = trackRect.y;
    thumbFits = trackRect.width >= thumbRect.width;
    pixelsPerUnit = maxPos > 0 ? static_cast<double>(trackRect.width - thumbRect.width) / maxPos : 0;
  }
  UpdateThumbPosition();
}

void TScrollerInfo::UpdateThumbPosition() {
  const double ratio = maxPos > 0 ? static_cast<double>(nPos) / maxPos : 0;
  if (Vertical())
    thumbRect.y = Trunc(trackRect.y + (trackRect.height - thumbRect.height) * ratio + 0.5);
  else
    thumbRect.x = Trunc(trackRect.x + (trackRect.width - thumbRect.width) * ratio + 0.5);
}

bool TScrollerInfo::ResyncPosition() {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_POS;
  if (GetScrollInfo(BarWindow(), Bar(), &info)) nPos = info.nPos;
  UpdateThumbPosition();
  return pixelsPerUnit > 0 && std::abs(lastAppliedPos - nPos) > 3.0 / pixelsPerUnit;
}

void TScrollerInfo::ApplyPosition(int NewPos, int DragOffset, bool ButtonsSwapped, bool DragOnly) {
  if (isOwnBar && !DragOnly) {
    // The message carries 16 bits of position; larger ones are cut at the largest.
    const int carried = std::clamp(NewPos, 0, 0xFFFF);
    SendMessageA(target->window, Vertical() ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, carried), 0);
  } else if (DragOffset != 0) {
    POINT remembered{};
    GetCursorPos(&remembered);
    TCursorHider hidden;
    const int cx = thumbRect.x + thumbRect.width / 2, cy = thumbRect.y + thumbRect.height / 2;
    SetCursorPos(cx, cy);
    mouse_event(ButtonsSwapped ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    if (Vertical())
      SetCursorPos(cx, cy + DragOffset);
    else
      SetCursorPos(cx + DragOffset, cy);
    mouse_event(ButtonsSwapped ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    SetCursorPos(remembered.x, remembered.y);
  }
  lastAppliedPos = NewPos;
}

void TScrollerInfo::ShowThumbIndicator() const {
  if (!Active() || !thumbFits) return;
  // Without owner: it frees itself when its time is up.
  (new TFormIndicator(nullptr))->ShowAt(thumbRect.x, thumbRect.y, thumbRect.width, thumbRect.height, 3000);
}

double TScrollerInfo::GetPages() const {
  if (!Active() || nPage == 0) return 1.0;
  return (static_cast<double>(nMax) - nMin + 1) / nPage;
}

std::string TScrollerInfo::KindText() const {
  std::string text;
  if (kind != 0) text = isOwnBar ? "standart " : "alien ";
  switch (kind) {
    case 0: return text + "NONE";
    case 1: return text + "flat";
    case 2: return text + "normal";
    default: return text + "???";
  }
}
