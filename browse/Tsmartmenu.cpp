#include "browse/Tsmartmenu.h"

#include "browse/Tbrowse.h"
#include "foundation/Terror.h"
#include "platform/forms/Ttoolbar.h"

#include <algorithm>

// ---- entries

TSmartMenuItem::TSmartMenuItem(TSmartMenuItem&& other) noexcept
    : Owner(other.Owner),
      Enabled(other.Enabled),
      OnToolBar(other.OnToolBar),
      Code(other.Code),
      Data1(other.Data1),
      Data2(other.Data2),
      Caption(std::move(other.Caption)),
      SecondCaption(std::move(other.SecondCaption)),
      ToolButton(other.ToolButton),
      SubItems(std::move(other.SubItems)) {
  other.ToolButton = nullptr;
}

TSmartMenuItem& TSmartMenuItem::operator=(TSmartMenuItem&& other) noexcept {
  if (this == &other) return *this;
  Clear();
  Owner = other.Owner;
  Enabled = other.Enabled;
  OnToolBar = other.OnToolBar;
  Code = other.Code;
  Data1 = other.Data1;
  Data2 = other.Data2;
  Caption = std::move(other.Caption);
  SecondCaption = std::move(other.SecondCaption);
  ToolButton = other.ToolButton;
  other.ToolButton = nullptr;
  SubItems = std::move(other.SubItems);
  return *this;
}

void TSmartMenuItem::Init() {
  Owner = nullptr;
  Enabled = 0;
  OnToolBar = 0;
  Code = 0;
  Data1 = Data2 = -1;
  Caption.Clear();
  SecondCaption.Clear();
  ToolButton = nullptr;
  SubItems.clear();
}

void TSmartMenuItem::Clear() {
  Enabled = 0;
  OnToolBar = 0;
  Code = 0;
  Owner = nullptr;
  Caption.Clear();
  SecondCaption.Clear();
  std::vector<TSmartMenuItem>().swap(SubItems);  // every level frees its own
  delete ToolButton;  // a button removed inside its own click goes once the click returns
  ToolButton = nullptr;
  Data1 = Data2 = -1;
}

void TSmartMenuItem::SetOwnerMenu(TSmartMenu* menu) {
  Owner = menu;
  for (TSmartMenuItem& item : SubItems) item.SetOwnerMenu(menu);
}

bool TSmartMenuItem::HasEnabledCommand() const {
  for (const TSmartMenuItem& item : SubItems) {
    if (item.Code != Command_None && item.Enabled) return true;
    if (item.HasEnabledCommand()) return true;
  }
  return false;
}

TSmartMenuItem& TSmartMenuItem::Add(const std::string& caption, uint8_t code, bool enabled, int32_t data1,
                                    int32_t data2) {
  TSmartMenuItem& item = SubItems.emplace_back();
  item.Caption = caption;
  item.Code = code;
  item.Enabled = enabled ? 1 : 0;
  item.Data1 = data1;
  item.Data2 = data2;
  return item;
}

TSmartMenuItem* TSmartMenuItem::Find(const std::string& caption) {
  for (TSmartMenuItem& item : SubItems)
    if (item.Caption.View() == caption) return &item;
  return nullptr;
}

// ---- menus

void TSmartMenu::Init() {
  Root.Init();
  Text.Clear();
  Ready = 1;
  ToolBar = nullptr;
  RootItem = nullptr;
  Index.Clear();
  Browse = nullptr;
  fKept.clear();
  fOverflowed = false;
}

void TSmartMenu::Done() {
  Root.Clear();
  DestroyKeptButtons();
  Text.Clear();
  ToolBar = nullptr;
  RootItem = nullptr;
  Index.Clear();
}

void TSmartMenu::Build(const TBrowseItemIndex& index, const TBrowseItem& rootItem, int mainMenu) {
  // A rebuild asked for while this one lays the tool bar out (the menu panel takes the
  // bar's height) has nothing new to show.
  if (fBuilding) return;
  fBuilding = true;
  ++fBuilds;
  const TBrowseItemIndex path = index;  // the index may be this menu's own
  RootItem = &rootItem;
  Index = path;
  Text.Clear();
  BeginRebuild();
  const TBrowseItem* item = Index.GetBrowseItem(rootItem);
  if (item && !IsErrorReported()) BuildContents(item, mainMenu != 0);
  EndRebuild();
  fBuilding = false;
}

void TSmartMenu::BeginRebuild() {
  DestroyKeptButtons();
  for (TSmartMenuItem& entry : Root.SubItems) {
    if (!entry.Enabled) continue;
    fKept.push_back(entry.ToolButton);
    entry.ToolButton = nullptr;
  }
  Root.Clear();
  fUsedWidth = 5;
  fAvailableWidth = ToolBar ? ToolBar->Width() - 15 : 0;
  fOverflowed = false;
}

void TSmartMenu::EndRebuild() {
  Root.SetOwnerMenu(this);
  if (ToolBar) {
    LayoutToolBar();
    if (Browse) Browse->MenuRebuildOnActivation = 0;
  }
  DestroyKeptButtons();
}

void TSmartMenu::DestroyKeptButtons() {
  for (TToolButton* button : fKept) delete button;
  fKept.clear();
}

TSmartMenuItem& TSmartMenu::AddTopLevel(const std::string& caption, uint8_t code, bool enabled, int32_t data1,
                                        int32_t data2, const std::string& measured) {
  if (fOverflowed) return Root.SubItems.back().Add(caption, code, enabled, data1, data2);
  if (ToolBar) {
    fUsedWidth += GetCaptionWidth(measured.empty() ? caption : measured);
    if (fUsedWidth + GetCaptionWidth("...") > fAvailableWidth) {
      fOverflowed = true;
      return Root.Add("...", Command_None, true).Add(caption, code, enabled, data1, data2);
    }
  }
  return Root.Add(caption, code, enabled, data1, data2);
}

void ReplaceChar(std::string& text, char what, char with) { std::replace(text.begin(), text.end(), what, with); }
