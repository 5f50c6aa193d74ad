// The tray icon and its icon list: what the notification area is given, the mouse
// notifications turned into events, the menu, the animation, and the list's stream.

#include <chrono>

#include "Screenfixture.h"
#include "controls/Textrayicon.h"
#include "platform/rtl/Tmemorystream.h"

namespace {

std::unique_ptr<TIcon> MakeIcon(unsigned Colour) {
  auto icon = std::make_unique<TIcon>();
  icon->LoadFromBytes(controlstest::IconFile(Colour));
  return icon;
}

class TrayIcon : public controlstest::Screen {
 protected:
  static const platform::NotifyIconEntry* Shown(TExTrayIcon& tray) {
    static platform::NotifyIconEntry entry;
    for (const auto& e : platform::NotifyIcons())
      if (e.window == tray.Handle()) {
        entry = e;
        return &entry;
      }
    return nullptr;
  }
  static void Mouse(TExTrayIcon& tray, UINT message) { platform::NotifyIconMouse(tray.Handle(), 0, message); }
};

TEST_F(TrayIcon, AddedWithItsIconAndShortHint) {
  TExTrayIcon tray(nullptr);
  EXPECT_TRUE(tray.Active());
  EXPECT_EQ(Shown(tray), nullptr) << "no icon, nothing shown";
  tray.SetHint("Pointer engine at work|The long explanation");
  auto icon = MakeIcon(0x00FF00);
  tray.SetIcon(icon.get());
  ASSERT_NE(Shown(tray), nullptr);
  EXPECT_TRUE(tray.Added());
  EXPECT_EQ(Shown(tray)->tip, "Pointer engine at work");
  EXPECT_EQ(Shown(tray)->callbackMessage, CM_TRAYICON);
  EXPECT_EQ(Shown(tray)->icon, tray.Icon()->Handle());
  EXPECT_EQ(tray.NotifyData().cbSize, 88u);
  tray.SetHint(std::string(80, 'x'));
  EXPECT_EQ(Shown(tray)->tip, std::string(63, 'x'));
  tray.Hide();
  EXPECT_EQ(Shown(tray), nullptr);
  tray.Show();
  EXPECT_NE(Shown(tray), nullptr);
  // An empty icon never reaches the area.
  tray.SetIcon(nullptr);
  EXPECT_EQ(Shown(tray), nullptr);
  EXPECT_FALSE(tray.Added());
  // An area that refuses the icon: later changes try again.
  platform::SetNotifyAreaAvailable(false);
  tray.SetIcon(icon.get());
  EXPECT_FALSE(tray.Added());
  platform::SetNotifyAreaAvailable(true);
  tray.SetHint("");
  EXPECT_TRUE(tray.Added());
  EXPECT_EQ(Shown(tray)->tip, "");
}

TEST_F(TrayIcon, MouseNotificationsBecomeEvents) {
  TExTrayIcon tray(nullptr);
  auto icon = MakeIcon(0x00FF00);
  tray.SetIcon(icon.get());
  std::vector<std::string> events;
  tray.OnMouseDown = [&](TObject*, TMouseButton b, TShiftState s, int, int) {
    events.push_back("down" + std::to_string(b) + (s.Contains(ssDouble) ? "d" : ""));
  };
  tray.OnMouseUp = [&](TObject*, TMouseButton b, TShiftState, int, int) { events.push_back("up" + std::to_string(b)); };
  tray.OnClick = [&](TObject*, TMouseButton b, TShiftState s, int x, int y) {
    POINT p{};
    GetCursorPos(&p);
    EXPECT_EQ(x, p.x);
    EXPECT_EQ(y, p.y);
    events.push_back("click" + std::to_string(b) + (s.Contains(ssShift) ? "s" : ""));
  };
  tray.OnDblClick = [&](TObject*) { events.push_back("dbl"); };
  tray.OnMouseMove = [&](TObject*, TShiftState, int, int) { events.push_back("move"); };
  person.MoveTo(300, 200);
  Mouse(tray, WM_MOUSEMOVE);
  Mouse(tray, WM_LBUTTONUP);  // no press since the icon was added: no click
  Mouse(tray, WM_LBUTTONDOWN);
  person.KeyDown(VK_SHIFT);
  person.Pump();
  Mouse(tray, WM_LBUTTONUP);
  person.KeyUp(VK_SHIFT);
  person.Pump();
  Mouse(tray, WM_LBUTTONDBLCLK);
  Mouse(tray, WM_MBUTTONDOWN);
  Mouse(tray, WM_MBUTTONUP);
  Mouse(tray, 0x20A);  // beyond the mouse messages: nothing
  EXPECT_EQ(events, (std::vector<std::string>{"move", "up0", "down0", "click0s", "up0", "dbl", "down0d", "down2",
                                              "up2"}));
  // A right click without a menu is a click; disabled, nothing happens.
  events.clear();
  Mouse(tray, WM_RBUTTONDOWN);
  Mouse(tray, WM_RBUTTONUP);
  EXPECT_EQ(events, (std::vector<std::string>{"down1", "click1", "up1"}));
  events.clear();
  tray.SetEnabled(false);
  Mouse(tray, WM_LBUTTONDOWN);
  EXPECT_TRUE(events.empty());
}

TEST_F(TrayIcon, MenuPopsUpAndItsDefaultItemRuns) {
  auto* form = Plain();
  auto* menu = new TPopupMenu(form);
  auto* open = new TMenuItem(menu);
  open->SetCaption("Open");
  menu->Items()->Add(open);
  TExTrayIcon tray(nullptr);
  auto icon = MakeIcon(0x00FF00);
  tray.SetIcon(icon.get());
  tray.SetPopupMenu(menu);
  int popups = 0, clicks = 0, opens = 0, doubles = 0;
  menu->OnPopup = [&](TObject*) { ++popups; };
  tray.OnClick = [&](TObject*, TMouseButton, TShiftState, int, int) { ++clicks; };
  tray.OnDblClick = [&](TObject*) { ++doubles; };
  open->OnClick = [&](TObject*) { ++opens; };
  platform::SetMenuLoopIdleHook([] { PostMessage(platform::OpenMenuWindows().back(), WM_KEYDOWN, VK_ESCAPE, 0); });
  Mouse(tray, WM_RBUTTONDOWN);
  Mouse(tray, WM_RBUTTONUP);
  platform::SetMenuLoopIdleHook(nullptr);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(menu->PopupComponent(), &tray);
  EXPECT_EQ(clicks, 0) << "the menu instead of the click";
  menu->SetAutoPopup(false);
  Mouse(tray, WM_RBUTTONDOWN);
  Mouse(tray, WM_RBUTTONUP);
  EXPECT_EQ(clicks, 1);
  // A double click runs the enabled default item instead of OnDblClick.
  Mouse(tray, WM_LBUTTONDBLCLK);
  EXPECT_EQ(doubles, 1);
  open->SetDefault(true);
  Mouse(tray, WM_LBUTTONDBLCLK);
  EXPECT_EQ(opens, 1);
  EXPECT_EQ(doubles, 1);
  delete menu;
  EXPECT_EQ(tray.PopupMenu(), nullptr);
  delete form;
}

TEST_F(TrayIcon, AnimationCyclesThroughTheIcons) {
  TExTrayIcon tray(nullptr);
  auto still = MakeIcon(0x00FF00);
  tray.SetIcon(still.get());
  tray.SetAnimated(true);
  EXPECT_FALSE(tray.Animated()) << "no icons to cycle";
  for (unsigned c : {0xFF0000u, 0x0000FFu, 0xFFFF00u}) tray.Icons()->Add(MakeIcon(c).get());
  tray.SetInterval(2);
  tray.SetAnimated(true);
  EXPECT_TRUE(tray.Animated());
  EXPECT_EQ(Shown(tray)->icon, tray.Icons()->Icons(0)->Handle());
  std::vector<int> frames;
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);  // only so that a fault ends
  while (frames.size() < 5 && std::chrono::steady_clock::now() < end) {
    // One message at a time: the worker's next step may arrive while a pump runs, and
    // every frame must be seen.
    person.Pump(1);
    if (frames.empty() || frames.back() != tray.FrameIndex()) frames.push_back(tray.FrameIndex());
  }
  ASSERT_GE(frames.size(), 5u);
  for (size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i], (frames[i - 1] + 1) % 3);
  EXPECT_EQ(Shown(tray)->icon, tray.GetActiveIcon()->Handle());
  // Deleting the icons ends the animation and shows the still icon again.
  tray.Icons()->Clear();
  EXPECT_FALSE(tray.Animated());
  EXPECT_EQ(Shown(tray)->icon, tray.Icon()->Handle());
}

