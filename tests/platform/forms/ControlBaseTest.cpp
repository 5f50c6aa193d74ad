// The bases of every control: inherited fonts and colours, notifications, subclassing
// through WindowProc, handles made again, mouse enter and leave, re-entrant layout.

#include "Formstest.h"

namespace {

class Base : public formstest::Screen {
 protected:
  TForm* Plain(int w = 300, int h = 200) {
    auto* f = new TForm(nullptr);
    f->SetBorderStyle(bsNone);
    f->SetBounds(0, 0, w, h);
    return f;
  }
};

// A control that keeps the library's notifications it receives.
class TProbe : public TCustomControl {
 public:
  explicit TProbe(TComponent* AOwner) : TCustomControl(AOwner) { SetTabStop(true); }
  std::vector<UINT> seen;
  void WndProc(TMessage& Message) override {
    if (Message.Msg >= CM_BASE && Message.Msg < CM_BASE + 0x100) seen.push_back(Message.Msg);
    TCustomControl::WndProc(Message);
  }
  int Count(UINT m) const { return static_cast<int>(std::count(seen.begin(), seen.end(), m)); }
};

TEST_F(Base, FontsAndColoursFollowTheParentUntilSet) {
  auto* form = Plain();
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  auto* probe = new TProbe(form);
  probe->SetParent(panel);
  probe->SetParentColor(true);
  form->Font()->SetHeight(-20);
  EXPECT_EQ(panel->Font()->Height(), -20);
  EXPECT_EQ(probe->Font()->Height(), -20) << "through the panel";
  EXPECT_TRUE(probe->ParentFont());
  probe->Font()->SetStyle({fsBold});
  EXPECT_FALSE(probe->ParentFont());
  form->Font()->SetHeight(-11);
  EXPECT_EQ(probe->Font()->Height(), -20) << "its own font now";
  panel->SetColor(clRed);
  EXPECT_EQ(probe->Color(), clRed);
  EXPECT_GT(probe->Count(CM_PARENTCOLORCHANGED), 0);
  probe->SetColor(clBlue);
  EXPECT_FALSE(probe->ParentColor());
  panel->SetColor(clGreen);
  EXPECT_EQ(probe->Color(), clBlue);

  probe->seen.clear();
  probe->SetText("x");
  probe->SetEnabled(false);
  probe->SetVisible(false);
  EXPECT_EQ(probe->seen, (std::vector<UINT>{CM_TEXTCHANGED, CM_ENABLEDCHANGED, CM_VISIBLECHANGED}));
  delete form;
}

TEST_F(Base, WindowProcSubclassingAndRecreatedHandles) {
  auto* form = Plain();
  auto* probe = new TProbe(form);
  probe->SetParent(form);
  probe->SetBounds(0, 0, 100, 100);
  auto* child = new TEdit(form);
  child->SetParent(probe);
  child->SetText("kept");
  form->Show();
  person.Pump();
  int painted = 0;
  auto saved = probe->WindowProc;
  probe->WindowProc = [&, saved](TMessage& m) {
    if (m.Msg == WM_PAINT) ++painted;
    saved(m);
  };
  probe->Invalidate();
  person.Pump();
  EXPECT_EQ(painted, 1);
  EXPECT_EQ(probe->Perform(WM_GETTEXTLENGTH, 0, 0), 0);
  HWND before = probe->Handle();
  HWND childBefore = child->Handle();
  form->SetBorderStyle(bsSingle);  // the form's window is made again, and its children's
  EXPECT_NE(probe->Handle(), before);
  EXPECT_NE(child->Handle(), childBefore);
  EXPECT_FALSE(IsWindow(before));
  EXPECT_EQ(child->Text(), "kept");
  EXPECT_EQ(TWinControl::FindControl(child->Handle()), child);
  EXPECT_TRUE(IsChild(form->Handle(), child->Handle()));
  delete form;
}

TEST_F(Base, MouseEnterLeaveAndCapture) {
  auto* form = Plain();
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetAutoSize(false);
  label->SetBounds(10, 10, 50, 20);
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(100, 10, 50, 21);
  std::string log;
  label->OnMouseEnter = [&](TObject*) { log += "enter label;"; };
  label->OnMouseLeave = [&](TObject*) { log += "leave label;"; };
  edit->OnMouseEnter = [&](TObject*) { log += "enter edit;"; };
  label->OnMouseMove = [&](TObject*, TShiftState, int x, int y) { log += "move " + std::to_string(x) + "," + std::to_string(y) + ";"; };
  form->Show();
  person.Pump();
  person.MoveTo(15, 15);
  person.MoveTo(110, 15);
  person.Pump();
  EXPECT_EQ(log, "enter label;move 5,5;leave label;enter edit;");
  // A graphic control keeps the mouse while a button is held, through its parent.
  log.clear();
  label->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int x, int) { log += "up " + std::to_string(x) + ";"; };
  person.Drag(15, 15, 200, 15);
  person.Pump();
  EXPECT_NE(log.find("up 190;"), std::string::npos) << log;
  EXPECT_EQ(TControl::CaptureControl(), nullptr);
  delete form;
}

