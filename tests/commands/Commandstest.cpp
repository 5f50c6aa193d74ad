#include "Commandstest.h"

#include "browse/Browsecommand.h"
#include "browse/Tsmartmenu.h"
#include "commands/Tbrowsecommands.h"
#include "foundation/Browsefont.h"
#include "platform/forms/Tbitmap.h"
#include "platform/forms/Tcanvas.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tpanel.h"
#include "platform/gui/Freetypefont.h"
#include "tests/model/Modeltesthelpers.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <functional>

// fontconfig keeps a few bytes of its configuration past FcFini with some configuration
// folders (tests/app/fontconfig.supp); not ours to free. Read by the leak checker of the
// sanitized build, for the tests that draw with the system's fonts.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace commandstest {

void CommandsTest::SetUp() {
  BrowseTest::SetUp();
  ResetCommandHandlers();
  InstallBrowseCommands();
}

void CommandsTest::TearDown() {
  if (systemFonts) platform::SetFontEngine(nullptr);
  BrowseCommandHandler() = nullptr;
  ResetCommandHandlers();
  BrowseTest::TearDown();
}

TFormBrowse* CommandsTest::OpenTree() {
  d = &Discussion(ecology);
  EXPECT_TRUE(d->Load());
  root = d->Storages.GetRootBlockIndex();
  a = modeltest::AddBlock(*d, 1, root, TextType_Premise, "A");
  b = modeltest::AddBlock(*d, 1, root, TextType_Premise, "B");
  c = modeltest::AddBlock(*d, 1, root, TextType_Premise, "C");
  a1 = modeltest::AddBlock(*d, 1, a, TextType_Premise, "A1");
  a2 = modeltest::AddBlock(*d, 1, a, TextType_Premise, "A2");
  a1a = modeltest::AddBlock(*d, 1, a1, TextType_Premise, "A1a");
  EXPECT_TRUE(d->Save());
  return OpenOn(ecology);
}

void CommandsTest::Run(TBrowse& browse, uint8_t code, std::initializer_list<uint16_t> steps, const std::string& text,
                       int32_t data1, int32_t data2) {
  TBrowseItemIndex path;
  for (uint16_t step : steps) path.Append(step);
  browse.ProcessCommand(&path, &browse.CurrentBrowseState.CurrentItem, text, code, TShiftState(), data1, data2);
  Pump();
}

bool CommandsTest::UseXServer() {
  xServer = std::make_unique<xvfbtest::XvfbServer>();
  if (!xServer->Running()) return false;
  screen.reset();
  xDisplay = std::make_unique<platform::X11Display>(xServer->Name());
  if (!xDisplay->Connected()) return false;
  xDisplay->Install();
  return true;
}

void CommandsTest::UseSystemFonts() {
  auto engine = std::make_unique<platform::FreeTypeFontEngine>();
  ASSERT_TRUE(engine->Usable()) << "no system font";
  platform::SetFontEngine(std::move(engine));
  systemFonts = true;
}

bool CommandsTest::ShowsText(HWND window, RECT area, const std::string& text, const TBrowseFont& font) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (!screen || width <= 0 || height <= 0) return false;
  std::vector<COLORREF> shown(size_t(width) * height);
  std::map<COLORREF, int> counts;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      ++counts[shown[size_t(y) * width + x] = screen->WindowPixel(window, area.left + x, area.top + y)];
  // The text alone, drawn on each colour that fills a good part of the area.
  TBitmap drawn;
  drawn.SetSize(width, height);
  TCanvas& canvas = *drawn.Canvas();
  AssignBrowseFont(*canvas.Font(), font);
  const SIZE size = canvas.TextExtent(text);
  if (size.cx <= 0 || size.cx > width || size.cy > height) return false;
  for (const auto& [background, count] : counts) {
    if (count < size.cx * size.cy / 2) continue;
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(TColor(background));
    canvas.FillRect(RECT{0, 0, width, height});
    canvas.Brush()->SetStyle(bsClear);
    canvas.TextOut(0, 0, text);
    // The box the ink fills: the area around it may hold other lines (the row's frame).
    RECT ink{size.cx, size.cy, 0, 0};
    for (int y = 0; y < size.cy; ++y)
      for (int x = 0; x < size.cx; ++x)
        if (COLORREF(canvas.Pixels(x, y)) != background)
          ink = RECT{std::min(ink.left, LONG(x)), std::min(ink.top, LONG(y)), std::max(ink.right, LONG(x + 1)),
                     std::max(ink.bottom, LONG(y + 1))};
    if (ink.left >= ink.right) return false;
    const int w = ink.right - ink.left, h = ink.bottom - ink.top;
    std::vector<COLORREF> alone(size_t(w) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) alone[size_t(y) * w + x] = COLORREF(canvas.Pixels(ink.left + x, ink.top + y));
    for (int top = 0; top + h <= height; ++top)
      for (int left = 0; left + w <= width; ++left) {
        bool same = true;
        for (int y = 0; y < h && same; ++y)
          for (int x = 0; x < w && same; ++x)
            same = shown[size_t(top + y) * width + left + x] == alone[size_t(y) * w + x];
        if (same) return true;
      }
  }
  return false;
}

