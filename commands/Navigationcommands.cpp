#include "commands/Navigationcommands.h"

#include "browse/Commandcodes.h"
#include "browse/Lowerlistcollectors.h"
#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "browse/Tformbrowsemanager.h"
#include "commands/Tbrowsecommands.h"
#include "foundation/Guihooks.h"
#include "foundation/Runexternalbrowser.h"
#include "foundation/Tlisteners.h"
#include "foundation/Tlogin.h"
#include "foundation/Ttempcursor.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tclipboard.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tpanel.h"
#include "platform/gui/Gui.h"

#include <algorithm>

namespace {

bool IsCurrentItem(const TCommand& command) {
  return command.Item && command.Item == &command.Browse.CurrentBrowseState.CurrentItem;
}

// Runs a step with the window's present state on top of its Back history, and leaves the
// history exactly as it was (a full history would otherwise lose its oldest state).
template <class Step>
void WithStateOnHistory(TBrowse& browse, Step step) {
  const TBrowseHistory saved = browse.History;
  browse.PushHistory();
  step();
  browse.History = saved;
}

// A window of the register by its place, or null.
TFormBrowse* WindowAt(int32_t index) {
  TFormBrowseManager* manager = FormBrowseManager();
  return manager && index >= 0 && index < manager->Count() ? manager->GetFormBrowse(index) : nullptr;
}

// A minimised window comes back in the state it had; any other gets the focus.
void BringForward(TFormBrowse& form) {
  if (form.WindowState() == wsMinimized) form.SetWindowState(form.LastWindowState());
  else form.SetFocus();
}

}  // namespace

void UpCommand(TCommand& command) {
  TBrowse& browse = command.Browse;
  TDiscussionsManager* manager = DiscussionsManager();
  const uint8_t kind = command.Item ? command.Item->Kind() : uint8_t(BrowseItem_None);
  if (kind == BrowseItem_Block && command.Block && command.Discussion) {
    const TDiscBlockIndex left = command.BlockIndex;
    if (left == command.Discussion->Storages.GetRootBlockIndex()) {
      // From the root of a discussion to its row in the folder that holds it.
      TBrowseItemIdent row;
      row.Kind = BrowseItem_Folder;
      row.Folder = command.Discussion->FolderIndex;
      if (!manager) return;
      browse.OpenMonoGroup(manager->GetParentFolder(row.Folder));
      browse.SelectRowByItemIdent(row, true);
    } else if (command.Block->Upper.IsEmpty()) {
      MessageBeep(1);
      return;
    } else {
      browse.GoToDiscBlock(command.Block->Upper);
      browse.SelectRowByDiscBlock(left, true);
    }
  } else if (kind == BrowseItem_Folder && manager) {
    browse.OpenMonoGroup(manager->GetParentFolder(command.Item->Ident.Folder));
  }
  browse.InvalidateLowerList();
  browse.SetPaintRequest(PaintRequest_Scroll);
}

void ContentsCommand(TCommand& command) {
  TDiscussion* discussion = command.Discussion;
  if (!discussion) {
    MessageBeep(1);
    return;
  }
  TDiscBlockStorages& storages = discussion->Storages;
  const TDiscBlockIndex root = storages.GetRootBlockIndex();
  const TDiscBlockIndex from = command.Block ? command.BlockIndex : TDiscBlockIndex{};
  command.Browse.GoToDiscBlock(root);
  // Climb to the top-level block that holds the block the user came from; a chain of
  // upper blocks longer than the discussion can only be a loop in damaged data.
  int steps = storages.TotalCount();
  for (TDiscBlockIndex block = from; !block.IsEmpty() && !(block == root) && steps-- > 0;) {
    const TDiscBlock* found = storages.GetDiscBlock(block);
    if (!found) return;
    if (found->Upper == root) {
      command.Browse.SelectRowByDiscBlock(block, true);
      return;
    }
    block = found->Upper;
  }
}

void BriefFullCommand(TCommand& command) {
  TBrowse& browse = command.Browse;
  TTempCursor hourglass;
  browse.InvalidateLowerList();
  TBrowseState& state = browse.CurrentBrowseState;
  const uint8_t target = state.DisplayMode == DisplayMode_Full ? DisplayMode_Brief : DisplayMode_Full;
  state.DisplayMode = target;
  // Each child that is not yet in the new mode gets a click on its text row, as the user
  // would give it; from the last child up when folding, so rows above stay where they are.
  const int count = int(state.CurrentItem.Children.size());
  for (int k = 0; k < count; ++k) {
    const int child = target == DisplayMode_Brief ? count - 1 - k : k;
    if (child >= int(state.CurrentItem.Children.size())) continue;
    if (state.CurrentItem.Children[size_t(child)].DisplayMode == target) continue;
    for (int row = 0; row < int(state.Rows.Count()); ++row) {
      const TLowerListRow& shown = state.Rows[uint32_t(row)];
      if (shown.RowType == LowerListRow_Text && shown.ItemIndex.Length() == 1 &&
          shown.ItemIndex.Path[0] == uint16_t(child)) {
        browse.LowerListMouseDown(row, mbLeft, TShiftState(), POINT{0, 0});
        break;
      }
    }
  }
  browse.InvalidateLowerList();
  browse.SetPaintRequest(PaintRequest_Scroll);
  browse.Menu.Build(TBrowseItemIndex(), state.CurrentItem, 1);
}

