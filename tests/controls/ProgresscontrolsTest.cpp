// Progress controls driven by their class, and the library's cursors.

#include "Screenfixture.h"
#include "controls/Libcursors.h"
#include "controls/Progresscontrols.h"
#include "platform/rtl/Tpropinfo.h"

namespace {

class TThinBar : public TProgressBar {
 public:
  using TProgressBar::TProgressBar;
};

// A gauge with its own property names, one of them missing.
class TGauge : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  double Limit() const { return limit_; }
  void SetLimit(double Value) { limit_ = Value; }
  int Done() const { return done_; }
  void SetDone(int Value) { done_ = Value; }
  std::string Label() const { return label_; }
  void SetLabel(const std::string& Value) { label_ = Value; }

 private:
  double limit_ = 0;
  int done_ = 0;
  std::string label_;
};

class TFancyGauge : public TGauge {
 public:
  using TGauge::TGauge;
};

class ProgressControls : public controlstest::Screen {
 protected:
  void SetUp() override {
    InstallLibraryCursors();  // lives as long as the program
    Screen::SetUp();
    TPublished<TGauge>("TGauge")
        .Float("Limit", &TGauge::Limit, &TGauge::SetLimit)
        .Integer("Done", &TGauge::Done, &TGauge::SetDone)
        .String("Label", &TGauge::Label, &TGauge::SetLabel);
  }
};

TEST_F(ProgressControls, ClassesAndTheirDescendantsAreServed) {
  TProgressBar bar(nullptr);
  TThinBar thin(nullptr);
  TGauge gauge(nullptr);
  EXPECT_TRUE(SupportsProgressControl(&bar));
  EXPECT_TRUE(SupportsProgressControl(&thin)) << "a descendant of the progress bar";
  EXPECT_FALSE(SupportsProgressControl(&gauge));
  EXPECT_FALSE(SupportsProgressControl(nullptr));
  EXPECT_TRUE(SetProgressMax(&thin, 500));
  EXPECT_TRUE(SetProgressMin(&thin, 100));
  EXPECT_TRUE(SetProgressValue(&thin, 250));
  EXPECT_EQ(thin.Max(), 500);
  EXPECT_EQ(thin.Min(), 100);
  EXPECT_EQ(thin.Position(), 250);
  EXPECT_FALSE(SetProgressValue(&gauge, 1));

  // A gauge with a float maximum, an integer position and a text where the minimum should be.
  RegisterProgressControl(ControlClass<TGauge>(), "Limit", "Label", "Done");
  TFancyGauge fancy(nullptr);
  EXPECT_TRUE(SupportsProgressControl(&fancy));
  EXPECT_TRUE(SetProgressMax(&fancy, 80));
  EXPECT_EQ(fancy.Limit(), 80.0);
  EXPECT_TRUE(SetProgressValue(&fancy, 30));
  EXPECT_EQ(fancy.Done(), 30);
  EXPECT_FALSE(SetProgressMin(&fancy, 5)) << "not a number";
  EXPECT_EQ(fancy.Label(), "");
  // A more specific entry for a progress bar's descendant takes precedence.
  RegisterProgressControl(ControlClass<TThinBar>(), "Position", "Min", "Nothing");
  EXPECT_TRUE(SetProgressMax(&thin, 377));
  EXPECT_EQ(thin.Position(), 377);
  EXPECT_EQ(thin.Max(), 500);
  EXPECT_FALSE(SetProgressValue(&thin, 1)) << "no such property: nothing changes";
  EXPECT_EQ(thin.Position(), 377);
  EXPECT_TRUE(SetProgressMax(&bar, 9));
  EXPECT_EQ(bar.Max(), 9);

  // Unregistering the progress bar takes its descendants' entries too.
  UnRegisterProgressControl(ControlClass<TProgressBar>());
  EXPECT_FALSE(SupportsProgressControl(&bar));
  EXPECT_FALSE(SupportsProgressControl(&thin));
  EXPECT_TRUE(SupportsProgressControl(&gauge));
  UnRegisterProgressControl(ControlClass<TFancyGauge>());
  EXPECT_TRUE(SupportsProgressControl(&gauge)) << "an ancestor's entry stays";
  UnRegisterProgressControl(ControlClass<TGauge>());
  EXPECT_FALSE(SupportsProgressControl(&fancy));
  RegisterProgressControl(ControlClass<TProgressBar>(), "Max", "Min", "Position");
}

TEST_F(ProgressControls, LibraryCursorsAreInTheScreensTable) {
  HCURSOR hand = ::Screen->Cursors(crHand), drag = ::Screen->Cursors(crDragHand);
  EXPECT_NE(hand, ::Screen->Cursors(crDefault));
  EXPECT_NE(drag, ::Screen->Cursors(crDefault));
  EXPECT_NE(hand, drag);
  EXPECT_EQ(platform::ShapeOf(hand), platform::CursorShape::Custom);
  InstallLibraryCursors();
  EXPECT_EQ(::Screen->Cursors(crHand), hand) << "installed once";
}

}  // namespace
