// A form built from a table of controls: every row named, on its parent, with its caption,
// tuning, place and alignment, and a click on a made button reaching the row's handler.

#include "dialogs/Newcontrol.h"
#include "tests/support/Headlessscreentest.h"

namespace {

class FormTable : public testsupport::HeadlessScreenTest {};

RECT Bounds(TControl* control) { return control->BoundsRect(); }
bool Same(RECT a, RECT b) { return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom; }

TEST_F(FormTable, RowsAreMadeInOrderOnTheirParentsAndAClickReachesTheirHandler) {
  auto* form = new TForm(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 400, 300);
  TPanel *top = nullptr, *bottom = nullptr;
  TButton *receive = nullptr, *help = nullptr;
  TLabel* label = nullptr;
  TMemo* memo = nullptr;
  int received = 0;
  // clang-format off
  BuildControls(*form, {
      {Into(top), "PanelTop", "", {Keep, Keep, Keep, 37}, alTop, ""},
      {Into(receive), "Button1", "PanelTop", {80, 6, 70, 25}, alNone, "Receive", [&] { ++received; }},
      {Into(bottom, [](TPanel& p) { p.SetBevelOuter(bvNone); }), "PanelBottom", "", {Keep, Keep, Keep, 64}, alBottom,
       ""},
      {Into(label), "Label1", "PanelBottom", {100, 11, 80, 16}, alNone, "From EMail:"},
      {Into(help), "Button2", "PanelBottom", {496, 34, 80, 25}},
      {Into(memo), "Memo", "", {}, alClient},
  });
  // clang-format on
  form->Show();
  person.Pump();

  // Each in the member it was made into, found by its name, on the parent its row named.
  EXPECT_EQ(form->FindComponent("PanelTop"), top);
  EXPECT_EQ(form->FindComponent("Button1"), receive);
  EXPECT_EQ(receive->Parent(), top);
  EXPECT_EQ(label->Parent(), bottom);
  EXPECT_EQ(memo->Parent(), form);
  EXPECT_EQ(receive->Owner(), form);
  EXPECT_EQ(receive->Caption(), "Receive");
  EXPECT_EQ(label->Caption(), "From EMail:");
  EXPECT_EQ(help->Caption(), "");  // a row without a caption keeps the control's own
  EXPECT_EQ(bottom->BevelOuter(), bvNone);
  // Aligned rows share the client area in the order listed; placed ones sit where told.
  EXPECT_TRUE(Same(Bounds(top), RECT{0, 0, 400, 37}));
  EXPECT_TRUE(Same(Bounds(bottom), RECT{0, 300 - 64, 400, 300}));
  EXPECT_TRUE(Same(Bounds(memo), RECT{0, 37, 400, 300 - 64}));
  EXPECT_TRUE(Same(Bounds(receive), RECT{80, 6, 150, 31}));

  ClickAt(receive, 10, 10);
  EXPECT_EQ(received, 1);
  ClickAt(help, 10, 10);  // a row without a handler: nothing happens
  EXPECT_EQ(received, 1);
}

}  // namespace