bool CommandsTest::RowShowsText(TFormBrowse& form, int row, const std::string& text, const TBrowseFont& font) {
  Pump();
  TListeners::Send(Notify_Idle, false);
  TListeners::Instance().DeliverQueued();
  Pump();
  const RECT rect = form.Browse.GetLowerListRowRect(row);
  const int left = form.PaintBoxLowerList->Left(), top = form.PaintBoxLowerList->Top();
  return ShowsText(form.PanelLowerListPaintBox->Handle(),
                   RECT{rect.left + left, rect.top + top, rect.right + left, rect.bottom + top}, text, font);
}

bool CommandsTest::PumpX(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < end) {
    Pump();
    if (xDisplay) xDisplay->WaitForInput(5);
    if (done()) return true;
  }
  return done();
}

std::string CommandsTest::Name(TDiscBlockIndex block) {
  return d->Storages.GetDiscBlock(block)->GetBlockName(*d).ToString();
}

TDiscBlockIndex CommandsTest::Shown(const TBrowse& browse) {
  return browse.CurrentBrowseState.CurrentItem.GetDiscBlockIndex();
}

TDiscBlockIndex CommandsTest::SelectedBlock(TBrowse& browse) {
  TBrowseState& state = browse.CurrentBrowseState;
  if (state.SelectedRow < 0 || state.SelectedRow >= int(state.Rows.Count())) return {};
  const TBrowseItem* item = state.Rows[uint32_t(state.SelectedRow)].GetBrowseItem(state.CurrentItem);
  return item ? item->GetDiscBlockIndex() : TDiscBlockIndex{};
}

bool CommandsTest::ChooseIn(TSmartMenu& menu, std::initializer_list<std::string> captions) {
  // Each caption is looked for at any depth below the last one found, since the menus
  // group their entries in sections and overflow ("...") by the room on the tool bar.
  std::function<TSmartMenuItem*(TSmartMenuItem&, const std::string&)> find = [&](TSmartMenuItem& item,
                                                                                 const std::string& caption) {
    for (TSmartMenuItem& sub : item.SubItems)
      if (sub.Caption.ToString() == caption && sub.Enabled) return &sub;
    for (TSmartMenuItem& sub : item.SubItems)
      if (sub.Code == 0 && sub.Enabled)
        if (TSmartMenuItem* found = find(sub, caption)) return found;
    return static_cast<TSmartMenuItem*>(nullptr);
  };
  TSmartMenuItem* entry = &menu.Root;
  for (const std::string& caption : captions)
    if (!(entry = find(*entry, caption))) return false;
  if (entry->Code == 0 || !entry->Owner) return false;
  // As the form's handler of a chosen entry: what the command needs is copied first.
  const TBrowseItemIndex path = menu.Index;
  const std::string text = menu.Text.ToString();
  menu.Browse->ProcessCommand(&path, menu.RootItem, text, entry->Code, TShiftState(), entry->Data1, entry->Data2);
  Pump();
  return true;
}

bool CommandsTest::Choose(TBrowse& browse, std::initializer_list<std::string> captions) {
  return ChooseIn(browse.Menu, captions);
}

bool CommandsTest::ChooseInPopup(TBrowse& browse, std::initializer_list<uint16_t> steps,
                                 std::initializer_list<std::string> captions) {
  TBrowseItemIndex path;
  for (uint16_t step : steps) path.Append(step);
  browse.PopupMenu.Build(path, browse.CurrentBrowseState.CurrentItem, 0);
  return ChooseIn(browse.PopupMenu, captions);
}

TFormBrowse* CommandsTest::Newest() const {
  return manager->Count() > 0 ? manager->GetFormBrowse(manager->Count() - 1) : nullptr;
}

std::vector<TDiscBlockIndex> CommandsTest::ListedBlocks(TBrowse& browse) {
  std::vector<TDiscBlockIndex> blocks;
  TBrowseState& state = browse.CurrentBrowseState;
  for (uint32_t row = 0; row < state.Rows.Count(); ++row) {
    if (state.Rows[row].RowType != LowerListRow_Service) continue;
    const TBrowseItem* item = state.Rows[row].GetBrowseItem(state.CurrentItem);
    if (item && item->Kind() == BrowseItem_Block) blocks.push_back(item->GetDiscBlockIndex());
  }
  return blocks;
}

}  // namespace commandstest