void NewWindowCommand(TCommand& command) {
  TBrowse& browse = command.Browse;
  TFormBrowseManager* manager = FormBrowseManager();
  if (!command.Item || !manager) {
    MessageBeep(1);
    return;
  }
  const int discussion = browse.CurrentBrowseState.DiscussionIndex;
  if (IsCurrentItem(command)) {
    if (browse.Form) browse.CurrentBrowseState.UpperPanelHeight = uint16_t(std::max(0, browse.Form->PanelUpperBlock->Height()));
    const TBrowseState copy = browse.CurrentBrowseState;
    manager->NewFormBrowseWithState(discussion, copy, browse.Form, browse.ModerationMode, true);
  } else {
    const TBrowseItem item = *command.Item;
    WithStateOnHistory(browse, [&] {
      TBrowse* opened = manager->NewFormBrowse(discussion, item, browse.Form, browse.ModerationMode, true);
      if (opened && opened->Form && opened->CurrentBrowseState.CurrentItem.Kind() == BrowseItem_Author)
        opened->Form->PanelUpperBlock->SetHeight(0);
    });
  }
  TListeners::SendPair(Notify_WindowsChanged, intptr_t(0), intptr_t(0), false);
}

namespace {

// The block of a composed name in the window's discussion; the user is told when there is
// none.
TDiscBlockIndex FindReference(const TCommand& command, const char* caption) {
  const TDiscBlockIndex block =
      command.Discussion ? command.Discussion->Storages.FindDiscBlockIndexByName(command.Text) : TDiscBlockIndex{};
  if (block.IsEmpty()) ShowMessageBox(caption, "Reference <" + command.Text + "> not found!");
  return block;
}

}  // namespace

void HyperReferenceCommand(TCommand& command) {
  const TDiscBlockIndex block = FindReference(command, "HYPERREFERENCE ERROR");
  if (!block.IsEmpty()) command.Browse.GoToDiscBlock(block);
}

void TextReferenceCommand(TCommand& command) {
  const TDiscBlockIndex block = FindReference(command, "Reference error");
  TFormBrowseManager* manager = FormBrowseManager();
  if (block.IsEmpty() || !manager) return;
  TBrowse& browse = command.Browse;
  WithStateOnHistory(browse, [&] {
    manager->NewFormBrowseOnBlock(browse.CurrentBrowseState.DiscussionIndex, block, browse.Form, 0, true);
  });
}

void BackCommand(TCommand& command) {
  TBrowse& browse = command.Browse;
  // The first state of a new window shows nothing: there is no way back past it.
  const TBrowseState* latest = browse.History.Latest();
  if (!latest || latest->CurrentItem.Kind() == BrowseItem_None) {
    MessageBeep(1);
    return;
  }
  TBrowseState copy = *latest;
  const uint8_t listKind = copy.ListKind;
  copy.ListKind = ListKind_None;
  browse.SetCurrentBrowseState(copy);
  browse.History.Delete(browse.History.Count() - 1);
  // The discussion may have been closed since the state was kept.
  if (!browse.SetDiscussionIndex(browse.CurrentBrowseState.DiscussionIndex)) return;
  browse.CurrentBrowseState.ListKind = listKind;
  // The kept state may still list blocks that went to the recycle bin or were erased.
  browse.RemoveRowsOfBlocksInState(DeleteFlag_Recycled);
  browse.RemoveRowsOfBlocksInState(DeleteFlag_Erased);
  browse.SetPaintRequest(PaintRequest_Scroll);
  browse.CurrentBrowseItemChanged();
}

namespace {

void GoToNeighbour(TCommand& command, int step) {
  if (!command.Item || command.Item->Kind() != BrowseItem_Block) {
    MessageBeep(1);
    return;
  }
  const TBrowseItem item = *command.Item;
  command.Browse.GoToNeighbourBlock(item, step);
}

}  // namespace

void NextCommand(TCommand& command) { GoToNeighbour(command, +1); }

void PreviousCommand(TCommand& command) { GoToNeighbour(command, -1); }

void ActivateWindowCommand(TCommand& command) {
  if (TFormBrowse* form = WindowAt(command.Data1)) BringForward(*form);
}

void ShowInWindowCommand(TCommand& command) {
  TFormBrowse* form = WindowAt(command.Data1);
  if (!form || (command.Text.empty() && !command.Item)) {
    MessageBeep(1);
    return;
  }
  const TBrowseItem item = command.Item ? *command.Item : TBrowseItem{};
  TBrowse& target = form->Browse;
  if (!target.SetDiscussionIndex(command.Browse.CurrentBrowseState.DiscussionIndex)) return;
  BringForward(*form);
  if (!command.Text.empty()) target.GoToReference(command.Text);
  else target.OpenBrowseItem(item);
}

void ShowAllDiscussionsCommand(TCommand& command) {
  TDiscussionsManager* manager = DiscussionsManager();
  if (!manager) return;
  TBrowse& browse = command.Browse;
  const uint8_t saved = browse.ShowAll;
  browse.ShowAll = 1;
  browse.OpenMonoGroup(manager->DiscussedRoot);
  browse.ShowAll = saved;
}

namespace {

std::string SiteURL() {
  TLoginsStorage* logins = LoginsStorage();
  return logins ? logins->SiteURL.ToString() : std::string();
}

}  // namespace

void ConnectCommand(TCommand&) { RunExternalBrowser(SiteURL()); }

// Without an address there is nothing to copy: the clipboard keeps what it has.
void CopyURLCommand(TCommand&) {
  const std::string url = SiteURL();
  if (url.empty()) MessageBeep(1);
  else Clipboard()->SetAsText(url);
}
