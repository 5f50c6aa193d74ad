// A form built from a table of controls: every row named, on its parent, with its caption,
// tuning, place and alignment, and a click on a made button reaching the row's handler; a
// dialog's table made at run time, whose Enter and Escape press its OK and Cancel buttons.

#include "controls/Newcontrol.h"
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

TEST_F(FormTable, EnterPressesTheDefaultRowAndEscapeTheCancelRowOfATableMadeAtRunTime) {
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  TForm dialog(nullptr);
  dialog.SetCaption("ROWS");
  dialog.SetBounds(0, 0, 300, 120);
  // Names and captions computed as a message box computes its buttons'.
  std::vector<TControlRow> rows = {{New<TEdit>(), "EditValue", "", {8, 8, 200, 21}}};
  int accepted = 0;
  const std::string answers[] = {"Yes", "No"};
  for (int i = 0; i < 2; ++i) {
    const auto keys = i == 0 ? PressedByEnter(mrOk) : PressedByEscape(mrCancel);
    const auto click = [&accepted, i] { accepted += i == 0; };
    const TPlace place{8 + 90 * i, 40, 80, 25};
    rows.push_back({New<TButton>(keys), "Button" + std::to_string(i), "", place, alNone, answers[i], click});
  }
  BuildControls(dialog, rows);
  auto* yes = dynamic_cast<TButton*>(dialog.FindComponent("Button0"));
  auto* no = dynamic_cast<TButton*>(dialog.FindComponent("Button1"));
  ASSERT_TRUE(yes && no);
  EXPECT_EQ(yes->Caption(), "Yes");
  EXPECT_EQ(no->Caption(), "No");

  // The focus stands in the edit: Enter reaches the default button, its click runs and its
  // result closes the dialog; Escape reaches the cancel button.
  script.Answer("ROWS", [](TCustomForm&) { platform::ScreenDriver().PressKey(VK_RETURN); });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_EQ(accepted, 1);
  script.Answer("ROWS", [](TCustomForm&) { platform::ScreenDriver().PressKey(VK_ESCAPE); });
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_EQ(accepted, 1);
  EXPECT_EQ(script.Pending(), 0u);
}

}  // namespace
