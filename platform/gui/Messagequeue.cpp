#include "platform/gui/Messagequeue.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "platform/gui/Clock.h"
#include "platform/gui/Display.h"
#include "platform/gui/Guilock.h"
#include "platform/gui/Input.h"
#include "platform/gui/Painting.h"
#include "platform/gui/Window.h"
#include "platform/gui/Windowdirectory.h"
#include "platform/gui/Windowmanager.h"

namespace platform {

namespace {

std::map<long, std::shared_ptr<ThreadQueue>>& Queues() {
  static std::map<long, std::shared_ptr<ThreadQueue>> queues;
  return queues;
}

std::atomic<void (*)()> g_synchronizeHook{nullptr};

void DefaultBlocked() {
  std::fprintf(stderr, "window system: the message loop waits for input that can never come\n");
  std::abort();
}
std::atomic<void (*)()> g_blockedHandler{DefaultBlocked};

bool InRange(UINT message, UINT first, UINT last) {
  return (first == 0 && last == 0) || (message >= first && message <= last);
}

bool MatchesWindow(HWND msgWindow, HWND filter) {
  if (!filter) return true;
  if (filter == reinterpret_cast<HWND>(-1)) return msgWindow == nullptr;
  if (msgWindow == filter) return true;
  Window* w = FindWindowObject(msgWindow);
  Window* f = FindWindowObject(filter);
  return w && f && IsAncestor(f, w);
}

// Runs what other threads sent to this thread's windows.
void ProcessSent(ThreadQueue& q) {
  for (;;) {
    std::shared_ptr<SentMessage> s;
    {
      GuiLock lock(GuiMutex());
      if (q.sent.empty()) return;
      s = q.sent.front();
      q.sent.pop_front();
    }
    Window* w = FindWindowObject(s->window);
    LRESULT r = 0;
    if (w) {
      ++q.inSend;
      r = CallProc(w, w->proc, s->message, s->w, s->l);
      --q.inSend;
    }
    std::unique_lock<std::recursive_mutex> lock(GuiMutex());
    s->result = r;
    s->done = true;
    s->finished.notify_all();
  }
}

// Takes the first message of a deque that fits the filter; messages of destroyed windows go.
bool TakeFrom(std::deque<MSG>& d, MSG* out, HWND filter, UINT first, UINT last, bool remove) {
  for (auto it = d.begin(); it != d.end();) {
    if (it->hwnd && !FindWindowObject(it->hwnd)) { it = d.erase(it); continue; }
    if (InRange(it->message, first, last) && MatchesWindow(it->hwnd, filter)) {
      *out = *it;
      if (remove) d.erase(it);
      return true;
    }
    ++it;
  }
  return false;
}

bool TakeTimer(ThreadQueue& q, MSG* out, HWND filter, bool remove) {
  std::uint64_t now = GuiClockNow();
  Timer* best = nullptr;
  for (Timer& t : q.timers)
    if (t.due <= now && MatchesWindow(t.window, filter) && (!best || t.due < best->due)) best = &t;
  if (!best) return false;
  *out = MSG{best->window, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc), static_cast<DWORD>(now), {}};
  if (remove) best->due = now + best->interval;
  return true;
}

bool Retrieve(MSG* out, HWND filter, UINT first, UINT last, bool remove) {
  auto q = CurrentQueue();
  ReceiveRemoteMessages();
  ProcessSent(*q);
  if (auto hook = g_synchronizeHook.load()) hook();
  {
    GuiLock lock(GuiMutex());
    if (TakeFrom(q->posted, out, filter, first, last, remove)) return true;
    if (TakeFrom(q->input, out, filter, first, last, remove)) return true;
  }
  MSG cooked;
  while (CookInput(*q, cooked)) {
    GuiLock lock(GuiMutex());
    q->input.push_back(cooked);
    if (TakeFrom(q->input, out, filter, first, last, remove)) return true;
  }
  {
    GuiLock lock(GuiMutex());
    if (q->quit && InRange(WM_QUIT, first, last)) {
      *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q->quitCode), 0, static_cast<DWORD>(GuiClockNow()), {}};
      if (remove) q->quit = false;
      return true;
    }
  }
  if (InRange(WM_PAINT, first, last) && FindPaintMessage(*q, filter, *out)) return true;
  GuiLock lock(GuiMutex());
  return InRange(WM_TIMER, first, last) && TakeTimer(*q, out, filter, remove);
}

// Blocks until something may have arrived for the thread.
void Wait(ThreadQueue& q) {
  std::optional<std::uint64_t> due;
  {
    GuiLock lock(GuiMutex());
    for (const Timer& t : q.timers) due = due ? std::min(*due, t.due) : t.due;
  }
  if (VirtualClockInUse()) {
    if (CurrentDisplay().WaitForInput(0)) return;
    // Waiting on the virtual clock takes no time: it jumps to the next timer.
    if (!due) g_blockedHandler.load()();
    std::uint64_t now = GuiClockNow();
    AdvanceVirtualClock(*due > now ? *due - now : 0);
    return;
  }
  int timeout = 50;
  if (due) {
    std::uint64_t now = GuiClockNow();
    timeout = *due <= now ? 0 : static_cast<int>(std::min<std::uint64_t>(*due - now, 50));
  }
  CurrentDisplay().WaitForInput(0);
  std::unique_lock<std::recursive_mutex> lock(GuiMutex());
  if (!q.posted.empty() || !q.sent.empty() || !q.input.empty() || q.quit) return;
  q.wake.wait_for(lock, std::chrono::milliseconds(timeout));
}

