#include "platform/gui/Clipboard.h"

#include <optional>

#include "platform/gui/Display.h"
#include "platform/gui/Guilock.h"
#include "platform/gui/Window.h"

namespace platform {

namespace {

struct ClipboardState {
  bool open = false;
  long openedBy = 0;
  HWND openedFor = nullptr;
  HWND owner = nullptr;
  std::optional<std::string> text;
};

ClipboardState& Board() {
  static ClipboardState board;
  return board;
}

bool OpenedHere() {
  ClipboardState& b = Board();
  return b.open && b.openedBy == CurrentThread();
}

}  // namespace

bool SetClipboardText(const std::string& text) {
  GuiLock lock(GuiMutex());
  if (!OpenedHere()) return false;
  Board().text = text;
  Board().owner = Board().openedFor;
  CurrentDisplay().ClipboardTextSet(text);
  return true;
}

std::string GetClipboardText() {
  GuiLock lock(GuiMutex());
  if (!OpenedHere()) return std::string();
  if (auto external = CurrentDisplay().ClipboardText()) return *external;
  return Board().text.value_or(std::string());
}

}  // namespace platform

using namespace platform;

BOOL OpenClipboard(HWND owner) {
  GuiLock lock(GuiMutex());
  ClipboardState& b = Board();
  if (b.open && b.openedBy != CurrentThread()) return FALSE;
  b.open = true;
  b.openedBy = CurrentThread();
  b.openedFor = owner;
  return TRUE;
}

BOOL CloseClipboard() {
  GuiLock lock(GuiMutex());
  if (!OpenedHere()) return FALSE;
  Board().open = false;
  return TRUE;
}

BOOL EmptyClipboard() {
  GuiLock lock(GuiMutex());
  if (!OpenedHere()) return FALSE;
  Board().text.reset();
  Board().owner = Board().openedFor;
  return TRUE;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  GuiLock lock(GuiMutex());
  if (format != CF_TEXT && format != CF_OEMTEXT) return FALSE;
  return Board().text.has_value() || CurrentDisplay().ClipboardText().has_value();
}

HWND GetClipboardOwner() {
  GuiLock lock(GuiMutex());
  return FindWindowObject(Board().owner) ? Board().owner : nullptr;
}
