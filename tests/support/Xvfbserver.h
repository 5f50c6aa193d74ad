#pragma once
// An X server of the test's own: Xvfb started on a free display number (it picks one
// itself) and stopped when the object goes.

#include <string>

namespace xvfbtest {

class XvfbServer {
 public:
  explicit XvfbServer(const char* screen = "800x600x24");
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  bool Running() const { return pid_ > 0 && !name_.empty(); }
  // ":N", for XOpenDisplay and for DISPLAY of other X clients.
  const std::string& Name() const { return name_; }
  void Stop();

 private:
  int pid_ = -1;
  std::string name_;
};

}  // namespace xvfbtest

namespace xvfbtest {

// A real window manager (openbox) on the test's X server, started on construction and
// ready once it shows a new window; stopped when the object goes.
class WindowManager {
 public:
  explicit WindowManager(const std::string& display);
  ~WindowManager();
  WindowManager(const WindowManager&) = delete;
  WindowManager& operator=(const WindowManager&) = delete;

  bool Running() const { return ready_; }

 private:
  int pid_ = -1;
  bool ready_ = false;
};

}  // namespace xvfbtest