TEST_F(Base, LayoutChangedFromInsideLayoutIsFinite) {
  auto* form = Plain();
  auto* top = new TPanel(form);
  top->SetParent(form);
  top->SetAlign(alTop);
  auto* rest = new TPanel(form);
  rest->SetParent(form);
  rest->SetAlign(alClient);
  int resizes = 0;
  // Each resize makes the top panel taller: the layout runs again, a bounded number of times.
  rest->OnResize = [&](TObject*) {
    ++resizes;
    top->SetHeight(top->Height() + 1);
  };
  form->Show();
  form->SetHeight(300);
  EXPECT_LT(resizes, 20);
  rest->OnResize = nullptr;
  form->Realign();
  EXPECT_EQ(rest->Top(), top->Height());
  delete form;
}

TEST_F(Base, ScreenFormsActivationAndWindowStates) {
  auto* a = new TForm(nullptr);
  a->SetCaption("A");
  auto* b = new TForm(nullptr);
  b->SetCaption("B");
  b->SetFormStyle(fsStayOnTop);
  int activations = 0, deactivations = 0;
  a->OnActivate = [&](TObject*) { ++activations; };
  a->OnDeactivate = [&](TObject*) { ++deactivations; };
  a->Show();
  person.Pump();
  EXPECT_EQ(::Screen->ActiveForm(), a);
  b->Show();
  person.Pump();
  EXPECT_EQ(::Screen->ActiveForm(), b);
  EXPECT_EQ(::Screen->Forms(0), b) << "the active form first";
  EXPECT_TRUE(GetWindowLong(b->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  a->SetFocus();
  person.Pump();
  EXPECT_EQ(activations, 2);
  EXPECT_EQ(deactivations, 1);
  a->SetWindowState(wsMaximized);
  EXPECT_EQ(a->WindowState(), wsMaximized);
  EXPECT_EQ(a->Width(), 800) << "the whole work area";
  a->SetWindowState(wsNormal);
  EXPECT_EQ(a->WindowState(), wsNormal);
  EXPECT_EQ(FindWindow("TForm", "B"), b->Handle()) << "windows are of the class named after the form's class";
  delete b;
  EXPECT_EQ(::Screen->FormCount(), 1);
  delete a;
  EXPECT_EQ(::Screen->ActiveForm(), nullptr);
}

TEST_F(Base, CanvasShapesAndClipping) {
  TBitmap b;
  b.SetSize(40, 40);
  TCanvas* c = b.Canvas();
  c->Pen()->SetColor(clRed);
  c->Brush()->SetColor(clBlue);
  c->Rectangle(5, 5, 15, 15);
  EXPECT_EQ(c->Pixels(5, 10), clRed) << "outline";
  EXPECT_EQ(c->Pixels(10, 10), clBlue) << "fill";
  c->Brush()->SetStyle(bsClear);
  c->Rectangle(20, 20, 30, 30);
  EXPECT_EQ(c->Pixels(25, 25), clWhite) << "a clear brush leaves the inside";
  c->Pen()->SetMode(pmXor);
  c->Pen()->SetColor(clWhite);
  c->MoveTo(0, 35);
  c->LineTo(40, 35);
  EXPECT_EQ(c->Pixels(10, 35), clBlack) << "white xor white";
  EXPECT_EQ(c->PenPos().x, 40);
  c->Pen()->SetMode(pmCopy);
  c->Brush()->SetColor(clYellow);
  c->TextRect(RECT{0, 0, 10, 4}, 0, 0, "WWWW");
  EXPECT_NE(c->Pixels(12, 1), clYellow) << "nothing past the rectangle";
  RECT clip = c->ClipRect();
  EXPECT_EQ(clip.right, 40);
  TBitmap copy;
  copy.SetSize(10, 10);
  copy.Canvas()->CopyRect(RECT{0, 0, 10, 10}, c, RECT{5, 5, 15, 15});
  EXPECT_EQ(copy.Canvas()->Pixels(5, 5), clBlue);
  SIZE s = c->TextExtent("ab");
  EXPECT_EQ(s.cx, c->TextWidth("ab"));
  EXPECT_EQ(s.cy, c->TextHeight("ab"));
  EXPECT_GT(s.cy, 0);
}

}  // namespace
