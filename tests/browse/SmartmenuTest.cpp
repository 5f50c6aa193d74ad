// The menus of a browse window: the menu model, the window menu laid out as the tool bar
// (buttons, their painting, the overflow entry, reuse of buttons), drop-down popups and
// right-click popups, and chosen entries reaching the window's commands.

#include "Browsetest.h"

#include "browse/Browsecommand.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"

#include <functional>

namespace browsetest {
namespace {

using SmartMenu = BrowseTest;

// What reached the commands of the windows.
struct TCommandCall {
  TBrowse* Browse = nullptr;
  TBrowseItemIndex Path;
  const TBrowseItem* Root = nullptr;
  std::string Text;
  int Code = 0, Data1 = 0, Data2 = 0;
};

class CommandLog {
 public:
  CommandLog() {
    BrowseCommandHandler() = [this](TBrowse& browse, const TBrowseItemIndex* path, const TBrowseItem* root,
                                    const std::string& text, uint8_t code, TShiftState, int32_t data1,
                                    int32_t data2) {
      Calls.push_back({&browse, path ? *path : TBrowseItemIndex(), root, text, code, data1, data2});
      if (OnCall) OnCall();
    };
  }
  ~CommandLog() { BrowseCommandHandler() = nullptr; }
  std::vector<TCommandCall> Calls;
  std::function<void()> OnCall;
};

std::vector<std::string> Captions(const TSmartMenuItem& item) {
  std::vector<std::string> captions;
  for (const TSmartMenuItem& entry : item.SubItems) captions.push_back(entry.Caption.ToString());
  return captions;
}

std::vector<std::string> ButtonCaptions(TToolBar* bar) {
  std::vector<std::string> captions;
  for (int i = 0; i < bar->ButtonCount(); ++i) captions.push_back(bar->Buttons(i)->Caption());
  return captions;
}

std::string Up() {
  std::string up = "-----Up-----";
  for (char& c : up) c = c == '-' ? char(0xA0) : c;
  return up;
}

TEST_F(SmartMenu, EntriesFreeWhatTheyOwnAndFindEnabledCommands) {
  TSmartMenu menu;
  EXPECT_EQ(menu.Root.Count(), 0);
  EXPECT_EQ(menu.Ready, 1);
  TSmartMenuItem& title = menu.Root.Add("Title", Command_None, false);
  EXPECT_EQ(title.Data1, -1);
  EXPECT_EQ(title.Data2, -1);
  EXPECT_FALSE(title.HasEnabledCommand()) << "no sub-items";
  TSmartMenuItem& inner = title.Add("Inner", Command_None, true);
  inner.Add("Inert", Command_None, true);
  EXPECT_FALSE(menu.Root.Item(0).HasEnabledCommand()) << "enabled titles without commands";
  menu.Root.Item(0).Item(0).Add("Command", Command_Save, false);
  EXPECT_FALSE(menu.Root.Item(0).HasEnabledCommand()) << "a disabled command";
  menu.Root.Item(0).Item(0).Add("Command", Command_Save, true, 3);
  EXPECT_TRUE(menu.Root.Item(0).HasEnabledCommand()) << "two levels down below a disabled title";
  EXPECT_EQ(menu.Root.Item(0).Item(0).Item(2).Data1, 3);
  EXPECT_EQ(menu.Root.Item(0).Item(0).Item(2).Data2, -1);

  // A tree three levels deep goes with the buttons of its top-level entries.
  TForm form(nullptr);
  auto* bar = new TToolBar(&form);
  bar->SetParent(&form);
  for (int i = 0; i < 2; ++i) {
    auto* button = new TToolButton(bar);
    button->SetParent(bar);
    menu.Root.Add("Top", Command_None, true).ToolButton = button;
  }
  menu.Root.SetOwnerMenu(&menu);
  EXPECT_EQ(menu.Root.Item(0).Item(0).Item(1).Owner, &menu);
  EXPECT_EQ(bar->ButtonCount(), 2);
  menu.Root.Clear();
  EXPECT_EQ(bar->ButtonCount(), 0);
  EXPECT_EQ(menu.Root.Count(), 0);

  std::string text = "-a-b-";
  ReplaceChar(text, '-', '+');
  EXPECT_EQ(text, "+a+b+");
}

TEST_F(SmartMenu, TheWindowMenuOfARootBlockIsLaidOutAsTheToolBar) {
  TFormBrowse* form = OpenOn(ecology);
  ASSERT_NE(form, nullptr);
  form->SetBounds(0, 0, 800, 500);
  Pump();
  const TSmartMenu& menu = form->Browse.Menu;
  EXPECT_EQ(menu.RootItem, &form->Browse.CurrentBrowseState.CurrentItem);
  EXPECT_TRUE(menu.Index.IsEmpty());
  EXPECT_EQ(Captions(menu.Root), (std::vector<std::string>{"Windows", "Back", "Contents", "Previous", "Next", "Help",
                                                           "Commands", "Full", "Chain", "Graph", Up()}));
  struct Expected {
    int code;
    bool enabled;
  };
  const Expected expected[] = {{Command_None, true},      {Command_Back, false},      {Command_Contents, false},
                               {Command_Previous, false}, {Command_Next, false},      {Command_Help, true},
                               {Command_None, true},      {Command_BriefFull, false}, {Command_Chain, false},
                               {Command_Graph, true},     {Command_Up, true}};
  for (int i = 0; i < menu.Root.Count(); ++i) {
    SCOPED_TRACE(i);
    const TSmartMenuItem& entry = menu.Root.Item(i);
    EXPECT_EQ(entry.Code, expected[i].code);
    EXPECT_EQ(entry.Enabled, expected[i].enabled);
    EXPECT_EQ(entry.OnToolBar, 1);
    EXPECT_EQ(entry.Owner, &menu);
    EXPECT_EQ(entry.Data1, -1);
  }
  EXPECT_EQ(menu.Root.Item(7).SecondCaption.ToString(), "Brief");
  EXPECT_EQ(Captions(menu.Root.Item(0)), std::vector<std::string>{"New window"});

  // One button per entry, in order, disabled ones shown disabled.
  TToolBar* bar = form->ToolBarHorzMenu;
  ASSERT_EQ(bar->ButtonCount(), 11);
  EXPECT_EQ(ButtonCaptions(bar), Captions(menu.Root));
  for (int i = 0; i < 11; ++i) {
    SCOPED_TRACE(i);
    TToolButton* button = bar->Buttons(i);
    EXPECT_EQ(button, menu.Root.Item(i).ToolButton);
    EXPECT_EQ(button->Enabled(), expected[i].enabled);
    if (i > 0) {
      EXPECT_EQ(button->Left(), bar->Buttons(i - 1)->Left() + bar->Buttons(i - 1)->Width());
    }
    // Captions only: each button is as wide as its caption and a margin (6 pixels a letter).
    EXPECT_EQ(button->Width(), 6 * int(button->Caption().size()) + 12);
  }
  EXPECT_EQ(bar->Buttons(0)->Left(), 5) << "indent";
  EXPECT_NE(bar->Buttons(0)->DropdownMenu(), nullptr);
  EXPECT_EQ(bar->Buttons(0)->Tag(), 0);
  EXPECT_EQ(bar->Buttons(5)->Tag(), reinterpret_cast<intptr_t>(&menu.Root.Item(5)));
  EXPECT_EQ(bar->Buttons(1)->Tag(), 0) << "a disabled command has no entry to run";
  EXPECT_EQ(form->Browse.Popups.Count(), 2u);

  // The menu font (9 points: 12 pixels) sets the height of the bar and of its panel.
  EXPECT_EQ(bar->Height(), form->PanelMenu->ClientHeight() - 2 * form->PanelMenu->BevelWidth());
  EXPECT_EQ(form->PanelMenu->Height(), int(12 * 1.9));
  EXPECT_EQ(bar->Color(), TColor(pars.ToolBarColor));

  // Painted: the glyph cells of captions on the bar's colour; disabled captions greyed.
  ASSERT_TRUE(form->Active());
  Pump();
  auto pixel = [&](TControl* control, int x, int y) {
    const POINT p = control->ClientToScreen(POINT{x, y});
    return screen->Pixel(p.x, p.y);
  };
  TToolButton* help = bar->Buttons(5);
  const int middle = help->Height() / 2;
  EXPECT_EQ(pixel(help, 9, middle), RGB(0, 0, 0)) << "the H of Help";
  EXPECT_EQ(pixel(help, 8 + 6 * 4 + 1, middle), TColor(pars.ToolBarColor)) << "after the caption";
  TToolButton* back = bar->Buttons(1);
  const COLORREF grey = pixel(back, 9, middle);
  EXPECT_NE(grey, RGB(0, 0, 0));
  EXPECT_NE(grey, TColor(pars.ToolBarColor));
  const TToolButton* last = bar->Buttons(10);
  EXPECT_EQ(pixel(bar, last->Left() + last->Width() + 3, bar->Height() / 2), TColor(pars.ToolBarColor));
}

TEST_F(SmartMenu, ANarrowToolBarMovesWhatDoesNotFitUnderAnOverflowEntry) {
  TFormBrowse* form = OpenOn(ecology);
  ASSERT_NE(form, nullptr);
  // Each caption measures 6 pixels a letter and 10 more; the bar keeps 15 of its width.
  form->SetBounds(0, 0, 300, 500);
  Pump();
  const TSmartMenu& menu = form->Browse.Menu;
  const int available = form->ToolBarHorzMenu->Width() - 15;
  int used = 5;
  int fitting = 0;
  for (const std::string caption : {"Windows", "Back", "Contents", "Previous", "Next", "Help", "Commands",
                                   "Brief"}) {
    used += 6 * int(std::string(caption).size()) + 10;
    if (used + 28 > available) break;
    ++fitting;
  }
  ASSERT_LT(fitting, 8);
  ASSERT_EQ(menu.Root.Count(), fitting + 1);
  const TSmartMenuItem& more = menu.Root.Item(fitting);
  EXPECT_EQ(more.Caption.ToString(), "...");
  EXPECT_EQ(more.Code, Command_None);
  EXPECT_EQ(more.Count(), 11 - fitting);
  EXPECT_EQ(more.Item(more.Count() - 1).Caption.ToString(), Up());
  EXPECT_EQ(form->ToolBarHorzMenu->ButtonCount(), fitting + 1);

  // Too narrow for "Windows" and "...": everything goes under "...", the only button.
  form->SetBounds(0, 0, 120, 500);
  Pump();
  ASSERT_EQ(menu.Root.Count(), 1);
  EXPECT_EQ(menu.Root.Item(0).Count(), 11);
  ASSERT_EQ(form->ToolBarHorzMenu->ButtonCount(), 1);
  EXPECT_EQ(form->ToolBarHorzMenu->Buttons(0)->Caption(), "...");
}

TEST_F(SmartMenu, ARebuildReusesTheButtonsOfEnabledEntriesInOrder) {
  TFormBrowse* form = OpenOn(ecology);
  ASSERT_NE(form, nullptr);
  form->SetBounds(0, 0, 800, 500);
  Pump();
  TBrowse& browse = form->Browse;
  TToolBar* bar = form->ToolBarHorzMenu;
  std::vector<TToolButton*> before;
  for (int i = 0; i < bar->ButtonCount(); ++i) before.push_back(bar->Buttons(i));
  browse.Menu.Build(TBrowseItemIndex(), browse.CurrentBrowseState.CurrentItem, 1);
  ASSERT_EQ(bar->ButtonCount(), 11);
  // The enabled entries come first (Windows) and keep their buttons while every slot up
  // to them holds one; "Back" was disabled, so from there on the buttons are new.
  EXPECT_EQ(bar->Buttons(0), before[0]);
  for (int i = 1; i < 11; ++i) EXPECT_EQ(bar->Buttons(i)->Caption(), browse.Menu.Root.Item(i).Caption.ToString());
  EXPECT_EQ(browse.Popups.Count(), 2u) << "popup records are reused";
}

TEST_F(SmartMenu, AToolButtonDropsItsPopupAndAChosenEntryReachesTheCommands) {
  CommandLog log;
  TFormBrowse* form = OpenOn(ecology);
  ASSERT_NE(form, nullptr);
  TFormBrowse* second = OpenOn(economy);
  ASSERT_NE(second, nullptr);
  form->SetBounds(0, 0, 800, 500);
  second->SetBounds(0, 0, 800, 500);
  form->SetFocus();
  form->Browse.Menu.Build(TBrowseItemIndex(), form->Browse.CurrentBrowseState.CurrentItem, 1);
  Pump();
  ASSERT_TRUE(form->Active());
  TToolBar* bar = form->ToolBarHorzMenu;
  TToolButton* windows = bar->Buttons(0);
  ASSERT_EQ(windows->Caption(), "Windows");

  // The popup shows the entries of the submenu: a new window and the other windows.
  std::vector<std::string> shown;
  auto opened = std::make_shared<int>(0);
  platform::SetMenuLoopIdleHook([&, opened] {
    if ((*opened)++ > 0) return;
    TPopupMenu* popup = windows->DropdownMenu();
    for (int i = 0; i < popup->Items()->Count(); ++i) shown.push_back(popup->Items()->Items(i)->Caption());
    person.PressKey(VK_DOWN);
    person.PressKey(VK_DOWN);
    person.PressKey(VK_RETURN);
  });
  const POINT at = windows->ClientToScreen(POINT{6, 6});
  person.Click(at.x, at.y);
  Pump();
  platform::SetMenuLoopIdleHook(nullptr);
  EXPECT_EQ(shown, (std::vector<std::string>{"New window", second->Browse.GetStringForWindowsMenu()}));
  EXPECT_EQ(second->Browse.GetStringForWindowsMenu(), "Economy");
  ASSERT_EQ(log.Calls.size(), 1u);
  EXPECT_EQ(log.Calls[0].Browse, &form->Browse);
  EXPECT_EQ(log.Calls[0].Code, Command_ActivateWindow);
  EXPECT_EQ(log.Calls[0].Data1, manager->IndexOf(second));
  EXPECT_EQ(log.Calls[0].Data2, -1);
  EXPECT_TRUE(log.Calls[0].Path.IsEmpty());
  EXPECT_EQ(log.Calls[0].Root, &form->Browse.CurrentBrowseState.CurrentItem);
  EXPECT_TRUE(log.Calls[0].Text.empty());

  // A command button runs at a click; a disabled one does nothing.
  TToolButton* help = bar->Buttons(5);
  ASSERT_EQ(help->Caption(), "Help");
  POINT p = help->ClientToScreen(POINT{6, 6});
  person.Click(p.x, p.y);
  Pump();
  ASSERT_EQ(log.Calls.size(), 2u);
  EXPECT_EQ(log.Calls[1].Code, Command_Help);
  p = bar->Buttons(1)->ClientToScreen(POINT{6, 6});
  person.Click(p.x, p.y);
  Pump();
  EXPECT_EQ(log.Calls.size(), 2u);

  // A command that rebuilds the menu from within the click of its own button.
  log.OnCall = [&] { form->Browse.Menu.Build(TBrowseItemIndex(), form->Browse.CurrentBrowseState.CurrentItem, 1); };
  TToolButton* graph = bar->Buttons(9);
  ASSERT_EQ(graph->Caption(), "Graph");
  p = graph->ClientToScreen(POINT{6, 6});
  person.Click(p.x, p.y);
  Pump();
  ASSERT_EQ(log.Calls.size(), 3u);
  EXPECT_EQ(log.Calls[2].Code, Command_Graph);
  EXPECT_EQ(bar->ButtonCount(), 11);
}

TEST_F(SmartMenu, WithoutCommandsAChosenEntryBeeps) {
  TFormBrowse* form = OpenOn(ecology);
  ASSERT_NE(form, nullptr);
  form->SetBounds(0, 0, 800, 500);
  Pump();
  const int beeps = screen->Beeps();
  const POINT p = form->ToolBarHorzMenu->Buttons(5)->ClientToScreen(POINT{6, 6});
  person.Click(p.x, p.y);
  Pump();
  EXPECT_EQ(screen->Beeps(), beeps + 1);
}

TEST_F(SmartMenu, TheNamePopupOffersTheNameAndEveryWindow) {
  CommandLog log;
  TFormBrowse* form = OpenOn(ecology);
  TFormBrowse* second = OpenOn(economy);
  ASSERT_NE(second, nullptr);
  form->SetFocus();
  Pump();
  TBrowse& browse = form->Browse;
  person.MoveTo(200, 100);
  std::vector<std::string> shown, inner;
  auto opened = std::make_shared<int>(0);
  platform::SetMenuLoopIdleHook([&, opened] {
    if ((*opened)++ > 0) return;
    TMenuItem* items = form->PopupMenuRightClick->Items();
    for (int i = 0; i < items->Count(); ++i) shown.push_back(items->Items(i)->Caption());
    TMenuItem* open = items->Items(2);
    for (int i = 0; i < open->Count(); ++i) inner.push_back(open->Items(i)->Caption());
    RECT r{};
    GetWindowRect(platform::OpenMenuWindows().at(0), &r);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.top, 100);
    person.PressKey(VK_DOWN);  // the first entry
    person.PressKey(VK_RETURN);
  });
  browse.ShowReferencePopup("1.2");
  Pump();
  platform::SetMenuLoopIdleHook(nullptr);
  EXPECT_EQ(shown, (std::vector<std::string>{"Copy name", "Copy text", "Open the block in"}));
  EXPECT_EQ(inner, (std::vector<std::string>{"Ecology", "Economy", "new window"})) << "this window too";
  EXPECT_EQ(browse.PopupMenu.Text.ToString(), "1.2");
  EXPECT_EQ(browse.PopupMenu.RootItem, nullptr);
  EXPECT_EQ(browse.PopupMenu.ToolBar, nullptr);
  ASSERT_EQ(log.Calls.size(), 1u);
  EXPECT_EQ(log.Calls[0].Code, Command_CopyName);
  EXPECT_EQ(log.Calls[0].Text, "1.2");
  EXPECT_EQ(log.Calls[0].Root, nullptr);
  const TSmartMenuItem& open = browse.PopupMenu.Root.Item(2);
  EXPECT_EQ(open.Item(1).Code, Command_ShowInWindow);
  EXPECT_EQ(open.Item(1).Data1, 1);
  EXPECT_EQ(open.Item(2).Code, Command_TextReference);
  EXPECT_EQ(open.Item(2).Data1, -1);
}

TEST_F(SmartMenu, ARightClickShowsThePopupOfTheItem) {
  CommandLog log;
  TFormBrowse* form = OpenOn(ecology);
  ASSERT_NE(form, nullptr);
  form->SetBounds(0, 0, 800, 500);
  Pump();
  ASSERT_TRUE(form->Active());
  TBrowse& browse = form->Browse;
  std::vector<std::string> shown;
  auto opened = std::make_shared<int>(0);
  platform::SetMenuLoopIdleHook([&, opened] {
    if ((*opened)++ > 0) return;
    TMenuItem* items = form->PopupMenuRightClick->Items();
    for (int i = 0; i < items->Count(); ++i) shown.push_back(items->Items(i)->Caption());
    person.PressKey(VK_DOWN);
    person.PressKey(VK_DOWN);
    person.PressKey(VK_RETURN);
  });
  // On the upper panel: the window's own item; disabled entries are left out.
  const POINT at = form->ScrollBoxUpperBlock->ClientToScreen(POINT{40, 20});
  person.Click(at.x, at.y, platform::MouseButton::Right);
  Pump();
  EXPECT_EQ(shown, (std::vector<std::string>{"Author", "Add note", "Copy", "Evaluate", "Pick out", "Copy name", "Copy text",
                                             "Block text", "Open block in"}));
  ASSERT_EQ(log.Calls.size(), 1u);
  EXPECT_EQ(log.Calls[0].Code, Command_AddNote);
  EXPECT_TRUE(log.Calls[0].Path.IsEmpty());
  EXPECT_EQ(log.Calls[0].Root, &browse.CurrentBrowseState.CurrentItem);
  EXPECT_EQ(browse.PopupMenu.ToolBar, nullptr);

  // On the service row of an item of the list: that item, by its path.
  TBrowseItem child;
  child.Ident.SetDiscBlock(Discussion(ecology), Discussion(ecology).Storages.GetRootBlockIndex());
  browse.CurrentBrowseState.CurrentItem.Children.push_back(child);
  TBrowseItemIndex path;
  path.Append(uint16_t(browse.CurrentBrowseState.CurrentItem.Children.size() - 1));
  browse.InsertLowerListRow(0, LowerListRow_Service, path, 12);
  *opened = 0;
  shown.clear();
  browse.LowerListMouseDown(0, mbRight, TShiftState(), POINT{5, 5});
  Pump();
  platform::SetMenuLoopIdleHook(nullptr);
  ASSERT_EQ(log.Calls.size(), 2u);
  EXPECT_EQ(log.Calls[1].Path, path);
  EXPECT_EQ(log.Calls[1].Root, &browse.CurrentBrowseState.CurrentItem);
  EXPECT_EQ(shown.back(), "Open block in");
}

TEST_F(SmartMenu, ACreatedStateColoursTheToolBarAndTheWindowNamesItsHelp) {
  TFormBrowse* form = OpenOn(ecology);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->ToolBarHorzMenu->Color(), TColor(pars.ToolBarColor));
  EXPECT_EQ(form->HelpContext(), 1);
  const std::string help = form->HelpFile();
  ASSERT_GE(help.size(), 14u);
  EXPECT_EQ(help.substr(help.size() - 14), "/Quillaran.hlp");
  EXPECT_EQ(help[0], '/');
  form->Browse.CurrentBrowseState.Creating = 1;
  form->Browse.Menu.Build(TBrowseItemIndex(), form->Browse.CurrentBrowseState.CurrentItem, 1);
  EXPECT_EQ(form->ToolBarHorzMenu->Color(), TColor(pars.ToolBarCreatingColor));
  EXPECT_EQ(form->Browse.MenuRebuildOnActivation, 0);
}

TEST_F(SmartMenu, AWindowShowingTheGraphIsCalledGraph) {
  TFormBrowse* form = OpenOn(ecology);
  ASSERT_NE(form, nullptr);
  form->Browse.CurrentBrowseState.SpecCaptionType = SpecCaption_History;
  EXPECT_EQ(form->Browse.GetFormBrowseCaption(), "History");
  form->PanelGraph->Show();
  EXPECT_EQ(form->Browse.GetFormBrowseCaption(), "Graph");
  EXPECT_EQ(form->Browse.GetStringForWindowsMenu(), "Graph");
  form->Browse.CurrentBrowseState.SpecCaptionType = SpecCaption_None;
  EXPECT_EQ(form->Browse.GetStringForWindowsMenu(), "Graph");
}

}  // namespace
}  // namespace browsetest
