// Window hooks: order of the phases, handled messages, recreated windows and
// the deferred freeing of a control's record.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/Texwindowhook.h"
#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"

namespace {

constexpr UINT WM_PROBE = WM_USER + 77;

class TProbeForm : public TForm {
 public:
  explicit TProbeForm(TComponent* AOwner) : TForm(AOwner) {}
  std::vector<std::string>* log = nullptr;
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_PROBE) {
      if (log) log->push_back("form");
      Message.Result = 5;
      return;
    }
    if (Message.Msg == WM_DESTROY && log) log->push_back("form.destroy");
    TForm::WndProc(Message);
  }
};

class WindowHook : public ::testing::Test {
 protected:
  platform::HeadlessScreen screen{640, 480};
  platform::ScreenDriver person;
};

TExWindowHook* LoggingHook(TComponent* owner, const std::string& name, std::vector<std::string>& log,
                           bool handleBefore = false) {
  auto* h = new TExWindowHook(owner);
  h->BeforeMessage = [&log, name, handleBefore](TObject*, TMessage& m, bool& handled) {
    if (m.Msg != WM_PROBE) return;
    log.push_back(name + ".before");
    handled = handleBefore;
  };
  h->AfterMessage = [&log, name](TObject*, TMessage& m, bool&) {
    if (m.Msg != WM_PROBE) return;
    log.push_back(name + ".after=" + std::to_string(m.Result));
  };
  return h;
}

TEST_F(WindowHook, LastAttachedRunsFirstAndHandledStopsTheForm) {
  const int records = HookedControlCount();
  std::vector<std::string> log;
  TProbeForm form(nullptr);
  form.log = &log;
  TExWindowHook* a = LoggingHook(&form, "a", log);
  TExWindowHook* b = LoggingHook(&form, "b", log);
  EXPECT_TRUE(a->Active());
  a->SetWinControl(&form);
  b->SetWinControl(&form);
  EXPECT_EQ(HookedControlCount(), records + 1) << "one record per control";

  EXPECT_EQ(SendMessage(form.Handle(), WM_PROBE, 0, 0), 5);
  EXPECT_EQ(log, (std::vector<std::string>{"b.before", "a.before", "form", "b.after=5", "a.after=5"}));

  // A before-hook that handles the message keeps the form's procedure and the
  // after-phase from running.
  log.clear();
  TExWindowHook* c = LoggingHook(&form, "c", log, true);
  c->SetWinControl(&form);
  SendMessage(form.Handle(), WM_PROBE, 0, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"c.before"}));

  // Inactive hooks see nothing; the chain of the others stays intact.
  log.clear();
  c->SetActive(false);
  a->SetActive(false);
  SendMessage(form.Handle(), WM_PROBE, 0, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"b.before", "form", "b.after=5"}));

  // Freeing the hooks leaves the form's own procedure alone.
  delete a;
  delete b;
  delete c;
  log.clear();
  SendMessage(form.Handle(), WM_PROBE, 0, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"form"}));
  person.Pump();
  EXPECT_EQ(HookedControlCount(), records);
}

TEST_F(WindowHook, RecreatedWindowKeepsTheHookAndDestroyReachesTheForm) {
  std::vector<std::string> log;
  TProbeForm form(nullptr);
  form.log = &log;
  auto* hook = LoggingHook(&form, "h", log, true);
  bool sawDestroy = false;
  hook->BeforeMessage = [&](TObject*, TMessage& m, bool& handled) {
    if (m.Msg == WM_DESTROY) sawDestroy = true;
    // WM_DESTROY marked handled must still reach the form.
    handled = m.Msg == WM_PROBE || m.Msg == WM_DESTROY;
  };
  hook->SetWinControl(&form);
  HWND first = form.Handle();
  form.RecreateWnd();
  person.Pump();
  EXPECT_NE(form.Handle(), first);
  EXPECT_FALSE(IsWindow(first)) << "the form destroyed its first window";
  log.clear();
  SendMessage(form.Handle(), WM_PROBE, 0, 0);
  EXPECT_TRUE(log.empty()) << "the handling hook still sits in front of the new window";
  // The window destroyed under the form: WM_DESTROY reaches the form although handled.
  DestroyWindow(form.Handle());
  EXPECT_TRUE(sawDestroy);
  EXPECT_EQ(log, (std::vector<std::string>{"form.destroy"}));
  EXPECT_FALSE(form.HandleAllocated());
  log.clear();
  SendMessage(form.Handle(), WM_PROBE, 0, 0);
  EXPECT_TRUE(log.empty()) << "and the next window is hooked as well";
  delete hook;
  person.Pump();
}

TEST_F(WindowHook, MovingTheOnlyHookFreesTheOldRecordLater) {
  person.Pump();
  const int records = HookedControlCount();
  TForm one(nullptr), two(nullptr);
  auto* hook = new TExWindowHook(nullptr);
  hook->SetWinControl(&one);
  one.HandleNeeded();
  EXPECT_EQ(HookedControlCount(), records + 1);
  hook->SetWinControl(&two);
  EXPECT_EQ(HookedControlCount(), records + 2) << "the first record waits for the message loop";
  EXPECT_NE(TExWindowHook::GetHookHandle(), reinterpret_cast<HWND>(static_cast<intptr_t>(-1)));
  person.Pump();
  EXPECT_EQ(HookedControlCount(), records + 1);

  // The hooked control going away unhooks it.
  int seen = 0;
  {
    TForm three(nullptr);
    hook->SetWinControl(&three);
    hook->AfterMessage = [&](TObject*, TMessage&, bool&) { ++seen; };
    three.HandleNeeded();
  }
  EXPECT_EQ(hook->WinControl(), nullptr);
  EXPECT_TRUE(hook->Active()) << "still active, waiting for a control";
  int before = seen;
  SendMessage(two.Handle(), WM_PROBE, 0, 0);
  EXPECT_EQ(seen, before);
  delete hook;
  person.Pump();
  EXPECT_EQ(HookedControlCount(), records);
  if (records == 0) {
    EXPECT_EQ(TExWindowHook::GetHookHandle(), reinterpret_cast<HWND>(static_cast<intptr_t>(-1)))
        << "the hidden window went with the last record";
  }
}

}  // namespace
