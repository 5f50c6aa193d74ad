// Focus and keys: tab order, default and cancel buttons, access keys, key preview.

#include "Formstest.h"

namespace {

class Keyboard : public formstest::Screen {
 protected:
  void Build() {
    form = new TForm(nullptr);
    form->SetBounds(10, 10, 300, 200);
    first = Add<TEdit>(10, "First");
    second = Add<TEdit>(40, "Second");
    ok = Add<TButton>(70, "OK");
    ok->SetCaption("&Go");
    ok->SetDefault(true);
    cancel = Add<TButton>(100, "Cancel");
    cancel->SetCancel(true);
    ok->OnClick = [this](TObject*) { pressed += "ok "; };
    cancel->OnClick = [this](TObject*) { pressed += "cancel "; };
    form->Show();
    person.Pump();
  }
  template <class T>
  T* Add(int top, const char* name) {
    auto* c = new T(form);
    c->SetName(name);
    c->SetParent(form);
    c->SetBounds(10, top, 100, 23);
    return c;
  }
  TForm* form = nullptr;
  TEdit* first = nullptr;
  TEdit* second = nullptr;
  TButton* ok = nullptr;
  TButton* cancel = nullptr;
  std::string pressed;
};

TEST_F(Keyboard, TabMovesInTabOrderBothWays) {
  Build();
  EXPECT_TRUE(first->Focused()) << "the first control takes the focus";
  EXPECT_EQ(form->ActiveControl(), first);
  std::string entered;
  second->OnEnter = [&](TObject*) { entered += "enter "; };
  second->OnExit = [&](TObject*) { entered += "exit "; };
  person.PressKey(VK_TAB);
  person.Pump();
  EXPECT_TRUE(second->Focused());
  person.PressKey(VK_TAB);
  person.PressKey(VK_TAB);
  person.PressKey(VK_TAB);
  person.Pump();
  EXPECT_TRUE(first->Focused()) << "round to the start";
  person.PressKey(VK_TAB, true);
  person.Pump();
  EXPECT_TRUE(cancel->Focused());
  EXPECT_EQ(entered, "enter exit ");
  EXPECT_EQ(first->Text(), "") << "no tab typed into the edit";

  second->SetTabOrder(0);
  first->SetFocus();
  person.PressKey(VK_TAB, true);
  person.Pump();
  EXPECT_TRUE(second->Focused());
  cancel->SetEnabled(false);
  ok->SetFocus();
  person.PressKey(VK_TAB);
  person.Pump();
  EXPECT_TRUE(second->Focused()) << "disabled controls are skipped";
}

TEST_F(Keyboard, EnterAndEscapePressTheDialogButtons) {
  Build();
  person.Type("abc");
  person.PressKey(VK_RETURN);
  person.Pump();
  EXPECT_EQ(pressed, "ok ");
  EXPECT_EQ(first->Text(), "abc");
  person.PressKey(VK_ESCAPE);
  person.Pump();
  EXPECT_EQ(pressed, "ok cancel ");
  // A focused button takes Enter itself.
  cancel->SetFocus();
  person.PressKey(VK_RETURN);
  person.Pump();
  EXPECT_EQ(pressed, "ok cancel cancel ");
  person.PressKey(VK_SPACE);
  person.Pump();
  EXPECT_EQ(pressed, "ok cancel cancel cancel ");
  // The access key of a caption, with Alt.
  first->SetFocus();
  person.PressKey('G', false, false, true);
  person.Pump();
  EXPECT_EQ(pressed, "ok cancel cancel cancel ok ");
  EXPECT_TRUE(ok->Focused());
}

TEST_F(Keyboard, KeyPreviewAndSwallowedKeys) {
  Build();
  std::string log;
  form->SetKeyPreview(true);
  form->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
    log += "form ";
    if (key == VK_F2) key = 0;
  };
  form->OnKeyPress = [&](TObject*, char& key) {
    if (key == 'x') key = 0;
  };
  first->OnKeyDown = [&](TObject*, WORD&, TShiftState) { log += "edit "; };
  person.PressKey(VK_F3);
  person.PressKey(VK_F2);
  person.Type("axb");
  person.Pump();
  EXPECT_EQ(log.substr(0, 20), "form edit form form ");
  EXPECT_EQ(first->Text(), "ab");
}

TEST_F(Keyboard, ArrowsMoveBetweenRadioButtonsAndCheckThem) {
  auto* f = new TForm(nullptr);
  f->SetBounds(0, 0, 200, 200);
  TRadioButton* radios[3];
  std::string clicks;
  for (int i = 0; i < 3; ++i) {
    radios[i] = new TRadioButton(f);
    radios[i]->SetParent(f);
    radios[i]->SetBounds(10, 10 + 25 * i, 100, 17);
    radios[i]->OnClick = [&clicks, i](TObject*) { clicks += std::to_string(i); };
  }
  radios[0]->SetChecked(true);
  f->Show();
  person.Pump();
  EXPECT_TRUE(radios[0]->Focused());
  person.PressKey(VK_DOWN);
  person.Pump();
  EXPECT_TRUE(radios[1]->Focused());
  EXPECT_TRUE(radios[1]->Checked());
  EXPECT_FALSE(radios[0]->Checked());
  ClickAt(radios[2], 5, 5);
  EXPECT_TRUE(radios[2]->Checked());
  EXPECT_FALSE(radios[1]->Checked());
  EXPECT_EQ(clicks, "012");
  delete f;
}

}  // namespace
