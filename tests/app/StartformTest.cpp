#include "app/Guidialogs.h"
#include "app/Tformstart.h"
#include "Apptesthelpers.h"
#include "foundation/Tlisteners.h"
#include "foundation/Tlogin.h"
#include "foundation/Workpaintbox.h"
#include "platform/display/Headlessscreen.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/gui/Gui.h"

#include <gtest/gtest.h>

namespace {

struct TRecorder : TListener {
  std::vector<uint8_t> Codes;
  void Listen(const TListenMessage& m) override { Codes.push_back(m.Code); }
};

TEST(Startform, TheFirstShowRunsStartUpOffTheScreenAndGivesTheWorkCanvas) {
  TAppScratch s;
  platform::HeadlessScreen screen(800, 600);
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  RegisterGuiDialogs();
  InstallApplicationHandlers();
  script.Press("CREATING LOGIN", "Button0");
  for (const char* value : {"Анна", "anna@example.org", kKey, kKey})
    script.Press("CREATING LOGIN", "ButtonOk", {{"EditValue", value}});
  for (const char* value : {"", "", "anna", ""}) script.Press("MAIL ACCOUNT", "ButtonOk", {{"EditValue", value}});
  const char* args[] = {"quillaran", "/DET"};
  {
    TStartupDriver driver;
    TFormStart form(nullptr);
    EXPECT_EQ(WorkPaintBox(), form.PaintBoxWork);
    ASSERT_NE(SharedFont(), nullptr);
    EXPECT_EQ(SharedFont()->Size(), 10);
    form.SetStartup(&driver, 2, args);
    EXPECT_FALSE(form.Started());
    form.Show();
    ASSERT_TRUE(form.Started());
    EXPECT_EQ(form.StartResult(), TStartupDriver::TStart::Running);
    EXPECT_FALSE(Application->Terminated());
    EXPECT_LT(form.Left() + form.Width(), 0);  // off the screen
    EXPECT_EQ(driver.Logins()->GetCurrentLogin()->Name, "Анна");
    form.Hide();
    form.Show();  // shown again: start-up does not run twice
    EXPECT_EQ(script.Pending(), 0u);

    // The work canvas measures in the font it is given.
    TCanvas* canvas = WorkPaintBox()->Canvas();
    EXPECT_GT(canvas->TextWidth("AAAA"), canvas->TextWidth("A"));

    // Idle work, deactivation, and the end of the loop once termination is asked.
    TRecorder recorder;
    TListeners::SendPair(6, 0, 0, true);
    bool done = false;
    Application->OnIdle(nullptr, done);
    EXPECT_EQ(recorder.Codes, (std::vector<uint8_t>{2, 6}));
    EXPECT_TRUE(done);
    Application->OnDeactivate(nullptr);
    EXPECT_EQ(recorder.Codes.back(), 1);
    TError::Instance().RequestTerminate(false);
    Application->OnIdle(nullptr, done);
    EXPECT_TRUE(Application->Terminated());
    Application->ResetTerminated();
    driver.Shutdown();
  }
  EXPECT_EQ(WorkPaintBox(), nullptr);
  EXPECT_EQ(SharedFont(), nullptr);
  SetGuiHooks(TGuiHooks());
  Application->OnIdle = nullptr;
  Application->OnDeactivate = nullptr;
}

TEST(Startform, AStartUpThatEndsWithoutALoginEndsTheLoop) {
  TAppScratch s;
  platform::HeadlessScreen screen(800, 600);
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  RegisterGuiDialogs();
  script.Press("CREATING LOGIN", "Button0");
  script.Press("CREATING LOGIN", "ButtonCancel");
  const char* args[] = {"quillaran", "/DET"};
  TStartupDriver driver;
  TFormStart form(nullptr);
  form.SetStartup(&driver, 2, args);
  form.Show();
  EXPECT_EQ(form.StartResult(), TStartupDriver::TStart::NoLogin);
  EXPECT_TRUE(Application->Terminated());
  Application->ResetTerminated();
  driver.Shutdown();
  SetGuiHooks(TGuiHooks());
}

}  // namespace
