// Tool bars, grids, splitters, up-down arrows and progress bars.

#include "Formstest.h"

namespace {

class Bars : public formstest::Screen {
 protected:
  TForm* Plain(int w = 400, int h = 300) {
    auto* f = new TForm(nullptr);
    f->SetBorderStyle(bsNone);
    f->SetBounds(0, 0, w, h);
    return f;
  }
  // Sixteen-pixel pictures: a black square on magenta (the transparent colour).
  TImageList* Images(TComponent* owner) {
    auto* list = new TImageList(owner);
    TBitmap strip;
    strip.SetSize(32, 16);
    strip.Canvas()->Brush()->SetColor(clFuchsia);
    strip.Canvas()->FillRect(RECT{0, 0, 32, 16});
    strip.Canvas()->Brush()->SetColor(clBlack);
    strip.Canvas()->FillRect(RECT{4, 4, 12, 12});
    strip.Canvas()->FillRect(RECT{20, 4, 28, 12});
    EXPECT_EQ(list->AddMasked(&strip, clFuchsia), 0);
    EXPECT_EQ(list->Count(), 2);
    return list;
  }
};

TEST_F(Bars, ToolBarButtonsDropDownAndDisabledPictures) {
  auto* form = Plain();
  auto* bar = new TToolBar(form);
  bar->SetParent(form);
  bar->SetImages(Images(form));
  bar->SetFlat(true);
  std::string log;
  auto* open = new TToolButton(form);
  open->SetParent(bar);
  open->SetImageIndex(0);
  open->OnClick = [&](TObject*) { log += "open;"; };
  auto* sep = new TToolButton(form);
  sep->SetParent(bar);
  sep->SetStyle(tbsSeparator);
  auto* drop = new TToolButton(form);
  drop->SetParent(bar);
  drop->SetStyle(tbsDropDown);
  drop->SetImageIndex(1);
  drop->OnClick = [&](TObject*) { log += "drop;"; };
  auto* menu = new TPopupMenu(form);
  auto* item = new TMenuItem(form);
  item->SetCaption("&First");
  // The corner of the drop button's frame: shadow while it is pressed.
  COLORREF whileOpen = 0, whileChosenRuns = 0;
  item->OnClick = [&](TObject*) {
    log += "first;";
    whileChosenRuns = Pixel(drop, 0, 0);
  };
  menu->Items()->Add(item);
  drop->SetDropdownMenu(menu);
  auto* off = new TToolButton(form);
  off->SetParent(bar);
  off->SetImageIndex(0);
  off->SetEnabled(false);
  form->Show();
  person.Pump();

  EXPECT_EQ(bar->Align(), alTop);
  EXPECT_EQ(open->Left(), 0);
  EXPECT_EQ(sep->Left(), open->Width());
  EXPECT_EQ(drop->Left(), sep->Left() + sep->Width());
  EXPECT_EQ(drop->Width(), open->Width() + 12) << "room for the arrow";
  // Pictures: the black square, the magenta left out.
  int ox = (open->Width() - 16) / 2, oy = (open->Height() - 16) / 2;
  EXPECT_EQ(Pixel(open, ox + 8, oy + 8), RGB(0, 0, 0));
  EXPECT_EQ(Pixel(open, ox + 1, oy + 1), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(Pixel(off, ox + 8, oy + 8), GetSysColor(COLOR_BTNSHADOW)) << "disabled: embossed grey";

  ClickAt(open, 5, 5);
  EXPECT_EQ(log, "open;");
  ClickAt(drop, 5, 5);
  EXPECT_EQ(log, "open;drop;");
  int step = 0;
  platform::SetMenuLoopIdleHook([&] {
    if (step++ > 0) return;
    HWND m = platform::OpenMenuWindows().at(0);
    RECT r{};
    GetWindowRect(m, &r);
    POINT below = drop->ClientToScreen(POINT{0, drop->Height()});
    EXPECT_EQ(r.left, below.x);
    EXPECT_EQ(r.top, below.y);
    whileOpen = Pixel(drop, 0, 0);
    person.PressKey(VK_DOWN);
    person.PressKey(VK_RETURN);
  });
  ClickAt(drop, drop->Width() - 4, 5);
  EXPECT_EQ(log, "open;drop;first;");
  EXPECT_EQ(whileOpen, GetSysColor(COLOR_BTNSHADOW)) << "pressed while its menu is open";
  EXPECT_NE(whileChosenRuns, GetSysColor(COLOR_BTNSHADOW)) << "released once the menu has closed";
  delete form;
}

// The bar is rebuilt while a button's drop-down menu is open (a change of the window it
// belongs to): the menu closes without touching the freed button.
TEST_F(Bars, ButtonFreedWhileItsMenuIsOpen) {
  auto* form = Plain();
  auto* bar = new TToolBar(form);
  bar->SetParent(form);
  auto* drop = new TToolButton(form);
  drop->SetParent(bar);
  drop->SetStyle(tbsDropDown);
  auto* menu = new TPopupMenu(form);
  auto* item = new TMenuItem(form);
  item->SetCaption("&First");
  bool chosen = false;
  item->OnClick = [&](TObject*) { chosen = true; };
  menu->Items()->Add(item);
  drop->SetDropdownMenu(menu);
  form->Show();
  person.Pump();
  const int x = drop->Width() - 4;
  const TControlGuard guard(drop);
  int step = 0;
  platform::SetMenuLoopIdleHook([&] {
    if (step++ > 0) return;
    ASSERT_EQ(platform::OpenMenuWindows().size(), 1u);
    delete drop;
    person.PressKey(VK_DOWN);
    person.PressKey(VK_RETURN);
  });
  ClickAt(drop, x, 5);
  platform::SetMenuLoopIdleHook(nullptr);
  EXPECT_TRUE(guard.Gone());
  EXPECT_TRUE(chosen) << "the item chosen still runs";
  EXPECT_EQ(bar->ButtonCount(), 0);
  EXPECT_TRUE(platform::OpenMenuWindows().empty());
  delete form;
}

TEST_F(Bars, ButtonRemovedByItsOwnClickAndChecks) {
  auto* form = Plain();
  auto* bar = new TToolBar(form);
  bar->SetParent(form);
  bar->SetShowCaptions(true);
  int rebuilds = 0;
  std::function<void()> rebuild = [&] {
    ++rebuilds;
    while (bar->ButtonCount() > 0) delete bar->Buttons(0);
    for (int i = 0; i < 3; ++i) {
      auto* b = new TToolButton(form);
      b->SetParent(bar);
      b->SetCaption("B" + std::to_string(i));
      b->SetStyle(tbsCheck);
      b->SetGrouped(true);
      b->OnClick = [&](TObject*) { rebuild(); };
    }
  };
  rebuild();
  form->Show();
  person.Pump();
  TToolButton* second = bar->Buttons(1);
  ClickAt(second, 5, 5);
  EXPECT_EQ(rebuilds, 2) << "the bar was rebuilt inside the click of one of its buttons";
  EXPECT_EQ(bar->ButtonCount(), 3);
  // Grouped check buttons: one down at a time.
  for (int i = 0; i < 3; ++i) bar->Buttons(i)->OnClick = nullptr;
  ClickAt(bar->Buttons(0), 5, 5);
  ClickAt(bar->Buttons(2), 5, 5);
  EXPECT_FALSE(bar->Buttons(0)->Down());
  EXPECT_TRUE(bar->Buttons(2)->Down());
  ClickAt(bar->Buttons(2), 5, 5);
  EXPECT_TRUE(bar->Buttons(2)->Down()) << "a group keeps one down";
  EXPECT_GT(bar->Buttons(0)->Height(), 22) << "captions below the pictures";
  delete form;
}

TEST_F(Bars, OwnerDrawnGridKeysAndColumnSizes) {
  auto* form = Plain();
  auto* grid = new TDrawGrid(form);
  grid->SetParent(form);
  grid->SetBounds(0, 0, 300, 200);
  grid->SetColCount(4);
  grid->SetRowCount(20);
  grid->SetDefaultRowHeight(20);
  grid->SetColWidths(0, 30);
  std::vector<std::pair<int, int>> selected;
  grid->OnDrawCell = [&](TObject*, int col, int row, RECT r, TGridDrawState state) {
    if (state.Contains(gdFixed)) return;
    grid->Canvas()->Brush()->SetColor(state.Contains(gdSelected) ? clNavy : (row % 2 ? clYellow : clAqua));
    grid->Canvas()->FillRect(r);
    (void)col;
  };
  form->Show();
  person.Pump();
  RECT cell = grid->CellRect(1, 2);
  EXPECT_EQ(cell.left, 31);
  EXPECT_EQ(cell.top, 42);
  EXPECT_EQ(Pixel(grid, cell.left + 5, cell.top + 5), RGB(0, 255, 255));
  EXPECT_EQ(Pixel(grid, cell.left + 5, cell.top + 25), RGB(255, 255, 0));
  int col = -1, row = -1;
  grid->MouseToCell(cell.left + 5, cell.top + 5, col, row);
  EXPECT_EQ(col, 1);
  EXPECT_EQ(row, 2);
  ClickAt(grid, cell.left + 5, cell.top + 5);
  EXPECT_EQ(grid->Row(), 2);
  EXPECT_EQ(Pixel(grid, cell.left + 5, cell.top + 5), RGB(0, 255, 255)) << "the focused cell is not drawn selected";
  grid->SetOptions(grid->Options() + TGridOptions{goDrawFocusSelected});
  person.Pump();
  EXPECT_EQ(Pixel(grid, cell.left + 5, cell.top + 5), RGB(0, 0, 128)) << "unless asked";
  grid->OnSelectCell = [](TObject*, int c, int, bool& can) { can = c != 3; };
  person.PressKey(VK_RIGHT);
  person.PressKey(VK_RIGHT);
  person.PressKey(VK_NEXT);
  person.Pump();
  EXPECT_EQ(grid->Col(), 2) << "column 3 refused";
  EXPECT_GT(grid->Row(), 2);
  EXPECT_GT(grid->TopRow(), 1) << "scrolled to show the current row";
  person.PressKey(VK_HOME, false, true);
  person.Pump();
  EXPECT_EQ(grid->Row(), 1);
  EXPECT_EQ(grid->TopRow(), 1);

  grid->SetOptions(grid->Options() + TGridOptions{goColSizing, goRowSelect});
  RECT head = grid->CellRect(1, 0);
  POINT a = At(grid, head.right, 5), b = At(grid, head.right + 20, 5);
  person.Drag(a.x, a.y, b.x, b.y);
  person.Pump();
  EXPECT_EQ(grid->ColWidths(1), 84);
  TGridRect sel = grid->Selection();
  EXPECT_EQ(sel.Left, 1);
  EXPECT_EQ(sel.Right, 3);
  delete form;
}

TEST_F(Bars, StringGridSplitterUpDownProgress) {
  auto* form = Plain();
  auto* left = new TPanel(form);
  left->SetParent(form);
  left->SetWidth(100);
  left->SetAlign(alLeft);
  auto* split = new TSplitter(form);
  split->SetParent(form);
  split->SetLeft(100);
  auto* grid = new TStringGrid(form);
  grid->SetParent(form);
  grid->SetAlign(alClient);
  grid->SetCells(1, 1, "Текст");
  form->Show();
  person.Pump();
  EXPECT_EQ(split->Left(), 100);
  EXPECT_EQ(grid->Left(), 103);
  EXPECT_EQ(grid->Cells(1, 1), "Текст");
  RECT cell = grid->CellRect(1, 1);
  EXPECT_EQ(Pixel(grid, cell.left + 3, cell.top + 12), RGB(0, 0, 0)) << "ink of the text";
  int moved = 0;
  split->OnMoved = [&](TObject*) { ++moved; };
  POINT from = At(split, 1, 50), to = At(split, 41, 50);
  person.Drag(from.x, from.y, to.x, to.y);
  person.Pump();
  EXPECT_EQ(left->Width(), 140);
  EXPECT_EQ(grid->Left(), 143);
  EXPECT_EQ(moved, 1);
  from = At(split, 1, 50);
  person.Drag(from.x, from.y, 2, from.y);
  person.Pump();
  EXPECT_EQ(left->Width(), 30) << "not below the minimum size";
  left->SetWidth(150);

  auto* edit = new TEdit(form);
  edit->SetParent(left);
  edit->SetBounds(5, 5, 50, 21);
  auto* updown = new TUpDown(form);
  updown->SetAssociate(edit);
  updown->SetMax(3);
  EXPECT_EQ(updown->Parent(), left);
  EXPECT_EQ(updown->Left(), 55);
  EXPECT_EQ(edit->Text(), "0");
  person.Pump();
  for (int i = 0; i < 5; ++i) ClickAt(updown, 5, 3);
  EXPECT_EQ(updown->Position(), 3);
  EXPECT_EQ(edit->Text(), "3");
  ClickAt(updown, 5, 18);
  EXPECT_EQ(updown->Position(), 2);

  auto* progress = new TProgressBar(form);
  progress->SetParent(left);
  progress->SetBounds(0, 50, 30, 16);
  progress->SetSmooth(true);
  progress->SetPosition(50);
  person.Pump();
  EXPECT_EQ(Pixel(progress, 5, 8), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(Pixel(progress, 25, 8), GetSysColor(COLOR_BTNFACE));
  delete form;
}

}  // namespace
