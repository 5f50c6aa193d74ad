#pragma once
// The data-driven menus of a browse window. Every menu the window shows (the window menu,
// drawn as the horizontal tool bar with drop-down popups, the right-click popup of an
// item and the popup of a block name) is a tree of entries, each with a caption, an
// enabled flag, a command code and two data words. The tree is built afresh whenever the
// item or the window's state changes, then turned into tool buttons and menu items;
// choosing an entry sends its code and data words with the item the menu was built for
// to the window's commands.

#include "browse/Commandcodes.h"
#include "foundation/Tstr.h"
#include "model/Tbrowseitem.h"

#include <cstdint>
#include <string>
#include <vector>

class TBrowse;
class TMenuItem;
class TSmartMenu;
struct TSmartMenuFacts;
class TToolBar;
class TToolButton;

struct TSmartMenuItem {
  TSmartMenu* Owner = nullptr;  // set on the whole tree after every build
  uint8_t Enabled = 0;          // 0: left out of menus, a disabled button on the tool bar
  uint8_t OnToolBar = 0;        // set on the top-level entries when the tool bar is laid out
  uint8_t Code = Command_None;  // Commandcodes.h; none for a submenu or a title
  int32_t Data1 = -1;
  int32_t Data2 = -1;
  TStr Caption;
  TStr SecondCaption;
  TToolButton* ToolButton = nullptr;  // the button of a top-level entry; owned
  std::vector<TSmartMenuItem> SubItems;

  TSmartMenuItem() { Init(); }
  ~TSmartMenuItem() { Clear(); }
  TSmartMenuItem(const TSmartMenuItem&) = delete;
  TSmartMenuItem& operator=(const TSmartMenuItem&) = delete;
  TSmartMenuItem(TSmartMenuItem&& other) noexcept;
  TSmartMenuItem& operator=(TSmartMenuItem&& other) noexcept;

  void Init();
  // Frees the sub-items (recursively) and the tool button; the words go back to -1.
  void Clear();
  void SetOwnerMenu(TSmartMenu* menu);
  // Whether an enabled entry with a command lies somewhere below (titles are searched
  // through whatever their own flag says).
  bool HasEnabledCommand() const;
  // Appends a sub-item and returns it (valid until the next append to this item).
  TSmartMenuItem& Add(const std::string& caption, uint8_t code, bool enabled, int32_t data1 = -1,
                      int32_t data2 = -1);
  // Appends the entry of a command with the caption of its row.
  TSmartMenuItem& Add(TCaptionedCommand command, bool enabled, int32_t data1 = -1, int32_t data2 = -1) {
    return Add(command.Caption, command.Code, enabled, data1, data2);
  }
  int Count() const { return int(SubItems.size()); }
  TSmartMenuItem& Item(int index) { return SubItems[size_t(index)]; }
  const TSmartMenuItem& Item(int index) const { return SubItems[size_t(index)]; }
  // The first sub-item of that caption, or null.
  TSmartMenuItem* Find(const std::string& caption);
};

class TSmartMenu {
 public:
  TSmartMenuItem Root;  // its sub-items are the top-level entries
  uint8_t Ready = 1;
  TBrowse* Browse = nullptr;
  const TBrowseItem* RootItem = nullptr;  // the tree the index is resolved in; null for a name popup
  TBrowseItemIndex Index;                 // the item the menu was built for; empty: the root item
  TStr Text;                              // the block name of a name popup
  TToolBar* ToolBar = nullptr;            // the window menu's tool bar; null for the popup

  TSmartMenu() { Init(); }
  ~TSmartMenu() { Done(); }
  TSmartMenu(const TSmartMenu&) = delete;
  TSmartMenu& operator=(const TSmartMenu&) = delete;

  void Init();
  // Frees the tree with its tool buttons and unbinds the menu.
  void Done();
  void Reset() {
    Done();
    Init();
  }
  void Bind(TBrowse* browse, TToolBar* toolBar) {
    Browse = browse;
    ToolBar = toolBar;
  }

  // Rebuilds the menu for an item of the window (index resolved in the root item): the
  // window menu (mainMenu 1, laid out on the tool bar) or a popup (0).
  void Build(const TBrowseItemIndex& index, const TBrowseItem& rootItem, int mainMenu);
  // Rebuilds the popup of a block name.
  void BuildNamePopup(const std::string& name);
  int Builds() const { return fBuilds; }

  // Width of a caption in the menu font, with the margin of a button.
  int GetCaptionWidth(const std::string& caption) const;
  // Adds a top-level entry through the overflow rule: once the tool bar is full, it and
  // every later top-level entry go under "...". Returns the entry.
  TSmartMenuItem& AddTopLevel(const std::string& caption, uint8_t code, bool enabled, int32_t data1 = -1,
                              int32_t data2 = -1, const std::string& measured = std::string());
  TSmartMenuItem& AddTopLevel(TCaptionedCommand command, bool enabled) {
    return AddTopLevel(command.Caption, command.Code, enabled);
  }
  // Menu items below a class-library item for the enabled entries of an item.
  void FillMenuItems(const TSmartMenuItem& item, TMenuItem* parent) const;

 private:
  // The frame of every rebuild: the buttons of the enabled top-level entries are kept for
  // reuse and the tree cleared; at the end the tree gets its owner, the tool bar is laid
  // out and the kept buttons not reused go.
  void BeginRebuild();
  void EndRebuild();
  void LayoutToolBar();
  void DestroyKeptButtons();
  // The entries of a build (Smartmenucontents.cpp).
  void BuildContents(const TBrowseItem* item, bool mainMenu);
  void BuildFolderEntries(const TSmartMenuFacts& facts, const TBrowseItem& item);
  void BuildItemEntries(const TSmartMenuFacts& facts, const TBrowseItem& item);
  void BuildThemeEntries(const TSmartMenuFacts& facts);
  void BuildRetrievalEntries(const TSmartMenuFacts& facts, TSmartMenuItem& retrieval);
  void BuildServiceEntries(const TSmartMenuFacts& facts, TSmartMenuItem& service);
  bool CanPaste(const TSmartMenuFacts& facts) const;

  std::vector<TToolButton*> fKept;  // by position; null: that entry had no button
  int fUsedWidth = 0;
  int fAvailableWidth = 0;
  bool fOverflowed = false;
  bool fBuilding = false;
  int fBuilds = 0;
};

// Menu items taken out of a menu stay alive until the next popup opens, since the click
// of one of them may still be running when its menu is emptied.
void ShedMenuItems(TMenuItem* parent);
void FreeShedMenuItems();

// Replaces every occurrence of one character of a text in place.
void ReplaceChar(std::string& text, char what, char with);
