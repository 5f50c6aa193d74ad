// Where the program's windows open under a real window manager (openbox on an Xvfb of the
// test's own): a question asked while a long piece of work shows its progress opens over
// the window whose work it is, not in the middle of the screen.

#include "dialogs/Tformprogress.h"
#include "platform/display/X11display.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"
#include "postoffice/Tformnewannotation.h"
#include "tests/support/Xvfbserver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

// Xlib after the window system's headers; its screen type would hide the forms' Screen.
#define Screen XlibScreen
#include <X11/Xlib.h>
#undef Screen
#undef CursorShape

namespace {

TEST(DialogPlacementX11, AQuestionDuringAWorksProgressOpensOverTheWindowThatAsked) {
  xvfbtest::XvfbServer server("1280x1024x24");
  ASSERT_TRUE(server.Running());
  xvfbtest::WindowManager manager(server.Name());
  ASSERT_TRUE(manager.Running());
  platform::X11Display display(server.Name());
  ASSERT_TRUE(display.Connected());
  display.Install();
  ::Display* peer = XOpenDisplay(server.Name().c_str());
  ASSERT_NE(peer, nullptr);
  const auto pumpUntil = [&](const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);  // only so that a fault ends
    while (std::chrono::steady_clock::now() < end) {
      Application->ProcessMessages();
      display.WaitForInput(5);
      if (done()) return true;
    }
    return done();
  };
  const auto viewable = [&](HWND h) {
    XWindowAttributes a;
    return display.XWindowOf(h) && XGetWindowAttributes(peer, display.XWindowOf(h), &a) && a.map_state == IsViewable;
  };
  // The middle of a window as the server shows it.
  const auto middle = [&](HWND h) {
    XWindowAttributes a{};
    XGetWindowAttributes(peer, display.XWindowOf(h), &a);
    ::Window child;
    int x = 0, y = 0;
    XTranslateCoordinates(peer, display.XWindowOf(h), DefaultRootWindow(peer), 0, 0, &x, &y, &child);
    return POINT{x + a.width / 2, y + a.height / 2};
  };

  {
    // A narrow window in the screen's upper left quarter, as a browse window often is.
    TForm owner(nullptr);
    owner.SetCaption("/Discussed");
    owner.PlaceAt(RECT{0, 0, 632, 480});
    owner.Show();
    ASSERT_TRUE(pumpUntil([&] { return viewable(owner.Handle()) && GetActiveWindow() == owner.Handle(); }));
    const POINT ownerMiddle = middle(owner.Handle());
    ASSERT_LT(ownerMiddle.x, 1280 / 2 - 100) << "the owner lies apart from the screen's middle";

    // Its work shows its progress, and asks a question meanwhile.
    TFormProgress progress(nullptr);
    progress.ShowCentered();
    progress.SetStatus("Handling Inbox - 1 of 1 messages...");
    ASSERT_TRUE(pumpUntil([&] { return viewable(progress.Handle()); }));
    TFormNewAnnotation question(nullptr);
    POINT asked{-1, -1};
    TTimer look(&question);
    look.SetInterval(20);
    look.OnTimer = [&](TObject*) {
      if (viewable(question.Handle())) {
        asked = middle(question.Handle());
        question.SetModalResult(mrCancel);
      }
    };
    question.ShowModal();
    ASSERT_NE(asked.x, -1) << "the question was never shown";
    const POINT progressMiddle = middle(progress.Handle());
    for (const auto& [what, at] : {std::pair{"the progress", progressMiddle}, std::pair{"the question", asked}}) {
      EXPECT_NEAR(at.x, ownerMiddle.x, 40) << what;
      EXPECT_NEAR(at.y, ownerMiddle.y, 40) << what;
    }
  }
  Application->ProcessMessages();
  XCloseDisplay(peer);
}

}  // namespace