void Stamp(MSG& m) {
  m.time = static_cast<DWORD>(GuiClockNow());
  m.pt = CursorPosition();
}

}  // namespace

std::shared_ptr<ThreadQueue> CurrentQueue() { return QueueOfThread(CurrentThread()); }

std::shared_ptr<ThreadQueue> QueueOfThread(long thread) {
  GuiLock lock(GuiMutex());
  auto& queues = Queues();
  auto& q = queues[thread];
  if (!q) {
    q = std::make_shared<ThreadQueue>();
    q->thread = thread;
  }
  return q;
}

void PostToQueue(ThreadQueue& q, const MSG& msg, bool asInput) {
  GuiLock lock(GuiMutex());
  (asInput ? q.input : q.posted).push_back(msg);
  q.wake.notify_all();
}

LRESULT CallProc(Window* w, WNDPROC proc, UINT message, WPARAM wp, LPARAM lp) {
  if (!w || !proc) return 0;
  ++w->calls;
  LRESULT r = proc(w->handle, message, wp, lp);
  --w->calls;
  if (w->calls == 0) RunPendingDestroys();
  return r;
}

void KillWindowTimers(HWND window) {
  GuiLock lock(GuiMutex());
  for (auto& entry : Queues()) {
    auto& t = entry.second->timers;
    t.erase(std::remove_if(t.begin(), t.end(), [&](const Timer& x) { return x.window == window; }), t.end());
  }
}

std::optional<std::uint64_t> NextTimerDue() {
  GuiLock lock(GuiMutex());
  std::optional<std::uint64_t> due;
  for (auto& entry : Queues())
    for (const Timer& t : entry.second->timers) due = due ? std::min(*due, t.due) : t.due;
  return due;
}

void SetSynchronizeHook(void (*hook)()) { g_synchronizeHook = hook; }
void SetBlockedLoopHandler(void (*handler)()) { g_blockedHandler = handler ? handler : DefaultBlocked; }

void WakeMessageLoops() {
  GuiLock lock(GuiMutex());
  for (auto& entry : Queues()) entry.second->wake.notify_all();
}

}  // namespace platform

using namespace platform;

LRESULT SendMessage(HWND window, UINT message, WPARAM w, LPARAM l) {
  ULONG_PTR result = 0;
  SendMessageTimeout(window, message, w, l, SMTO_NORMAL, 0, &result);
  return static_cast<LRESULT>(result);
}

LRESULT SendMessageTimeout(HWND window, UINT message, WPARAM w, LPARAM l, UINT, UINT timeoutMs, ULONG_PTR* result) {
  if (result) *result = 0;
  if (IsRemoteHandle(window)) {
    // Of a window of another process only its published text can be asked.
    auto r = FindRemote(window);
    if (!r || (message != WM_GETTEXT && message != WM_GETTEXTLENGTH)) return 0;
    size_t n = r->title.size();
    if (message == WM_GETTEXT) {
      auto* buffer = reinterpret_cast<char*>(l);
      if (!buffer || w == 0) return 0;
      n = std::min(n, static_cast<size_t>(w) - 1);
      std::memcpy(buffer, r->title.data(), n);
      buffer[n] = 0;
    }
    if (result) *result = n;
    return 1;
  }
  std::shared_ptr<ThreadQueue> target;
  Window* win;
  {
    GuiLock lock(GuiMutex());
    win = FindWindowObject(window);
    if (!win || win->IsDesktop()) return 0;
    if (win->thread != CurrentThread()) target = win->queue;
  }
  if (!target) {
    LRESULT r = CallProc(win, win->proc, message, w, l);
    if (result) *result = static_cast<ULONG_PTR>(r);
    return 1;
  }
  // Another thread's window: its thread runs the procedure the next time it looks for
  // messages; meanwhile this thread answers what is sent to it.
  auto s = std::make_shared<SentMessage>();
  s->window = window;
  s->message = message;
  s->w = w;
  s->l = l;
  {
    GuiLock lock(GuiMutex());
    target->sent.push_back(s);
    target->wake.notify_all();
  }
  auto own = CurrentQueue();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    ProcessSent(*own);
    std::unique_lock<std::recursive_mutex> lock(GuiMutex());
    if (s->done) break;
    if (timeoutMs && std::chrono::steady_clock::now() >= deadline) {
      auto& pending = target->sent;
      pending.erase(std::remove(pending.begin(), pending.end(), s), pending.end());
      return 0;
    }
    s->finished.wait_for(lock, std::chrono::milliseconds(5));
  }
  if (result) *result = static_cast<ULONG_PTR>(s->result);
  return 1;
}

