// Menus: popups by mouse and keys, the bar of a main menu, short cuts.

#include "Formstest.h"

namespace {

class Menus : public formstest::Screen {
 protected:
  TMenuItem* Item(TComponent* owner, TMenuItem* parent, const char* caption, std::string* log = nullptr) {
    auto* i = new TMenuItem(owner);
    i->SetCaption(caption);
    parent->Add(i);
    if (log) i->OnClick = [log, caption](TObject*) { *log += StripHotkey(caption) + ";"; };
    return i;
  }
};

TEST_F(Menus, PopupByMouseAndKeys) {
  auto* form = new TForm(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 300, 200);
  auto* popup = new TPopupMenu(form);
  std::string log;
  Item(form, popup->Items(), "&Open", &log);
  Item(form, popup->Items(), "-");
  auto* disabled = Item(form, popup->Items(), "&Disabled", &log);
  disabled->SetEnabled(false);
  auto* more = Item(form, popup->Items(), "&More");
  Item(form, more, "Placeholder");
  more->OnClick = [&, more](TObject*) {
    // The submenu is filled as it opens.
    more->Clear();
    Item(form, more, "&Inner", &log);
  };
  int popups = 0;
  popup->OnPopup = [&](TObject*) { ++popups; };
  form->SetPopupMenu(popup);
  form->Show();
  person.Pump();

  // Keys: down to the second selectable item (the disabled one is passed over? no: it
  // is selectable but not chosen), then to More, into its submenu, Enter.
  int step = 0;
  std::vector<size_t> levels;
  platform::SetMenuLoopIdleHook([&] {
    levels.push_back(platform::OpenMenuWindows().size());
    if (step++ == 0) {
      person.PressKey(VK_UP);
      person.PressKey(VK_RIGHT);
      person.PressKey(VK_RETURN);
    }
  });
  person.Click(50, 50, platform::MouseButton::Right);
  person.Pump();
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(log, "Inner;");
  EXPECT_EQ(levels, std::vector<size_t>{1});
  EXPECT_TRUE(platform::OpenMenuWindows().empty());

  // Mouse: a click on the first item.
  step = 0;
  platform::SetMenuLoopIdleHook([&] {
    if (step++ > 0) return;
    HWND menu = platform::OpenMenuWindows().at(0);
    RECT r{};
    GetWindowRect(menu, &r);
    EXPECT_EQ(r.left, 60);
    EXPECT_EQ(r.top, 70);
    person.Click(r.left + 20, r.top + 8);
  });
  person.Click(60, 70, platform::MouseButton::Right);
  person.Pump();
  EXPECT_EQ(log, "Inner;Open;");

  // Escape and a click elsewhere close it without choosing; the accelerator chooses.
  step = 0;
  platform::SetMenuLoopIdleHook([&] {
    if (step++ == 0) person.PressKey(VK_ESCAPE);
  });
  popup->Popup(10, 10);
  step = 0;
  platform::SetMenuLoopIdleHook([&] {
    if (step++ == 0) person.Click(290, 190);
  });
  popup->Popup(10, 10);
  step = 0;
  platform::SetMenuLoopIdleHook([&] {
    if (step++ == 0) {
      person.Type("d");  // disabled: nothing
      person.Type("o");
    }
  });
  popup->Popup(10, 10);
  EXPECT_EQ(log, "Inner;Open;Open;");
  delete form;
}

TEST_F(Menus, MainMenuBarShortCutsAndChecks) {
  auto* form = new TForm(nullptr);
  form->SetBounds(0, 0, 300, 200);
  auto* menu = new TMainMenu(form);
  std::string log;
  auto* file = Item(form, menu->Items(), "&File");
  auto* newItem = Item(form, file, "&New", &log);
  newItem->SetShortCut(ShortCut('N', {ssCtrl}));
  auto* view = Item(form, menu->Items(), "&View");
  auto* grid = Item(form, view, "&Grid", &log);
  grid->SetAutoCheck(true);
  form->SetMenu(menu);
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  RECT before = form->ClientRect();
  form->Show();
  person.Pump();
  RECT wr{}, cr{};
  GetWindowRect(form->Handle(), &wr);
  GetClientRect(form->Handle(), &cr);
  POINT origin{0, 0};
  ClientToScreen(form->Handle(), &origin);
  RECT bar = menu->BarRect(form);
  EXPECT_EQ(origin.y - wr.top, bar.bottom) << "the client area starts below the bar";
  (void)before;

  person.PressKey('N', false, true);
  person.Pump();
  EXPECT_EQ(log, "New;");
  EXPECT_EQ(edit->Text(), "") << "the short cut is not typed";

  // Alt+V opens View; Enter chooses Grid, which checks itself.
  int step = 0;
  platform::SetMenuLoopIdleHook([&] {
    if (step++ == 0) person.PressKey(VK_RETURN);
  });
  person.PressKey('V', false, false, true);
  person.Pump();
  EXPECT_EQ(log, "New;Grid;");
  EXPECT_TRUE(grid->Checked());

  // A click on File in the bar, then Right to View, Down, Enter.
  step = 0;
  platform::SetMenuLoopIdleHook([&] {
    if (step++ == 0) {
      person.PressKey(VK_RIGHT);
      person.PressKey(VK_RETURN);
    }
  });
  RECT fileRect = menu->ItemRect(form, 0);
  person.Click(wr.left + fileRect.left + 5, wr.top + fileRect.top + 5);
  person.Pump();
  EXPECT_EQ(log, "New;Grid;Grid;");
  EXPECT_FALSE(grid->Checked());
  EXPECT_EQ(StripHotkey("&File && more"), "File & more");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_DELETE, {ssCtrl, ssShift})), "Shift+Ctrl+Del");
  EXPECT_EQ(TextToShortCut("Ctrl+N"), ShortCut('N', {ssCtrl}));
  delete form;
}

}  // namespace