TEST(IconList, StreamKeepsEntriesEmptySlotsAndRefusesDamage) {
  TIconList list;
  int changes = 0;
  list.OnChange = [&](TObject*) { ++changes; };
  auto red = MakeIcon(0xFF0000);
  list.Add(red.get());
  list.AddIcon(nullptr);
  list.Add(nullptr);
  EXPECT_EQ(changes, 3);
  EXPECT_NE(list.Icons(0), red.get()) << "a copy";
  EXPECT_EQ(list.IndexOf(list.Icons(0)), 0);
  EXPECT_EQ(list.IndexOf(red.get()), -1);
  EXPECT_EQ(list.Icons(1), nullptr);
  list.SetIcons(3, red.get());
  EXPECT_EQ(list.Count(), 4);
  list.Exchange(0, 3);
  list.Move(3, 1);
  EXPECT_EQ(list.Icons(1)->Width(), 16);
  EXPECT_THROW(list.Icons(4), EListError);

  TMemoryStream stream;
  list.SaveToStream(&stream);
  std::string bytes(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
  EXPECT_EQ(bytes.substr(0, 4), std::string("\x04\x00\x00\x00", 4));
  TIconList copy;
  stream.SetPosition(0);
  copy.LoadFromStream(&stream);
  ASSERT_EQ(copy.Count(), 4);
  EXPECT_EQ(copy.Icons(0)->Width(), 16);
  EXPECT_EQ(copy.Icons(1)->Width(), 16);
  EXPECT_EQ(copy.Icons(2), nullptr) << "size 0 reads back as an empty slot";
  EXPECT_EQ(copy.Icons(3), nullptr);

  // A count or a size that the stream cannot hold is refused, and nothing half-read stays.
  for (std::string damaged : {std::string("\xFF\xFF\x00\x00", 4), bytes.substr(0, 4) + std::string("\x00\x10\x00\x00", 4)}) {
    TMemoryStream s;
    s.WriteBuffer(damaged.data(), static_cast<int32_t>(damaged.size()));
    s.SetPosition(0);
    EXPECT_THROW(copy.LoadFromStream(&s), Exception);
  }
  TIconList assigned;
  assigned.Assign(&list);
  EXPECT_EQ(assigned.Count(), 4);
  assigned.Assign(red.get());
  EXPECT_EQ(assigned.Count(), 1);
  assigned.Assign(nullptr);
  EXPECT_EQ(assigned.Count(), 0);
}

}  // namespace
