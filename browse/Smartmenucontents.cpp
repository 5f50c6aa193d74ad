// What the menus of a browse window offer: for an item and the state of its window, the
// entries of the window menu (main-menu mode) or of the item's popup, with their command
// codes, data words and enabled flags.

#include "browse/Smartmenufacts.h"
#include "browse/Tformbrowse.h"
#include "browse/Tformbrowsemanager.h"
#include "browse/Tsmartmenu.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tpanel.h"

namespace {

// The caption of "Up": hyphens that every build turns into non-breaking spaces.
constexpr const char* kUpCaption = "-----Up-----";
constexpr char kNonBreakingSpace = char(0xA0);

}  // namespace

void TSmartMenu::BuildContents(const TBrowseItem* item, bool mainMenu) {
  if (!Browse) return;
  const TSmartMenuFacts facts(*Browse, *item, RootItem, Index, mainMenu);
  TBrowse& browse = *Browse;
  const TBrowseState& state = browse.CurrentBrowseState;

  // 1. The top of the window menu.
  if (mainMenu) {
    TSmartMenuItem& windows = AddTopLevel("Windows", 0, true);
    windows.Add("New window", 9, true);
    if (TFormBrowseManager* manager = FormBrowseManager())
      for (int i = 0; i < manager->Count(); ++i) {
        const TFormBrowse* form = manager->GetFormBrowse(i);
        if (&form->Browse != &browse) windows.Add(form->Browse.GetStringForWindowsMenu(), 20, true, i);
      }
    AddTopLevel("Back", 12, facts.ListKind != 6 && facts.ListKind != 11 && browse.History.Count() > 1);
    AddTopLevel("Contents", 2,
                facts.Kind != BrowseItem_Folder && (!facts.Root || facts.RetrievalList || !facts.UpperPanelShown));
    const bool neighbours = facts.BlockItem && !facts.Root && !facts.LostUpper;
    AddTopLevel("Previous", 14, neighbours);
    AddTopLevel("Next", 13, neighbours);
    AddTopLevel("Help", 84, true);
  }

  // 7. The tail of the window menu.
  if (mainMenu) {
    const bool full = state.DisplayMode == DisplayMode_Full;
    TSmartMenuItem& brief =
        AddTopLevel(full ? "Brief" : "Full", 5,
                    facts.Current && !item->Children.empty() && facts.ListKind != 6 && facts.Kind != BrowseItem_Folder,
                    -1, -1, "Brief");
    brief.SecondCaption = "Brief";
    AddTopLevel("Chain", 24, facts.BlockItem && facts.Block->StorageType != StorageType_Model && !facts.RetrievalList);
    AddTopLevel("Graph", 40, facts.BlockItem);
    std::string up = kUpCaption;
    ReplaceChar(up, '-', kNonBreakingSpace);
    bool upEnabled = facts.UpperPanelShown;
    if (facts.Kind == BrowseItem_Folder) upEnabled = facts.FolderHasParent;
    else if (facts.Kind == BrowseItem_Author) upEnabled = false;
    AddTopLevel(up, 1, upEnabled);
  }
}
