#pragma once
// The clipboard for text, shared by the windows of this process (and, through the
// display back end, with the system when it has a clipboard).

#include <string>

#include "platform/gui/Wintypes.h"

inline constexpr UINT CF_TEXT = 1;
inline constexpr UINT CF_OEMTEXT = 7;

BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
// Empties the clipboard; the caller must have opened it.
BOOL EmptyClipboard();
BOOL IsClipboardFormatAvailable(UINT format);
HWND GetClipboardOwner();

namespace platform {
// Puts text (the program's code page) on the clipboard; the clipboard must be open.
bool SetClipboardText(const std::string& text);
// The text on the clipboard; the clipboard must be open. Empty when there is none.
std::string GetClipboardText();
}  // namespace platform
