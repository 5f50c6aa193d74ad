#include "platform/forms/Tmenu.h"

#include <algorithm>
#include <cctype>

#include "platform/forms/Menuloop.h"
#include "platform/forms/Tform.h"
#include "platform/gui/Winkeys.h"
#include "platform/rtl/Exception.h"

// ---- short cuts

TShortCut ShortCut(WORD Key, TShiftState Shift) {
  TShortCut s = Key & 0xFF;
  if (Shift.Contains(ssShift)) s |= scShift;
  if (Shift.Contains(ssCtrl)) s |= scCtrl;
  if (Shift.Contains(ssAlt)) s |= scAlt;
  return s;
}

namespace {
struct KeyName {
  WORD key;
  const char* name;
};
const KeyName kKeyNames[] = {
    {VK_BACK, "BkSp"}, {VK_TAB, "Tab"}, {VK_ESCAPE, "Esc"}, {VK_RETURN, "Enter"}, {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"}, {VK_END, "End"}, {VK_HOME, "Home"}, {VK_LEFT, "Left"},
    {VK_UP, "Up"}, {VK_RIGHT, "Right"}, {VK_DOWN, "Down"}, {VK_INSERT, "Ins"}, {VK_DELETE, "Del"},
};
}  // namespace

std::string ShortCutToText(TShortCut ShortCut) {
  WORD key = ShortCut & 0xFF;
  std::string name;
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
    name = std::string(1, static_cast<char>(key));
  } else if (key >= VK_F1 && key <= VK_F1 + 23) {
    name = "F" + std::to_string(key - VK_F1 + 1);
  } else {
    for (const KeyName& k : kKeyNames)
      if (k.key == key) name = k.name;
  }
  if (name.empty()) return "";
  std::string text;
  if (ShortCut & scShift) text += "Shift+";
  if (ShortCut & scCtrl) text += "Ctrl+";
  if (ShortCut & scAlt) text += "Alt+";
  return text + name;
}

TShortCut TextToShortCut(const std::string& Text) {
  TShortCut mods = 0;
  std::string rest = Text;
  for (bool found = true; found;) {
    found = false;
    for (auto [prefix, bit] : {std::pair{"Shift+", scShift}, std::pair{"Ctrl+", scCtrl}, std::pair{"Alt+", scAlt}}) {
      std::string p = prefix;
      if (rest.size() > p.size() && rest.compare(0, p.size(), p) == 0) {
        mods |= bit;
        rest = rest.substr(p.size());
        found = true;
      }
    }
  }
  for (int key = 1; key < 256; ++key)
    if (ShortCutToText(static_cast<TShortCut>(key)) == rest) return static_cast<TShortCut>(mods | key);
  return 0;
}

char GetHotkey(const std::string& Caption) {
  for (size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] == '&') {
      ++i;
      continue;
    }
    unsigned char c = static_cast<unsigned char>(Caption[i + 1]);
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 32);
    if (c >= 0xE0) return static_cast<char>(c - 32);  // lower-case Cyrillic in the code page
    return static_cast<char>(c);
  }
  return 0;
}

std::string StripHotkey(const std::string& Caption) {
  std::string s;
  for (size_t i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == '&') {
      if (i + 1 < Caption.size() && Caption[i + 1] == '&') s += '&';
      ++i;
      if (i < Caption.size() && Caption[i] != '&') s += Caption[i];
      continue;
    }
    s += Caption[i];
  }
  return s;
}

// ---- items

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
  while (!items_.empty()) delete items_.back();
  if (parent_) parent_->Remove(this);
}

void TMenuItem::Changed() {
  if (TMenu* m = GetParentMenu()) m->MenuChanged();
}

void TMenuItem::SetChecked(bool Value) {
  checked_ = Value;
  if (Value && radioItem_ && parent_) {
    for (TMenuItem* i : parent_->items_)
      if (i != this && i->radioItem_ && i->groupIndex_ == groupIndex_) i->checked_ = false;
  }
  Changed();
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (Item->parent_) throw EMenuError("Menu inserted twice");
  if (Index < 0 || Index > Count()) throw EMenuError("Menu index out of range");
  items_.insert(items_.begin() + Index, Item);
  Item->parent_ = this;
  Changed();
}

void TMenuItem::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EMenuError("Menu index out of range");
  items_[Index]->parent_ = nullptr;
  items_.erase(items_.begin() + Index);
  Changed();
}

void TMenuItem::Remove(TMenuItem* Item) {
  int i = IndexOf(Item);
  if (i < 0) throw EMenuError("Sub-menu is not in menu");
  Delete(i);
}

void TMenuItem::Clear() {
  while (!items_.empty()) delete items_.back();
}

int TMenuItem::IndexOf(TMenuItem* Item) const {
  auto it = std::find(items_.begin(), items_.end(), Item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TMenuItem* TMenuItem::Find(const std::string& ACaption) const {
  std::string want = StripHotkey(ACaption);
  for (TMenuItem* i : items_)
    if (StripHotkey(i->caption_) == want) return i;
  return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* i = this;
  while (i->parent_) i = i->parent_;
  return i->menu_;
}

void TMenuItem::Click() {
  if (!enabled_) return;
  if (autoCheck_) SetChecked(!checked_ || radioItem_);
  if (OnClick) OnClick(this);
}

// ---- menus

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(nullptr)) { items_->menu_ = this; }

TMenu::~TMenu() { delete items_; }

namespace {
TMenuItem* FindShortCut(TMenuItem* Root, TShortCut Key) {
  for (int i = 0; i < Root->Count(); ++i) {
    TMenuItem* item = Root->Items(i);
    if (!item->Visible() || !item->Enabled()) continue;
    if (item->ShortCut() == Key && item->Count() == 0) return item;
    if (TMenuItem* found = FindShortCut(item, Key)) return found;
  }
  return nullptr;
}
}  // namespace

bool TMenu::IsShortCut(WORD Key, TShiftState Shift) {
  TShortCut sc = ShortCut(Key, Shift);
  if ((sc & 0xFF) == 0 || (sc & 0xFF) == VK_SHIFT || (sc & 0xFF) == VK_CONTROL || (sc & 0xFF) == VK_MENU) return false;
  TMenuItem* item = FindShortCut(items_, sc);
  if (!item) return false;
  item->Click();
  return true;
}

// ---- main menu

void TMainMenu::MenuChanged() {
  if (auto* form = dynamic_cast<TCustomForm*>(Owner()); form && form->Menu() == this && form->HandleAllocated())
    platform::menus::RedrawBar(form);
}

bool TMainMenu::ActivateByKeyboard(TCustomForm* Form) {
  for (int i = 0; i < Items()->Count(); ++i) {
    if (Items()->Items(i)->Visible()) {
      TrackBar(Form, i, true);
      return true;
    }
  }
  return false;
}

bool TMainMenu::DialogChar(TCustomForm* Form, char Key) {
  char want = GetHotkey(std::string("&") + Key);
  for (int i = 0; i < Items()->Count(); ++i) {
    TMenuItem* item = Items()->Items(i);
    if (item->Visible() && item->Enabled() && GetHotkey(item->Caption()) == want) {
      TrackBar(Form, i, true);
      return true;
    }
  }
  return false;
}

void TMainMenu::TrackBar(TCustomForm* Form, int Index, bool ByKeyboard) {
  platform::menus::TrackMainMenu(this, Form, Index, ByKeyboard);
}

// ---- popup menu

void TPopupMenu::Popup(int X, int Y) {
  if (OnPopup) OnPopup(this);
  platform::menus::TrackPopupMenu(this, X, Y);
}