BOOL PostMessage(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (!window) return PostThreadMessage(static_cast<DWORD>(CurrentThread()), message, w, l);
  MSG m{window, message, w, l, 0, {}};
  Stamp(m);
  if (IsRemoteHandle(window)) return PostToRemote(window, message, w, l);
  // Any thread may post: the window is looked up and its queue fed under the lock, so
  // that its own thread cannot free it meanwhile.
  GuiLock lock(GuiMutex());
  if (window == HWND_BROADCAST) {
    for (Window* top : Desktop()->children) {
      m.hwnd = top->handle;
      PostToQueue(*top->queue, m, false);
    }
    return TRUE;
  }
  Window* win = FindWindowObject(window);
  if (!win || win->IsDesktop()) return FALSE;
  PostToQueue(*win->queue, m, false);
  return TRUE;
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(CurrentThread()); }

BOOL PostThreadMessage(DWORD thread, UINT message, WPARAM w, LPARAM l) {
  MSG m{nullptr, message, w, l, 0, {}};
  Stamp(m);
  PostToQueue(*QueueOfThread(static_cast<long>(thread)), m, false);
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  auto q = CurrentQueue();
  GuiLock lock(GuiMutex());
  q->quit = true;
  q->quitCode = exitCode;
  q->wake.notify_all();
}

BOOL GetMessage(MSG* msg, HWND window, UINT first, UINT last) {
  if (!msg) return -1;
  auto q = CurrentQueue();
  while (!Retrieve(msg, window, first, last, true)) Wait(*q);
  q->last = *msg;
  return msg->message != WM_QUIT;
}

BOOL PeekMessage(MSG* msg, HWND window, UINT first, UINT last, UINT remove) {
  if (!msg) return FALSE;
  if (!Retrieve(msg, window, first, last, remove & PM_REMOVE)) return FALSE;
  if (remove & PM_REMOVE) CurrentQueue()->last = *msg;
  return TRUE;
}

BOOL WaitMessage() {
  auto q = CurrentQueue();
  MSG m;
  while (!Retrieve(&m, nullptr, 0, 0, false)) Wait(*q);
  return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    // Only a timer procedure that a live timer names is called.
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    bool known = false;
    {
      auto q = CurrentQueue();
      GuiLock lock(GuiMutex());
      for (const Timer& t : q->timers) known = known || (t.proc == proc && t.id == msg->wParam && t.window == msg->hwnd);
    }
    if (known) proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
    return 0;
  }
  Window* w = FindWindowObject(msg->hwnd);
  if (!w || w->IsDesktop()) return 0;
  return CallProc(w, w->proc, msg->message, msg->wParam, msg->lParam);
}

LRESULT CallWindowProc(WNDPROC proc, HWND window, UINT message, WPARAM w, LPARAM l) {
  Window* win = FindWindowObject(window);
  if (!proc) return 0;
  if (!win) return proc(window, message, w, l);
  return CallProc(win, proc, message, w, l);
}

UINT RegisterWindowMessage(const char* name) {
  if (!name || !*name) return 0;
  static std::vector<std::string> names;
  GuiLock lock(GuiMutex());
  for (size_t i = 0; i < names.size(); ++i)
    if (SameName(names[i], name)) return static_cast<UINT>(0xC000 + i);
  if (names.size() >= 0x3FFF) return 0;
  names.emplace_back(name);
  return static_cast<UINT>(0xC000 + names.size() - 1);
}

DWORD GetMessageTime() { return CurrentQueue()->last.time; }

DWORD GetMessagePos() {
  POINT p = CurrentQueue()->last.pt;
  return static_cast<DWORD>(MAKELONG(static_cast<unsigned>(p.x), static_cast<unsigned>(p.y)));
}

BOOL InSendMessage() { return CurrentQueue()->inSend > 0; }

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
  std::shared_ptr<ThreadQueue> q;
  if (window) {
    Window* w = FindWindowObject(window);
    if (!w || w->IsDesktop()) return 0;
    q = w->queue;
  } else {
    q = CurrentQueue();
  }
  UINT interval = std::clamp<UINT>(elapseMs, 10, 0x7FFFFFFF);
  GuiLock lock(GuiMutex());
  if (!window) id = q->nextTimerId++;
  for (Timer& t : q->timers)
    if (t.window == window && t.id == id) {
      t.interval = interval;
      t.proc = proc;
      t.due = GuiClockNow() + interval;
      return id ? id : 1;
    }
  q->timers.push_back(Timer{window, id, interval, proc, GuiClockNow() + interval});
  q->wake.notify_all();
  return id ? id : 1;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
  std::shared_ptr<ThreadQueue> q;
  if (window) {
    Window* w = FindWindowObject(window);
    if (!w) return FALSE;
    q = w->queue;
  } else {
    q = CurrentQueue();
  }
  GuiLock lock(GuiMutex());
  auto& t = q->timers;
  auto it = std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.window == window && x.id == id; });
  if (it == t.end()) return FALSE;
  t.erase(it);
  return TRUE;
}
