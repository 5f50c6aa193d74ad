// Alignment, anchors and constraints when a form is resized.

#include "Formstest.h"

namespace {

class Layout : public formstest::Screen {};

RECT Bounds(TControl* c) { return c->BoundsRect(); }
bool Same(RECT a, RECT b) { return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom; }

TEST_F(Layout, AlignedControlsShareTheClientAreaInOrder) {
  auto* form = new TForm(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 400, 300);
  auto* top = new TEdit(form);
  top->SetParent(form);
  top->SetHeight(20);
  top->SetAlign(alTop);
  auto* bottom = new TButton(form);
  bottom->SetParent(form);
  bottom->SetHeight(30);
  bottom->SetAlign(alBottom);
  auto* left = new TListBox(form);
  left->SetParent(form);
  left->SetWidth(100);
  left->SetAlign(alLeft);
  auto* right = new TButton(form);
  right->SetParent(form);
  right->SetWidth(50);
  right->SetAlign(alRight);
  auto* client = new TMemo(form);
  client->SetParent(form);
  client->SetAlign(alClient);
  auto* second = new TEdit(form);
  second->SetParent(form);
  second->SetBounds(0, 100, 10, 25);
  second->SetAlign(alTop);

  EXPECT_TRUE(Same(Bounds(top), RECT{0, 0, 400, 20}));
  EXPECT_TRUE(Same(Bounds(second), RECT{0, 20, 400, 45})) << "below the first top control";
  EXPECT_TRUE(Same(Bounds(bottom), RECT{0, 270, 400, 300}));
  EXPECT_TRUE(Same(Bounds(left), RECT{0, 45, 100, 270}));
  EXPECT_TRUE(Same(Bounds(right), RECT{350, 45, 400, 270}));
  EXPECT_TRUE(Same(Bounds(client), RECT{100, 45, 350, 270}));

  form->Show();
  person.Pump();
  form->SetBounds(0, 0, 500, 200);
  EXPECT_TRUE(Same(Bounds(top), RECT{0, 0, 500, 20}));
  EXPECT_TRUE(Same(Bounds(bottom), RECT{0, 170, 500, 200}));
  EXPECT_TRUE(Same(Bounds(client), RECT{100, 45, 450, 170}));
  RECT wr{};
  GetWindowRect(client->Handle(), &wr);
  EXPECT_EQ(wr.left, 100) << "the window follows";
  EXPECT_EQ(wr.right, 450);

  // Hiding a control gives its place to the others.
  second->Hide();
  EXPECT_EQ(left->Top(), 20);
  EXPECT_EQ(client->Top(), 20);
  delete form;
}

TEST_F(Layout, AnchorsKeepDistancesAndConstraintsLimitSizes) {
  auto* form = new TForm(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 300, 200);
  auto* ok = new TButton(form);
  ok->SetParent(form);
  ok->SetBounds(210, 160, 80, 30);
  ok->SetAnchors({akRight, akBottom});
  auto* wide = new TEdit(form);
  wide->SetParent(form);
  wide->SetBounds(10, 10, 280, 21);
  wide->SetAnchors({akLeft, akTop, akRight});
  auto* centred = new TButton(form);
  centred->SetParent(form);
  centred->SetBounds(100, 50, 100, 20);
  centred->SetAnchors({akTop});
  auto* fixed = new TButton(form);
  fixed->SetParent(form);
  fixed->SetBounds(10, 100, 50, 20);

  form->Show();
  form->SetBounds(0, 0, 400, 260);
  EXPECT_TRUE(Same(Bounds(ok), RECT{310, 220, 390, 250}));
  EXPECT_TRUE(Same(Bounds(wide), RECT{10, 10, 390, 31}));
  EXPECT_TRUE(Same(Bounds(centred), RECT{150, 50, 250, 70}));
  EXPECT_TRUE(Same(Bounds(fixed), RECT{10, 100, 60, 120}));
  form->SetBounds(0, 0, 300, 200);
  EXPECT_TRUE(Same(Bounds(ok), RECT{210, 160, 290, 190})) << "back where it was, no drift";

  wide->Constraints()->SetMaxWidth(200);
  EXPECT_EQ(wide->Width(), 200);
  form->Constraints()->SetMinWidth(250);
  form->SetWidth(100);
  EXPECT_EQ(form->Width(), 250);

  int resized = 0;
  form->OnResize = [&](TObject*) { ++resized; };
  // The window system sizes the form (as a user would by its frame).
  SetWindowPos(form->Handle(), nullptr, 0, 0, 350, 220, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_EQ(form->Width(), 350);
  EXPECT_EQ(resized, 1);
  EXPECT_EQ(ok->Left(), 260);
  delete form;
}

TEST_F(Layout, ClientSizeAndCoordinates) {
  auto* form = new TForm(nullptr);
  form->SetBorderStyle(bsDialog);
  form->SetClientWidth(200);
  form->SetClientHeight(100);
  EXPECT_EQ(form->ClientWidth(), 200);
  form->SetBounds(50, 40, form->Width(), form->Height());
  form->Show();
  EXPECT_EQ(form->ClientWidth(), 200);
  EXPECT_EQ(form->ClientHeight(), 100);
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(10, 20, 100, 21);
  POINT origin = form->ClientToScreen(POINT{0, 0});
  POINT p = edit->ClientToScreen(POINT{0, 0});
  RECT wr{};
  GetWindowRect(edit->Handle(), &wr);
  EXPECT_EQ(wr.left, origin.x + 10);
  EXPECT_EQ(p.x, wr.left + 2) << "inside the client edge";
  POINT back = edit->ScreenToClient(p);
  EXPECT_EQ(back.x, 0);
  EXPECT_EQ(back.y, 0);
  delete form;
}

}  // namespace
