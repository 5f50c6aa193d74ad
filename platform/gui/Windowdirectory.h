#pragma once
// Windows of several processes find each other: the titled top-level windows of every
// process are published as entries in a per-user folder, and each process receives
// messages posted to its windows by others through a datagram socket there.
// A window of another process has a handle of its own kind; FindWindow, EnumWindows,
// IsWindow, GetClassName, GetWindowText, GetWindowThreadProcessId and PostMessage
// work with it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/Wintypes.h"

namespace platform {

// The folder in use; empty when publishing is off. The default is $QUILLARAN_RUNTIME_DIR,
// else $XDG_RUNTIME_DIR/quillaran, else quillaran-<uid> in $TMPDIR (else /tmp).
std::string WindowDirectory();
// Sets the folder (empty turns publishing off; the headless screen turns it off).
void SetWindowDirectory(const std::string& folder);
// The process ends: its socket and window entries leave the folder (done at exit by
// itself; an end that skips the exit handlers calls it first). A start removes what
// processes that are gone left behind.
void LeaveWindowDirectory();

struct RemoteWindow {
  HWND handle = nullptr;
  long process = 0;
  long thread = 0;
  std::string className;
  std::string title;
};

bool IsRemoteHandle(HWND window);
// The handle by which this process knows a window of another process (its id there).
HWND RemoteHandle(long process, std::uintptr_t handle);
std::optional<RemoteWindow> FindRemote(HWND window);
// Published windows of other processes that are alive.
std::vector<RemoteWindow> RemoteWindows();
// Publishes or withdraws a top-level window of this process as it is now.
void PublishWindow(HWND window);
void WithdrawWindow(HWND window);
bool PostToRemote(HWND window, UINT message, WPARAM w, LPARAM l);
// Lets other processes post this message to this one's windows. Only messages whose
// words are plain values may be accepted: a word that this process would read as an
// address (the text of WM_SETTEXT, the buffer of WM_GETTEXT, a timer's procedure)
// means nothing coming from another process. Every other message is dropped.
void AcceptRemoteMessage(UINT message);
// Posts what other processes sent to this one's windows into their queues.
void ReceiveRemoteMessages();

}  // namespace platform
