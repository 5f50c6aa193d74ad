#pragma once
// Messages: a queue per GUI thread, sending and posting, the message loop calls,
// WM_PAINT from invalid areas and WM_TIMER from timers when the queue is empty.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "platform/gui/Winmessages.h"

LRESULT SendMessage(HWND window, UINT message, WPARAM w, LPARAM l);
// result receives the answer; 0 is returned when the window did not answer in time.
LRESULT SendMessageTimeout(HWND window, UINT message, WPARAM w, LPARAM l, UINT flags, UINT timeoutMs,
                           ULONG_PTR* result);
BOOL PostMessage(HWND window, UINT message, WPARAM w, LPARAM l);
BOOL PostThreadMessage(DWORD thread, UINT message, WPARAM w, LPARAM l);
// The calling thread, as PostThreadMessage names it.
DWORD GetCurrentThreadId();
void PostQuitMessage(int exitCode);
// Waits for a message; FALSE on WM_QUIT.
BOOL GetMessage(MSG* msg, HWND window, UINT first, UINT last);
BOOL PeekMessage(MSG* msg, HWND window, UINT first, UINT last, UINT remove);
BOOL WaitMessage();
LRESULT DispatchMessage(const MSG* msg);
LRESULT CallWindowProc(WNDPROC proc, HWND window, UINT message, WPARAM w, LPARAM l);
UINT RegisterWindowMessage(const char* name);
DWORD GetMessageTime();
DWORD GetMessagePos();
BOOL InSendMessage();
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND window, UINT_PTR id);

inline LRESULT SendMessageA(HWND h, UINT m, WPARAM w, LPARAM l) { return SendMessage(h, m, w, l); }
inline BOOL PostMessageA(HWND h, UINT m, WPARAM w, LPARAM l) { return PostMessage(h, m, w, l); }
inline LRESULT SendMessageTimeoutA(HWND h, UINT m, WPARAM w, LPARAM l, UINT f, UINT t, ULONG_PTR* r) {
  return SendMessageTimeout(h, m, w, l, f, t, r);
}
inline UINT RegisterWindowMessageA(const char* name) { return RegisterWindowMessage(name); }
inline LRESULT CallWindowProcA(WNDPROC p, HWND h, UINT m, WPARAM w, LPARAM l) { return CallWindowProc(p, h, m, w, l); }

namespace platform {

struct Window;

struct Timer {
  HWND window = nullptr;
  UINT_PTR id = 0;
  UINT interval = 0;
  TIMERPROC proc = nullptr;
  std::uint64_t due = 0;
};

struct SentMessage {
  HWND window;
  UINT message;
  WPARAM w;
  LPARAM l;
  LRESULT result = 0;
  bool done = false;
  std::condition_variable_any finished;
};

struct ThreadQueue {
  long thread = 0;
  std::deque<MSG> posted;
  std::deque<MSG> input;  // input already routed to this thread's windows
  std::deque<std::shared_ptr<SentMessage>> sent;
  std::vector<Timer> timers;
  UINT_PTR nextTimerId = 1;
  bool quit = false;
  int quitCode = 0;
  MSG last{};
  int inSend = 0;
  std::condition_variable_any wake;
};

std::shared_ptr<ThreadQueue> CurrentQueue();
std::shared_ptr<ThreadQueue> QueueOfThread(long thread);
// Adds a message to a queue and wakes its thread.
void PostToQueue(ThreadQueue& queue, const MSG& msg, bool asInput);
// Calls a window procedure, keeping the window alive while it runs.
LRESULT CallProc(Window* window, WNDPROC proc, UINT message, WPARAM w, LPARAM l);
void KillWindowTimers(HWND window);
// The earliest due time of any timer, for tests that move the virtual clock.
std::optional<std::uint64_t> NextTimerDue();
// Called whenever a message loop looks for work (work queued by other threads).
void SetSynchronizeHook(void (*hook)());
// Wakes every thread blocked in GetMessage or WaitMessage.
void WakeMessageLoops();
// Called when a loop would block forever: no input can come on this display and no
// timer is set (on the virtual clock a wait jumps to the next timer). The default
// prints the reason and aborts, so that a test fails instead of hanging.
void SetBlockedLoopHandler(void (*handler)());

}  // namespace platform
