// The menus shown: the window menu as the horizontal tool bar (one button per top-level
// entry, a drop-down popup for a submenu), the menu items of popups, and the popup of a
// block name.

#include "browse/Paintsettings.h"
#include "browse/Tformbrowse.h"
#include "browse/Tformbrowsemanager.h"
#include "browse/Tsmartmenu.h"
#include "browse/Workcanvas.h"
#include "foundation/Tbrowsepars.h"
#include "platform/forms/Tcanvas.h"
#include "platform/forms/Tmenu.h"
#include "platform/forms/Tpanel.h"
#include "platform/forms/Tscreen.h"
#include "platform/forms/Ttoolbar.h"

#include <cstdlib>
#include <memory>

namespace {

std::vector<std::unique_ptr<TMenuItem>>& ShedItems() {
  static std::vector<std::unique_ptr<TMenuItem>> items;
  return items;
}

// Margin of a button beside its caption.
constexpr int kCaptionMargin = 10;
// Left positions that only fix the order of the buttons.
constexpr int kButtonOrderStep = 1000;

}  // namespace

void ShedMenuItems(TMenuItem* parent) {
  while (parent->Count() > 0) {
    TMenuItem* item = parent->Items(parent->Count() - 1);
    parent->Delete(parent->Count() - 1);
    ShedItems().emplace_back(item);
  }
}

void FreeShedMenuItems() { ShedItems().clear(); }

int TSmartMenu::GetCaptionWidth(const std::string& caption) const {
  TCanvas& canvas = WorkCanvas();
  if (Browse && Browse->Settings) AssignBrowseFont(*canvas.Font(), Browse->Settings->MenuFont);
  return canvas.TextWidth(caption) + kCaptionMargin;
}

void TSmartMenu::LayoutToolBar() {
  TFormBrowse* form = Browse ? Browse->Form : nullptr;
  if (!Browse || !form) return;
  for (THorzMenuPopup& popup : Browse->Popups) popup.Reset();
  if (const TBrowsePars* settings = Browse->Settings) {
    const bool creating = Browse->CurrentBrowseState.Creating != 0;
    ToolBar->SetColor(TColor((creating ? settings->ToolBarCreatingColor : settings->ToolBarColor) & 0xFFFFFF));
    AssignBrowseFont(*ToolBar->Font(), settings->MenuFont);
    // The pop-up menus show in the tool bar's font, in the menu's text colour.
    TFont& menuFont = *Screen->MenuFont();
    const TColor menuText = menuFont.Color();
    AssignBrowseFont(menuFont, settings->MenuFont);
    menuFont.SetColor(menuText);
  }
  ToolBar->SetIndent(5);
  // The bar fills its panel's height: the panel takes the bar's.
  const int height = int(std::abs(ToolBar->Font()->Height()) * 1.9);
  ToolBar->SetHeight(height);
  form->PanelMenu->SetHeight(height);

  int x = kButtonOrderStep;
  uint32_t popups = 0;
  for (size_t position = 0; position < Root.SubItems.size(); ++position) {
    TSmartMenuItem& entry = Root.SubItems[position];
    entry.OnToolBar = 1;
    if (entry.Code == Command_None && !entry.HasEnabledCommand()) continue;
    TToolButton* button = nullptr;
    if (position < fKept.size() && fKept[position]) {
      button = fKept[position];
      fKept[position] = nullptr;
    } else {
      // Kept buttons are only reused in order: once one is missing, the rest go.
      DestroyKeptButtons();
      button = new TToolButton(ToolBar);
      button->SetLeft(x);
      button->SetParent(ToolBar);
    }
    button->SetEnabled(entry.Enabled != 0);
    button->OnClick = nullptr;
    button->SetDropdownMenu(nullptr);
    button->OnMouseMove = nullptr;
    button->SetTag(0);
    button->SetCaption(entry.Caption.ToString());
    button->SetGrouped(true);
    if (entry.Code == Command_None) {
      if (Browse->Popups.Count() == popups && Browse->Popups.AddEmptyItem() < 0) return;
      THorzMenuPopup& record = Browse->Popups[popups++];
      record.Create(this, &entry, Browse);
      button->SetDropdownMenu(record.Popup.get());
    } else if (entry.Enabled) {
      button->SetTag(reinterpret_cast<intptr_t>(&entry));
      button->OnClick = [form](TObject* sender) { form->SmartMenuItemClick(sender); };
      button->OnMouseMove = [form](TObject* sender, TShiftState shift, int mouseX, int mouseY) {
        form->ToolButtonMouseMove(sender, shift, mouseX, mouseY);
      };
    }
    entry.ToolButton = button;
    x += kButtonOrderStep;
  }
}

void TSmartMenu::FillMenuItems(const TSmartMenuItem& item, TMenuItem* parent) const {
  TFormBrowse* form = Browse ? Browse->Form : nullptr;
  for (const TSmartMenuItem& entry : item.SubItems) {
    if (!entry.Enabled) continue;
    if (entry.Code == Command_None && !entry.HasEnabledCommand()) continue;
    auto* menuItem = new TMenuItem(nullptr);
    menuItem->SetCaption(entry.Caption.ToString());
    if (entry.Code != Command_None) {
      menuItem->SetTag(reinterpret_cast<intptr_t>(&entry));
      if (form) menuItem->OnClick = [form](TObject* sender) { form->SmartMenuItemClick(sender); };
    } else {
      FillMenuItems(entry, menuItem);
    }
    parent->Add(menuItem);
  }
}

void TSmartMenu::BuildNamePopup(const std::string& name) {
  if (fBuilding) return;
  fBuilding = true;
  ++fBuilds;
  Text = name;
  RootItem = nullptr;
  BeginRebuild();
  Root.Add(Command_CopyName, true);
  Root.Add(Command_CopyText, true);
  TSmartMenuItem& open = Root.Add("Open the block in", Command_None, true);
  if (TFormBrowseManager* manager = FormBrowseManager())
    for (int i = 0; i < manager->Count(); ++i) {
      const TBrowse& other = manager->GetFormBrowse(i)->Browse;
      if (!other.ModerationMode) open.Add(other.GetStringForWindowsMenu(), Command_ShowInWindow, true, i);
    }
  open.Add(Command_TextReference, true);
  EndRebuild();
  fBuilding = false;
}
